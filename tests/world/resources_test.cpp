// The maps of the runnable folder, loaded as the client loads them: each one, with its tile
// set, and the target of every exit. Whether they are playable is checked on the generator's side.
#include "core/map.h"
#include "world/tiling.h"

#include "tests/support/support.h"

#include <algorithm>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

TEST(ShippedWorld, EveryMapAndEveryExitTargetLoads) {
    const fs::path oldcwd = fs::current_path();
    fs::current_path(TAVREL_RUN_DIR); // the folder holding Tavrel.app, as the client runs
    tt::GlWindow window;
    std::vector<std::string> maps;
    for (const auto& entry : fs::directory_iterator(tt::BuiltResources()))
        if (entry.path().extension() == ".map") maps.push_back(entry.path().filename());
    EXPECT_NE(std::find(maps.begin(), maps.end(), "main.map"), maps.end());
    for (const std::string& name : maps) {
        ASSERT_EQ(LoadMap(name), 1) << name;
        const std::vector<entity_t> exits(entities, entities + numentities);
        for (const entity_t& e : exits) {
            EXPECT_EQ(LoadMap(e.newmap), 1) << name << " leads to " << e.newmap;
            ASSERT_EQ(LoadMap(name), 1);
        }
    }
    FreeMap();
    FreeTileSet();
    fs::current_path(oldcwd);
}

} // namespace
