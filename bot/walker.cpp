// A bot player's decisions. The walking, the collision and exit tests and the report rule are
// the client's own (core/), so a bot moves and talks on the wire exactly like a person would.
#include "bot/walker.h"

#include "wire/protocol.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <fstream>
#include <utility>

// Where on a cell a bot aims: the middle across, and a quarter below the top, so its feet and
// its body both stand in that cell and the feet probes (0.2 either side) stay off the neighbours.
static constexpr float AIM_X = 0.5f, AIM_Y = 0.75f;
// How close to the aim point counts as there, unless one step is longer than twice this.
static constexpr float NEAR_X = 0.15f, NEAR_Y = 0.2f;
// A walk that has not left its cell for this long is given up (a wall it keeps bumping into,
// or a step so long that it keeps passing its aim).
static constexpr double STUCK_MS = 3000;
// Exits farther than this many steps are not looked for, so large maps stay cheap.
static constexpr int EXIT_SEARCH_STEPS = 400;

static const char* const CHAT_LINES[] = {
    "hello!",
    "nice weather today",
    "anyone seen the blacksmith?",
    "off to the forest",
    "the well water is fresh",
    "selling apples",
    "good evening",
    "who wants to trade?",
};

bool BotWorld::Load(const std::string& folder, std::string& error) {
    std::deque<std::string> pending{START_MAP};
    while (!pending.empty()) {
        const std::string name = pending.front();
        pending.pop_front();
        if (maps_.count(name)) continue;
        std::ifstream in(folder + name, std::ios::binary);
        if (!in) {
            error = folder + name + ": can't be opened";
            return false;
        }
        MapData data;
        std::string why;
        if (!ParseMap(in, data, why)) {
            error = folder + name + ": " + why;
            return false;
        }
        for (const entity_t& e : data.entities)
            pending.push_back(e.newmap);
        Add(name, std::move(data));
    }
    return true;
}

void BotWorld::Add(const std::string& name, MapData data) {
    BotMap& m = maps_[name];
    m.name = name;
    m.data = std::move(data);
}

const BotMap* BotWorld::Find(const std::string& name) const {
    const auto it = maps_.find(name);
    return it == maps_.end() ? nullptr : &it->second;
}

BotCell FeetCell(float x, float y) {
    return BotCell{static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y - 0.5f))};
}

static bool Free(const BotMap& level, BotCell c) {
    return !CellBlocked(level.data, c.col, c.row);
}

namespace {
// Breadth-first search from one cell over free cells, up to a number of steps.
struct Search {
    Search(const BotMap& level, BotCell start, int maxsteps) : level_(level) {
        const std::size_t cells =
            static_cast<std::size_t>(level.data.sizex) * static_cast<std::size_t>(level.data.sizey);
        parent.assign(cells, -1);
        if (!Inside(start)) return;
        parent[Index(start)] = static_cast<int>(Index(start));
        reached.push_back(start);
        steps.push_back(0);
        for (std::size_t i = 0; i < reached.size(); ++i) {
            if (steps[i] >= maxsteps) continue;
            static const int dcol[] = {1, -1, 0, 0}, drow[] = {0, 0, 1, -1};
            for (int d = 0; d < 4; ++d) {
                const BotCell next{reached[i].col + dcol[d], reached[i].row + drow[d]};
                if (!Inside(next) || parent[Index(next)] >= 0 || !Free(level, next)) continue;
                parent[Index(next)] = static_cast<int>(Index(reached[i]));
                reached.push_back(next);
                steps.push_back(steps[i] + 1);
            }
        }
    }
    bool Inside(BotCell c) const {
        return c.col >= 0 && c.row >= 0 && c.col < level_.data.sizex && c.row < level_.data.sizey;
    }
    std::size_t Index(BotCell c) const {
        return static_cast<std::size_t>(c.row) * static_cast<std::size_t>(level_.data.sizex) +
               static_cast<std::size_t>(c.col);
    }
    bool Reached(BotCell c) const { return Inside(c) && parent[Index(c)] >= 0; }
    // The cells after start up to goal, which must have been reached.
    std::vector<BotCell> RouteTo(BotCell goal) const {
        std::vector<BotCell> route;
        std::size_t at = Index(goal);
        const int sizex = level_.data.sizex;
        while (static_cast<std::size_t>(parent[at]) != at) {
            route.push_back(BotCell{static_cast<int>(at % static_cast<std::size_t>(sizex)),
                                    static_cast<int>(at / static_cast<std::size_t>(sizex))});
            at = static_cast<std::size_t>(parent[at]);
        }
        std::reverse(route.begin(), route.end());
        return route;
    }

    const BotMap& level_;
    std::vector<int> parent; // index of the cell each reached cell was entered from; itself for the start
    std::vector<BotCell> reached;
    std::vector<int> steps;
};
} // namespace

std::vector<BotCell> FindRoute(const BotMap& level, BotCell start, BotCell goal) {
    const Search search(level, start, level.data.sizex * level.data.sizey);
    if (!search.Reached(goal)) return {};
    return search.RouteTo(goal);
}

BotPlayer::BotPlayer(const BotWorld& world, std::string nick, int charid, std::uint32_t seed,
                     const BotBehaviour& how, double now)
    : world_(world), how_(how), msgaccumulator_(POSITION_REPORT_AFTER_EXIT_MS), lastturn_(now),
      standuntil_(now), stucksince_(now), rng_(seed) {
    me_.nickname = std::move(nick);
    me_.charid = charid;
    me_.map = START_MAP;
    // The client's start: the start map's start position, facing up, standing.
    if (const BotMap* m = Here()) {
        me_.charposx = m->data.startposx;
        me_.charposy = m->data.startposy;
    }
    lastcell_ = FeetCell(me_.charposx, me_.charposy);
    // Not everyone speaks at once when a crowd logs in together.
    nextchat_ =
        how_.chatmean > 0
            ? now + std::exponential_distribution<double>(1.0 / static_cast<double>(how_.chatmean))(rng_)
            : 0;
}

const BotMap* BotPlayer::Here() const {
    return world_.Find(me_.map);
}

void BotPlayer::PlanWalk() {
    route_.clear();
    const BotMap* level = Here();
    if (!level) return;
    const BotCell start = FeetCell(me_.charposx, me_.charposy);
    std::uniform_real_distribution<float> chance(0.0f, 1.0f);
    if (!level->data.entities.empty() && chance(rng_) < how_.exitchance) {
        const Search search(*level, start, EXIT_SEARCH_STEPS);
        std::vector<BotCell> exits;
        for (const entity_t& e : level->data.entities) {
            const BotCell c{e.posx, e.posy};
            if (search.Reached(c) && !(c == start)) exits.push_back(c);
        }
        if (!exits.empty()) {
            const BotCell goal = exits[std::uniform_int_distribution<std::size_t>(0, exits.size() - 1)(rng_)];
            route_ = search.RouteTo(goal);
            return;
        }
    }
    const Search search(*level, start, how_.walkcells);
    if (search.reached.size() < 2) return;
    const std::size_t pick = std::uniform_int_distribution<std::size_t>(1, search.reached.size() - 1)(rng_);
    route_ = search.RouteTo(search.reached[pick]);
}

void BotPlayer::Turn(double now, std::vector<std::string>& out) {
    const float elapsed = static_cast<float>(std::max(0.0, now - lastturn_));
    lastturn_ = now;

    // Decide the keys: head for the next cell of the walk, across the long way first.
    walk_keys keys;
    if (route_.empty() && now >= standuntil_) {
        PlanWalk();
        lastcell_ = FeetCell(me_.charposx, me_.charposy);
        stucksince_ = now;
    }
    const float step = elapsed * WALK_SPEED;
    const float nearx = std::max(NEAR_X, step * 0.5f), neary = std::max(NEAR_Y, step * 0.5f);
    while (!route_.empty()) {
        const float dx = static_cast<float>(route_.front().col) + AIM_X - me_.charposx;
        const float dy = static_cast<float>(route_.front().row) + AIM_Y - me_.charposy;
        if (std::fabs(dy) > neary) {
            (dy > 0 ? keys.w : keys.s) = true;
            break;
        }
        if (std::fabs(dx) > nearx) {
            (dx > 0 ? keys.d : keys.a) = true;
            break;
        }
        route_.erase(route_.begin());
        if (route_.empty()) standuntil_ = now + Pause();
    }

    const BotMap* level = Here();
    auto blocked = [&] { return !level || FeetBlocked(level->data, me_.charposx, me_.charposy); };
    auto exited = [&] {
        if (!level) return false;
        const int fired = FindExit(level->data, me_.charposx, me_.charposy);
        if (fired < 0) return false;
        const entity_t exit = level->data.entities[static_cast<std::size_t>(fired)];
        // Like the client, an exit to a map that can't be loaded leaves the player where it is.
        if (!world_.Find(exit.newmap)) return false;
        out.push_back(BuildMapChangeMessage(me_.nickname, exit.newmap));
        me_.map = exit.newmap;
        me_.charposx = exit.newposx;
        me_.charposy = exit.newposy;
        route_.clear();
        standuntil_ = now + Pause();
        return true;
    };
    auto send = [&](character* c) {
        out.push_back(BuildPositionMessage(c->nickname, c->charposx, c->charposy, c->direction, c->walking,
                                           c->collision, c->charid, c->map));
    };
    movement_turn(&me_, keys, elapsed, &msgaccumulator_, blocked, exited, send);

    // A walk that stays in one cell too long is given up; the bot stands and then picks another.
    const BotCell cell = FeetCell(me_.charposx, me_.charposy);
    if (!(cell == lastcell_) || route_.empty()) {
        lastcell_ = cell;
        stucksince_ = now;
    } else if (now - stucksince_ >= STUCK_MS) {
        route_.clear();
        standuntil_ = now + Pause();
        stucksince_ = now;
    }

    if (how_.chatmean > 0 && now >= nextchat_) {
        const std::size_t lines = sizeof CHAT_LINES / sizeof CHAT_LINES[0];
        const char* line = CHAT_LINES[std::uniform_int_distribution<std::size_t>(0, lines - 1)(rng_)];
        out.push_back(BuildChatMessage(me_.nickname, line, me_.map));
        nextchat_ =
            now + std::exponential_distribution<double>(1.0 / static_cast<double>(how_.chatmean))(rng_);
    }
}

double BotPlayer::Pause() {
    return std::uniform_real_distribution<double>(how_.pausemin, how_.pausemax)(rng_);
}
