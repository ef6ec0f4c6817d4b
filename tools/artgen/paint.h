// The paint kit every picture of the generator is drawn with: colours and five-step ramps,
// position hashes (noise that is the same on every run), pixels, shapes, outline, shadow, paste.
//
// The numbers in here are frozen: the shipped images are their output byte for byte, so a
// changed constant or a reordered float operation shows up as a changed resource.
#pragma once

#include "tools/artgen/canvas.h"

#include <array>
#include <cstdint>
#include <functional>

struct Rgb {
    int r, g, b;
};
using Ramp = std::array<Rgb, 5>; // outline, dark, mid, light, highlight

constexpr double kPi = 3.14159265358979323846;

// ---- colours --------------------------------------------------------------------------------

std::uint8_t ClampByte(int v);
// Each channel times f, clamped.
Rgb Scale(Rgb c, float f);
// From a (t = 0) to b (t = 1).
Rgb Mix(Rgb a, Rgb b, float t);
// Each channel times num / 256 plus its own offset, in integers, clamped.
Rgb Tint(Rgb c, int num, int add_r, int add_g, int add_b);
// A painter's shading for small figures: shadows lean towards cool purple and lights towards
// warm yellow, which keeps a few pixels from looking flat; the rim is the colour darkened most.
Rgb Shade(Rgb c);
Rgb Light(Rgb c);
Rgb Rim(Rgb c);
// Ramp step, clamped to the ramp.
Rgb Step(const Ramp& r, int step);

// ---- hashes ---------------------------------------------------------------------------------
// Three hashes, each frozen into the art it made: pixel noise in the tile set, the scattering of
// things over a map, the grain of the chat panel's wood and slate.

std::uint32_t PixelHash(int x, int y, int seed);
// A number in [0, 1) fixed by position and seed, from PixelHash.
float Rand(int x, int y, int seed);
std::uint32_t CellHash(int x, int y, int seed);
// A number in [0, 1) fixed by map cell and seed, from CellHash.
float CellRand(int x, int y, int seed);
std::uint32_t GrainHash(int x, int y, std::uint32_t seed);

// v wrapped into one tile, 0..TILE_PIXELS-1.
int Wrap(int v);
// Smooth noise in [0, 1) on a lattice of `cell` pixels that repeats every tile, so that a tile
// drawn with it joins its own copies without a seam.
float Smooth(float x, float y, int cell, int seed);

// ---- pixels and shapes ----------------------------------------------------------------------

void Px(Canvas& c, int x, int y, Rgb col, int a = 255);
Rgb Get(const Canvas& c, int x, int y);
// The alpha of (x, y), or -1 outside the canvas.
int Alpha(const Canvas& c, int x, int y);
// A ball lit from the top-left: the ramp step for a point at (dx, dy) from the centre.
int BallStep(float dx, float dy, float r, int x, int y, int seed);
// An ellipse shaded as a ball; `rim` darkens its shadow side to set overlapping clusters apart.
void Ball(Canvas& c, float cx, float cy, float rx, float ry, const Ramp& ramp, int seed, bool rim = true);
// Inclusive rectangle of one colour.
void Rect(Canvas& c, int x0, int y0, int x1, int y1, Rgb col);
// A box lit from the top-left: light top row and left column, dark right column and bottom.
void Box(Canvas& c, int x0, int y0, int x1, int y1, const Ramp& r);
// Dark outline around every opaque shape; pixels outside the canvas don't count, so a rail
// that runs to the edge of its tile stays open there and joins the next tile.
void Outline(Canvas& c);
// A soft shadow on the ground under an object: only where nothing is drawn yet.
void Shadow(Canvas& c, float cx, float cy, float rx, float ry, int alpha);
// How every standing object ends: its outline first, so the shadow falls only around it.
Canvas StandOnGround(Canvas c, float cx, float cy, float rx, float ry, int alpha);
// Copies a picture into a tile sheet with its top-left corner on tile `index`.
void PasteAt(Canvas& sheet, const Canvas& s, int index);
// A tile of TILE_PIXELS square filled pixel by pixel.
Canvas Tile(const std::function<Rgb(int, int)>& pixel);
