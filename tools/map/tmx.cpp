// Tiled's TMX format and the game's maps. One orthogonal map of 16 by 16 pixel tiles on one
// tile-set image; tile layers "ground", "layer2" and "block"; an object layer "exits"; the start
// position and the tile-set path as map properties, the background as Tiled's backgroundcolor.
// Whatever else Tiled can hold is refused with where it is, never dropped.
#include "tools/map/maptool.h"

#include "core/config.h"

#include <pugixml.hpp>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <sstream>

namespace maptool {
namespace {

// Tiled keeps flips and rotations in the top bits of a tile's global id.
constexpr std::uint32_t FLIP_BITS = 0xF0000000u;

const char* const kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

unsigned Byte(const std::string& bytes, std::size_t i) {
    return static_cast<unsigned char>(bytes[i]);
}

std::string Base64(const std::string& bytes) {
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = Byte(bytes, i) << 16 | Byte(bytes, i + 1) << 8 | Byte(bytes, i + 2);
        for (int k = 18; k >= 0; k -= 6)
            out += kBase64[(v >> k) & 63];
    }
    if (i < bytes.size()) {
        unsigned v = Byte(bytes, i) << 16;
        if (i + 1 < bytes.size()) v |= Byte(bytes, i + 1) << 8;
        out += kBase64[(v >> 18) & 63];
        out += kBase64[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kBase64[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

bool Unbase64(const std::string& text, std::string& out) {
    unsigned v = 0;
    int bits = 0;
    for (const char c : text) {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') continue;
        if (c == '=') break;
        const char* at = std::strchr(kBase64, c);
        if (!at || !c) return false;
        v = (v << 6) | static_cast<unsigned>(at - kBase64);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((v >> bits) & 0xFF);
        }
    }
    return true;
}

bool Deflate(const std::string& raw, bool gzip, std::string& out) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, gzip ? 15 + 16 : 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    out.resize(deflateBound(&z, static_cast<uLong>(raw.size())) + 32);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
    z.avail_in = static_cast<uInt>(raw.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    const bool ok = deflate(&z, Z_FINISH) == Z_STREAM_END;
    out.resize(z.total_out);
    deflateEnd(&z);
    return ok;
}

// zlib or gzip, told apart by the stream's own header.
bool Inflate(const std::string& packed, std::size_t expected, std::string& out) {
    z_stream z{};
    if (inflateInit2(&z, 15 + 32) != Z_OK) return false;
    out.assign(expected, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    const int status = inflate(&z, Z_FINISH);
    const bool ok = status == Z_STREAM_END && z.total_out == expected;
    inflateEnd(&z);
    return ok;
}

std::string Attr(const pugi::xml_node& node, const char* name) {
    return node.attribute(name).as_string();
}

bool ToNumber(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text.c_str(), &end);
    return *end == '\0' && errno == 0 && std::isfinite(out);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Properties of a map or object, by name (value attribute, or the text of a multi-line one).
std::string Property(const pugi::xml_node& owner, const char* name, bool& found) {
    for (pugi::xml_node p : owner.child("properties").children("property")) {
        if (Attr(p, "name") == name) {
            found = true;
            return p.attribute("value") ? Attr(p, "value") : std::string(p.text().as_string());
        }
    }
    found = false;
    return std::string();
}

void AddProperty(pugi::xml_node properties, const char* name, const char* type, const std::string& value) {
    pugi::xml_node p = properties.append_child("property");
    p.append_attribute("name") = name;
    if (type) p.append_attribute("type") = type;
    p.append_attribute("value") = value.c_str();
}

class Importer {
  public:
    Importer(const std::string& tsxdir, MapData& out, std::string& why)
        : tsxdir_(tsxdir), m_(out), why_(why) {}
    bool Run(const std::string& text);

  private:
    bool Fail(const std::string& message) {
        why_ = message;
        return false;
    }
    bool TileSet(const pugi::xml_node& map);
    bool Layer(const pugi::xml_node& layer);
    bool Gids(const pugi::xml_node& layer, const std::string& where, std::vector<std::uint32_t>& gids);
    bool Exits(const pugi::xml_node& group);
    bool Float(const pugi::xml_node& owner, const char* name, const std::string& where, float& out);

    std::string tsxdir_;
    MapData& m_;
    std::string& why_;
    pugi::xml_document tsx_;
    std::uint32_t firstgid_ = 1;
    bool seen_ground_ = false, seen_block_ = false, seen_exits_ = false;
};

bool Importer::Float(const pugi::xml_node& owner, const char* name, const std::string& where, float& out) {
    bool found = false;
    const std::string text = Property(owner, name, found);
    double v = 0;
    if (!found) return Fail(where + " has no property \"" + name + "\": add it (type float)");
    if (!ToNumber(text, v) || std::fabs(v) > 3.0e38)
        return Fail(where + ": property \"" + name + "\" is \"" + text + "\", not a number");
    out = static_cast<float>(v);
    return true;
}

bool Importer::Run(const std::string& text) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_string(text.c_str());
    if (!parsed) return Fail(std::string("not readable as XML: ") + parsed.description());
    const pugi::xml_node map = doc.child("map");
    if (!map) return Fail("not a Tiled map: no <map> element");
    const std::string orientation = Attr(map, "orientation");
    if (orientation != "orthogonal")
        return Fail("the map is " + orientation +
                    "; the game draws orthogonal maps only (Map > Map Properties > Orientation)");
    if (map.attribute("infinite").as_int() != 0)
        return Fail(
            "the map is infinite; the game's maps have a fixed size: turn off Map Properties > Infinite");
    if (map.attribute("tilewidth").as_int() != TILE || map.attribute("tileheight").as_int() != TILE)
        return Fail("the map's tiles are " + Attr(map, "tilewidth") + " by " + Attr(map, "tileheight") +
                    " pixels; the game's tiles are 16 by 16");
    m_.sizex = map.attribute("width").as_int();
    m_.sizey = map.attribute("height").as_int();
    if (m_.sizex < 1 || m_.sizex > MAX_MAP_SIZE || m_.sizey < 1 || m_.sizey > MAX_MAP_SIZE)
        return Fail("the map is " + Attr(map, "width") + " by " + Attr(map, "height") +
                    " tiles; the game takes 1 to " + std::to_string(MAX_MAP_SIZE) + " each way");
    if (long(m_.sizex) * m_.sizey > MAX_MAP_CELLS)
        return Fail("the map is " + Attr(map, "width") + " by " + Attr(map, "height") +
                    " tiles; the game takes at most " + std::to_string(MAX_MAP_CELLS) + " tiles in all");
    if (!TileSet(map)) return false;
    if (!Float(map, "startx", "the map", m_.startposx) || !Float(map, "starty", "the map", m_.startposy))
        return false;

    const std::string colour = Attr(map, "backgroundcolor");
    if (!colour.empty()) {
        unsigned value = 0;
        const bool argb = colour.size() == 9;
        char* end = nullptr;
        value = static_cast<unsigned>(std::strtoul(colour.c_str() + 1, &end, 16));
        if (colour[0] != '#' || *end || (colour.size() != 7 && !argb))
            return Fail("the map's backgroundcolor \"" + colour + "\" is not #rrggbb");
        if (argb && (value >> 24) != 0xFF)
            return Fail("the map's background colour is translucent; the game's background is opaque");
        m_.background[0] = static_cast<int>((value >> 16) & 0xFF);
        m_.background[1] = static_cast<int>((value >> 8) & 0xFF);
        m_.background[2] = static_cast<int>(value & 0xFF);
    }

    for (pugi::xml_node child : map.children()) {
        const std::string kind = child.name();
        if (kind == "layer") {
            if (!Layer(child)) return false;
        } else if (kind == "objectgroup") {
            if (!Exits(child)) return false;
        } else if (kind == "imagelayer" || kind == "group") {
            return Fail(
                kind + " \"" + Attr(child, "name") +
                "\": the game has no image layers or layer groups; remove it or move its layers to the top");
        }
    }
    if (!seen_ground_) return Fail("the map has no tile layer named \"ground\"; the game needs one");
    if (!seen_block_)
        return Fail(
            "the map has no tile layer named \"block\"; the game needs one (any tile blocks, empty is free)");
    return true;
}

bool Importer::TileSet(const pugi::xml_node& map) {
    pugi::xml_node set = map.child("tileset");
    if (!set) return Fail("the map has no tile set; add the game's tile-set image as one");
    if (set.next_sibling("tileset"))
        return Fail(
            "the map has " +
            std::to_string(std::distance(map.children("tileset").begin(), map.children("tileset").end())) +
            " tile sets (first \"" + Attr(set, "name") + "\"); the game draws from one tile-set image");
    firstgid_ = set.attribute("firstgid").as_uint(1);
    if (set.attribute("source")) {
        const std::string file = tsxdir_ + Attr(set, "source");
        const pugi::xml_parse_result r = tsx_.load_file(file.c_str());
        if (!r) return Fail("the external tile set " + file + " can't be read: " + r.description());
        set = tsx_.child("tileset");
    }
    const std::string name = "tile set \"" + Attr(set, "name") + "\"";
    if (set.attribute("tilewidth").as_int() != TILE || set.attribute("tileheight").as_int() != TILE)
        return Fail(name + " has " + Attr(set, "tilewidth") + " by " + Attr(set, "tileheight") +
                    " pixel tiles; the game cuts its tile set into 16 by 16");
    if (set.attribute("spacing").as_int() != 0 || set.attribute("margin").as_int() != 0)
        return Fail(name + " has a margin or spacing; the game cuts tiles edge to edge from the top left");
    const pugi::xml_node image = set.child("image");
    if (!image) return Fail(name + " is a collection of images; the game needs one tile-set image");
    const std::string source = Attr(image, "source");
    bool found = false;
    const std::string written = Property(map, "tilesetfile", found);
    // The path as the client opens it; kept from the property while it still names this image.
    m_.tilesetfile =
        found && BaseName(written) == BaseName(source) ? written : RESOURCE_DIR + BaseName(source);
    return true;
}

bool Importer::Gids(const pugi::xml_node& layer, const std::string& where, std::vector<std::uint32_t>& gids) {
    const pugi::xml_node data = layer.child("data");
    const std::size_t cells = static_cast<std::size_t>(m_.sizex) * static_cast<std::size_t>(m_.sizey);
    if (data.child("chunk"))
        return Fail(where + " is stored in chunks, as infinite maps are; the game's maps have a fixed size");
    const std::string encoding = Attr(data, "encoding"), compression = Attr(data, "compression");
    gids.clear();
    if (encoding.empty()) {
        for (pugi::xml_node t : data.children("tile"))
            gids.push_back(t.attribute("gid").as_uint());
    } else if (encoding == "csv") {
        const std::string text = data.text().as_string();
        std::size_t at = 0;
        while (at < text.size()) {
            while (at < text.size() &&
                   (text[at] == ',' || std::isspace(static_cast<unsigned char>(text[at]))))
                ++at;
            if (at == text.size()) break;
            char* end = nullptr;
            const unsigned long v = std::strtoul(text.c_str() + at, &end, 10);
            if (end == text.c_str() + at)
                return Fail(where + ": its CSV data holds something other than numbers");
            gids.push_back(static_cast<std::uint32_t>(v));
            at = static_cast<std::size_t>(end - text.c_str());
        }
    } else if (encoding == "base64") {
        if (!compression.empty() && compression != "zlib" && compression != "gzip" && compression != "zstd")
            return Fail(where + ": compression \"" + compression +
                        "\" is unknown; save with zlib, gzip, zstd or none");
        std::string bytes, raw;
        if (!Unbase64(data.text().as_string(), bytes)) return Fail(where + ": its base64 data is broken");
        if (compression.empty()) {
            raw = bytes;
        } else if (compression == "zlib" || compression == "gzip") {
            if (!Inflate(bytes, cells * 4, raw))
                return Fail(where + ": its " + compression + " data is broken or of the wrong size");
        } else if (compression == "zstd") {
            raw.assign(cells * 4, '\0');
            const std::size_t n = ZSTD_decompress(&raw[0], raw.size(), bytes.data(), bytes.size());
            if (ZSTD_isError(n) || n != raw.size())
                return Fail(where + ": its zstd data is broken or of the wrong size");
        } else {
            return Fail(where + ": compression \"" + compression +
                        "\" is unknown; save with zlib, gzip, zstd or none");
        }
        if (raw.size() % 4) return Fail(where + ": its data is not a whole number of tiles");
        for (std::size_t i = 0; i + 3 < raw.size(); i += 4)
            gids.push_back(static_cast<std::uint32_t>(static_cast<unsigned char>(raw[i])) |
                           static_cast<std::uint32_t>(static_cast<unsigned char>(raw[i + 1])) << 8 |
                           static_cast<std::uint32_t>(static_cast<unsigned char>(raw[i + 2])) << 16 |
                           static_cast<std::uint32_t>(static_cast<unsigned char>(raw[i + 3])) << 24);
    } else {
        return Fail(where + ": encoding \"" + encoding + "\" is unknown");
    }
    if (gids.size() != cells)
        return Fail(where + " holds " + std::to_string(gids.size()) + " cells, the map " +
                    std::to_string(cells));
    return true;
}

bool Importer::Layer(const pugi::xml_node& layer) {
    const std::string name = Attr(layer, "name");
    const std::string where = "tile layer \"" + name + "\"";
    bool* seen = nullptr;
    bool seen_second = m_.layer2 != 0;
    std::vector<int>* grid = nullptr;
    if (name == "ground")
        seen = &seen_ground_, grid = &m_.ground;
    else if (name == "block")
        seen = &seen_block_, grid = &m_.block;
    else if (name == "layer2")
        seen = &seen_second, grid = &m_.second;
    else
        return Fail(where +
                    ": the game has only the tile layers ground, layer2 and block; rename or merge it");
    if (*seen) return Fail("two tile layers are named \"" + name + "\"; merge them");
    *seen = true;
    if (name == "layer2") m_.layer2 = 1;
    if (layer.attribute("offsetx").as_double() != 0 || layer.attribute("offsety").as_double() != 0)
        return Fail(where + " is shifted by an offset; the game draws every layer on the grid");
    std::vector<std::uint32_t> gids;
    if (!Gids(layer, where, gids)) return false;
    grid->resize(gids.size());
    for (std::size_t i = 0; i < gids.size(); ++i) {
        const std::uint32_t gid = gids[i];
        const std::string cell = where + ", column " +
                                 std::to_string(i % static_cast<std::size_t>(m_.sizex)) + " row " +
                                 std::to_string(i / static_cast<std::size_t>(m_.sizex)) + " from the top";
        if (gid & FLIP_BITS)
            return Fail(cell +
                        ": the tile is flipped or rotated; the game draws tiles only as the image has them");
        if (gid != 0 && (gid < firstgid_ || gid - firstgid_ > 0x7FFFFFF))
            return Fail(cell + ": tile id " + std::to_string(gid) + " is not in the tile set");
        const int index = static_cast<int>(gid - firstgid_);
        if (name == "ground") {
            if (!gid) return Fail(cell + " is empty; the ground needs a tile in every cell");
            (*grid)[i] = index;
        } else if (name == "layer2") {
            (*grid)[i] = gid ? index : -1;
        } else {
            (*grid)[i] = gid ? index + 1 : 0; // tile n marks block value n + 1: the first tile blocks
        }
    }
    return true;
}

bool Importer::Exits(const pugi::xml_node& group) {
    const std::string name = Attr(group, "name");
    if (name != "exits")
        return Fail("object layer \"" + name +
                    "\": the game has only the object layer exits; rename or remove it");
    if (seen_exits_) return Fail("two object layers are named \"exits\"; merge them");
    seen_exits_ = true;
    for (pugi::xml_node o : group.children("object")) {
        const std::string where =
            "exit object " + Attr(o, "id") + (Attr(o, "name").empty() ? "" : " \"" + Attr(o, "name") + "\"");
        for (const char* shape : {"ellipse", "polygon", "polyline", "text"})
            if (o.child(shape))
                return Fail(where + " is not a rectangle but a " + std::string(shape) +
                            "; an exit is a rectangle or a point on one cell");
        if (o.attribute("gid"))
            return Fail(where + " is a tile object; an exit is a rectangle or a point on one cell");
        if (o.attribute("rotation").as_double() != 0)
            return Fail(where + " is rotated; an exit is an upright rectangle");
        const double x = o.attribute("x").as_double(), y = o.attribute("y").as_double();
        const double w = o.attribute("width").as_double(), h = o.attribute("height").as_double();
        const double col = std::floor(x / TILE), row = std::floor(y / TILE);
        if (w < 0 || h < 0 || std::floor((x + std::max(w, 0.001) - 0.001) / TILE) != col ||
            std::floor((y + std::max(h, 0.001) - 0.001) / TILE) != row)
            return Fail(
                where +
                " covers more than one cell; an exit is one cell: draw one 16 by 16 rectangle per cell");
        entity_t e;
        e.posx = static_cast<int>(col);
        e.posy = m_.sizey - 1 - static_cast<int>(row);
        bool found = false;
        e.newmap = Property(o, "map", found);
        if (!found || e.newmap.empty())
            return Fail(where + " has no property \"map\": add it, naming the target map file");
        if (e.newmap.find_first_of(" \n\r") != std::string::npos)
            return Fail(where + ": the target map \"" + e.newmap +
                        "\" holds a space or line break, which a map file can't carry");
        if (!Float(o, "arrivalx", where, e.newposx) || !Float(o, "arrivaly", where, e.newposy)) return false;
        m_.entities.push_back(e);
    }
    return true;
}

} // namespace

const std::vector<std::string>& TmxEncodings() {
    static const std::vector<std::string> names{"csv", "base64", "base64-zlib", "base64-gzip", "base64-zstd"};
    return names;
}

bool ImportTmx(const std::string& tmx, const std::string& tsxdir, MapData& out, std::string& why) {
    out = MapData();
    return Importer(tsxdir, out, why).Run(tmx);
}

bool ExportTmx(const MapData& m, const std::string& image, int width, int height, const std::string& encoding,
               std::string& tmx, std::string& why) {
    const std::size_t w = static_cast<std::size_t>(m.sizex);
    const auto cellname = [&](const std::string& layer, std::size_t i) {
        return layer + " row " + std::to_string(i / w + 1) + ", column " + std::to_string(i % w);
    };
    for (const int c : m.background)
        if (c < 0 || c > 255)
            return (why = "the background colour has a value outside 0 to 255, which Tiled can't hold"),
                   false;
    if (m.layer2 != 0 && m.layer2 != 1)
        return (why = "the second-layer flag is " + std::to_string(m.layer2) + "; write 1 (or 0) first"),
               false;
    static const std::vector<int> none; // a second layer that is off is not written
    const struct {
        const std::vector<int>& cells;
        const char* layer;
        int lowest;
        const char* fix;
    } grids[] = {
        {m.ground, "ground", 0, ", which names no tile"},
        {m.layer2 ? m.second : none, "second layer", -1, "; write -1 for an empty cell"},
        {m.block, "block map", 0, "; write 0 for a free cell"},
    };
    for (const auto& g : grids)
        for (std::size_t i = 0; i < g.cells.size(); ++i)
            if (g.cells[i] < g.lowest)
                return (why = cellname(g.layer, i) + " holds " + std::to_string(g.cells[i]) + g.fix), false;

    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    pugi::xml_node map = doc.append_child("map");
    map.append_attribute("version") = "1.8";
    map.append_attribute("orientation") = "orthogonal";
    map.append_attribute("renderorder") = "right-down";
    map.append_attribute("width") = m.sizex;
    map.append_attribute("height") = m.sizey;
    map.append_attribute("tilewidth") = TILE;
    map.append_attribute("tileheight") = TILE;
    map.append_attribute("infinite") = 0;
    char colour[8];
    std::snprintf(colour, sizeof colour, "#%02x%02x%02x", m.background[0], m.background[1], m.background[2]);
    map.append_attribute("backgroundcolor") = colour;
    map.append_attribute("nextlayerid") = 5;
    map.append_attribute("nextobjectid") = static_cast<unsigned>(m.entities.size() + 1);
    pugi::xml_node props = map.append_child("properties");
    AddProperty(props, "startx", "float", FormatMapFloat(m.startposx));
    AddProperty(props, "starty", "float", FormatMapFloat(m.startposy));
    AddProperty(props, "tilesetfile", nullptr, m.tilesetfile);

    const int columns = width / TILE;
    pugi::xml_node set = map.append_child("tileset");
    set.append_attribute("firstgid") = 1;
    const std::string setname = BaseName(image).substr(0, BaseName(image).rfind('.'));
    set.append_attribute("name") = setname.c_str();
    set.append_attribute("tilewidth") = TILE;
    set.append_attribute("tileheight") = TILE;
    set.append_attribute("tilecount") = columns * (height / TILE);
    set.append_attribute("columns") = columns;
    pugi::xml_node img = set.append_child("image");
    img.append_attribute("source") = image.c_str();
    img.append_attribute("width") = width;
    img.append_attribute("height") = height;

    int id = 0;
    const auto layer = [&](const char* name, const std::vector<int>& grid, int bias, bool half) -> bool {
        pugi::xml_node l = map.append_child("layer");
        l.append_attribute("id") = ++id;
        l.append_attribute("name") = name;
        l.append_attribute("width") = m.sizex;
        l.append_attribute("height") = m.sizey;
        if (half) l.append_attribute("opacity") = "0.5";
        pugi::xml_node data = l.append_child("data");
        std::vector<std::uint32_t> gids;
        for (const int v : grid)
            gids.push_back(v + bias <= 0 ? 0u : static_cast<std::uint32_t>(v + bias));
        if (encoding == "csv") {
            data.append_attribute("encoding") = "csv";
            std::string text = "\n";
            for (std::size_t i = 0; i < gids.size(); ++i)
                text += std::to_string(gids[i]) + (i + 1 == gids.size() ? "\n" : (i + 1) % w ? "," : ",\n");
            data.text() = text.c_str();
            return true;
        }
        std::string raw, packed;
        for (const std::uint32_t g : gids)
            for (int k = 0; k < 32; k += 8)
                raw += static_cast<char>((g >> k) & 0xFF);
        data.append_attribute("encoding") = "base64";
        if (encoding == "base64") {
            packed = raw;
        } else if (encoding == "base64-zlib" || encoding == "base64-gzip") {
            data.append_attribute("compression") = encoding == "base64-zlib" ? "zlib" : "gzip";
            if (!Deflate(raw, encoding == "base64-gzip", packed)) return false;
        } else if (encoding == "base64-zstd") {
            data.append_attribute("compression") = "zstd";
            packed.resize(ZSTD_compressBound(raw.size()));
            const std::size_t n = ZSTD_compress(&packed[0], packed.size(), raw.data(), raw.size(), 19);
            if (ZSTD_isError(n)) return false;
            packed.resize(n);
        } else {
            return false;
        }
        data.text() = ("\n   " + Base64(packed) + "\n  ").c_str();
        return true;
    };
    bool ok = layer("ground", m.ground, 1, false);
    if (ok && m.layer2) ok = layer("layer2", m.second, 1, false);
    ok = ok && layer("block", m.block, 0, true);
    if (!ok) {
        why = "the encoding \"" + encoding + "\" failed or is unknown";
        return false;
    }
    pugi::xml_node exits = map.append_child("objectgroup");
    exits.append_attribute("id") = ++id;
    exits.append_attribute("name") = "exits";
    exits.append_attribute("color") = "#ffe628";
    int object = 0;
    for (const entity_t& e : m.entities) {
        pugi::xml_node o = exits.append_child("object");
        o.append_attribute("id") = ++object;
        o.append_attribute("name") = e.newmap.c_str();
        o.append_attribute("x") = e.posx * TILE;
        o.append_attribute("y") = (m.sizey - 1 - e.posy) * TILE;
        o.append_attribute("width") = TILE;
        o.append_attribute("height") = TILE;
        pugi::xml_node p = o.append_child("properties");
        AddProperty(p, "map", nullptr, e.newmap);
        AddProperty(p, "arrivalx", "float", FormatMapFloat(e.newposx));
        AddProperty(p, "arrivaly", "float", FormatMapFloat(e.newposy));
    }
    std::ostringstream text;
    doc.save(text, " ", pugi::format_default, pugi::encoding_utf8);
    tmx = text.str();
    return true;
}

} // namespace maptool
