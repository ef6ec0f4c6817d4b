// The real client without data it can't play without (the first map, its tile set, the chat
// panel or font): it names the file and the problem on standard error and ends with exit code 9.
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace std::chrono_literals;

TEST(StartUpData, AMissingOrBrokenFirstMapPanelOrFontEndsWithCode9) {
    const std::string res = "Tavrel.app/Contents/Resources/";
    const struct {
        const char* file; // removed, then written with text unless it is null
        const char* text;
        std::vector<std::string> says;
    } cases[] = {
        {"main.map", nullptr, {"Failed to load the map \"" + res + "main.map\": the file can't be opened"}},
        {"main.map",
         "Tavrel.app/Contents/Resources/tiles.tga\n-2\n3\n1\n1\n0\n0\n0 0 0\n\n",
         {"main.map\": line 2: -2 columns"}},
        {"main.map",
         "Tavrel.app/Contents/Resources/no tiles.tga\n1\n1\n0.5\n0.5\n0\n0\n0 0 0\n\n0\n\n0\n",
         {"Failed to load the image \"" + res + "no tiles.tga\"", "main.map\": its tile set"}},
        {"chat.tga",
         nullptr,
         {"Failed to load the image \"" + res + "chat.tga\"", "chat.tga\" could not be loaded."}},
        {"font.tga",
         nullptr,
         {"Failed to load the image \"" + res + "font.tga\"", "font.tga\" could not be loaded."}},
    };
    for (const auto& c : cases) {
        tt::Peer server;
        tt::Sandbox sandbox;
        sandbox.WriteConfig("mapper", server.port());
        ASSERT_EQ(std::remove(sandbox.Resource(c.file).c_str()), 0) << c.file;
        if (c.text) tt::WriteFile(sandbox.Resource(c.file), c.text);
        tt::Process* client = sandbox.StartClient(tt::TestDisplay());
        EXPECT_TRUE(server.Accept(10s));
        EXPECT_EQ(client->Wait(20s), std::optional<int>(9)) << c.says[0];
        for (const std::string& says : c.says)
            EXPECT_NE(client->Stderr().find(says), std::string::npos) << client->Stderr();
    }
}

} // namespace
