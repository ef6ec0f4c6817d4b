#include "tests/support/glwindow.h"

#include "frame/framework.h"

#include <GL/gl.h>
#include <SDL.h>
#include <algorithm>

namespace tt {

GlWindow::GlWindow(int width, int height) {
    SDL_Init(SDL_INIT_VIDEO);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    surface = SDL_SetVideoMode(width, height, 16, SDL_OPENGL);
    SetFixedGLState();
    resizeWindow(width, height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    // Reads below come from the drawing just done, in packed rows; the game reads nothing back.
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
}

GlWindow::~GlWindow() {
    SDL_Quit();
}

Image::Pixel GlWindow::ReadPixel(int x, int y) const {
    unsigned char px[3] = {0, 0, 0};
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, px);
    return {px[0], px[1], px[2]};
}

Image GlWindow::ReadBack() const {
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    Image img;
    img.width = vp[2];
    img.height = vp[3];
    const std::size_t row = static_cast<std::size_t>(img.width) * 3;
    const std::size_t rows = static_cast<std::size_t>(img.height);
    std::vector<std::uint8_t> bottomup(row * rows);
    glReadPixels(0, 0, img.width, img.height, GL_RGB, GL_UNSIGNED_BYTE, bottomup.data());
    img.rgb.resize(bottomup.size());
    for (std::size_t y = 0; y < rows; ++y)
        std::copy_n(&bottomup[(rows - 1 - y) * row], row, &img.rgb[y * row]);
    return img;
}

} // namespace tt
