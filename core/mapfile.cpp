// Reading map files and the questions the walking asks of a map, over plain data: no window needed.
#include "core/map.h"

#include "wire/tokenizer.h"

#include <cfloat>
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
    if (value > FLT_MAX) return FLT_MAX;
    if (value < -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(value);
}

static float ToFloat(const std::string& text) {
    return NarrowToFloat(std::atof(text.c_str()));
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
        const char* space = static_cast<const char*>(std::memchr(p, ' ', end - p));
        const char* stop = space ? space : end;
        out[x] = ToInt(p, stop);
        p = space ? space + 1 : end;
    }
}

namespace {
// Hands out the lines of the file, counting them for the error messages.
struct LineReader {
    std::istream& in;
    int count = 0;
    bool Next(std::string& line) {
        if (!std::getline(in, line)) return false;
        ++count;
        return true;
    }
};
} // namespace

bool ParseMap(std::istream& in, MapData& out, std::string& error) {
    out = MapData();
    LineReader lines{in};
    std::string header[HEADER_LINES];
    for (int i = 0; i < HEADER_LINES; ++i) {
        if (!lines.Next(header[i])) {
            error = "the file ends after " + std::to_string(lines.count) + " lines, inside the header";
            return false;
        }
    }
    out.tilesetfile = header[0];
    out.sizex = ToInt(header[1]);
    out.sizey = ToInt(header[2]);
    out.startposx = ToFloat(header[3]);
    out.startposy = ToFloat(header[4]);
    out.layer2 = ToInt(header[5]);
    const int count = ToInt(header[6]);
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
    if (count < 0 || count > MAX_MAP_ENTITIES) {
        error =
            "line 7: " + std::to_string(count) + " exits, a map has 0 to " + std::to_string(MAX_MAP_ENTITIES);
        return false;
    }

    const int promised = HEADER_LINES + out.sizey + 1 + out.sizey + (out.layer2 ? 1 + out.sizey : 0) +
                         (count > 0 ? 1 + count : 0);
    const auto ended = [&]() {
        error = "the file ends after " + std::to_string(lines.count) + " lines, its header promises " +
                std::to_string(promised);
        return false;
    };

    const std::size_t cells = static_cast<std::size_t>(out.sizex) * static_cast<std::size_t>(out.sizey);
    std::string line;
    // The separator before the ground rows was the last header line.
    out.ground.assign(cells, 0);
    for (int row = 0; row < out.sizey; ++row) {
        if (!lines.Next(line)) return ended();
        ReadRow(line, out.sizex, &out.ground[static_cast<std::size_t>(row) * out.sizex]);
    }
    if (!lines.Next(line)) return ended();
    out.block.assign(cells, 0);
    for (int row = 0; row < out.sizey; ++row) {
        if (!lines.Next(line)) return ended();
        ReadRow(line, out.sizex, &out.block[static_cast<std::size_t>(row) * out.sizex]);
    }
    if (out.layer2) {
        if (!lines.Next(line)) return ended();
        out.second.assign(cells, 0);
        for (int row = 0; row < out.sizey; ++row) {
            if (!lines.Next(line)) return ended();
            ReadRow(line, out.sizex, &out.second[static_cast<std::size_t>(row) * out.sizex]);
        }
    }
    if (count > 0) {
        if (!lines.Next(line)) return ended();
        out.entities.resize(static_cast<std::size_t>(count));
        for (entity_t& e : out.entities) {
            if (!lines.Next(line)) return ended();
            StringTokenizer fields(line, " ");
            e.posx = fields.nextIntToken();
            e.posy = fields.nextIntToken();
            e.newposx = NarrowToFloat(fields.nextFloatToken());
            e.newposy = NarrowToFloat(fields.nextFloatToken());
            e.newmap = fields.nextToken();
        }
    }
    return true;
}

// Truncation toward zero, as the walking rules want (-0.5 is column 0); false for a value
// no int can hold, which then lies outside every map.
static bool TruncateToCell(float value, int& cell) {
    if (!(value > -2147483648.0f && value < 2147483648.0f)) return false;
    cell = static_cast<int>(value);
    return true;
}

bool CellBlocked(int* const* grid, int sizex, int sizey, int col, int worldrow) {
    if (!grid || col < 0 || col >= sizex || worldrow < 0 || worldrow >= sizey) return true;
    return grid[sizey - 1 - worldrow][col] == 1;
}

bool FeetBlocked(int* const* grid, int sizex, int sizey, float px, float py) {
    const float feet = py - 0.5f;
    const float right = px + 0.2f;
    const float left = px - 0.2f;
    int row = 0, rightcol = 0, leftcol = 0;
    if (!TruncateToCell(feet, row) || !TruncateToCell(right, rightcol) || !TruncateToCell(left, leftcol))
        return true;
    return CellBlocked(grid, sizex, sizey, rightcol, row) || CellBlocked(grid, sizex, sizey, leftcol, row);
}

int FindExit(const entity_t* list, int count, int sizex, int sizey, float px, float py) {
    int col = 0, row = 0;
    if (!list || !TruncateToCell(px, col) || !TruncateToCell(py, row)) return -1;
    for (int i = 0; i < count; ++i) {
        const entity_t& e = list[i];
        if (e.posx < 0 || e.posx >= sizex || e.posy < 0 || e.posy >= sizey) continue;
        if (e.posx == col && e.posy == row) return i;
    }
    return -1;
}
