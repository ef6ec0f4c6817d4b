// The checker: reads a map file line by line for what the client's loader would misread, then
// the parsed map for what would misbehave while playing.
#include "tools/map/maptool.h"

#include "core/config.h"
#include "wire/protocol.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace maptool {
namespace {

std::string Quoted(const std::string& text) {
    const std::size_t shown = 40;
    return "\"" + (text.size() > shown ? text.substr(0, shown) + "..." : text) + "\"";
}

// A whole line that is one integer as the map tools write them: optional '-', digits.
bool IsInt(const std::string& text) {
    std::size_t i = (!text.empty() && text[0] == '-') ? 1 : 0;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

bool IsDecimal(const std::string& text) {
    if (text.empty() || text[0] == ' ') return false;
    char* end = nullptr;
    errno = 0;
    std::strtod(text.c_str(), &end);
    return *end == '\0' && errno == 0;
}

long ToLong(const std::string& text) {
    return std::strtol(text.c_str(), nullptr, 10);
}

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> pieces;
    std::size_t from = 0;
    for (;;) {
        const std::size_t space = line.find(' ', from);
        pieces.push_back(line.substr(from, space - from));
        if (space == std::string::npos) return pieces;
        from = space + 1;
    }
}

// A line of nothing but integers between single spaces: a grid row.
bool IsNumberRow(const std::string& line) {
    for (const std::string& piece : Split(line))
        if (!IsInt(piece)) return false;
    return true;
}

// "column row arrival-x arrival-y name", the name not a number.
bool IsExitLine(const std::string& line) {
    const std::vector<std::string> f = Split(line);
    return f.size() == 5 && IsInt(f[0]) && IsInt(f[1]) && IsDecimal(f[2]) && IsDecimal(f[3]) &&
           !f[4].empty() && !IsDecimal(f[4]);
}

std::string Cell(int col, int worldrow) {
    return "(" + std::to_string(col) + ", " + std::to_string(worldrow) + ")";
}

std::string Position(float x, float y) {
    return "(" + FormatMapFloat(x) + ", " + FormatMapFloat(y) + ")";
}

class Checker {
  public:
    Checker(const std::string& path, const Places& places) : path_(path), places_(places) {}
    std::vector<Problem> Run();

  private:
    void Report(int line, const std::string& message) { problems_.push_back({line, message}); }
    bool Header();
    bool Grid(const std::string& name, int first);
    bool Separator(int line, const std::string& before, const std::string& after);
    bool Exits(int first);
    void Tail(int next);
    void Cells(const MapData& m);
    void Spots(const MapData& m);
    void Targets(const MapData& m);
    const MapData* Target(const std::string& name, std::string& why);

    std::string path_;
    Places places_;
    std::vector<std::string> lines_;
    // Line n of the file, counting from 1.
    const std::string& Line(int n) const { return lines_[static_cast<std::size_t>(n - 1)]; }
    std::vector<Problem> problems_;
    int sizex_ = 0, sizey_ = 0, layer2_ = 0, count_ = 0;
    int exitline_ = 0; // line of the first exit
    std::map<std::string, std::pair<bool, MapData>> targets_;
    std::map<std::string, std::string> targetwhy_;
};

std::vector<Problem> Checker::Run() {
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        Report(0, "can't be opened: check the name and that the file is readable");
        return problems_;
    }
    std::stringstream whole;
    whole << in.rdbuf();
    const std::string text = whole.str();
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        lines_.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    // CR LF: the client keeps the CR in the tile-set path and the map names, which then don't
    // exist; one report for the whole file, then the lines are read as if saved right.
    int crlines = 0, firstcr = 0;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        std::string& l = lines_[i];
        if (!l.empty() && l.back() == '\r') {
            if (!crlines++) firstcr = static_cast<int>(i) + 1;
            l.pop_back();
        }
    }
    if (crlines)
        Report(firstcr, "line ends in CR LF (" + std::to_string(crlines) +
                            " lines do): the client keeps the CR, so the tile set and target maps "
                            "aren't found; save the file with LF line ends");

    if (!Header()) return problems_;
    const int h = sizey_;
    bool whole_ok =
        Grid("ground", 10) && Separator(10 + h, "ground layer", "block map") && Grid("block map", 11 + h);
    int next = 11 + 2 * h;
    if (whole_ok && layer2_) {
        whole_ok = Separator(next, "block map", "second layer") && Grid("second layer", next + 1);
        next += 1 + h;
    }
    if (whole_ok && count_ > 0) {
        exitline_ = next + 1;
        whole_ok = Separator(next, layer2_ ? "second layer" : "block map", "exits") && Exits(exitline_);
        next += 1 + count_;
    }
    if (!whole_ok) return problems_;
    Tail(next);

    std::string rejoined;
    for (const std::string& l : lines_)
        rejoined += l + "\n";
    std::istringstream parsed(rejoined);
    MapData m;
    std::string why;
    if (!ParseMap(parsed, m, why)) {
        // The loader's own refusals say "line N: why"; report them on that line like ours.
        int line = 0;
        const std::size_t colon = why.find(": ");
        if (why.compare(0, 5, "line ") == 0 && colon != std::string::npos) {
            line = std::atoi(why.c_str() + 5);
            why.erase(0, colon + 2);
        }
        Report(line, why);
        return problems_;
    }
    Cells(m);
    Spots(m);
    Targets(m);
    return problems_;
}

bool Checker::Header() {
    static const char* const what[] = {"the tile-set image path",
                                       "the number of columns",
                                       "the number of rows",
                                       "the start x",
                                       "the start y",
                                       "the second-layer flag (0 or 1)",
                                       "the number of exits",
                                       "the background colour (red green blue)",
                                       "a separator line"};
    if (lines_.size() < 9) {
        Report(static_cast<int>(lines_.size()),
               "the file ends inside its header: line " + std::to_string(lines_.size() + 1) + " should be " +
                   what[lines_.size()] + "; a map starts with 9 header lines");
        return false;
    }
    bool ok = true;
    if (Line(1).empty())
        Report(1, std::string("names no tile-set image: write its path, e.g. ") + RESOURCE_DIR + "tiles.tga");
    for (int line : {2, 3, 6, 7}) {
        if (!IsInt(Line(line))) {
            Report(line, "should be " + std::string(what[static_cast<std::size_t>(line - 1)]) +
                             ", a whole number; found " + Quoted(Line(line)));
            ok = false;
        }
    }
    for (int line : {4, 5})
        if (!IsDecimal(Line(line)))
            Report(line, "should be " + std::string(what[static_cast<std::size_t>(line - 1)]) +
                             ", a decimal number like 7.5; found " + Quoted(Line(line)));
    if (!ok) return false;
    const long w = ToLong(Line(2)), h = ToLong(Line(3)), flag = ToLong(Line(6)), n = ToLong(Line(7));
    const std::string limit = std::to_string(MAX_MAP_SIZE);
    if (w < 1 || w > MAX_MAP_SIZE)
        Report(2, std::to_string(w) + " columns: a map has 1 to " + limit), ok = false;
    if (h < 1 || h > MAX_MAP_SIZE)
        Report(3, std::to_string(h) + " rows: a map has 1 to " + limit), ok = false;
    if (w >= 1 && h >= 1 && w * h > MAX_MAP_CELLS)
        Report(3, std::to_string(w) + " by " + std::to_string(h) + " cells: a map has at most " +
                      std::to_string(MAX_MAP_CELLS)),
            ok = false;
    if (flag != 0 && flag != 1)
        Report(6, "the second-layer flag is " + std::to_string(flag) +
                      ": write 1 for a second layer, 0 for none");
    if (n < 0 || n > MAX_MAP_ENTITIES)
        Report(7, std::to_string(n) + " exits: a map has 0 to " + std::to_string(MAX_MAP_ENTITIES)),
            ok = false;
    const std::vector<std::string> colour = Split(Line(8));
    bool colourok = colour.size() == 3;
    for (const std::string& c : colour)
        colourok = colourok && IsInt(c) && ToLong(c) >= 0 && ToLong(c) <= 255;
    if (!colourok)
        Report(8, "the background colour should be three numbers 0 to 255 between single spaces, like "
                  "\"34 68 38\"; found " +
                      Quoted(Line(8)));
    sizex_ = static_cast<int>(w);
    sizey_ = static_cast<int>(h);
    layer2_ = flag != 0;
    count_ = static_cast<int>(n);
    return ok;
}

// Rows first .. first+sizey-1 (file lines) of a grid.
bool Checker::Grid(const std::string& name, int first) {
    for (int r = 0; r < sizey_; ++r) {
        const int line = first + r;
        const std::string where = name + " row " + std::to_string(r + 1) + " of " + std::to_string(sizey_);
        if (line > static_cast<int>(lines_.size())) {
            Report(static_cast<int>(lines_.size()),
                   "the file ends before " + where + ": line 3 promises " + std::to_string(sizey_) +
                       " rows in every layer; add the missing rows or correct line 3");
            return false;
        }
        const std::string& text = Line(line);
        if (text.empty()) {
            Report(line, where + " is an empty line: the client reads a row of 0s");
            continue;
        }
        const std::vector<std::string> pieces = Split(text);
        if ((!IsInt(pieces[0]) && !pieces[0].empty()) || IsExitLine(text)) {
            Report(line, "should be " + where + " but is " + Quoted(text) + ": the " + name + " is " +
                             std::to_string(sizey_ - r) + " rows short of the " + std::to_string(sizey_) +
                             " that line 3 promises" +
                             (name == "second layer" && r == 0
                                  ? " (if the map has no second layer, set line 6 to 0)"
                                  : ""));
            return false;
        }
        for (std::size_t i = 0; i < pieces.size() && i < static_cast<std::size_t>(sizex_); ++i) {
            if (pieces[i].empty()) {
                Report(line, where + ": an extra space before column " + std::to_string(i) +
                                 " reads as a 0 there and shifts the rest of the row right; "
                                 "separate values by single spaces");
                break;
            }
            if (!IsInt(pieces[i])) {
                Report(line, where + ": " + Quoted(pieces[i]) + " in column " + std::to_string(i) +
                                 " is not a whole number; the client reads it as " +
                                 std::to_string(std::atoi(pieces[i].c_str())));
                break;
            }
        }
        const std::size_t want = static_cast<std::size_t>(sizex_);
        if (pieces.size() < want)
            Report(line, where + " has " + std::to_string(pieces.size()) + " values, but line 2 says " +
                             std::to_string(sizex_) + " columns: the client fills the last " +
                             std::to_string(want - pieces.size()) + " cells with 0");
        else if (pieces.size() > want)
            Report(line, where + " has " + std::to_string(pieces.size()) + " values, but line 2 says " +
                             std::to_string(sizex_) + " columns: the client ignores the last " +
                             std::to_string(pieces.size() - want));
    }
    return true;
}

bool Checker::Separator(int line, const std::string& before, const std::string& after) {
    if (line > static_cast<int>(lines_.size())) {
        Report(static_cast<int>(lines_.size()),
               "the file ends before the separator line between the " + before + " and the " + after);
        return false;
    }
    if (IsNumberRow(Line(line))) {
        Report(line, "should separate the " + before + " from the " + after + " but holds numbers: the " +
                         before + " has more rows than the " + std::to_string(sizey_) +
                         " that line 3 promises");
        return false;
    }
    return true;
}

bool Checker::Exits(int first) {
    for (int i = 0; i < count_; ++i) {
        const int line = first + i;
        if (line > static_cast<int>(lines_.size())) {
            Report(static_cast<int>(lines_.size()),
                   "the file ends after " + std::to_string(i) + " exits, but line 7 promises " +
                       std::to_string(count_) + ": add the exits or set line 7 to " + std::to_string(i));
            return false;
        }
        const std::string& text = Line(line);
        const std::vector<std::string> f = Split(text);
        if (IsNumberRow(text)) {
            Report(line, "should be an exit but is a row of numbers: if the map has a second layer, set "
                         "line 6 to 1; otherwise remove these rows");
            return false;
        }
        if (f.size() != 5 || !IsInt(f[0]) || !IsInt(f[1]) || !IsDecimal(f[2]) || !IsDecimal(f[3]) ||
            f[4].empty()) {
            Report(line, "an exit is \"column row arrival-x arrival-y target.map\" between single spaces; "
                         "found " +
                             Quoted(text));
        }
    }
    return true;
}

void Checker::Tail(int next) {
    const int total = static_cast<int>(lines_.size());
    if (next > total) return;
    if (!layer2_ && next + 1 <= total && IsNumberRow(Line(next + 1)) &&
        Split(Line(next + 1)).size() == static_cast<std::size_t>(sizex_)) {
        Report(next, "second-layer rows follow, but line 6 says the map has no second layer: the client "
                     "never reads them; set line 6 to 1 or remove them");
        return;
    }
    for (int l = next; l <= total; ++l) {
        if (IsExitLine(Line(l))) {
            Report(l, "more exits follow than the " + std::to_string(count_) +
                          " that line 7 promises: the client never reads them; correct line 7");
            return;
        }
    }
    bool blank = true;
    for (int l = next; l <= total; ++l)
        blank = blank && Line(l).empty();
    if (!blank)
        Report(next, std::to_string(total - next + 1) +
                         " lines after the end of the map are never read: remove them, or correct the "
                         "counts on lines 2, 3, 6 and 7");
}

// Values the tile set or the block map can't make sense of, one report per row.
void Checker::Cells(const MapData& m) {
    Picture image;
    std::string why;
    const std::string file = TileSetPath(path_, m.tilesetfile, places_);
    int tiles = -1;
    if (!LoadPicture(file, image, why))
        Report(1, "the tile-set image can't be read (" + file + ": " + why +
                      "); give its path from the folder the client starts in, or pass --root");
    else if ((tiles = (image.width / TILE) * (image.height / TILE)) == 0)
        Report(1, "the tile-set image is " + std::to_string(image.width) + " by " +
                      std::to_string(image.height) + " pixels, smaller than one 16 by 16 tile");
    const std::size_t w = static_cast<std::size_t>(m.sizex);
    const auto scan = [&](const std::vector<int>& grid, int first, const std::string& name, auto bad,
                          const std::string& why_bad) {
        for (int r = 0; r < m.sizey; ++r) {
            int count = 0, col = 0, value = 0;
            for (std::size_t c = 0; c < w; ++c) {
                const int v = grid[static_cast<std::size_t>(r) * w + c];
                if (bad(v) && !count++) col = static_cast<int>(c), value = v;
            }
            if (count)
                Report(first + r,
                       name + " row " + std::to_string(r + 1) + ": " + std::to_string(value) + " in column " +
                           std::to_string(col) +
                           (count > 1 ? " (and " + std::to_string(count - 1) + " more cells)" : "") +
                           why_bad);
        }
    };
    const int h = m.sizey;
    if (tiles > 0) {
        const std::string range = " is not a tile of the tile set, which has " + std::to_string(tiles) +
                                  " (0 to " + std::to_string(tiles - 1) + "); the client draws nothing there";
        scan(
            m.ground, 10, "ground", [&](int v) { return v < 0 || v >= tiles; }, range);
        if (m.layer2)
            scan(
                m.second, 12 + 2 * h, "second layer", [&](int v) { return v >= tiles; },
                range + " (write -1 for an empty cell)");
    }
    scan(
        m.block, 11 + h, "block map", [](int v) { return v != 0 && v != 1; },
        " neither blocks nor is 0: only 1 blocks; write 0 for free cells and 1 for blocked ones");
}

static bool Inside(const MapData& m, float x, float y) {
    return x >= 0 && y >= 0 && x < static_cast<float>(m.sizex) && y < static_cast<float>(m.sizey);
}

// The start position, the exit cells and the edges of the block map.
void Checker::Spots(const MapData& m) {
    const int n = static_cast<int>(m.entities.size());
    const std::string start = Position(m.startposx, m.startposy);
    if (!Inside(m, m.startposx, m.startposy))
        Report(4, "the start position " + start + " lies outside the " + std::to_string(m.sizex) + " by " +
                      std::to_string(m.sizey) + " map; world y counts rows from the bottom");
    else if (FeetBlocked(m, m.startposx, m.startposy))
        Report(4, "the start position " + start +
                      " puts the feet (half a unit below it) on a blocked cell: the player starts stuck; "
                      "move it onto a free cell");
    else {
        const int fired = FindExit(m, m.startposx, m.startposy);
        if (fired >= 0)
            Report(4, "the start position " + start + " lies on the exit on line " +
                          std::to_string(exitline_ + fired) + ", which carries the player off at once");
    }
    for (int i = 0; i < n; ++i) {
        const entity_t& e = m.entities[static_cast<std::size_t>(i)];
        const int line = exitline_ + i;
        if (e.posx < 0 || e.posx >= m.sizex || e.posy < 0 || e.posy >= m.sizey) {
            Report(line, "the exit cell " + Cell(e.posx, e.posy) + " lies outside the " +
                             std::to_string(m.sizex) + " by " + std::to_string(m.sizey) +
                             " map and never fires; its row counts from the bottom (0 to " +
                             std::to_string(m.sizey - 1) + ")");
            continue;
        }
        for (int j = 0; j < i; ++j) {
            const entity_t& o = m.entities[static_cast<std::size_t>(j)];
            if (o.posx == e.posx && o.posy == e.posy) {
                Report(line, "the exit cell " + Cell(e.posx, e.posy) +
                                 " is also the cell of the exit on line " + std::to_string(exitline_ + j) +
                                 ", which fires first: this one never does");
                break;
            }
        }
        // The player stands in the cell when the feet, half a unit lower, are in it or the one below.
        if (CellBlocked(m, e.posx, e.posy) && CellBlocked(m, e.posx, e.posy - 1))
            Report(line, "the exit cell " + Cell(e.posx, e.posy) +
                             " and the cell below it are blocked, so the player's feet never let it step on "
                             "the exit; free the exit cell in the block map");
    }
    // A free cell on the edge that isn't an exit lets the feet walk off the map.
    for (int r = 0; r < m.sizey; ++r) {
        const int worldrow = m.sizey - 1 - r;
        std::string open;
        int count = 0;
        for (int c = 0; c < m.sizex; ++c) {
            const bool edge = r == 0 || r == m.sizey - 1 || c == 0 || c == m.sizex - 1;
            if (!edge || CellBlocked(m, c, worldrow)) continue;
            if (FindExit(m, static_cast<float>(c) + 0.5f, static_cast<float>(worldrow) + 0.5f) >= 0) continue;
            if (!count++) open = Cell(c, worldrow);
        }
        if (count)
            Report(11 + m.sizey + r, "block map row " + std::to_string(r + 1) + ": the edge cell " + open +
                                         (count > 1 ? " (and " + std::to_string(count - 1) + " more)" : "") +
                                         " is free and no exit, so the player's feet can leave the map "
                                         "there; block it or make it an exit");
    }
}

const MapData* Checker::Target(const std::string& name, std::string& why) {
    auto found = targets_.find(name);
    if (found == targets_.end()) {
        auto& slot = targets_[name];
        slot.first = ReadMapFile(TargetMapPath(path_, name), slot.second, targetwhy_[name]);
        found = targets_.find(name);
    }
    why = targetwhy_[name];
    return found->second.first ? &found->second.second : nullptr;
}

void Checker::Targets(const MapData& m) {
    for (std::size_t i = 0; i < m.entities.size(); ++i) {
        const entity_t& e = m.entities[i];
        const int line = exitline_ + static_cast<int>(i);
        if (!ServerTakesMapName(e.newmap)) {
            Report(line, "the target map name " + Quoted(e.newmap) +
                             " would be dropped by the server (it takes 1 to " +
                             std::to_string(MAX_MAP_NAME) +
                             " printable ASCII characters without \"|\"): the other players would lose sight "
                             "of whoever takes this exit; rename the map");
        }
        std::string why;
        const MapData* target = Target(e.newmap, why);
        if (!target) {
            Report(line, "the target map " + Quoted(e.newmap) + " " + why + " (looked for " +
                             TargetMapPath(path_, e.newmap) +
                             "); the exit would leave the player where it is" +
                             (why == "can't be opened" ? "" : "; run tavrel-map check on it"));
            continue;
        }
        const std::string arrival = Position(e.newposx, e.newposy) + " on " + e.newmap;
        if (!Inside(*target, e.newposx, e.newposy)) {
            Report(line, "the arrival " + arrival + " lies outside that map (" +
                             std::to_string(target->sizex) + " by " + std::to_string(target->sizey) +
                             "); world y counts rows from the bottom");
            continue;
        }
        if (FeetBlocked(*target, e.newposx, e.newposy))
            Report(line, "the arrival " + arrival +
                             " puts the feet (half a unit below it) on a blocked cell: the player arrives "
                             "stuck; pick a free cell");
        const int fired = FindExit(*target, e.newposx, e.newposy);
        if (fired >= 0)
            Report(line, "the arrival " + arrival + " lies on an exit of that map (to " +
                             target->entities[static_cast<std::size_t>(fired)].newmap +
                             "), which fires at once and bounces the player on; arrive on a free cell next "
                             "to it, facing the way in");
    }
}

} // namespace

std::vector<Problem> CheckMap(const std::string& path, const Places& places) {
    return Checker(path, places).Run();
}

} // namespace maptool
