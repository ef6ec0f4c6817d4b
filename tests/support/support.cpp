#include "tests/support/support.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
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

} // namespace tt
