#include "tests/support/display.h"

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

// ImageMagick's import; PPM keeps the size in its header, so no second query is needed.
Image WindowShot(const std::string& window) {
    Image img;
    std::string out;
    if (Sh("DISPLAY=" + TestDisplay() + " import -window " + window + " -depth 8 ppm:- 2>/dev/null", &out) !=
        0)
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

int ChangedPixels(const Image& a, const Image& b, int x0, int y0, int x1, int y1) {
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const Image::Pixel p = a.At(x, y), q = b.At(x, y);
            count += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b) > 30;
        }
    return count;
}

int Xdotool(const std::string& args) {
    return Sh("DISPLAY=" + TestDisplay() + " xdotool " + args + " 2>/dev/null");
}

std::string FindWindow(const std::string& title, Millis timeout) {
    std::string id;
    Eventually(
        [&] {
            std::string out;
            Sh("DISPLAY=" + TestDisplay() + " xdotool search --onlyvisible --name " +
                   ShellQuote("^" + title + "$") + " 2>/dev/null",
               &out);
            std::istringstream(out) >> id;
            return !id.empty();
        },
        timeout);
    return id;
}

} // namespace tt
