#include "server/log.h"

#include <cstdio>
#include <ctime>

std::string LogTimestamp(std::chrono::system_clock::time_point when) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
    std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    long millis = static_cast<long>(ms % 1000);
    if (millis < 0) { // before 1970: floor, not truncate
        millis += 1000;
        --seconds;
    }
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03ldZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, millis);
    return text;
}

std::string Printable(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && c != '\\' && c != '"') {
            out.push_back(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", u);
            out += escaped;
        }
    }
    return out;
}

void LogLine(const std::string& line) {
    const std::string text = LogTimestamp(std::chrono::system_clock::now()) + " " + line + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

bool LogThrottle::Admit(const std::string& address, Time now) {
    auto found = windows_.find(address);
    if (found == windows_.end()) found = windows_.emplace(address, Window{now}).first;
    Window& window = found->second;
    if (window.shown < LOG_LINES_PER_WINDOW) {
        ++window.shown;
        return true;
    }
    ++window.held;
    return false;
}

std::vector<std::string> LogThrottle::Summaries(Time now) {
    std::vector<std::string> lines;
    for (auto it = windows_.begin(); it != windows_.end();) {
        const Window& window = it->second;
        if (now - window.start < LOG_WINDOW) {
            ++it;
            continue;
        }
        if (window.held > 0) {
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(LOG_WINDOW).count();
            lines.push_back(Printable(it->first) + ": " + std::to_string(window.held) +
                            " more lines like the above in " + std::to_string(seconds) + " s not shown");
        }
        it = windows_.erase(it);
    }
    return lines;
}
