#include "tests/support/client.h"

#include <csignal>
#include <cstdlib>

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
