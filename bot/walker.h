// What one bot player does, with no socket and no clock of its own: it walks the shipped maps
// under the client's walking rules, takes exits, reports its position when the client would,
// and now and then says a line. The caller feeds it the time and sends what it hands back.
#pragma once

#include "core/character.h"
#include "core/map.h"

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

// One map as the bots need it: its file name and the parsed file.
struct BotMap {
    std::string name;
    MapData data;
};

// Every map a bot can reach from the start map through exits, read with the client's parser.
class BotWorld {
  public:
    // Reads START_MAP from folder (ending in "/") and every map its exits lead to, transitively.
    // False, with error naming the file, when one can't be read or is impossible.
    bool Load(const std::string& folder, std::string& error);
    // Adds a map that is already parsed (tests build small maps this way).
    void Add(const std::string& name, MapData data);
    // The map called name, or null.
    const BotMap* Find(const std::string& name) const;
    std::size_t size() const { return maps_.size(); }

  private:
    std::map<std::string, BotMap> maps_;
};

// How the bots behave; the defaults make a village that looks alive without flooding the chat.
struct BotBehaviour {
    float exitchance = 0.15f;              // chance that a new walk heads for an exit of the map
    float pausemin = 500, pausemax = 4000; // ms a bot stands between two walks
    int walkcells = 24;                    // farthest a random walk goes, in steps from cell to cell
    float chatmean = 40000;                // mean ms between two chat lines of one bot; 0 = never
};

// A cell of a map, column and world row (0 = bottom).
struct BotCell {
    int col = 0, row = 0;
    bool operator==(const BotCell& o) const { return col == o.col && row == o.row; }
};

// One logged-in bot player.
class BotPlayer {
  public:
    // A player called nick wearing charid who has just logged in on START_MAP at its start
    // position, at tick count now. seed makes its choices repeatable.
    BotPlayer(const BotWorld& world, std::string nick, int charid, std::uint32_t seed,
              const BotBehaviour& how, double now);

    // One movement turn at time now (ms): decide the keys, walk under the client's rules and
    // append to out, in order, every message text the client would send in this turn
    // (map change, position, chat).
    void Turn(double now, std::vector<std::string>& out);

    const character& record() const { return me_; }
    const std::string& nick() const { return me_.nickname; }
    // The walk under way, next cell first (empty while standing).
    const std::vector<BotCell>& route() const { return route_; }

  private:
    void PlanWalk();
    double Pause();
    const BotMap* Here() const;

    const BotWorld& world_;
    BotBehaviour how_;
    character me_;
    float msgaccumulator_; // the client's report accumulator
    double lastturn_;      // time of the previous turn, ms
    double standuntil_;    // a standing bot starts its next walk then
    double nextchat_;      // when it says its next line
    std::vector<BotCell> route_;
    BotCell lastcell_;  // feet cell when the walk last made progress
    double stucksince_; // when it did
    std::mt19937 rng_;
};

// The cell whose block value the feet of a figure at (x, y) stand on, as the collision test sees it.
BotCell FeetCell(float x, float y);
// Cells from start to goal (start excluded, goal included) over cells that do not block, moving
// one column or one row at a time; empty when goal can't be reached or equals start.
std::vector<BotCell> FindRoute(const BotMap& level, BotCell start, BotCell goal);
