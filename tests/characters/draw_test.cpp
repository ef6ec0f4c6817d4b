// Characters on screen: sprite sheets cut into sets, the square each figure is drawn on, the
// order of drawing, and what a sheet that can't be used does.
#include "characters/characters.h"
#include "frame/framework.h"
#include "frame/input.h"
#include "tests/support/support.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// Colours of the test pictures: the picture's number in red, the set in green, and the top
// half of each picture bluer than the bottom half, so orientation shows.
struct Rgb { int r, g, b; };
Rgb TopColour(int set, int picture) { return {10 + 20 * picture, 20 + 50 * set, 230}; }
Rgb BottomColour(int set, int picture) { return {10 + 20 * picture, 20 + 50 * set, 60}; }
const Rgb kBackground = {0, 160, 0};

// A 32-bit surface whose bytes lie blue, green, red, alpha, as the image loader delivers TGA files.
SDL_Surface* NewSurface(int w, int h) {
    return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
}

void Fill(SDL_Surface* s, int x, int y, int w, int h, Rgb c) {
    SDL_Rect r{static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w), static_cast<Uint16>(h)};
    SDL_FillRect(s, &r, SDL_MapRGBA(s->format, static_cast<Uint8>(c.r), static_cast<Uint8>(c.g),
                                    static_cast<Uint8>(c.b), 255));
}

// A sheet of columns by rows blocks; every picture is opaque over its whole 24 by 32 cell.
SDL_Surface* MakeSheet(int columns, int rows, int extraw = 0, int extrah = 0) {
    SDL_Surface* sheet = NewSurface(columns * CHAR_BLOCK_W + extraw, rows * CHAR_BLOCK_H + extrah);
    for (int by = 0; by < rows; ++by)
        for (int bx = 0; bx < columns; ++bx)
            for (int p = 0; p < 12; ++p) {
                const int set = by * columns + bx;
                const int x = bx * CHAR_BLOCK_W + (p % 3) * CHAR_FRAME_W;
                const int y = by * CHAR_BLOCK_H + (p / 3) * CHAR_FRAME_H;
                Fill(sheet, x, y, CHAR_FRAME_W, CHAR_FRAME_H / 2, TopColour(set, p));
                Fill(sheet, x, y + CHAR_FRAME_H / 2, CHAR_FRAME_W, CHAR_FRAME_H / 2, BottomColour(set, p));
            }
    return sheet;
}

// An uncompressed 32-bit TGA of the surface, rows top to bottom.
void WriteTga(SDL_Surface* s, const std::string& path) {
    std::string data(18, '\0');
    data[2] = 2;
    data[12] = static_cast<char>(s->w & 0xFF);
    data[13] = static_cast<char>(s->w >> 8);
    data[14] = static_cast<char>(s->h & 0xFF);
    data[15] = static_cast<char>(s->h >> 8);
    data[16] = 32;
    data[17] = 0x28; // 8 alpha bits, first row at the top
    SDL_LockSurface(s);
    for (int y = 0; y < s->h; ++y)
        data.append(static_cast<const char*>(s->pixels) + y * s->pitch, static_cast<std::size_t>(s->w) * 4);
    SDL_UnlockSurface(s);
    tt::WriteFile(path, data);
}

// A folder of its own for files the test writes.
std::string TempDir() {
    char name[] = "/tmp/tavrel-chars-XXXXXX";
    const char* made = mkdtemp(name);
    return made ? made : "/tmp";
}

// Sixteen bits per pixel quantise every channel; compare loosely.
::testing::AssertionResult Near(tt::Image::Pixel p, Rgb c) {
    if (std::abs(p.r - c.r) <= 12 && std::abs(p.g - c.g) <= 12 && std::abs(p.b - c.b) <= 12)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << p.r << "," << p.g << "," << p.b << ") wanted ("
                                         << c.r << "," << c.g << "," << c.b << ")";
}

class Drawing : public ::testing::Test {
  protected:
    void SetUp() override {
        window = std::make_unique<tt::GlWindow>();
        sprites.clear();
        clients.clear();
        timeelapsed = 0;
        // Two sets cut by the game's own cutter.
        SDL_Surface* sheet = MakeSheet(2, 1);
        for (int set = 0; set < 2; ++set) {
            SDL_Surface* block = NewSurface(CHAR_BLOCK_W, CHAR_BLOCK_H);
            SDL_SetAlpha(sheet, 0, 255);
            SDL_Rect from{static_cast<Sint16>(set * CHAR_BLOCK_W), 0, CHAR_BLOCK_W, CHAR_BLOCK_H};
            SDL_BlitSurface(sheet, &from, block, nullptr);
            load_char(block, set);
        }
        SDL_FreeSurface(sheet);
        ASSERT_EQ(sprites.size(), 2u);
        Clear();
    }
    void TearDown() override {
        sprites.clear();
        clients.clear();
        window.reset();
    }
    void Clear() {
        glClearColor(kBackground.r / 255.0f, kBackground.g / 255.0f, kBackground.b / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    // Looks straight down on (x, y): that point is the middle of the window, pixel (320, 240).
    void Camera(float x, float y) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(x, y, 15, x, y, 0, 0, 1, 0);
    }
    // A remote player standing at (x, y), reported just now.
    character Remote(float x, float y, int charid, int direction) {
        character c;
        c.nickname = "r" + std::to_string(clients.size());
        c.netposx = x;
        c.netposy = y;
        c.charid = charid;
        c.direction = direction;
        c.lastupdate = SDL_GetTicks();
        return c;
    }
    tt::Image::Pixel At(int x, int y) { return window->ReadPixel(x, y); }

    std::unique_ptr<tt::GlWindow> window;
};

TEST_F(Drawing, TheSquareIsCentredOnThePositionWithTheTopOfThePictureUp) {
    Camera(10, 5);
    character c;
    c.charposx = 10;
    c.charposy = 5;
    c.direction = 2;
    animate_character_by(&c, 0);
    draw_character(&c);
    // 64 pixels per unit across and 48 up: the picture (the middle 24 of 32 texture columns)
    // spans 320 +- 32, the square 320 +- 42.7; both span 240 +- 32 in height.
    EXPECT_TRUE(Near(At(320, 256), TopColour(0, 7)));
    EXPECT_TRUE(Near(At(320, 224), BottomColour(0, 7)));
    EXPECT_TRUE(Near(At(290, 270), TopColour(0, 7)));
    EXPECT_TRUE(Near(At(350, 210), BottomColour(0, 7)));
    // The transparent side margins of the texture show the background.
    EXPECT_TRUE(Near(At(284, 240), kBackground));
    EXPECT_TRUE(Near(At(356, 240), kBackground));
    // Outside the square.
    EXPECT_TRUE(Near(At(320, 276), kBackground));
    EXPECT_TRUE(Near(At(320, 204), kBackground));
    EXPECT_TRUE(Near(At(270, 240), kBackground));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(Drawing, EachDirectionAndFrameShowsItsOwnPicture) {
    Camera(0, 0);
    character c;
    c.charid = 1;
    for (int picture = 0; picture < 12; ++picture) {
        Clear();
        c.direction = picture / 3;
        c.currentframe = picture % 3;
        c.currenttexture = picture;
        draw_character(&c);
        EXPECT_TRUE(Near(At(320, 250), TopColour(1, picture))) << "picture " << picture;
    }
}

TEST_F(Drawing, RemotePlayersAppearAtTheirRelayedPositionsAndTheAvatarCoversThem) {
    Camera(20, 20);
    clients.push_back(Remote(22, 21, 1, 1)); // two units right, one up: pixel (448, 288)
    clients.push_back(Remote(20, 20, 1, 3)); // under the avatar
    avatar = character();
    avatar.charposx = 20;
    avatar.charposy = 20;
    avatar.charid = 0;
    avatar.direction = 2;
    animate_character_by(&avatar, 0);

    draw_character_vector();
    EXPECT_TRUE(Near(At(448, 300), TopColour(1, 4)));
    EXPECT_TRUE(Near(At(320, 250), TopColour(1, 10)));
    draw_character(&avatar);
    EXPECT_TRUE(Near(At(320, 250), TopColour(0, 7)));
    EXPECT_TRUE(Near(At(448, 300), TopColour(1, 4)));
    // The remote players were moved onto their reports and animated as standing.
    EXPECT_FLOAT_EQ(clients[0].charposx, 22.0f);
    EXPECT_EQ(clients[0].currenttexture, 4);
}

TEST_F(Drawing, LaterPlayersInTheRosterAreDrawnOverEarlierOnes) {
    Camera(0, 0);
    clients.push_back(Remote(0, 0, 0, 0));
    clients.push_back(Remote(0.5f, 0, 1, 0));
    draw_character_vector();
    EXPECT_TRUE(Near(At(320 + 16, 250), TopColour(1, 1)));
    EXPECT_TRUE(Near(At(320 - 24, 250), TopColour(0, 1))); // left of the second one's picture
}

TEST_F(Drawing, RecordsWithValuesThatMakeNoSenseAreNeverUsedAsIndexes) {
    Camera(0, 0);
    clients.push_back(Remote(0, 0, 57, 2));   // no such set: drawn with set 0
    clients.push_back(Remote(3, 0, 1, 9));    // no such direction: faces down
    clients.push_back(Remote(-3, 0, 1, 2));
    clients.back().netposx = std::numeric_limits<float>::quiet_NaN(); // not drawn at all
    draw_character_vector();
    EXPECT_TRUE(Near(At(320, 250), TopColour(0, 7)));
    EXPECT_TRUE(Near(At(320 + 192, 250), TopColour(1, 7)));
    EXPECT_TRUE(Near(At(320 - 192, 250), kBackground));
    EXPECT_TRUE(Near(At(10, 250), kBackground));
}

TEST_F(Drawing, AFigureWithoutAnySpriteSetsDrawsNothing) {
    sprites.clear();
    Camera(0, 0);
    character c;
    draw_character(&c);
    EXPECT_TRUE(Near(At(320, 240), kBackground));
}

TEST_F(Drawing, ASheetIsCutRowByRowAndItsRemaindersIgnored) {
    const std::string dir = TempDir();
    struct Case { int columns, rows, extraw, extrah; };
    for (const Case& k : {Case{2, 2, 0, 0}, Case{2, 1, 6, 2}}) {
        SDL_Surface* sheet = MakeSheet(k.columns, k.rows, k.extraw, k.extrah);
        const std::string path = dir + "/sheet.tga";
        WriteTga(sheet, path);
        SDL_FreeSurface(sheet);

        CONFIG_CHARACTER = k.columns * k.rows - 1;
        sprites.clear();
        EXPECT_EQ(load_char_set(path), 1);
        ASSERT_EQ(sprites.size(), static_cast<std::size_t>(k.columns * k.rows));

        Camera(0, 0);
        for (int set = 0; set < k.columns * k.rows; ++set) {
            Clear();
            character c;
            c.charid = set;
            c.currenttexture = 5;
            draw_character(&c);
            EXPECT_TRUE(Near(At(320, 250), TopColour(set, 5))) << "set " << set;
            EXPECT_TRUE(Near(At(320, 230), BottomColour(set, 5))) << "set " << set;
        }
    }
    std::remove((dir + "/sheet.tga").c_str());
    rmdir(dir.c_str());
}

// The shipped sprite sheet: every character in every direction and frame, on green, saved as
// a picture to look at. Each figure must show something and keep its side margins clear.
TEST(ShippedSheet, EveryCharacterDirectionAndFrameHasAPicture) {
    tt::GlWindow window(1024, 768);
    sprites.clear();
    CONFIG_CHARACTER = 0;
    load_char_set(std::string(TAVREL_SOURCE_DIR) + "/resources/Hero 1.tga");
    ASSERT_EQ(sprites.size(), 8u);

    // 12 pictures across, 8 characters down, 1.4 units apart, one unit about 61 by 69 pixels.
    const float cell = 1.4f, width = 12 * cell, height = 8 * cell;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, 0, height, 5, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, 15, 0, 0, 0, 0, 1, 0);
    glClearColor(kBackground.r / 255.0f, kBackground.g / 255.0f, kBackground.b / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (int set = 0; set < 8; ++set)
        for (int picture = 0; picture < 12; ++picture) {
            character c;
            c.charid = set;
            c.currenttexture = picture;
            c.charposx = cell / 2 + cell * picture;
            c.charposy = height - cell / 2 - cell * set;
            draw_character(&c);
        }
    const tt::Image shot = window.ReadBack();
    shot.SavePng("characters_sheet.png");

    const float px = 1024 / width, py = 768 / height;
    auto green = [&](int x, int y) { return Near(shot.At(x, y), kBackground); };
    for (int set = 0; set < 8; ++set)
        for (int picture = 0; picture < 12; ++picture) {
            const int cx = static_cast<int>((cell / 2 + cell * picture) * px);
            const int cy = static_cast<int>((cell / 2 + cell * set) * py); // from the top
            // The picture is the middle three quarters of the square across, all of it down.
            const int halfw = static_cast<int>(0.75f * CHARACTER_HALF_SIZE * px) - 1;
            const int halfh = static_cast<int>(CHARACTER_HALF_SIZE * py) - 1;
            int painted = 0, total = 0;
            for (int y = cy - halfh; y <= cy + halfh; ++y)
                for (int x = cx - halfw; x <= cx + halfw; ++x, ++total)
                    if (!green(x, y)) ++painted;
            EXPECT_GT(painted, total / 10) << "set " << set << " picture " << picture;
            const int margin = static_cast<int>(0.875f * CHARACTER_HALF_SIZE * px);
            EXPECT_TRUE(green(cx - margin, cy)) << "set " << set << " picture " << picture;
            EXPECT_TRUE(green(cx + margin, cy)) << "set " << set << " picture " << picture;
        }
    sprites.clear();
}

// Runs statement in a child process that ends through Quit; its standard output lands in a file.
class SheetRefusal : public ::testing::Test {
  protected:
    // The child is forked right here: a re-executed child would start an X server of its
    // own that outlives it.
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "fast");
        dir = TempDir();
    }
    void TearDown() override { tt::Sh("rm -rf '" + dir + "'"); }
    std::string dir;
};

TEST_F(SheetRefusal, ACharacterOutsideTheSheetEndsTheGameWithInvalidCharacter) {
    SDL_Surface* sheet = MakeSheet(2, 2);
    WriteTga(sheet, dir + "/sheet.tga");
    SDL_FreeSurface(sheet);
    for (int bad : {4, -1, 100}) {
        const std::string out = dir + "/out" + std::to_string(bad + 1);
        EXPECT_EXIT(
            {
                std::freopen(out.c_str(), "w", stdout);
                CONFIG_CHARACTER = bad;
                load_char_set(dir + "/sheet.tga");
                std::exit(77); // not reached when the character is refused
            },
            ::testing::ExitedWithCode(0), "");
        EXPECT_EQ(tt::ReadFile(out), "Invalid character.\n") << bad;
    }
}

TEST_F(SheetRefusal, ASheetSmallerThanABlockHasNoValidCharacter) {
    SDL_Surface* sheet = MakeSheet(1, 1, -1, 0); // 71 by 128
    WriteTga(sheet, dir + "/sheet.tga");
    SDL_FreeSurface(sheet);
    const std::string out = dir + "/out";
    EXPECT_EXIT(
        {
            std::freopen(out.c_str(), "w", stdout);
            CONFIG_CHARACTER = 0;
            load_char_set(dir + "/sheet.tga");
            std::exit(77);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(tt::ReadFile(out), "Invalid character.\n");
}

TEST_F(SheetRefusal, AMissingSheetStopsWithTheDataExitCodeNamingTheFile) {
    CONFIG_CHARACTER = 0;
    EXPECT_EXIT(load_char_set(dir + "/Hero 9.tga"), ::testing::ExitedWithCode(EXIT_DATA), "Hero 9.tga");
}

TEST_F(SheetRefusal, ASheetWithTooManyBlocksIsRefusedAsBadData) {
    SDL_Surface* sheet = NewSurface(CHAR_BLOCK_W * 13, CHAR_BLOCK_H * 5); // 65 sets
    WriteTga(sheet, dir + "/big.tga");
    SDL_FreeSurface(sheet);
    CONFIG_CHARACTER = 0;
    EXPECT_EXIT(load_char_set(dir + "/big.tga"), ::testing::ExitedWithCode(EXIT_DATA), "big.tga");
}

} // namespace
