#include "tests/support/display.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace tt {

const std::string& TestDisplay() {
    // Read once, at the first call: the X test main has set DISPLAY before any test runs.
    static const std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    return display;
}

Image::Pixel Image::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return {-1, -1, -1};
    const std::size_t i =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

void Image::SavePng(const std::string& path) const {
    const std::string raw = path + ".rgb";
    WriteFile(raw, std::string(rgb.begin(), rgb.end()));
    Sh("convert -size " + std::to_string(width) + "x" + std::to_string(height) + " -depth 8 " +
       ShellQuote("rgb:" + raw) + " " + ShellQuote(path));
    std::remove(raw.c_str());
}

// ImageMagick's import; PPM keeps the size in its header, so no second query is needed.
static Image Grab(const std::string& display, const std::string& window) {
    Image img;
    std::string out;
    if (Sh("DISPLAY=" + display + " import -window " + window + " -depth 8 ppm:- 2>/dev/null", &out) != 0)
        return img;
    int w = 0, h = 0, maxval = 0, consumed = 0;
    if (std::sscanf(out.c_str(), "P6 %d %d %d%n", &w, &h, &maxval, &consumed) != 3) return img;
    const std::size_t start = static_cast<std::size_t>(consumed) + 1;
    const std::size_t size = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3;
    if (out.size() < start + size) return img;
    img.width = w;
    img.height = h;
    img.rgb.assign(out.begin() + static_cast<long>(start), out.begin() + static_cast<long>(start + size));
    return img;
}

Image Screenshot(const std::string& display) {
    return Grab(display, "root");
}

Image WindowShot(const std::string& display, const std::string& windowid) {
    return Grab(display, windowid);
}

int ChangedPixels(const Image& a, const Image& b, int x0, int y0, int x1, int y1) {
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const Image::Pixel p = a.At(x, y), q = b.At(x, y);
            count += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b) > 30;
        }
    return count;
}

int Xdotool(const std::string& display, const std::string& args) {
    return Sh("DISPLAY=" + display + " xdotool " + args + " 2>/dev/null");
}

std::vector<std::string> FindWindows(const std::string& display, const std::string& title) {
    std::string out;
    Sh("DISPLAY=" + display + " xdotool search --onlyvisible --name " + ShellQuote("^" + title + "$") +
           " 2>/dev/null",
       &out);
    std::istringstream lines(out);
    std::vector<std::string> ids;
    for (std::string id; lines >> id;)
        ids.push_back(id);
    return ids;
}

std::string FindWindow(const std::string& display, const std::string& title, Millis timeout) {
    std::vector<std::string> ids;
    Eventually([&] { return !(ids = FindWindows(display, title)).empty(); }, timeout);
    return ids.empty() ? "" : ids.front();
}

Geometry WindowGeometry(const std::string& display, const std::string& windowid) {
    Geometry g;
    std::string out;
    Sh("DISPLAY=" + display + " xdotool getwindowgeometry --shell " + windowid + " 2>/dev/null", &out);
    std::sscanf(out.c_str(), "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d", &g.x, &g.y, &g.width, &g.height);
    return g;
}

} // namespace tt
