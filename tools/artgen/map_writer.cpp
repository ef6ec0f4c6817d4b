#include "tools/artgen/map_writer.h"

#include <cstdio>

const char* const kWorldTileSetPath = "Tavrel.app/Contents/Resources/tiles.tga";

std::string WorldMapText(const WorldMap& m) {
    std::string out;
    auto line = [&](const std::string& s) { out += s + "\n"; };
    auto number = [](float v) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%g", static_cast<double>(v));
        return std::string(buf);
    };
    auto grid = [&](const std::vector<int>& g) {
        for (int r = 0; r < m.height; ++r) {
            std::string row;
            for (int c = 0; c < m.width; ++c)
                row += (c ? " " : "") + std::to_string(m.At(g, c, r));
            line(row);
        }
    };
    line(kWorldTileSetPath);
    line(std::to_string(m.width));
    line(std::to_string(m.height));
    line(number(m.startx));
    line(number(m.starty));
    line("1");
    line(std::to_string(m.exits.size()));
    line(std::to_string(m.background[0]) + " " + std::to_string(m.background[1]) + " " +
         std::to_string(m.background[2]));
    line("ground");
    grid(m.ground);
    line("block");
    grid(m.block);
    line("layer2");
    grid(m.layer2);
    if (!m.exits.empty()) {
        line("exits");
        for (const WorldExit& e : m.exits)
            line(std::to_string(e.posx) + " " + std::to_string(e.posy) + " " + number(e.newposx) + " " +
                 number(e.newposy) + " " + e.newmap);
    }
    return out;
}
