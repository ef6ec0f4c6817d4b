// Reading map files and the questions the walking asks of a map, over plain data: no window needed.
#include "core/map.h"

#include "wire/protocol.h"
#include "wire/tokenizer.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>

// Lines before the first ground row: tile set, 6 numbers, colour, separator.
static const int HEADER_LINES = 9;

// atoi of [begin, end), but saturating instead of overflowing: leading white space, an optional
// sign, the longest run of digits; 0 when there is no number.
static int ToInt(const char* begin, const char* end) {
    const char* p = begin;
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r'))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = (*p++ == '-');
    long long value = 0;
    const long long limit = negative ? 2147483648LL : 2147483647LL;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        if (value < limit) value = value * 10 + (*p - '0');
    }
    if (value > limit) value = limit;
    return static_cast<int>(negative ? -value : value);
}

static int ToInt(const std::string& text) {
    return ToInt(text.data(), text.data() + text.size());
}

// A double that doesn't fit a float becomes the largest float of its sign rather than undefined.
static float NarrowToFloat(double value) {
    if (value > static_cast<double>(FLT_MAX)) return FLT_MAX;
    if (value < -static_cast<double>(FLT_MAX)) return -FLT_MAX;
    return static_cast<float>(value);
}

// The position on line `line` as a float; false for nan or an infinity, which would leave the
// player nowhere: a blank world and no way to walk.
static bool ToFinite(double value, int line, const char* what, float& out, std::string& error) {
    if (!std::isfinite(value)) {
        error = "line " + std::to_string(line) + ": " + what + " is not a finite number";
        return false;
    }
    out = NarrowToFloat(value);
    return true;
}

// Fills sizex values from one grid row. Splits at every single space exactly as the
// StringTokenizer does (an empty piece or a missing one is 0, pieces beyond sizex are
// ignored), but in one pass: the tokenizer copies the rest of the row for every piece,
// which makes a wide map's rows cost the square of their length.
static void ReadRow(const std::string& line, int sizex, int* out) {
    const char* p = line.data();
    const char* const end = p + line.size();
    for (int x = 0; x < sizex; ++x) {
        if (p >= end) {
            out[x] = 0;
            continue;
        }
        const char* space = static_cast<const char*>(std::memchr(p, ' ', static_cast<std::size_t>(end - p)));
        const char* stop = space ? space : end;
        out[x] = ToInt(p, stop);
        p = space ? space + 1 : end;
    }
}

namespace {
// Hands out the lines of the file, counting them for the error messages. A line longer than
// MAX_MAP_LINE is not read on: a file without line ends must not be buffered whole.
struct LineReader {
    std::istream& in;
    int count = 0;
    bool toolong = false;
    bool Next(std::string& line) {
        line.clear();
        std::streambuf* buf = in.rdbuf();
        using traits = std::char_traits<char>;
        traits::int_type c = buf ? buf->sbumpc() : traits::eof();
        if (traits::eq_int_type(c, traits::eof())) return false;
        ++count;
        while (!traits::eq_int_type(c, traits::eof()) && traits::to_char_type(c) != '\n') {
            if (line.size() == MAX_MAP_LINE) {
                toolong = true;
                return false;
            }
            line.push_back(traits::to_char_type(c));
            c = buf->sbumpc();
        }
        return true;
    }
};

// Reads sizey rows of sizex values into grid, growing it only as rows arrive: a short file whose
// header promises a huge map is refused having taken no more than it holds.
bool ReadGrid(LineReader& lines, int sizex, int sizey, std::vector<int>& grid) {
    std::string line;
    for (int row = 0; row < sizey; ++row) {
        if (!lines.Next(line)) return false;
        const std::size_t at = grid.size();
        grid.resize(at + static_cast<std::size_t>(sizex));
        ReadRow(line, sizex, &grid[at]);
    }
    return true;
}
} // namespace

bool ParseMap(std::istream& in, MapData& out, std::string& error) {
    out = MapData();
    LineReader lines{in};
    std::string header[HEADER_LINES];
    for (int i = 0; i < HEADER_LINES; ++i) {
        if (!lines.Next(header[i])) {
            if (lines.toolong) {
                error = "line " + std::to_string(lines.count) + ": longer than " +
                        std::to_string(MAX_MAP_LINE) + " bytes";
                return false;
            }
            error = "the file ends after " + std::to_string(lines.count) + " lines, inside the header";
            return false;
        }
    }
    out.tilesetfile = header[0];
    out.sizex = ToInt(header[1]);
    out.sizey = ToInt(header[2]);
    if (!ToFinite(std::atof(header[3].c_str()), 4, "the start x", out.startposx, error)) return false;
    if (!ToFinite(std::atof(header[4].c_str()), 5, "the start y", out.startposy, error)) return false;
    out.layer2 = ToInt(header[5]);
    // A count of zero or less means no exits.
    const int count = std::max(0, ToInt(header[6]));
    StringTokenizer colour(header[7], " ");
    for (int& c : out.background)
        c = colour.nextIntToken();

    const std::string limit = std::to_string(MAX_MAP_SIZE);
    if (out.sizex < 1 || out.sizex > MAX_MAP_SIZE) {
        error = "line 2: " + std::to_string(out.sizex) + " columns, a map has 1 to " + limit;
        return false;
    }
    if (out.sizey < 1 || out.sizey > MAX_MAP_SIZE) {
        error = "line 3: " + std::to_string(out.sizey) + " rows, a map has 1 to " + limit;
        return false;
    }
    if (long(out.sizex) * out.sizey > MAX_MAP_CELLS) {
        error = "line 3: " + std::to_string(out.sizex) + " by " + std::to_string(out.sizey) +
                " cells, a map has at most " + std::to_string(MAX_MAP_CELLS);
        return false;
    }
    if (count > MAX_MAP_ENTITIES) {
        error = "line 7: " + std::to_string(count) + " exits, a map has at most " +
                std::to_string(MAX_MAP_ENTITIES);
        return false;
    }

    const int promised = HEADER_LINES + out.sizey + 1 + out.sizey + (out.layer2 ? 1 + out.sizey : 0) +
                         (count > 0 ? 1 + count : 0);
    const auto ended = [&]() {
        if (lines.toolong) {
            error = "line " + std::to_string(lines.count) + ": longer than " + std::to_string(MAX_MAP_LINE) +
                    " bytes";
            return false;
        }
        error = "the file ends after " + std::to_string(lines.count) + " lines, its header promises " +
                std::to_string(promised);
        return false;
    };

    std::string line;
    // The separator before the ground rows was the last header line.
    if (!ReadGrid(lines, out.sizex, out.sizey, out.ground)) return ended();
    if (!lines.Next(line) || !ReadGrid(lines, out.sizex, out.sizey, out.block)) return ended();
    if (out.layer2 && (!lines.Next(line) || !ReadGrid(lines, out.sizex, out.sizey, out.second)))
        return ended();
    if (count > 0) {
        if (!lines.Next(line)) return ended();
        for (int i = 0; i < count; ++i) {
            if (!lines.Next(line)) return ended();
            entity_t e;
            StringTokenizer fields(line, " ");
            e.posx = fields.nextIntToken();
            e.posy = fields.nextIntToken();
            if (!ToFinite(fields.nextFloatToken(), lines.count, "the exit's target x", e.newposx, error) ||
                !ToFinite(fields.nextFloatToken(), lines.count, "the exit's target y", e.newposy, error))
                return false;
            e.newmap = fields.nextToken();
            // The server drops every message naming a longer map: a player taking this exit
            // would vanish for everyone else.
            if (e.newmap.size() > MAX_MAP_NAME) {
                error = "line " + std::to_string(lines.count) + ": the exit's target map name is " +
                        std::to_string(e.newmap.size()) + " bytes, at most " + std::to_string(MAX_MAP_NAME) +
                        " are allowed";
                return false;
            }
            out.entities.push_back(std::move(e));
        }
    }
    return true;
}

// Truncation toward zero, as the walking rules want (-0.5 is column 0); false for a value
// no int can hold, which then lies outside every map.
static bool TruncateToCell(float value, int& cell) {
    if (!(value >= -2147483648.0f && value < 2147483648.0f)) return false;
    cell = static_cast<int>(value);
    return true;
}

static bool OffGrid(int sizex, int sizey, int col, int worldrow) {
    return col < 0 || col >= sizex || worldrow < 0 || worldrow >= sizey;
}

bool CellBlocked(int* const* grid, int sizex, int sizey, int col, int worldrow) {
    if (!grid || OffGrid(sizex, sizey, col, worldrow)) return true;
    return grid[sizey - 1 - worldrow][col] == 1;
}

bool CellBlocked(const MapData& data, int col, int worldrow) {
    if (OffGrid(data.sizex, data.sizey, col, worldrow)) return true;
    const std::size_t at =
        static_cast<std::size_t>(data.sizey - 1 - worldrow) * static_cast<std::size_t>(data.sizex) +
        static_cast<std::size_t>(col);
    return at >= data.block.size() || data.block[at] == 1;
}

// The feet rule over any grid: cellblocked(col, worldrow) answers for one cell.
template <class CellTest> static bool FeetOn(float px, float py, CellTest cellblocked) {
    const float feet = py - 0.5f;
    const float right = px + 0.2f;
    const float left = px - 0.2f;
    int row = 0, rightcol = 0, leftcol = 0;
    if (!TruncateToCell(feet, row) || !TruncateToCell(right, rightcol) || !TruncateToCell(left, leftcol))
        return true;
    return cellblocked(rightcol, row) || cellblocked(leftcol, row);
}

bool FeetBlocked(int* const* grid, int sizex, int sizey, float px, float py) {
    return FeetOn(px, py, [&](int col, int row) { return CellBlocked(grid, sizex, sizey, col, row); });
}

bool FeetBlocked(const MapData& data, float px, float py) {
    return FeetOn(px, py, [&](int col, int row) { return CellBlocked(data, col, row); });
}

int FindExit(const entity_t* list, int count, float px, float py) {
    int col = 0, row = 0;
    if (!list || !TruncateToCell(px, col) || !TruncateToCell(py, row)) return -1;
    for (int i = 0; i < count; ++i) {
        const entity_t& e = list[i];
        if (e.posx == col && e.posy == row) return i;
    }
    return -1;
}

int FindExit(const MapData& data, float px, float py) {
    return FindExit(data.entities.data(), static_cast<int>(data.entities.size()), px, py);
}
