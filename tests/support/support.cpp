#include "tests/support/support.h"
#include "frame/framework.h"
#include "wire/protocol.h"

#include <SDL.h>

#include <GL/gl.h>
#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tt {

std::string ReadFile(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& contents) {
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) Sh("mkdir -p " + ShellQuote(path.substr(0, slash)));
    std::ofstream(path, std::ios::binary) << contents;
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

static int DecodeStatus(int st) {
    if (WIFEXITED(st)) return WEXITSTATUS(st);
    if (WIFSIGNALED(st)) return 128 + WTERMSIG(st);
    return -1;
}

int Sh(const std::string& command, std::string* output) {
    FILE* p = popen(command.c_str(), "r");
    if (!p) return -1;
    char buf[4096];
    std::size_t n;
    std::string out;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int st = pclose(p);
    if (output) *output = out;
    return DecodeStatus(st);
}

static std::string TempPath(const char* stem) {
    std::string path = std::string("/tmp/tavrel-") + stem + "-XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd >= 0) close(fd);
    return path;
}

Process::Process(const std::vector<std::string>& argv, const std::string& cwd,
                 const std::map<std::string, std::string>& env)
    : outpath_(TempPath("out")), errpath_(TempPath("err")) {
    pid_ = fork();
    if (pid_ != 0) return;
    setpgid(0, 0);
    if (chdir(cwd.c_str()) != 0) _exit(126);
    dup2(open("/dev/null", O_RDONLY), 0);
    dup2(open(outpath_.c_str(), O_WRONLY | O_TRUNC), 1);
    dup2(open(errpath_.c_str(), O_WRONLY | O_TRUNC), 2);
    for (const auto& [k, v] : env)
        setenv(k.c_str(), v.c_str(), 1);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

Process::~Process() {
    if (pid_ > 0 && !status_) {
        kill(-pid_, SIGKILL);
        kill(pid_, SIGKILL);
        int st;
        waitpid(pid_, &st, 0);
    }
    unlink(outpath_.c_str());
    unlink(errpath_.c_str());
}

std::optional<int> Process::Wait(Millis timeout) {
    Eventually(
        [&] {
            int st;
            if (!status_ && waitpid(pid_, &st, WNOHANG) == pid_) {
                status_ = DecodeStatus(st);
                // The child's own children (none expected) go with it.
                kill(-pid_, SIGKILL);
            }
            return status_.has_value();
        },
        timeout);
    return status_;
}

void Process::Signal(int sig) {
    if (!status_) kill(pid_, sig);
}

int ListenOnLoopback(int backlog, int* port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || listen(fd, backlog) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        close(fd);
        return -1;
    }
    *port = ntohs(addr.sin_port);
    return fd;
}

int ClosedPort() {
    int port = 0;
    close(ListenOnLoopback(1, &port)); // closed: nothing accepts on the port now
    return port;
}

Peer::~Peer() {
    CloseConnection();
    if (listenfd_ >= 0) close(listenfd_);
}

bool Peer::Accept(Millis timeout) {
    pollfd p{listenfd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return false;
    connfd_ = accept(listenfd_, nullptr, nullptr);
    return connfd_ >= 0;
}

// One receive into inbuf_ before the deadline; an error counts as the end of the stream.
Peer::Got Peer::Receive(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now()).count();
    if (connfd_ < 0) return Got::End;
    pollfd p{connfd_, POLLIN, 0};
    if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) return Got::Nothing;
    char buf[4096];
    const ssize_t got = recv(connfd_, buf, sizeof buf, 0);
    if (got <= 0) return Got::End;
    inbuf_.append(buf, static_cast<std::size_t>(got));
    return Got::Bytes;
}

bool Peer::FillTo(std::size_t n, Millis timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (inbuf_.size() < n)
        if (Receive(deadline) != Got::Bytes) return false;
    return true;
}

bool Peer::PeerClosed(Millis timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    Got got;
    while ((got = Receive(deadline)) == Got::Bytes) {
    }
    return got == Got::End;
}

std::optional<std::string> Peer::ReadFrameBody(Millis timeout) {
    if (!FillTo(4, timeout)) return std::nullopt;
    const std::uint32_t len = ReadFrameLength(inbuf_.data());
    if (len > MAX_FRAME_BODY || !FillTo(4 + len, timeout)) return std::nullopt;
    std::string body = inbuf_.substr(4, len);
    inbuf_.erase(0, 4 + len);
    return body;
}

std::optional<std::string> Peer::ReadMessage(Millis timeout) {
    auto body = ReadFrameBody(timeout);
    if (!body) return std::nullopt;
    return body->substr(0, body->find('\0'));
}

std::optional<std::string> Peer::ReadUntil(const std::string& prefix, Millis timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<Millis>(end - std::chrono::steady_clock::now());
        auto msg = left.count() > 0 ? ReadMessage(left) : std::nullopt;
        if (!msg || msg->compare(0, prefix.size(), prefix) == 0) return msg;
    }
}

void Peer::SendRaw(const std::string& bytes) {
    if (connfd_ >= 0) send(connfd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

void Peer::SendMessage(const std::string& text) {
    SendRaw(EncodeFrame(text));
}

void Peer::CloseConnection() {
    if (connfd_ >= 0) close(connfd_);
    connfd_ = -1;
}

void Peer::ResetConnection() {
    if (connfd_ < 0) return;
    linger hard{1, 0};
    setsockopt(connfd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    CloseConnection();
}

const std::string& TestDisplay() {
    // Read once, at the first call: the X test main has set DISPLAY before any test runs.
    static const std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    return display;
}

Image::Pixel Image::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return {-1, -1, -1};
    const std::size_t i =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

void Image::SavePng(const std::string& path) const {
    const std::string raw = path + ".rgb";
    WriteFile(raw, std::string(rgb.begin(), rgb.end()));
    Sh("convert -size " + std::to_string(width) + "x" + std::to_string(height) + " -depth 8 " +
       ShellQuote("rgb:" + raw) + " " + ShellQuote(path));
    std::remove(raw.c_str());
}

// ImageMagick's import; PPM keeps the size in its header, so no second query is needed.
static Image Grab(const std::string& display, const std::string& window) {
    Image img;
    std::string out;
    if (Sh("DISPLAY=" + display + " import -window " + window + " -depth 8 ppm:- 2>/dev/null", &out) != 0)
        return img;
    int w = 0, h = 0, maxval = 0, consumed = 0;
    if (std::sscanf(out.c_str(), "P6 %d %d %d%n", &w, &h, &maxval, &consumed) != 3) return img;
    const std::size_t start = static_cast<std::size_t>(consumed) + 1;
    const std::size_t size = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3;
    if (out.size() < start + size) return img;
    img.width = w;
    img.height = h;
    img.rgb.assign(out.begin() + static_cast<long>(start), out.begin() + static_cast<long>(start + size));
    return img;
}

Image Screenshot(const std::string& display) {
    return Grab(display, "root");
}

Image WindowShot(const std::string& display, const std::string& windowid) {
    return Grab(display, windowid);
}

int ChangedPixels(const Image& a, const Image& b, int x0, int y0, int x1, int y1) {
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const Image::Pixel p = a.At(x, y), q = b.At(x, y);
            count += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b) > 30;
        }
    return count;
}

int Xdotool(const std::string& display, const std::string& args) {
    return Sh("DISPLAY=" + display + " xdotool " + args + " 2>/dev/null");
}

std::vector<std::string> FindWindows(const std::string& display, const std::string& title) {
    std::string out;
    Sh("DISPLAY=" + display + " xdotool search --onlyvisible --name " + ShellQuote("^" + title + "$") +
           " 2>/dev/null",
       &out);
    std::istringstream lines(out);
    std::vector<std::string> ids;
    for (std::string id; lines >> id;)
        ids.push_back(id);
    return ids;
}

std::string FindWindow(const std::string& display, const std::string& title, Millis timeout) {
    std::vector<std::string> ids;
    Eventually([&] { return !(ids = FindWindows(display, title)).empty(); }, timeout);
    return ids.empty() ? "" : ids.front();
}

Geometry WindowGeometry(const std::string& display, const std::string& windowid) {
    Geometry g;
    std::string out;
    Sh("DISPLAY=" + display + " xdotool getwindowgeometry --shell " + windowid + " 2>/dev/null", &out);
    std::sscanf(out.c_str(), "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d", &g.x, &g.y, &g.width, &g.height);
    return g;
}

std::string ClientBinary() {
    return std::string(TAVREL_RUN_DIR) + "/tavrel";
}
std::string ServerBinary() {
    return std::string(TAVREL_RUN_DIR) + "/tavrel-server";
}
std::string BuiltResources() {
    return std::string(TAVREL_RUN_DIR) + "/Tavrel.app/Contents/Resources";
}

Sandbox::Sandbox() {
    char templ[] = "/tmp/tavrel-sandbox-XXXXXX";
    if (mkdtemp(templ)) dir_ = templ;
    Sh("mkdir -p " + ShellQuote(dir_ + "/Tavrel.app/Contents") + " && cp -r " + ShellQuote(BuiltResources()) +
       " " + ShellQuote(Resource("")));
}

Sandbox::~Sandbox() {
    client_.reset();
    // A failed test leaves its folder behind, to be looked at.
    if (!::testing::Test::HasFailure() && !dir_.empty()) Sh("rm -rf " + ShellQuote(dir_));
}

std::string Sandbox::Resource(const std::string& name) const {
    return dir_ + "/Tavrel.app/Contents/Resources/" + name;
}

void Sandbox::WriteConfig(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines)
        text += l + "\n";
    WriteFile(Resource("client.cfg"), text);
}

void Sandbox::WriteConfig(const std::string& name, int port, int character) {
    WriteConfig({"name=" + name, "character=" + std::to_string(character), "server=127.0.0.1",
                 "port=" + std::to_string(port)});
}

Process* Sandbox::StartClient(const std::string& display) {
    client_ = std::make_unique<Process>(std::vector<std::string>{ClientBinary()}, dir_,
                                        std::map<std::string, std::string>{{"DISPLAY", display}});
    return client_.get();
}

ClientSession::ClientSession(const std::string& name, int character) {
    box.WriteConfig(name, peer.port(), character);
}

ClientSession::~ClientSession() {
    if (client != nullptr && client->Running()) client->Signal(SIGTERM);
}

void ClientSession::Launch() {
    client = box.StartClient(TestDisplay());
}

::testing::AssertionResult ClientSession::Start() {
    if (!client) Launch();
    if (!peer.Accept(10s)) return ::testing::AssertionFailure() << "no connection\n" << client->Stderr();
    window = FindWindow(TestDisplay(), "Quennick's Tavrel", 15s);
    if (window.empty() || !client->WaitForStdout("width: 640 height: 480", 10s))
        return ::testing::AssertionFailure() << "no window\n" << client->Stdout() << client->Stderr();
    Xdotool(TestDisplay(), "mousemove 100 100");
    Xdotool(TestDisplay(), "windowfocus --sync " + window);
    std::this_thread::sleep_for(300ms);
    return ::testing::AssertionSuccess();
}

void ClientSession::Hold(const std::string& key, int ms) {
    Xdotool(TestDisplay(), "keydown " + key);
    std::this_thread::sleep_for(Millis(ms));
    Xdotool(TestDisplay(), "keyup " + key);
}

GlWindow::GlWindow(int width, int height) {
    SDL_Init(SDL_INIT_VIDEO);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    surface = SDL_SetVideoMode(width, height, 16, SDL_OPENGL);
    SetFixedGLState();
    resizeWindow(width, height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

GlWindow::~GlWindow() {
    SDL_Quit();
}

Image::Pixel GlWindow::ReadPixel(int x, int y) const {
    unsigned char px[3] = {0, 0, 0};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, px);
    return {px[0], px[1], px[2]};
}

Image GlWindow::ReadBack() const {
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    Image img;
    img.width = vp[2];
    img.height = vp[3];
    const std::size_t row = static_cast<std::size_t>(img.width) * 3;
    const std::size_t rows = static_cast<std::size_t>(img.height);
    std::vector<std::uint8_t> bottomup(row * rows);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, img.width, img.height, GL_RGB, GL_UNSIGNED_BYTE, bottomup.data());
    img.rgb.resize(bottomup.size());
    for (std::size_t y = 0; y < rows; ++y)
        std::copy_n(&bottomup[(rows - 1 - y) * row], row, &img.rgb[y * row]);
    return img;
}

} // namespace tt
