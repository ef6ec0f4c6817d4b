// The least a relay can do, as the ceiling the load benchmark holds tavrel-server against:
// the same framing and the same per-map broadcast of positions, on one epoll loop, with no
// limits, no validation, no chat and no removals. Not a server to play on.
//
// min_relay [port]: listens on 127.0.0.1 (port 0 picks one), prints "port N", runs until killed.
#include "wire/protocol.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

struct Client {
    bool open = false;
    bool loggedIn = false;
    bool dirty = false;
    bool writing = false; // EPOLLOUT registered
    int map = -1;
    std::string in;
    std::string out;
};

std::vector<Client> clients;                 // by descriptor
std::vector<std::vector<int>> members;       // descriptors by map
std::unordered_map<std::string, int> mapIds; // map name to index in members
std::vector<int> dirty;

// Takes fd off the member list of the map its client is on, if any.
void LeaveMap(int fd, const Client& c) {
    if (c.map < 0) return;
    auto& on = members[static_cast<std::size_t>(c.map)];
    for (std::size_t i = 0; i < on.size(); ++i) {
        if (on[i] == fd) {
            on[i] = on.back();
            on.pop_back();
            return;
        }
    }
}

void Leave(int epfd, int fd) {
    Client& c = clients[static_cast<std::size_t>(fd)];
    LeaveMap(fd, c);
    epoll_ctl(epfd, EPOLL_CTL_DEL, fd, nullptr);
    close(fd);
    c = Client{};
}

// One position frame (prefix and body) from fd: moved to the map it names, then copied to the others.
void Relay(int fd, std::string_view frame) {
    Client& c = clients[static_cast<std::size_t>(fd)];
    std::string_view text = frame.substr(4);
    text = text.substr(0, text.find('\0'));
    if (text.size() < 2 || text[0] != '3' || text[1] != '|') return;
    std::size_t at = 0;
    for (int bars = 0; bars < 8 && at != std::string_view::npos; ++bars)
        at = text.find('|', at + 1);
    if (at == std::string_view::npos) return;
    const std::string map(text.substr(at + 1));
    const auto found = mapIds.emplace(map, static_cast<int>(members.size()));
    if (found.second) members.emplace_back();
    const int id = found.first->second;
    if (id != c.map) {
        LeaveMap(fd, c);
        c.map = id;
        members[static_cast<std::size_t>(id)].push_back(fd);
    }
    for (const int to : members[static_cast<std::size_t>(id)]) {
        if (to == fd) continue;
        Client& r = clients[static_cast<std::size_t>(to)];
        r.out.append(frame);
        if (!r.dirty) {
            r.dirty = true;
            dirty.push_back(to);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    const int lfd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    const int yes = 1;
    setsockopt(lfd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(argc > 1 ? std::atoi(argv[1]) : 0));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(lfd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(lfd, 1024) != 0) {
        std::perror("min_relay: listen");
        return 1;
    }
    socklen_t len = sizeof addr;
    getsockname(lfd, reinterpret_cast<sockaddr*>(&addr), &len);
    std::printf("port %d\n", ntohs(addr.sin_port));
    std::fflush(stdout);
    const int epfd = epoll_create1(0);
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = lfd;
    epoll_ctl(epfd, EPOLL_CTL_ADD, lfd, &ev);
    std::vector<epoll_event> events(4096);
    std::vector<char> chunk(65536);
    for (;;) {
        const int n = epoll_wait(epfd, events.data(), static_cast<int>(events.size()), -1);
        for (int i = 0; i < n; ++i) {
            const int fd = events[static_cast<std::size_t>(i)].data.fd;
            if (fd == lfd) {
                for (int c; (c = accept4(lfd, nullptr, nullptr, SOCK_NONBLOCK)) >= 0;) {
                    setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
                    if (clients.size() <= static_cast<std::size_t>(c))
                        clients.resize(static_cast<std::size_t>(c) + 1);
                    clients[static_cast<std::size_t>(c)].open = true;
                    ev.events = EPOLLIN;
                    ev.data.fd = c;
                    epoll_ctl(epfd, EPOLL_CTL_ADD, c, &ev);
                }
                continue;
            }
            Client& c = clients[static_cast<std::size_t>(fd)];
            if (!c.open) continue;
            if (events[static_cast<std::size_t>(i)].events & EPOLLOUT) {
                if (!c.dirty) {
                    c.dirty = true;
                    dirty.push_back(fd);
                }
            }
            if (!(events[static_cast<std::size_t>(i)].events & (EPOLLIN | EPOLLHUP | EPOLLERR))) continue;
            const ssize_t got = recv(fd, chunk.data(), chunk.size(), 0);
            if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
                Leave(epfd, fd);
                continue;
            }
            if (got < 0) continue;
            c.in.append(chunk.data(), static_cast<std::size_t>(got));
            std::size_t at = 0;
            while (c.in.size() - at >= 4) {
                const std::uint32_t body = ReadFrameLength(c.in.data() + at);
                if (c.in.size() - at - 4 < body) break;
                const std::string_view frame(c.in.data() + at, 4 + body);
                if (c.loggedIn) {
                    Relay(fd, frame);
                } else {
                    c.loggedIn = true;
                }
                at += 4 + body;
            }
            c.in.erase(0, at);
        }
        for (const int fd : dirty) {
            Client& c = clients[static_cast<std::size_t>(fd)];
            c.dirty = false;
            if (!c.open || c.out.empty()) continue;
            const ssize_t sent = send(fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
            if (sent > 0) c.out.erase(0, static_cast<std::size_t>(sent));
            if (c.writing == !c.out.empty()) continue;
            c.writing = !c.out.empty();
            ev.events = c.writing ? EPOLLIN | EPOLLOUT : EPOLLIN;
            ev.data.fd = fd;
            epoll_ctl(epfd, EPOLL_CTL_MOD, fd, &ev);
        }
        dirty.clear();
    }
}
