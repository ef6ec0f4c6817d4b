// The real client with a first map it can't use: it names the file and the problem on
// standard error and ends with exit code 9 before opening a game window.
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace std::chrono_literals;

// Starts the client in a sandbox whose main.map is mapText (no file when null); returns
// the exit code and what it wrote on standard error.
std::pair<std::optional<int>, std::string> StartWith(const char* mapText) {
    tt::Peer server;
    tt::Sandbox sandbox;
    sandbox.WriteConfig("mapper", server.port());
    std::remove(sandbox.Resource("main.map").c_str());
    if (mapText) tt::WriteFile(sandbox.Resource("main.map"), mapText);
    tt::Process* client = sandbox.StartClient(tt::TestDisplay());
    EXPECT_TRUE(server.Accept(10s));
    const std::optional<int> code = client->Wait(20s);
    return {code, client->Stderr()};
}

TEST(FirstMap, MissingEndsWithCode9) {
    const auto [code, err] = StartWith(nullptr);
    EXPECT_EQ(code, std::optional<int>(9));
    EXPECT_NE(
        err.find(
            "Failed to load the map \"Tavrel.app/Contents/Resources/main.map\": the file can't be opened"),
        std::string::npos)
        << err;
}

TEST(FirstMap, ImpossibleEndsWithCode9) {
    const auto [code, err] =
        StartWith("Tavrel.app/Contents/Resources/tiles.tga\n-2\n3\n1\n1\n0\n0\n0 0 0\n\n");
    EXPECT_EQ(code, std::optional<int>(9));
    EXPECT_NE(err.find("main.map\": line 2: -2 columns"), std::string::npos) << err;
}

TEST(FirstMap, WithoutItsTileSetEndsWithCode9) {
    const auto [code, err] =
        StartWith("Tavrel.app/Contents/Resources/no tiles.tga\n1\n1\n0.5\n0.5\n0\n0\n0 0 0\n\n0\n\n0\n");
    EXPECT_EQ(code, std::optional<int>(9));
    EXPECT_NE(err.find("Failed to load the image \"Tavrel.app/Contents/Resources/no tiles.tga\""),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("main.map\": its tile set"), std::string::npos) << err;
}

} // namespace
