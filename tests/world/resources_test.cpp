// The shipped maps, checked the way a player would find them: each loads with its tile set,
// every cell names a tile, the start and every arrival point leave the feet free, and every
// exit leads to a map that loads. Pictures of what the player sees at each start and arrival
// are written next to the test program for looking at.
#include "world/map.h"
#include "world/tiling.h"

#include "characters/characters.h"
#include "chat/chat.h"
#include "graphics/text.h"
#include "tests/support/support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <unistd.h>

namespace {

// The map files of the built resource folder, by name.
std::vector<std::string> ShippedMaps() {
    std::vector<std::string> names;
    DIR* dir = opendir(tt::BuiltResources().c_str());
    if (!dir) return names;
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".map") == 0) names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

class ShippedWorld : public ::testing::Test {
  protected:
    void SetUp() override {
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        oldcwd_ = cwd;
        // The folder holding Tavrel.app, as the client runs.
        ASSERT_EQ(chdir((std::string(TAVREL_RUN_DIR)).c_str()), 0);
        window_ = std::make_unique<tt::GlWindow>();
        // The pictures show the player, the chat panel and a line of chat as in the game.
        load_char_set(SPRITE_SHEET_FILE);
        load_chat_texture();
        LoadFontTexture();
        BuildFont();
        avatar.direction = 2;
        chatbuffer[0] = "mapper: looking around";
    }
    void TearDown() override {
        FreeMap();
        FreeTileSet();
        FreeFont();
        chatbuffer[0].clear();
        window_.reset();
        if (chdir(oldcwd_.c_str()) != 0) ADD_FAILURE();
    }
    // Draws the world with the player at (x, y) and saves the picture as name.png beside the test.
    void Picture(const std::string& name, float x, float y) {
        avatar.charposx = x;
        avatar.charposy = y;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        DrawWorld();
        window_->ReadBack().SavePng(oldcwd_ + "/view-" + name + ".png");
    }
    std::string oldcwd_;
    std::unique_ptr<tt::GlWindow> window_;
};

TEST_F(ShippedWorld, EveryMapLoadsAndEveryExitLeadsSomewhereFree) {
    const std::vector<std::string> maps = ShippedMaps();
    ASSERT_FALSE(maps.empty()) << "no map in " << tt::BuiltResources();
    EXPECT_NE(std::find(maps.begin(), maps.end(), "main.map"), maps.end());
    for (const std::string& name : maps) {
        SCOPED_TRACE(name);
        ASSERT_EQ(LoadMap(name), 1);
        for (int row = 0; row < MAP_SIZEY; ++row) {
            for (int col = 0; col < MAP_SIZEX; ++col) {
                ASSERT_GE(map[row][col], 0) << "ground at column " << col << ", row " << row;
                ASSERT_LT(map[row][col], numtiles) << "ground at column " << col << ", row " << row;
                if (layer2) {
                    ASSERT_LT(map2[row][col], numtiles) << "second layer at " << col << ", " << row;
                }
            }
        }
        EXPECT_FALSE(FeetBlocked(blockmap, MAP_SIZEX, MAP_SIZEY, startposx, startposy))
            << "start " << startposx << ", " << startposy;
        Picture(name + "-start", startposx, startposy);

        // Each exit: its trigger inside the map and reachable, its target loads, the arrival is free.
        const std::vector<entity_t> exits(entities, entities + numentities);
        for (const entity_t& e : exits) {
            SCOPED_TRACE("exit at " + std::to_string(e.posx) + ", " + std::to_string(e.posy) + " to " + e.newmap);
            EXPECT_FALSE(CellBlocked(blockmap, MAP_SIZEX, MAP_SIZEY, e.posx, e.posy));
            ASSERT_EQ(LoadMap(e.newmap), 1);
            EXPECT_FALSE(FeetBlocked(blockmap, MAP_SIZEX, MAP_SIZEY, e.newposx, e.newposy));
            // Landing on an exit would carry the player on at once.
            EXPECT_EQ(FindExit(entities, numentities, MAP_SIZEX, MAP_SIZEY, e.newposx, e.newposy), -1);
            Picture(name + "-to-" + e.newmap, e.newposx, e.newposy);
            ASSERT_EQ(LoadMap(name), 1);
        }
    }
}

} // namespace
