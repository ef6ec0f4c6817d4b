// The real client without data it can't play without: it names the file on standard error and
// ends with exit code 9. Why a map can't be loaded is the map loader's own test's business.
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace std::chrono_literals;

TEST(StartUpData, AMissingFirstMapPanelOrFontEndsWithCode9) {
    const std::string res = "Tavrel.app/Contents/Resources/";
    const std::pair<const char*, std::string> cases[] = {
        {"main.map", "Failed to load the map \"" + res + "main.map\": the file can't be opened"},
        {"chat.tga", "The chat panel image \"" + res + "chat.tga\" could not be loaded."},
        {"font.tga", "The font image \"" + res + "font.tga\" could not be loaded."},
    };
    for (const auto& [file, says] : cases) {
        tt::Peer server;
        tt::Sandbox sandbox;
        sandbox.WriteConfig("mapper", server.port());
        ASSERT_EQ(std::remove(sandbox.Resource(file).c_str()), 0) << file;
        tt::Process* client = sandbox.StartClient(tt::TestDisplay());
        EXPECT_TRUE(server.Accept(10s));
        EXPECT_EQ(client->Wait(20s), std::optional<int>(9)) << file;
        EXPECT_NE(client->Stderr().find(says), std::string::npos) << client->Stderr();
    }
}

} // namespace
