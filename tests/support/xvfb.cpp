#include "tests/support/xvfb.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tt {

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted.push_back(c);
    }
    return quoted + "'";
}

static std::string testdisplay;

const std::string& TestDisplay() {
    return testdisplay;
}
void SetTestDisplay(const std::string& display) {
    testdisplay = display;
}

Xvfb::Xvfb() {
    // -displayfd lets the server pick a free display number and tell us which.
    int fds[2];
    if (pipe(fds) != 0) return;
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        close(fds[0]);
        const int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 0);
        dup2(devnull, 1);
        dup2(devnull, 2);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1600x900x24", "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    pid_ = pid;
    std::string number;
    struct pollfd p {
        fds[0], POLLIN, 0
    };
    while (poll(&p, 1, 10000) > 0) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number.push_back(c);
    }
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
}

Xvfb::~Xvfb() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int st;
        waitpid(pid_, &st, 0);
    }
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
    Sh("convert -size " + std::to_string(width) + "x" + std::to_string(height) + " -depth 8 'rgb:" + raw +
       "' '" + path + "'");
    std::remove(raw.c_str());
}

Image Screenshot(const std::string& display) {
    Image img;
    std::string out;
    // PPM keeps the size in its header, so no second query is needed.
    if (Sh("DISPLAY=" + display + " import -window root -depth 8 ppm:- 2>/dev/null", &out) != 0) return img;
    int w = 0, h = 0, maxval = 0, consumed = 0;
    if (std::sscanf(out.c_str(), "P6 %d %d %d%n", &w, &h, &maxval, &consumed) != 3) return img;
    const std::size_t start = static_cast<std::size_t>(consumed) + 1;
    if (out.size() < start + static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3) return img;
    img.width = w;
    img.height = h;
    img.rgb.assign(out.begin() + static_cast<long>(start),
                   out.begin() + static_cast<long>(start) + w * h * 3);
    return img;
}

int Xdotool(const std::string& display, const std::string& args) {
    return Sh("DISPLAY=" + display + " xdotool " + args + " 2>/dev/null");
}

std::vector<std::string> FindWindows(const std::string& display, const std::string& title) {
    std::string out;
    Sh("DISPLAY=" + display + " xdotool search --onlyvisible --name " + ShellQuote("^" + title + "$") +
           " 2>/dev/null",
       &out);
    std::vector<std::string> ids;
    std::size_t at = 0;
    for (std::size_t nl; (nl = out.find('\n', at)) != std::string::npos; at = nl + 1)
        if (nl > at) ids.push_back(out.substr(at, nl - at));
    return ids;
}

std::string FindWindow(const std::string& display, const std::string& title, Millis timeout) {
    std::string id;
    Eventually(
        [&] {
            const auto ids = FindWindows(display, title);
            id = ids.empty() ? "" : ids.front();
            return !id.empty();
        },
        timeout);
    return id;
}

Geometry WindowGeometry(const std::string& display, const std::string& windowid) {
    Geometry g;
    std::string out;
    Sh("DISPLAY=" + display + " xdotool getwindowgeometry --shell " + windowid + " 2>/dev/null", &out);
    std::sscanf(out.c_str(), "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d", &g.x, &g.y, &g.width, &g.height);
    return g;
}

} // namespace tt
