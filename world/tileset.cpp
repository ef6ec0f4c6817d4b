// The tile set: one texture per 16 by 16 pixel tile of the map's image, and the drawing of
// the map's layers with them.
#include "core/map.h"
#include "world/tiling.h"

#include "graphics/texture.h"

#include <cstdio>

tile* tiles = nullptr;
int numtiles = 0;
bool tilesallocated = false;

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
    for (int i = 0; i < numtiles; ++i)
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

void draw_tiles() {
    if (!map || !tiles) return;
    // The ground is opaque whatever alpha its tiles carry.
    glDisable(GL_BLEND);
    for (int y = 0; y < MAP_SIZEY; ++y) {
        const int* row = map[MAP_SIZEY - 1 - y];
        for (int x = 0; x < MAP_SIZEX; ++x) {
            const int index = row[x];
            if (index < 0 || index >= numtiles) continue;
            glBindTexture(GL_TEXTURE_2D, tiles[index].texture);
            DrawCell(x, y);
        }
    }
    if (!layer2 || !map2) return;
    for (int y = 0; y < MAP_SIZEY; ++y) {
        const int* row = map2[MAP_SIZEY - 1 - y];
        for (int x = 0; x < MAP_SIZEX; ++x) {
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
