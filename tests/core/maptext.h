// A map read from text and written back as text, as the client's reader and writer do it.
#pragma once

#include "core/map.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

inline MapData ParseText(const std::string& text) {
    std::istringstream in(text);
    MapData m;
    std::string why;
    EXPECT_TRUE(ParseMap(in, m, why)) << why;
    return m;
}

inline std::string Written(const MapData& m) {
    std::ostringstream out;
    WriteMap(out, m);
    return out.str();
}
