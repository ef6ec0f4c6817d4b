#include "tests/support/client.h"

#include <cstdlib>

namespace tt {

std::string ClientBinary() {
    return std::string(TAVREL_RUN_DIR) + "/tavrel";
}

Sandbox::Sandbox() {
    Sh("mkdir -p " + ShellQuote(dir() + "Tavrel.app/Contents") + " && cp -r " +
       ShellQuote(std::string(TAVREL_RUN_DIR) + "/Tavrel.app/Contents/Resources") + " " +
       ShellQuote(Resource("")));
}

std::string Sandbox::Resource(const std::string& name) const {
    return dir() + "Tavrel.app/Contents/Resources/" + name;
}

void Sandbox::WriteConfig(const std::string& name, int port, int character, const std::string& server) {
    WriteFile(Resource("client.cfg"), "name=" + name + "\ncharacter=" + std::to_string(character) +
                                          "\nserver=" + server + "\nport=" + std::to_string(port) + "\n");
}

Process* Sandbox::StartClient() {
    client_ = std::make_unique<Process>(std::vector<std::string>{ClientBinary()}, dir(),
                                        std::map<std::string, std::string>{{"DISPLAY", TestDisplay()}});
    return client_.get();
}

std::string FocusGameWindow() {
    const std::string window = FindWindow(GAME_TITLE, 15s);
    if (window.empty()) return window;
    Xdotool("mousemove 100 100");
    Xdotool("windowfocus --sync " + window);
    return window;
}

ClientSession::ClientSession(const std::string& name, int character) {
    box.WriteConfig(name, peer.port(), character);
}

void ClientSession::Launch() {
    client = box.StartClient();
}

::testing::AssertionResult ClientSession::Start() {
    if (!client) Launch();
    if (!peer.Accept(10s)) return ::testing::AssertionFailure() << "no connection\n" << client->Stderr();
    window = FocusGameWindow();
    if (window.empty() || !client->WaitForStdout("width: 640 height: 480", 10s))
        return ::testing::AssertionFailure() << "no window\n" << client->Stdout() << client->Stderr();
    std::this_thread::sleep_for(300ms);
    return ::testing::AssertionSuccess();
}

void ClientSession::Hold(const std::string& key, int ms) {
    Xdotool("keydown " + key);
    std::this_thread::sleep_for(Millis(ms));
    Xdotool("keyup " + key);
}

} // namespace tt
