// The art generator: every image and map the game ships is drawn here, reproducibly.
#pragma once

#include <string>

// Writes a file exactly as given; false after printing what went wrong.
bool WriteFile(const std::string& path, const std::string& bytes);

// Tile set and maps into outdir; false after printing what went wrong.
bool MakeWorldArt(const std::string& outdir);
// Character sprite sheet, font and chat panel into outdir; false after printing what went wrong.
bool MakeFigureArt(const std::string& outdir);
// The desktop icon in every size of kIconSizes into outdir/icons/tavrel-SIZE.png; false after
// printing what went wrong.
bool MakeIcons(const std::string& outdir);
