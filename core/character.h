// Every figure on the map, local or remote, as plain data: the record, the walking rules, the
// animation and extrapolation arithmetic, and the two records the whole client shares.
#pragma once

#include "core/geometry.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One figure on the map. A plain value: copied whole, owns its strings.
struct character {
    std::string nickname; // the player's name; the roster's key for remote players
    std::string map;      // map file the figure is on, e.g. "main.map"
    float charposx = 0;   // drawn position, world units
    float charposy = 0;
    float netposx = 0; // last position the server relayed (remote players only)
    float netposy = 0;
    int direction = 0;              // 0 up, 1 right, 2 down, 3 left
    int walking = 0;                // 1 while moving
    int charid = 0;                 // sprite set worn
    int currentframe = 0;           // animation frame 0..2
    int currenttexture = 0;         // direction * 3 + currentframe
    float animationaccumulator = 0; // ms gathered towards the next frame
    std::uint32_t lastupdate = 0;   // tick count (ms) of the last relayed position (remote players only)
    int lastwalk = 0;               // avatar's walking after the previous movement step
    int olddir = 0;                 // avatar's direction after the previous movement step
    int collision = 0;              // 1 when the last move was blocked
    int oldcol = 0;                 // avatar's collision after the previous movement step
};

// Most sprite sets a sheet may hold; a larger sheet is refused as bad data before anything is cut.
constexpr int MAX_SPRITE_SETS = 64;
// Frame time of the walking animation, and the accumulator a standing figure keeps so that
// its first walking turn already shows the next frame.
constexpr float ANIMATION_FRAME_MS = 150.0f, ANIMATION_STANDING_MS = 149.0f;
// The common walking speed, world units per millisecond along each axis.
constexpr float WALK_SPEED = 0.0025f;
// Longest distance walked between two collision tests, world units: a tenth of a cell.
constexpr float MAX_WALK_SUBSTEP = 0.1f;
// A relayed position older (or further ahead) than this is not extrapolated from.
constexpr float EXTRAPOLATION_WINDOW_MS = 1000.0f;
// Half the side of the square a figure is drawn on, world units.
constexpr float CHARACTER_HALF_SIZE = 0.6666f;
// Milliseconds of walking-enabled time between position reports, and the value that makes
// the report after a map exit go out in the same turn.
constexpr float POSITION_REPORT_MS = 500.0f, POSITION_REPORT_AFTER_EXIT_MS = 499.0f;

// The walking keys held in one turn.
struct walk_keys {
    bool w = false, s = false, a = false, d = false;
};

// Steps the walking animation of c by elapsed milliseconds.
void animate_character_by(character* c, float elapsed);
// Moves c's drawn position on from its relayed one, as seen at tick count now.
void extrapolate_character_at(character* c, std::uint32_t now);
// True when c's relayed and drawn positions are finite numbers, so it may be moved and drawn.
bool character_position_usable(const character& c);
// Index into sprites of the set c is drawn with: its own, set 0 for a charid without a set,
// -1 when there are no sets at all.
int sprite_set_for(const character& c, std::size_t setcount);
// Picture (0..11) within the set that c is drawn with; a record outside 0..11 shows the standing picture
// facing down.
int picture_for(const character& c);
// One whole movement turn of the local player: walk in sub-steps of at most MAX_WALK_SUBSTEP,
// undoing the first blocked one and walking no further, map exits, position
// report, animation, and remembering this turn's values. blocked and exited test the player's
// position (and carry out a change of map); send reports the position.
void movement_turn(character* c, walk_keys keys, float elapsed, float* msgaccumulator,
                   const std::function<bool()>& blocked, const std::function<bool()>& exited,
                   const std::function<void(character*)>& send);
// Milliseconds between two tick counts, correct across the wrap of the 32-bit counter.
float elapsed_ms(std::uint32_t now, std::uint32_t before);
// True when a key is down now and was not in the previous turn; remembers the state in *wasdown.
bool pressed_now(bool down, bool* wasdown);

// The local player. Set up by loadcharacters at start-up; walked by ProcessMovement each turn;
// moved to the arrival point by detect_entity on a map exit. Never reset.
extern character avatar;
// The remote players in the order they were first reported. Only the inbound message handling
// (OnGetMessage) adds and removes records; the frame moves their drawn positions on. Never reset.
extern std::vector<character> clients;
// Milliseconds between the previous main-loop turn and this one: written by ProcessInput at the
// start of every turn, read by the walking and the animation of that turn.
extern float timeelapsed;
