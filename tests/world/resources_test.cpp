// The maps of the runnable folder, loaded as the client loads them, each with its tile set. Where
// their exits lead and whether they are playable is checked on the generator's side.
#include "core/map.h"
#include "world/tiling.h"

#include "tests/support/support.h"

#include <filesystem>

namespace {

namespace fs = std::filesystem;

TEST(ShippedWorld, EveryMapLoadsWithItsTileSet) {
    const fs::path oldcwd = fs::current_path();
    fs::current_path(TAVREL_RUN_DIR); // the folder holding Tavrel.app, as the client runs
    tt::GlWindow window;
    bool sawmain = false;
    for (const auto& entry : fs::directory_iterator(tt::BuiltResources()))
        if (entry.path().extension() == ".map") {
            EXPECT_EQ(LoadMap(entry.path().filename()), 1) << entry.path();
            sawmain = sawmain || entry.path().filename() == "main.map";
        }
    EXPECT_TRUE(sawmain);
    FreeMap();
    FreeTileSet();
    fs::current_path(oldcwd);
}

} // namespace
