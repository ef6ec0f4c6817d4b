#include "bot/network.h"

#include "wire/protocol.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <deque>
#include <memory>
#include <optional>

static volatile std::sig_atomic_t stoprequested = 0;

static void OnStopSignal(int) {
    stoprequested = 1;
}

// CLOCK_MONOTONIC in microseconds: the same clock as another process's steady_clock on this
// machine, so traces of the bot and of the server line up.
static std::int64_t NowUs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

namespace {

struct Pending {
    std::size_t end;  // offset in out just past this frame
    std::string text; // the text written, for the trace and the latency
    bool position;
};

struct Connection {
    int index = 0;
    int fd = -1;
    std::string nick;
    bool connecting = false, open = false, done = false;
    std::int64_t connectat = 0; // when this player logs in, us
    std::int64_t nextturn = 0;  // us
    std::int64_t since = 0;     // when its login or latest map change was written, us
    std::string out;            // bytes not yet taken by the kernel, from outsent on
    std::size_t outsent = 0;
    std::deque<Pending> pending;
    FrameReader in;
    std::optional<BotPlayer> player;
    bool wantwrite = false;
};

class Loop {
  public:
    Loop(const BotOptions& o, const BotWorld& w, BotTotals& t) : options_(o), world_(w), totals_(t) {}
    ~Loop() {
        for (Connection& c : conns_)
            if (c.fd >= 0) close(c.fd);
        if (epoll_ >= 0) close(epoll_);
        if (trace_) std::fclose(trace_);
    }
    bool Run(std::string& error);

  private:
    void Connect(Connection& c);
    void Connected(Connection& c);
    void Queue(Connection& c, const std::string& text, bool position);
    void Flush(Connection& c);
    void Read(Connection& c);
    void Drop(Connection& c, bool lost);
    void Watch(Connection& c);
    void Trace(char what, const Connection& c, std::string_view text, std::int64_t us);

    const BotOptions& options_;
    const BotWorld& world_;
    BotTotals& totals_;
    std::vector<Connection> conns_;
    sockaddr_storage address_{};
    socklen_t addresslen_ = 0;
    int epoll_ = -1;
    std::FILE* trace_ = nullptr;
    std::int64_t start_ = 0;
    std::int64_t turnus_ = 0;
    // Players due for a turn, earliest first: each turn puts its player at the back, one turn
    // length later, so the queue stays in order without sorting.
    std::deque<int> turns_;
};

bool Loop::Run(std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc =
        getaddrinfo(options_.server.c_str(), std::to_string(options_.port).c_str(), &hints, &found);
    if (rc != 0 || !found) {
        error = "can't resolve " + options_.server + ": " + gai_strerror(rc);
        return false;
    }
    std::copy_n(reinterpret_cast<const char*>(found->ai_addr), found->ai_addrlen,
                reinterpret_cast<char*>(&address_));
    addresslen_ = found->ai_addrlen;
    freeaddrinfo(found);
    if (!options_.trace.empty()) {
        trace_ = std::fopen(options_.trace.c_str(), "w");
        if (!trace_) {
            error = "can't write " + options_.trace;
            return false;
        }
        // Whole lines as they happen, so a test or a person can follow a run that is still going.
        setvbuf(trace_, nullptr, _IOLBF, 0);
    }
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    if (epoll_ < 0) {
        error = "epoll_create1 failed";
        return false;
    }

    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGPIPE, SIG_IGN);

    start_ = NowUs();
    const std::int64_t end =
        options_.duration > 0 ? start_ + static_cast<std::int64_t>(options_.duration * 1e6) : INT64_MAX;
    totals_.players = options_.count;
    conns_.resize(static_cast<std::size_t>(options_.count));
    for (int i = 0; i < options_.count; ++i) {
        Connection& c = conns_[static_cast<std::size_t>(i)];
        c.index = i;
        c.nick = BotNick(options_, i);
        c.connectat = start_ + static_cast<std::int64_t>(options_.rampms) * 1000 * i / options_.count;
    }
    std::size_t nextconnect = 0;
    turnus_ = static_cast<std::int64_t>(options_.turnms) * 1000;
    std::vector<epoll_event> events(1024);

    while (!stoprequested) {
        std::int64_t now = NowUs();
        if (now >= end) break;
        while (nextconnect < conns_.size() && conns_[nextconnect].connectat <= now)
            Connect(conns_[nextconnect++]);
        std::vector<std::string> texts;
        while (!turns_.empty() && conns_[static_cast<std::size_t>(turns_.front())].nextturn <= now) {
            Connection& c = conns_[static_cast<std::size_t>(turns_.front())];
            turns_.pop_front();
            if (!c.open) continue;
            texts.clear();
            c.player->Turn(static_cast<double>(now - start_) / 1000.0, texts);
            for (const std::string& text : texts)
                Queue(c, text, !text.empty() && text[0] == '3');
            Flush(c);
            c.nextturn = now + turnus_;
            if (c.open) turns_.push_back(c.index);
            now = NowUs();
        }

        std::int64_t wake = end;
        if (!turns_.empty()) wake = std::min(wake, conns_[static_cast<std::size_t>(turns_.front())].nextturn);
        if (nextconnect < conns_.size()) wake = std::min(wake, conns_[nextconnect].connectat);
        const std::int64_t waitus = std::max<std::int64_t>(0, wake - NowUs());
        const int waitms = static_cast<int>(std::min<std::int64_t>((waitus + 999) / 1000, 1000));
        const int n = epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), waitms);
        for (int i = 0; i < n; ++i) {
            Connection& c = conns_[static_cast<std::size_t>(events[static_cast<std::size_t>(i)].data.u32)];
            const std::uint32_t ev = events[static_cast<std::size_t>(i)].events;
            if (c.connecting && (ev & (EPOLLOUT | EPOLLERR | EPOLLHUP))) {
                Connected(c);
                continue;
            }
            if (c.open && (ev & (EPOLLIN | EPOLLERR | EPOLLHUP))) Read(c);
            if (c.open && (ev & EPOLLOUT)) Flush(c);
        }
    }
    totals_.seconds = static_cast<double>(NowUs() - start_) / 1e6;
    for (Connection& c : conns_)
        if (c.fd >= 0) Drop(c, false);
    return true;
}

void Loop::Connect(Connection& c) {
    c.fd = socket(address_.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (c.fd < 0) {
        ++totals_.failed;
        return;
    }
    // Each position goes out as it is made, as the client's does, and the relay time
    // measured is the server's rather than Nagle's.
    int one = 1;
    setsockopt(c.fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (connect(c.fd, reinterpret_cast<const sockaddr*>(&address_), addresslen_) != 0 &&
        errno != EINPROGRESS) {
        ++totals_.failed;
        close(c.fd);
        c.fd = -1;
        return;
    }
    c.connecting = true;
    epoll_event ev{};
    ev.events = EPOLLOUT;
    ev.data.u32 = static_cast<std::uint32_t>(c.index);
    epoll_ctl(epoll_, EPOLL_CTL_ADD, c.fd, &ev);
}

void Loop::Connected(Connection& c) {
    c.connecting = false;
    int err = 0;
    socklen_t len = sizeof err;
    if (getsockopt(c.fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0) {
        ++totals_.failed;
        epoll_ctl(epoll_, EPOLL_CTL_DEL, c.fd, nullptr);
        close(c.fd);
        c.fd = -1;
        return;
    }
    c.open = true;
    c.wantwrite = false;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u32 = static_cast<std::uint32_t>(c.index);
    epoll_ctl(epoll_, EPOLL_CTL_MOD, c.fd, &ev);
    ++totals_.loggedin;
    // Seeds differ per player but repeat with --seed.
    const std::uint32_t seed = options_.seed * 7919u + static_cast<std::uint32_t>(c.index);
    const int charid = static_cast<int>(seed % 8);
    c.player.emplace(world_, c.nick, charid, seed, options_.how,
                     static_cast<double>(NowUs() - start_) / 1000.0);
    Queue(c, c.nick, false);
    Flush(c);
    if (!c.open) return;
    // The first turn comes somewhere within one turn length, by player, so that a crowd
    // logging in together does not move in lockstep.
    c.nextturn = NowUs() + turnus_ * c.index / std::max(1, options_.count) + 1;
    const auto at =
        std::upper_bound(turns_.begin(), turns_.end(), c.nextturn, [&](std::int64_t t, int other) {
            return t < conns_[static_cast<std::size_t>(other)].nextturn;
        });
    turns_.insert(at, c.index);
}

void Loop::Queue(Connection& c, const std::string& text, bool position) {
    if (c.outsent > 0 && c.outsent == c.out.size()) {
        c.out.clear();
        c.outsent = 0;
    }
    c.out += EncodeFrame(text);
    // The position text carries its own zero byte; the key and the trace use the visible text.
    c.pending.push_back(Pending{c.out.size(), text.substr(0, text.find('\0')), position});
    if (position)
        ++totals_.positions;
    else if (text.rfind("4|", 0) == 0)
        ++totals_.mapchanges;
    else if (text.rfind("1|", 0) == 0)
        ++totals_.chats;
}

void Loop::Flush(Connection& c) {
    while (c.outsent < c.out.size()) {
        const ssize_t n = send(c.fd, c.out.data() + c.outsent, c.out.size() - c.outsent, MSG_NOSIGNAL);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n <= 0) {
            Drop(c, true);
            return;
        }
        c.outsent += static_cast<std::size_t>(n);
    }
    const std::int64_t now = NowUs();
    while (!c.pending.empty() && c.pending.front().end <= c.outsent) {
        const Pending& p = c.pending.front();
        if (p.position)
            totals_.latency.Written(p.text, now);
        else if (p.text.rfind("4|", 0) == 0 || p.text == c.nick)
            c.since = now;
        Trace('S', c, p.text, now);
        c.pending.pop_front();
    }
    if (c.outsent == c.out.size()) {
        c.out.clear();
        c.outsent = 0;
    }
    Watch(c);
}

void Loop::Watch(Connection& c) {
    const bool want = c.outsent < c.out.size();
    if (!c.open || want == c.wantwrite) return;
    c.wantwrite = want;
    epoll_event ev{};
    ev.events = EPOLLIN | (want ? EPOLLOUT : 0u);
    ev.data.u32 = static_cast<std::uint32_t>(c.index);
    epoll_ctl(epoll_, EPOLL_CTL_MOD, c.fd, &ev);
}

void Loop::Read(Connection& c) {
    char chunk[65536];
    for (;;) {
        const ssize_t n = recv(c.fd, chunk, sizeof chunk, 0);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (n <= 0) {
            Drop(c, true);
            return;
        }
        const std::int64_t now = NowUs();
        c.in.Append(chunk, static_cast<std::size_t>(n));
        std::string_view text;
        FrameReader::Status status;
        while ((status = c.in.Next(text)) == FrameReader::Frame) {
            Trace('R', c, text, now);
            if (text.rfind("3|", 0) == 0) {
                ++totals_.readpositions;
                totals_.latency.Read(text, now, c.since);
            } else if (text.rfind("2|", 0) == 0) {
                ++totals_.readremovals;
            } else if (text.rfind("1|", 0) == 0) {
                ++totals_.readchats;
            } else {
                ++totals_.readother;
            }
        }
        if (status == FrameReader::Broken) {
            Drop(c, true);
            return;
        }
    }
}

void Loop::Drop(Connection& c, bool lost) {
    if (c.fd < 0) return;
    if (lost && c.open) ++totals_.lost;
    epoll_ctl(epoll_, EPOLL_CTL_DEL, c.fd, nullptr);
    close(c.fd);
    c.fd = -1;
    c.open = false;
    c.connecting = false;
}

void Loop::Trace(char what, const Connection& c, std::string_view text, std::int64_t us) {
    if (!trace_) return;
    std::fprintf(trace_, "%c\t%lld\t%s\t%.*s\n", what, static_cast<long long>(us), c.nick.c_str(),
                 static_cast<int>(text.size()), text.data());
}

} // namespace

bool RunBots(const BotOptions& options, const BotWorld& world, BotTotals& totals, std::string& error) {
    Loop loop(options, world, totals);
    return loop.Run(error);
}

static std::string Ms(std::int64_t us) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(us) / 1000.0);
    return text;
}

std::string SummaryLines(const BotTotals& t) {
    const LatencyHistogram& h = t.latency.histogram();
    std::string s;
    auto line = [&](const char* key, const std::string& value) {
        s += std::string(key) + "=" + value + "\n";
    };
    line("players", std::to_string(t.players));
    line("logged_in", std::to_string(t.loggedin));
    line("failed", std::to_string(t.failed));
    line("lost", std::to_string(t.lost));
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", t.seconds);
    line("seconds", seconds);
    line("sent_positions", std::to_string(t.positions));
    line("sent_map_changes", std::to_string(t.mapchanges));
    line("sent_chats", std::to_string(t.chats));
    line("read_positions", std::to_string(t.readpositions));
    line("read_removals", std::to_string(t.readremovals));
    line("read_chats", std::to_string(t.readchats));
    line("read_other", std::to_string(t.readother));
    line("relay_matched", std::to_string(t.latency.matched()));
    line("relay_ambiguous", std::to_string(t.latency.ambiguous()));
    line("relay_unknown", std::to_string(t.latency.unknown()));
    line("relay_stale", std::to_string(t.latency.stale()));
    line("relay_ms_p50", Ms(h.Percentile(0.50)));
    line("relay_ms_p90", Ms(h.Percentile(0.90)));
    line("relay_ms_p99", Ms(h.Percentile(0.99)));
    line("relay_ms_p999", Ms(h.Percentile(0.999)));
    line("relay_ms_max", Ms(h.max()));
    return s;
}
