// tavrel-artgen OUTDIR: draws every image and map of the game into OUTDIR, and the desktop icons
// into OUTDIR/icons.
// The shipped resources/ folder is its output; running it again gives the same bytes.
#include "tools/artgen/art.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const std::string outdir = argv[1];
    if (!MakeWorldArt(outdir)) return 1;
    if (!MakeFigureArt(outdir)) return 1;
    if (!MakeIcons(outdir)) return 1;
    return 0;
}
