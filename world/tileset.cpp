// The tile set: one texture per 16 by 16 pixel tile of the map's image, and the drawing of
// the map's layers with them.
#include "core/map.h"
#include "world/tiling.h"

#include "graphics/texture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

tile* tiles = nullptr;
int numtiles = 0;
bool tilesallocated = false;
bool drawallcells = false;

bool BuildTileSet(const std::string& tileset, std::vector<GLuint>& textures, std::string& why) {
    textures.clear();
    SDL_Surface* sheet = LoadImage(tileset);
    if (!sheet) {
        why = "can't be loaded";
        return false;
    }
    // Pixels right of the last whole tile column or below the last whole tile row are not used.
    const int columns = sheet->w / TILE_PIXELS;
    const int rows = sheet->h / TILE_PIXELS;
    const long count = static_cast<long>(columns) * rows;
    if (count < 1 || count > MAX_TILES) {
        why = "holds " + std::to_string(count) + " whole 16 by 16 tiles, a tile set has 1 to " +
              std::to_string(MAX_TILES);
        SDL_FreeSurface(sheet);
        return false;
    }
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            SDL_Surface* cut = ClipSurface(sheet, j * TILE_PIXELS, i * TILE_PIXELS, TILE_PIXELS, TILE_PIXELS);
            if (!cut) {
                why = "can't be cut into tiles";
                glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
                textures.clear();
                SDL_FreeSurface(sheet);
                return false;
            }
            textures.push_back(TextureFromSurface(cut));
        }
    }
    SDL_FreeSurface(sheet);
    return true;
}

void FreeTileSet() {
    if (tilesallocated && tiles) {
        std::vector<GLuint> old;
        for (int i = 0; i < numtiles; ++i)
            old.push_back(tiles[i].texture);
        glDeleteTextures(static_cast<GLsizei>(old.size()), old.data());
        delete[] tiles;
    }
    tiles = nullptr;
    numtiles = 0;
    tilesallocated = false;
}

void InstallTileSet(const std::vector<GLuint>& textures) {
    // Walking between maps for hours must not pile up the textures of every map visited.
    FreeTileSet();
    numtiles = static_cast<int>(textures.size());
    tiles = new tile[textures.size()];
    for (std::size_t i = 0; i < textures.size(); ++i)
        tiles[i].texture = textures[i];
    tilesallocated = true;
}

void SetBackgroundColor(int r, int g, int b) {
    glClearColor(static_cast<float>(r) / 255, static_cast<float>(g) / 255, static_cast<float>(b) / 255, 1.0f);
}

int load_tile_set(std::string tileset) {
    std::vector<GLuint> textures;
    std::string why;
    if (!BuildTileSet(tileset, textures, why)) {
        std::fprintf(stderr, "The tile set \"%s\" %s\n", tileset.c_str(), why.c_str());
        return 0;
    }
    InstallTileSet(textures);
    return 1;
}

// One cell as a unit quad with its lower-left corner at (x, y); the tile's top pixel row
// lies along the upper edge, so tiles show upright and unmirrored.
static void DrawCell(int x, int y) {
    const GLfloat left = static_cast<GLfloat>(x), bottom = static_cast<GLfloat>(y);
    glBegin(GL_QUADS);
    glTexCoord2f(1, 0);
    glVertex3f(left + 1, bottom + 1, 0);
    glTexCoord2f(0, 0);
    glVertex3f(left, bottom + 1, 0);
    glTexCoord2f(0, 1);
    glVertex3f(left, bottom, 0);
    glTexCoord2f(1, 1);
    glVertex3f(left + 1, bottom, 0);
    glEnd();
}

// The cells that can show under the current projection and model-view matrices, with a
// margin of one cell: only they need drawing, since every other cell is clipped whole. The
// world is drawn in the plane z = 0 by an affine camera, so the window's corners map back to
// a rectangle of that plane. False when the matrices can't be inverted (then draw everything).
static bool VisibleCells(int& firstcol, int& lastcol, int& firstrow, int& lastrow) {
    GLdouble projection[16], modelview[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    // m = projection * modelview, column-major; only the x and y rows and the x, y, w columns count.
    auto m = [&](int row, int col) {
        double sum = 0;
        for (int k = 0; k < 4; ++k)
            sum += projection[k * 4 + row] * modelview[col * 4 + k];
        return sum;
    };
    const double a = m(0, 0), b = m(0, 1), c = m(0, 3), d = m(1, 0), e = m(1, 1), f = m(1, 3);
    // A camera that divides by w (a perspective) is not what the game uses; don't guess.
    if (m(3, 0) != 0 || m(3, 1) != 0 || m(3, 3) != 1) return false;
    const double det = a * e - b * d;
    if (!std::isfinite(det) || det == 0) return false;
    double minx = HUGE_VAL, maxx = -HUGE_VAL, miny = HUGE_VAL, maxy = -HUGE_VAL;
    for (const double cx : {-1.0, 1.0}) {
        for (const double cy : {-1.0, 1.0}) {
            const double x = (e * (cx - c) - b * (cy - f)) / det;
            const double y = (a * (cy - f) - d * (cx - c)) / det;
            minx = std::min(minx, x);
            maxx = std::max(maxx, x);
            miny = std::min(miny, y);
            maxy = std::max(maxy, y);
        }
    }
    if (!std::isfinite(minx) || !std::isfinite(maxx) || !std::isfinite(miny) || !std::isfinite(maxy))
        return false;
    // Clamped in double before narrowing, so a camera far off the map gives an empty range.
    auto cell = [](double v, int count) {
        return static_cast<int>(std::clamp(std::floor(v), -2.0, static_cast<double>(count) + 1));
    };
    firstcol = std::max(0, cell(minx, MAP_SIZEX) - 1);
    lastcol = std::min(MAP_SIZEX - 1, cell(maxx, MAP_SIZEX) + 1);
    firstrow = std::max(0, cell(miny, MAP_SIZEY) - 1);
    lastrow = std::min(MAP_SIZEY - 1, cell(maxy, MAP_SIZEY) + 1);
    return true;
}

void draw_tiles() {
    if (!map || !tiles) return;
    int firstcol = 0, lastcol = MAP_SIZEX - 1, firstrow = 0, lastrow = MAP_SIZEY - 1;
    // The cost of a frame follows the window, not the map: a 1024 by 1024 map draws as fast as a
    // 32 by 32 one. Cells are visited in the same order either way, so the picture is the same.
    if (!drawallcells && !VisibleCells(firstcol, lastcol, firstrow, lastrow)) {
        firstcol = firstrow = 0;
        lastcol = MAP_SIZEX - 1;
        lastrow = MAP_SIZEY - 1;
    }
    // The ground is opaque whatever alpha its tiles carry.
    glDisable(GL_BLEND);
    for (int y = firstrow; y <= lastrow; ++y) {
        const int* row = map[MAP_SIZEY - 1 - y];
        for (int x = firstcol; x <= lastcol; ++x) {
            const int index = row[x];
            if (index < 0 || index >= numtiles) continue;
            glBindTexture(GL_TEXTURE_2D, tiles[index].texture);
            DrawCell(x, y);
        }
    }
    if (!layer2 || !map2) return;
    for (int y = firstrow; y <= lastrow; ++y) {
        const int* row = map2[MAP_SIZEY - 1 - y];
        for (int x = firstcol; x <= lastcol; ++x) {
            const int index = row[x];
            // Negative is an empty cell; past the end names no tile.
            if (index < 0 || index >= numtiles) continue;
            glEnable(GL_BLEND);
            glBindTexture(GL_TEXTURE_2D, tiles[index].texture);
            DrawCell(x, y);
            glDisable(GL_BLEND);
        }
    }
}
