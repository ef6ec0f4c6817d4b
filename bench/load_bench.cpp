// Load benchmark: N walking players, 50 to a map, each reporting its position 4 times a second,
// against tavrel-server and against the minimal relay (min_relay) in the same run, one after the
// other, on 127.0.0.1. Every player is its own connection from its own loopback address, all in
// this one thread. A position carries its sequence number in x, so each receiver knows which of a
// sender's positions it got: delivered, superseded (a newer one came instead) or lost (neither).
//
// load_bench --server PATH --relay PATH [--players 200,500] [--seconds 10] [--runs 3]
//            [--stuck-percent 0] [--check] [--max-p99-ms 250] [--nodes 1,2,4 --nats PATH]
// With --nodes, the same players are also spread over 2 or 4 tavrel-server nodes joined by one
// nats-server (started by the driver with JetStream in a temporary folder): player i connects to
// node i mod K, so every map has players on every node. Latency is then also reported apart for
// pairs on the same node and on different nodes (x-p50, x-p99); cpu% and RSS are the nodes' sum.
// With --check (the CI test) the exit code is 1 when tavrel-server lost a delivery, dropped a
// reading client, or its p99 passed --max-p99-ms.
#include "wire/protocol.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <csignal>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int PER_MAP = 50;
constexpr int REPORTS_PER_SECOND = 4;
constexpr double WARM_SECONDS = 3.0;  // walking before the window opens
constexpr double DRAIN_SECONDS = 1.5; // reading after the last report

std::int64_t NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
}

// A frame as the client sends it; positions carry one zero byte more than other messages.
std::string Frame(const std::string& text, bool extraZero) {
    return EncodeFrame(extraZero ? text + '\0' : text);
}

// A server under test: started by fork and exec, its port read from its first lines.
struct Target {
    pid_t pid = -1;
    pid_t drain = -1; // reads what the target writes
    int port = 0;
};

Target Start(const std::vector<std::string>& argv, const std::string& marker) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    Target t;
    t.pid = fork();
    if (t.pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(fds[1]);
    std::string seen;
    char buf[256];
    while (seen.find('\n', seen.find(marker) == std::string::npos ? seen.size() : seen.find(marker)) ==
           std::string::npos) {
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        seen.append(buf, static_cast<std::size_t>(n));
    }
    const std::size_t at = seen.find(marker);
    if (at != std::string::npos) t.port = std::atoi(seen.c_str() + at + marker.size());
    // The rest of its output goes nowhere: a child that blocks on a full pipe would skew the run.
    t.drain = fork();
    if (t.drain == 0) {
        while (read(fds[0], buf, sizeof buf) > 0) {
        }
        _exit(0);
    }
    close(fds[0]);
    return t;
}

// A nats-server with JetStream in a fresh temporary folder on a free port; its URL, or "".
std::string StartNats(const std::string& binary, Target& t, std::string& store) {
    char folder[] = "/tmp/load_bench_nats_XXXXXX";
    if (!mkdtemp(folder)) return "";
    store = folder;
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    bind(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    getsockname(probe, reinterpret_cast<sockaddr*>(&addr), &len);
    close(probe);
    const int port = ntohs(addr.sin_port);
    t.pid = fork();
    if (t.pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        const std::string p = std::to_string(port);
        execl(binary.c_str(), binary.c_str(), "-js", "-sd", folder, "-a", "127.0.0.1", "-p", p.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int i = 0; i < 100; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        const bool up = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        close(fd);
        if (up) return "nats://127.0.0.1:" + std::to_string(port);
        usleep(50000);
    }
    return "";
}

void Stop(Target& t) {
    if (t.pid <= 0) return;
    kill(t.pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 50 && waitpid(t.pid, &status, WNOHANG) == 0; ++i)
        usleep(100000);
    kill(t.pid, SIGKILL);
    waitpid(t.pid, &status, 0);
    if (t.drain > 0) waitpid(t.drain, &status, 0);
    t.pid = -1;
}

// CPU seconds (user + system) the process has used so far.
double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i)
        fields >> skip;
    double utime = 0, stime = 0;
    fields >> utime >> stime;
    return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Resident memory in MiB.
double RssMiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    }
    return 0;
}

struct Result {
    double sameP50 = 0, sameP99 = 0, crossP50 = 0, crossP99 = 0; // ms, by where the two players are
    double deliveredPerSecond = 0;
    std::uint64_t expected = 0, delivered = 0, superseded = 0, lost = 0, disorder = 0;
    double p50 = 0, p99 = 0, p999 = 0, max = 0; // ms
    double cpu = 0;                             // share of one core over the window
    double rss = 0;                             // MiB at the end of the window
    int dropped = 0;                            // reading clients whose connection ended
    int connected = 0;
};

struct Player {
    int fd = -1;
    bool reads = true;
    bool closed = false;
    std::string in;
    std::vector<std::int64_t> sentUs; // by sequence number
    int firstInWindow = -1, lastInWindow = -1;
};

// The q quantile of samples in ms (0 when there are none); reorders samples.
double Quantile(std::vector<std::uint32_t>& samples, double q) {
    if (samples.empty()) return 0;
    const std::size_t k =
        std::min(samples.size() - 1, static_cast<std::size_t>(q * static_cast<double>(samples.size())));
    std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(k), samples.end());
    return samples[k] / 1000.0;
}

double CpuSeconds(const std::vector<pid_t>& pids) {
    double sum = 0;
    for (const pid_t pid : pids)
        sum += CpuSeconds(pid);
    return sum;
}

double RssMiB(const std::vector<pid_t>& pids) {
    double sum = 0;
    for (const pid_t pid : pids)
        sum += RssMiB(pid);
    return sum;
}

Result Drive(const std::vector<int>& ports, const std::vector<pid_t>& pid, int count, double seconds,
             int stuckPercent) {
    Result r;
    const int nodes = static_cast<int>(ports.size());
    std::vector<std::uint32_t> same, cross;
    std::vector<Player> players(static_cast<std::size_t>(count));
    const int epfd = epoll_create1(0);
    // Per receiver, per sender on its map: highest window sequence read, and how many were read.
    std::vector<int> highest(static_cast<std::size_t>(count) * PER_MAP, -1);
    std::vector<int> got(static_cast<std::size_t>(count) * PER_MAP, 0);
    std::vector<std::uint32_t> samples;
    const int stuckEvery = stuckPercent > 0 ? 100 / stuckPercent : 0;
    for (int i = 0; i < count; ++i) {
        Player& p = players[static_cast<std::size_t>(i)];
        p.reads = !(stuckEvery > 0 && i % stuckEvery == stuckEvery - 1);
        p.fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        // One address per player, as players on the internet have: 127.1.x.y.
        local.sin_addr.s_addr =
            htonl(0x7F010000u | static_cast<std::uint32_t>(((i / 250) << 8) | (i % 250 + 1)));
        bind(p.fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<std::uint16_t>(ports[static_cast<std::size_t>(i % nodes)]));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(p.fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            close(p.fd);
            p.fd = -1;
            p.closed = true;
            continue;
        }
        const int yes = 1;
        setsockopt(p.fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        // The login and a first report go together, as the game sends them: a player passes
        // through the start map at once instead of a crowd gathering there while the rest connect.
        char first[128];
        const int len =
            std::snprintf(first, sizeof first, "3|b%d|0|%d|1|1|0|0|m%d.map", i, i % PER_MAP, i / PER_MAP);
        const std::string login = Frame("b" + std::to_string(i), false) +
                                  Frame(std::string(first, static_cast<std::size_t>(len)), true);
        if (send(p.fd, login.data(), login.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(login.size()))
            p.closed = true;
        fcntl(p.fd, F_SETFL, O_NONBLOCK);
        ++r.connected;
        if (p.reads) {
            epoll_event ev{};
            ev.events = EPOLLIN;
            ev.data.u32 = static_cast<std::uint32_t>(i);
            epoll_ctl(epfd, EPOLL_CTL_ADD, p.fd, &ev);
        }
    }
    const double periodUs = 1e6 / REPORTS_PER_SECOND;
    const std::int64_t start = NowUs() + 200000;
    const std::int64_t windowFrom = start + static_cast<std::int64_t>(WARM_SECONDS * 1e6);
    const std::int64_t windowTo = windowFrom + static_cast<std::int64_t>(seconds * 1e6);
    const std::int64_t end = windowTo + static_cast<std::int64_t>(DRAIN_SECONDS * 1e6);
    const auto sendTime = [&](int i, int seq) {
        return start + static_cast<std::int64_t>(periodUs * (seq + static_cast<double>(i) / count));
    };
    int next = 0, seq = 0;
    bool sending = true;
    double cpuFrom = 0;
    bool windowOpen = false;
    std::vector<epoll_event> events(1024);
    std::vector<char> chunk(1 << 16);
    std::string text;
    while (NowUs() < end) {
        const std::int64_t now = NowUs();
        if (!windowOpen && now >= windowFrom) {
            windowOpen = true;
            cpuFrom = CpuSeconds(pid);
        }
        if (windowOpen && r.rss == 0 && now >= windowTo) {
            r.cpu = (CpuSeconds(pid) - cpuFrom) / seconds;
            r.rss = RssMiB(pid);
        }
        while (sending && sendTime(next, seq) <= now) {
            Player& p = players[static_cast<std::size_t>(next)];
            const std::int64_t at = sendTime(next, seq);
            if (at >= windowTo) {
                sending = false;
                break;
            }
            if (!p.closed) {
                char msg[128];
                const int n = std::snprintf(msg, sizeof msg, "3|b%d|%g|%d|1|1|0|0|m%d.map", next, seq * 0.25,
                                            next % PER_MAP, next / PER_MAP);
                const std::string f = Frame(std::string(msg, static_cast<std::size_t>(n)), true);
                p.sentUs.push_back(NowUs());
                if (at >= windowFrom) {
                    if (p.firstInWindow < 0) p.firstInWindow = seq;
                    p.lastInWindow = seq;
                }
                // A report that the kernel will not take is a report the server never saw: it
                // would show as lost, and tells of a client this driver cannot keep up with.
                send(p.fd, f.data(), f.size(), MSG_NOSIGNAL);
            }
            if (++next == count) {
                next = 0;
                ++seq;
            }
        }
        const int n = epoll_wait(epfd, events.data(), static_cast<int>(events.size()), 1);
        for (int e = 0; e < n; ++e) {
            const int i = static_cast<int>(events[static_cast<std::size_t>(e)].data.u32);
            Player& p = players[static_cast<std::size_t>(i)];
            const ssize_t k = recv(p.fd, chunk.data(), chunk.size(), 0);
            if (k == 0 || (k < 0 && errno != EAGAIN)) {
                p.closed = true;
                epoll_ctl(epfd, EPOLL_CTL_DEL, p.fd, nullptr);
                continue;
            }
            if (k < 0) continue;
            const std::int64_t readUs = NowUs();
            p.in.append(chunk.data(), static_cast<std::size_t>(k));
            std::size_t at = 0;
            while (p.in.size() - at >= 4) {
                const std::uint32_t len = ReadFrameLength(p.in.data() + at);
                if (p.in.size() - at - 4 < len) break;
                const char* body = p.in.data() + at + 4;
                at += 4 + len;
                if (len < 4 || body[0] != '3' || body[1] != '|' || body[2] != 'b') continue;
                char* rest = nullptr;
                const long from = std::strtol(body + 3, &rest, 10);
                if (*rest != '|' || from < 0 || from >= count || from / PER_MAP != i / PER_MAP) continue;
                const int s = static_cast<int>(std::lround(std::strtod(rest + 1, nullptr) * 4));
                const Player& sender = players[static_cast<std::size_t>(from)];
                if (s < sender.firstInWindow || s > sender.lastInWindow || sender.firstInWindow < 0 ||
                    static_cast<std::size_t>(s) >= sender.sentUs.size())
                    continue;
                const std::size_t pair =
                    static_cast<std::size_t>(i) * PER_MAP + static_cast<std::size_t>(from % PER_MAP);
                if (s <= highest[pair]) {
                    ++r.disorder;
                    continue;
                }
                highest[pair] = s;
                ++got[pair];
                const auto us =
                    static_cast<std::uint32_t>(readUs - sender.sentUs[static_cast<std::size_t>(s)]);
                samples.push_back(us);
                (from % nodes == i % nodes ? same : cross).push_back(us);
            }
            p.in.erase(0, at);
        }
    }
    for (int i = 0; i < count; ++i) {
        const Player& receiver = players[static_cast<std::size_t>(i)];
        if (!receiver.reads) continue;
        if (receiver.closed) ++r.dropped;
        const int mapStart = i / PER_MAP * PER_MAP;
        for (int from = mapStart; from < std::min(count, mapStart + PER_MAP); ++from) {
            const Player& sender = players[static_cast<std::size_t>(from)];
            if (from == i || sender.firstInWindow < 0) continue;
            const std::size_t pair =
                static_cast<std::size_t>(i) * PER_MAP + static_cast<std::size_t>(from % PER_MAP);
            const auto sent = static_cast<std::uint64_t>(sender.lastInWindow - sender.firstInWindow + 1);
            r.expected += sent;
            r.delivered += static_cast<std::uint64_t>(got[pair]);
            const int top = highest[pair] < 0 ? sender.firstInWindow - 1 : highest[pair];
            r.superseded += static_cast<std::uint64_t>(top - sender.firstInWindow + 1 - got[pair]);
            r.lost += static_cast<std::uint64_t>(sender.lastInWindow - top);
        }
    }
    for (Player& p : players) {
        if (p.fd >= 0) close(p.fd);
    }
    close(epfd);
    r.deliveredPerSecond = static_cast<double>(r.delivered) / seconds;
    if (!samples.empty()) {
        r.p50 = Quantile(samples, 0.5);
        r.p99 = Quantile(samples, 0.99);
        r.p999 = Quantile(samples, 0.999);
        r.max = *std::max_element(samples.begin(), samples.end()) / 1000.0;
    }
    r.sameP50 = Quantile(same, 0.5);
    r.sameP99 = Quantile(same, 0.99);
    r.crossP50 = Quantile(cross, 0.5);
    r.crossP99 = Quantile(cross, 0.99);
    return r;
}

std::vector<int> Numbers(const std::string& list) {
    std::vector<int> out;
    std::stringstream in(list);
    for (std::string item; std::getline(in, item, ',');)
        out.push_back(std::atoi(item.c_str()));
    return out;
}

std::string Spread(std::vector<double> v, int decimals) {
    std::sort(v.begin(), v.end());
    char out[96];
    char a[24], b[24], c[24];
    std::snprintf(a, sizeof a, "%.*f", decimals, v.front());
    std::snprintf(b, sizeof b, "%.*f", decimals, v[v.size() / 2]);
    std::snprintf(c, sizeof c, "%.*f", decimals, v.back());
    std::snprintf(out, sizeof out, "%s/%s/%s", a, b, c);
    return out;
}

} // namespace

int main(int argc, char** argv) {
    std::string server, relay, nats, sizes = "200,500", nodeCounts = "1";
    double seconds = 10, maxP99 = 250;
    int runs = 3, stuck = 0;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto value = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
        if (a == "--server")
            server = value();
        else if (a == "--relay")
            relay = value();
        else if (a == "--players")
            sizes = value();
        else if (a == "--seconds")
            seconds = std::atof(value().c_str());
        else if (a == "--runs")
            runs = std::atoi(value().c_str());
        else if (a == "--stuck-percent")
            stuck = std::atoi(value().c_str());
        else if (a == "--max-p99-ms")
            maxP99 = std::atof(value().c_str());
        else if (a == "--check")
            check = true;
        else if (a == "--nodes")
            nodeCounts = value();
        else if (a == "--nats")
            nats = value();
        else {
            std::fprintf(stderr, "load_bench: unknown argument %s\n", a.c_str());
            return 2;
        }
    }
    const std::vector<int> nodeList = Numbers(nodeCounts);
    const bool clustered = std::any_of(nodeList.begin(), nodeList.end(), [](int k) { return k > 1; });
    if (server.empty() || seconds <= 0 || seconds > 120 || runs < 1 || runs > 9 ||
        (clustered && nats.empty()) ||
        std::any_of(nodeList.begin(), nodeList.end(), [](int k) { return k < 1 || k > 16; })) {
        std::fprintf(stderr,
                     "usage: load_bench --server PATH [--relay PATH] [--players N,N] [--seconds S<=120] "
                     "[--runs R<=9] [--stuck-percent P] [--check] [--max-p99-ms MS] "
                     "[--nodes 1,2,4 --nats PATH]\n");
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
    std::printf("# %d players a map, %d reports/s each, %.0f s window, %d%% not reading; latency in ms\n",
                PER_MAP, REPORTS_PER_SECOND, seconds, stuck);
    std::printf("%-5s %5s %-7s %9s %7s %6s %5s %7s %7s %7s %7s %6s %6s %4s%s\n", "run", "N", "target",
                "deliv/s", "deliv%", "super", "lost", "p50", "p99", "p99.9", "max", "cpu%", "RSSMiB", "drop",
                clustered ? "   s-p50   s-p99   x-p50   x-p99" : "");
    bool failed = false;
    std::map<int, std::map<std::string, std::vector<Result>>> all;
    for (int run = 1; run <= runs; ++run) {
        for (const int count : Numbers(sizes)) {
            // name, nodes (0: the bare relay)
            std::vector<std::pair<std::string, int>> targets;
            if (!relay.empty()) targets.push_back({"relay", 0});
            for (const int k : nodeList)
                targets.push_back({k == 1 ? "server" : "nodes" + std::to_string(k), k});
            for (const auto& [name, k] : targets) {
                std::vector<Target> started;
                Target bus;
                std::string busUrl, store;
                if (k > 1) {
                    busUrl = StartNats(nats, bus, store);
                    if (busUrl.empty()) {
                        std::fprintf(stderr, "load_bench: %s did not start\n", nats.c_str());
                        return 1;
                    }
                }
                for (int node = 0; node < std::max(k, 1); ++node) {
                    std::vector<std::string> command{relay};
                    if (k > 0) {
                        command = {server,
                                   "--bind",
                                   "127.0.0.1",
                                   "--port",
                                   "0",
                                   "--max-clients",
                                   std::to_string(std::max(count / k + 64, 64))};
                        if (k > 1) {
                            command.push_back("--cluster");
                            command.push_back(busUrl);
                        }
                    }
                    started.push_back(Start(command, "port "));
                    if (started.back().port == 0) {
                        std::fprintf(stderr, "load_bench: %s did not start\n", command[0].c_str());
                        for (Target& t : started)
                            Stop(t);
                        Stop(bus);
                        return 1;
                    }
                }
                // Nodes of a cluster first find the bus and each other.
                usleep(k > 1 ? 1000000 : 100000);
                std::vector<int> ports;
                std::vector<pid_t> pids;
                for (const Target& t : started) {
                    ports.push_back(t.port);
                    pids.push_back(t.pid);
                }
                const Result r = Drive(ports, pids, count, seconds, stuck);
                for (Target& t : started)
                    Stop(t);
                Stop(bus);
                if (!store.empty()) std::system(("rm -rf " + store).c_str());
                all[count][name].push_back(r);
                std::printf(
                    "%-5d %5d %-7s %9.0f %7.2f %6llu %5llu %7.2f %7.2f %7.2f %7.2f %6.1f %6.1f %4d", run,
                    count, name.c_str(), r.deliveredPerSecond,
                    r.expected ? 100.0 * static_cast<double>(r.delivered) / static_cast<double>(r.expected)
                               : 0,
                    static_cast<unsigned long long>(r.superseded), static_cast<unsigned long long>(r.lost),
                    r.p50, r.p99, r.p999, r.max, 100 * r.cpu, r.rss, r.dropped);
                if (k > 1)
                    std::printf(" %7.2f %7.2f %7.2f %7.2f", r.sameP50, r.sameP99, r.crossP50, r.crossP99);
                std::printf("\n");
                std::fflush(stdout);
                if (k > 0 && check &&
                    (r.lost > 0 || r.dropped > 0 || r.p99 > maxP99 || r.delivered == 0 ||
                     r.connected != count)) {
                    failed = true;
                }
            }
        }
    }
    std::printf("\n# min/median/max over %d runs\n", runs);
    std::printf("%5s %-7s %-20s %-20s %-26s %-17s %-20s\n", "N", "target", "deliv%", "p50", "p99", "cpu%",
                "RSSMiB");
    for (const auto& [count, byTarget] : all) {
        for (const auto& [name, results] : byTarget) {
            std::vector<double> d, p50, p99, cpu, rss;
            for (const Result& r : results) {
                d.push_back(r.expected
                                ? 100.0 * static_cast<double>(r.delivered) / static_cast<double>(r.expected)
                                : 0);
                p50.push_back(r.p50);
                p99.push_back(r.p99);
                cpu.push_back(100 * r.cpu);
                rss.push_back(r.rss);
            }
            std::printf("%5d %-7s %-20s %-20s %-26s %-17s %-20s\n", count, name.c_str(), Spread(d, 1).c_str(),
                        Spread(p50, 2).c_str(), Spread(p99, 2).c_str(), Spread(cpu, 0).c_str(),
                        Spread(rss, 1).c_str());
            if (name.rfind("nodes", 0) == 0) {
                std::vector<double> sp99, xp50, xp99;
                for (const Result& r : results) {
                    sp99.push_back(r.sameP99);
                    xp50.push_back(r.crossP50);
                    xp99.push_back(r.crossP99);
                }
                std::printf("%5d %-7s same-node p99 %s, cross-node p50 %s, p99 %s\n", count, name.c_str(),
                            Spread(sp99, 2).c_str(), Spread(xp50, 2).c_str(), Spread(xp99, 2).c_str());
            }
        }
        if (byTarget.count("relay") && byTarget.count("server")) {
            std::vector<double> ratio;
            const auto& rel = byTarget.at("relay");
            const auto& srv = byTarget.at("server");
            for (std::size_t k = 0; k < srv.size(); ++k)
                ratio.push_back(rel[k].p99 > 0 ? srv[k].p99 / rel[k].p99 : 0);
            std::printf("%5d p99 server/relay in the same run: %s\n", count, Spread(ratio, 2).c_str());
        }
    }
    return failed ? 1 : 0;
}
