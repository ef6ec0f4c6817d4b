// The game's icon for desktop menus: a timber-framed tavern on a patch of grass, lit from inside.
#pragma once

#include "tools/artgen/canvas.h"

#include <array>

// The sizes a desktop looks for in the hicolor theme, in pixels a side.
constexpr std::array<int, 7> kIconSizes = {16, 22, 32, 48, 64, 128, 256};

// The icon drawn at size x size: every pixel averages a grid of samples of the same shapes,
// so each size is drawn for itself rather than scaled down from the largest.
Canvas DrawIcon(int size);
