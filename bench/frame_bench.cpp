// Frame, map-change and start-up times of the real drawing code in a real window. Prints its
// figures; run it under Xvfb with Mesa's llvmpipe and a fixed LP_NUM_THREADS (docs/performance.md).
//   bench_frame [RUNS] [FRAMES]
// Every figure is given as min / median / max over RUNS runs; the figures compared with each
// other (culled and every cell, small and large maps) are measured side by side in each run.
#include "characters/characters.h"
#include "chat/chat.h"
#include "core/config.h"
#include "core/map.h"
#include "frame/framework.h"
#include "graphics/text.h"
#include "world/tiling.h"

#include <GL/gl.h>
#include <SDL.h>
#include <SDL_image.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

static double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Value at fraction q of sorted samples (nearest rank).
static double Quantile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t i = static_cast<std::size_t>(q * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// One figure over the runs.
struct Figure {
    std::vector<double> runs;
    std::string Text() const {
        char s[96];
        std::snprintf(s, sizeof s, "%9.3f %9.3f %9.3f", Quantile(runs, 0), Quantile(runs, 0.5),
                      Quantile(runs, 1));
        return s;
    }
};

// One whole frame as the game draws it, finished by the GPU (llvmpipe draws on glFinish).
static double TimedFrame() {
    const auto t0 = Clock::now();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    DrawWorld();
    SDL_GL_SwapBuffers();
    glFinish();
    return Ms(Clock::now() - t0);
}

// Up to frames frames, at most budget seconds (at least 10 frames), the player walking a
// slow circle so the visible cells change; returns the frame times in ms.
static std::vector<double> Frames(int frames, double budget) {
    std::vector<double> times;
    const float cx = avatar.charposx, cy = avatar.charposy;
    const auto start = Clock::now();
    for (int i = 0; i < frames; ++i) {
        const float a = static_cast<float>(i) * 0.02f;
        avatar.charposx = cx + 3 * std::cos(a);
        avatar.charposy = cy + 3 * std::sin(a);
        times.push_back(TimedFrame());
        if (i >= 9 && Ms(Clock::now() - start) > budget * 1000) break;
    }
    avatar.charposx = cx;
    avatar.charposy = cy;
    return times;
}

// A size by size map with both layers, tiles drawn at random from tileset's count tiles.
static void WriteBigMap(const std::string& name, int size, const std::string& tileset, int count) {
    std::mt19937 rng(static_cast<unsigned>(size));
    std::uniform_int_distribution<int> ground(0, count - 1), second(-count, count - 1);
    std::ofstream out(RESOURCE_DIR + name);
    out << tileset << "\n"
        << size << "\n"
        << size << "\n"
        << size / 2 + 0.5 << "\n"
        << size / 2 + 0.5 << "\n1\n0\n0 0 0\n\n";
    std::string row;
    for (int layer = 0; layer < 3; ++layer) {
        if (layer > 0) out << "sep\n";
        for (int y = 0; y < size; ++y) {
            row.clear();
            for (int x = 0; x < size; ++x) {
                const int v = layer == 0 ? ground(rng) : layer == 1 ? 0 : std::max(-1, second(rng));
                row += std::to_string(v);
                row += x + 1 < size ? ' ' : '\n';
            }
            out << row;
        }
    }
}

// A 256 by 256 pixel tile set (256 tiles) made of the shipped tile set's tiles, repeated.
// (A BMP, which keeps no alpha: what is timed is reading the image and making the textures.)
static bool WriteBigTileSet(const std::string& path) {
    SDL_Surface* shipped = IMG_Load(RESOURCE_DIR "tiles.tga");
    if (!shipped) return false;
    SDL_SetAlpha(shipped, 0, 255);
    SDL_Surface* big = SDL_CreateRGBSurface(SDL_SWSURFACE, 256, 256, 32, 0xff0000, 0xff00, 0xff, 0);
    SDL_Rect at{0, 0, 0, 0};
    SDL_BlitSurface(shipped, nullptr, big, &at);
    SDL_Rect top{0, 0, 256, 64};
    at.y = static_cast<Sint16>(shipped->h);
    SDL_BlitSurface(shipped, &top, big, &at);
    const bool ok = SDL_SaveBMP(big, path.c_str()) == 0;
    SDL_FreeSurface(big);
    SDL_FreeSurface(shipped);
    return ok;
}

static bool OpenWindow(int w, int h) {
    if (SDL_Init(SDL_INIT_VIDEO) < 0) return false;
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    surface = SDL_SetVideoMode(w, h, 16, SDL_OPENGL | SDL_RESIZABLE);
    if (!surface) return false;
    SetFixedGLState();
    return true;
}

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int frames = argc > 2 ? std::max(10, std::atoi(argv[2])) : 300;
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "bench_frame needs an X display (run it under xvfb-run)\n");
        return 2;
    }
    // A scratch copy of the runnable folder's resources, so generated maps stay out of it.
    const fs::path scratch = fs::temp_directory_path() / ("bench_frame_" + std::to_string(getpid()));
    fs::create_directories(scratch / "Tavrel.app/Contents");
    fs::copy(fs::path(TAVREL_RUN_DIR) / RESOURCE_DIR, scratch / RESOURCE_DIR, fs::copy_options::recursive);
    fs::current_path(scratch);

    std::map<std::string, Figure> figures;
    std::vector<std::string> order;
    auto add = [&](const std::string& name, double value) {
        if (!figures.count(name)) order.push_back(name);
        figures[name].runs.push_back(value);
    };

    for (int run = 0; run < runs; ++run) {
        // Start-up to the first frame: window, OpenGL state, the data, one frame.
        const auto t0 = Clock::now();
        if (!OpenWindow(640, 480)) {
            std::fprintf(stderr, "no window: %s\n", SDL_GetError());
            return 1;
        }
        const auto t1 = Clock::now();
        PostGLInit();
        resizeWindow(640, 480);
        const auto t2 = Clock::now();
        TimedFrame();
        const auto t3 = Clock::now();
        add("start-up: window and OpenGL state", Ms(t1 - t0));
        add("start-up: main.map, sprites, chat panel, font", Ms(t2 - t1));
        add("start-up: first frame", Ms(t3 - t2));
        add("start-up: total to first frame", Ms(t3 - t0));

        // Frame time by map size, every cell against the visible cells, side by side.
        if (run == 0) {
            for (const int size : {32, 256, 1024})
                WriteBigMap("bench" + std::to_string(size) + ".map", size, RESOURCE_DIR "tiles.tga", 192);
        }
        std::map<int, double> culledmedian;
        for (const int size : {32, 256, 1024}) {
            const std::string name = "bench" + std::to_string(size) + ".map";
            const auto l0 = Clock::now();
            if (!LoadMap(name)) return 1;
            add("map load: " + std::to_string(size) + "x" + std::to_string(size), Ms(Clock::now() - l0));
            avatar.charposx = startposx;
            avatar.charposy = startposy;
            for (const bool all : {false, true}) {
                drawallcells = all;
                Frames(10, 5); // warm-up: textures resident, caches filled
                const std::vector<double> t = Frames(all && size >= 256 ? std::min(frames, 60) : frames, 20);
                const std::string what = std::string(all ? "every cell" : "culled    ") + " " +
                                         std::to_string(size) + "x" + std::to_string(size);
                add("frame median " + what, Quantile(t, 0.5));
                add("frame p99    " + what, Quantile(t, 0.99));
                if (!all) culledmedian[size] = Quantile(t, 0.5);
            }
            drawallcells = false;
        }
        add("ratio culled median 1024x1024 / 32x32", culledmedian[1024] / culledmedian[32]);

        // Map change: stepping on each exit of the shipped maps, to the next frame drawn.
        for (const std::string from : {"main.map", "house.map", "forest.map"}) {
            if (!LoadMap(from)) return 1;
            avatar.map = from;
            std::vector<entity_t> exits(entities, entities + numentities);
            for (const entity_t& e : exits) {
                LoadMap(from);
                avatar.charposx = static_cast<float>(e.posx) + 0.5f;
                avatar.charposy = static_cast<float>(e.posy) + 0.5f;
                TimedFrame();
                const auto c0 = Clock::now();
                if (!detect_entity([](const std::string&) {})) return 1;
                TimedFrame();
                add("map change " + from + " -> " + e.newmap, Ms(Clock::now() - c0));
            }
        }
        // And to a 512 by 512 map with a 256-tile set.
        if (run == 0) {
            if (!WriteBigTileSet(RESOURCE_DIR "tiles256.bmp")) return 1;
            WriteBigMap("bench512.map", 512, RESOURCE_DIR "tiles256.bmp", 256);
        }
        {
            LoadMap("main.map");
            TimedFrame();
            const auto c0 = Clock::now();
            if (!LoadMap("bench512.map")) return 1;
            avatar.charposx = startposx;
            avatar.charposy = startposy;
            TimedFrame();
            add("map change main.map -> 512x512, 256 tiles", Ms(Clock::now() - c0));
        }

        // Remote players: in view around the player, or far off on the same map.
        LoadMap("main.map");
        avatar.charposx = 24;
        avatar.charposy = 18;
        for (const bool inview : {true, false}) {
            for (const int n : {0, 10, 100, 1000}) {
                clients.clear();
                std::mt19937 rng(static_cast<unsigned>(n));
                std::uniform_real_distribution<float> near(-4, 4), far(200, 400);
                for (int i = 0; i < n; ++i) {
                    character c;
                    c.nickname = "p" + std::to_string(i);
                    c.map = "main.map";
                    c.netposx = avatar.charposx + (inview ? near(rng) : far(rng));
                    c.netposy = avatar.charposy + (inview ? near(rng) : far(rng));
                    c.direction = i % 4;
                    c.walking = i % 2;
                    c.charid = i % 8;
                    c.lastupdate = SDL_GetTicks();
                    clients.push_back(c);
                }
                Frames(10, 5);
                const std::vector<double> t = Frames(frames, 20);
                const std::string what = std::to_string(n) + (inview ? " in view" : " out of view");
                add("frame median remote players " + what, Quantile(t, 0.5));
                add("frame p99    remote players " + what, Quantile(t, 0.99));
            }
        }
        clients.clear();
        FreeMap();
        FreeTileSet();
        FreeFont();
        SDL_Quit();
    }

    std::printf("%d runs, up to %d frames each, 640x480 window; ms unless a ratio\n", runs, frames);
    std::printf("%-58s %9s %9s %9s\n", "figure", "min", "median", "max");
    for (const std::string& name : order)
        std::printf("%-58s %s\n", name.c_str(), figures[name].Text().c_str());
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(scratch);
    return 0;
}
