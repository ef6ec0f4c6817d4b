// The figure half of the art generator: characters, the font and the chat panel.
#pragma once

#include "tools/artgen/canvas.h"
#include "tools/artgen/geometry.h"

// The eight characters, block by block, row by row from the top-left.
Canvas DrawHeroSheet();
// The two character sets rasterised from DejaVu Sans Mono; false after printing what went wrong.
bool DrawFontSheet(Canvas& out);
// The framed panel behind the chat log.
Canvas DrawChatPanel();
