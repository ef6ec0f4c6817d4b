// The whole server in this process: its event loop, turn by turn, over loopback sockets that a
// few scripted clients connect, write any bytes or well-formed frames into, read from, or close
// at any moment. Whatever the clients do, every byte the server sends must be whole frames of
// printable chat, removal and position messages, and once every client has closed, the server
// must hold no connection. The log goes to /dev/null.
#include "server/network.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

Server* server = nullptr;

void Turns(int n) {
    for (int i = 0; i < n; ++i)
        server->Turn(-1, std::chrono::milliseconds(0));
}

struct Client {
    int fd = -1;
    std::string received;
};

int Connect() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    Check(fd >= 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(server->Port());
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int rc = connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    Check(rc == 0 || errno == EINPROGRESS);
    return fd;
}

// Reads what has arrived and checks every whole frame in it.
void Drain(Client& c) {
    if (c.fd < 0) return;
    char buf[65536];
    for (;;) {
        const ssize_t n = recv(c.fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        c.received.append(buf, static_cast<std::size_t>(n));
    }
    std::string text;
    for (;;) {
        const FrameStatus status = CutFrame(c.received, text);
        Check(status != FrameStatus::Invalid);
        if (status != FrameStatus::Complete) break;
        Check(!text.empty() && text[1] == '|' && text[0] >= '1' && text[0] <= '3');
        for (const char ch : text)
            Check(ch == '|' || IsWireTextChar(ch));
    }
}

std::string Frame(FuzzedDataProvider& in) {
    static const std::vector<std::string> texts = {"Ann",
                                                   "Bob",
                                                   "1|Ann|hello|main.map",
                                                   "3|Ann|1.5|2.5|1|1|0|0|main.map",
                                                   "3|Bob|3|4|2|0|1|1|house.map",
                                                   "4|Ann|house.map",
                                                   "4|Bob|main.map",
                                                   "1|x|" + std::string(70, 'y') + "|main.map"};
    const std::size_t i = in.ConsumeIntegralInRange<std::size_t>(0, texts.size() + 1);
    if (i < texts.size()) return EncodeFrame(texts[i]);
    if (i == texts.size()) return EncodeFrame(in.ConsumeRandomLengthString(120));
    return in.ConsumeRandomLengthString(300); // any bytes, framed or not
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The log is one line per join and leave; nobody reads it here.
    if (!std::freopen("/dev/null", "w", stdout)) return 1;
    ServerOptions options;
    options.bind = "127.0.0.1";
    options.port = 0;
    options.maxClients = 16;
    server = new Server(options);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::vector<Client> clients(in.ConsumeIntegralInRange<std::size_t>(1, 4));
    for (Client& c : clients)
        c.fd = Connect();
    Turns(2);
    for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) {
        Client& c = clients[in.ConsumeIntegralInRange<std::size_t>(0, clients.size() - 1)];
        switch (in.ConsumeIntegralInRange(0, 5)) {
        case 0:
        case 1:
        case 2:
            if (c.fd >= 0) {
                const std::string bytes = Frame(in);
                // A full socket buffer takes less or nothing; the server must cope either way.
                const ssize_t sent = send(c.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
                (void)sent;
            }
            break;
        case 3:
            Drain(c);
            break;
        case 4:
            if (c.fd >= 0) close(c.fd);
            c.fd = -1;
            break;
        default:
            Turns(in.ConsumeIntegralInRange(1, 4));
            break;
        }
        Turns(1);
    }
    for (Client& c : clients) {
        Turns(1);
        Drain(c);
        if (c.fd >= 0) close(c.fd);
    }
    // Every close is seen within a few turns; a connection left open is a leak the next
    // thousand inputs would pile up.
    for (int i = 0; i < 1000 && server->OpenConnections() > 0; ++i)
        server->Turn(-1, std::chrono::milliseconds(1));
    Check(server->OpenConnections() == 0);
    return 0;
}
