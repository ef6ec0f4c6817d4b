// The world part of each frame, and the two tests the walking runs after every step.
#include "world/tiling.h"

#include "characters/characters.h"
#include "chat/chat.h"
#include "net/net.h"
#include "world/map.h"

#include <GL/glu.h>

void DrawWorld() {
    // The player stands 1.25 units above the middle of the window, leaving room for the chat panel.
    const float eyex = avatar.charposx;
    const float eyey = avatar.charposy - 1.25f;
    gluLookAt(eyex, eyey, 15, eyex, eyey, 0, 0, 1, 0);
    draw_tiles();
    draw_character_vector();
    draw_character(&avatar);
    draw_chat_texture();
    DrawChatText();
}

bool detect_collision() {
    return FeetBlocked(blockmap, MAP_SIZEX, MAP_SIZEY, avatar.charposx, avatar.charposy);
}

// The exit cell whose target map last failed to load; while the player stays on it the
// failure is not retried, so it is reported once per arrival rather than once per frame.
static bool failedexit = false;
static int failedcol = 0;
static int failedrow = 0;

bool detect_entity() {
    const int fired = FindExit(entitiesallocated ? entities : nullptr, numentities, MAP_SIZEX, MAP_SIZEY,
                               avatar.charposx, avatar.charposy);
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
    SendMapChangeMessage(exit.newmap);
    InstallPreparedMap(next);
    avatar.charposy = exit.newposy;
    avatar.charposx = exit.newposx;
    return true;
}
