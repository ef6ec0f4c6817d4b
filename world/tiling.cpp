// The two tests the walking runs after every step.
#include "world/tiling.h"

#include "core/character.h"

bool detect_collision() {
    return FeetBlocked(blockmap, MAP_SIZEX, MAP_SIZEY, avatar.charposx, avatar.charposy);
}

// The exit cell whose target map last failed to load; while the player stays on it the
// failure is not retried, so it is reported once per arrival rather than once per frame.
static bool failedexit = false;
static int failedcol = 0;
static int failedrow = 0;

bool detect_entity(const std::function<void(const std::string&)>& announce) {
    const int fired =
        FindExit(entitiesallocated ? entities : nullptr, numentities, avatar.charposx, avatar.charposy);
    if (fired < 0) {
        failedexit = false;
        return false;
    }
    // Copies, because installing the new map releases the exit list.
    const entity_t exit = entities[fired];
    if (failedexit && exit.posx == failedcol && exit.posy == failedrow) return false;

    PreparedMap next;
    if (!PrepareMap(exit.newmap, next)) {
        failedexit = true;
        failedcol = exit.posx;
        failedrow = exit.posy;
        return false;
    }
    failedexit = false;
    avatar.map = exit.newmap;
    announce(exit.newmap);
    InstallPreparedMap(next);
    avatar.charposy = exit.newposy;
    avatar.charposx = exit.newposx;
    return true;
}
