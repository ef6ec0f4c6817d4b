#include "frame/config.h"
#include "core/quit.h"
#include "frame/config.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

// A settings file is a handful of short lines; anything this big is not one.
static const std::size_t MAX_CONFIG_BYTES = 1 << 20;

static void FailConfig(const char* reason) {
    std::fprintf(stderr, "Cannot read the settings file \"%s\": %s\n", CONFIG_FILE, reason);
    Quit(EXIT_CONFIG);
}

void ReadConfig() {
    std::FILE* file = std::fopen(CONFIG_FILE, "rb");
    if (!file) FailConfig(std::strerror(errno));
    std::string text;
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0 && text.size() <= MAX_CONFIG_BYTES)
        text.append(chunk, got);
    // A folder opens fine but fails on the first read.
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) FailConfig(std::strerror(error));
    if (text.size() > MAX_CONFIG_BYTES) FailConfig("the file is larger than 1 MiB");

    std::istringstream in(text);
    const ConfigVerdict verdict = ReadConfigFrom(in);
    if (verdict != ConfigVerdict::Accepted) {
        std::printf("%s\n", ConfigRefusalText(verdict));
        Quit(EXIT_NORMAL);
    }
}
