#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace tt {

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
       " " + ShellQuote(dir_ + "/Tavrel.app/Contents/Resources"));
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

Image WindowShot(const std::string& display, const std::string& windowid) {
    const Geometry g = WindowGeometry(display, windowid);
    const Image screen = Screenshot(display);
    Image out;
    out.width = g.width;
    out.height = g.height;
    out.rgb.reserve(static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.height) * 3);
    for (int y = 0; y < g.height; y++)
        for (int x = 0; x < g.width; x++) {
            const Image::Pixel p = screen.At(g.x + x, g.y + y);
            out.rgb.push_back(static_cast<std::uint8_t>(p.r));
            out.rgb.push_back(static_cast<std::uint8_t>(p.g));
            out.rgb.push_back(static_cast<std::uint8_t>(p.b));
        }
    return out;
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
    usleep(300000);
    return ::testing::AssertionSuccess();
}

Image ClientSession::Shot() const {
    return WindowShot(TestDisplay(), window);
}

void ClientSession::Hold(const std::string& key, int ms) {
    Xdotool(TestDisplay(), "keydown " + key);
    usleep(static_cast<useconds_t>(ms) * 1000);
    Xdotool(TestDisplay(), "keyup " + key);
}

} // namespace tt
