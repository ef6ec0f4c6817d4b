// Writes the character sprite sheet, the font and the chat panel.
#include "tools/artgen/figure_art.h"

bool MakeFigureArt(const std::string& outdir) {
    Canvas font;
    if (!DrawFontSheet(font)) return false;
    return WriteTga(outdir + "/Hero 1.tga", DrawHeroSheet(), true) &&
           WriteTga(outdir + "/font.tga", font, true) &&
           WriteTga(outdir + "/chat.tga", DrawChatPanel(), true);
}
