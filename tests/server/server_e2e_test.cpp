// The real tavrel-server on 127.0.0.1 with scripted clients on real sockets.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

#include "net/protocol.h"
#include "tests/support/support.h"

namespace {

using namespace std::chrono_literals;
using tt::Millis;
using Clock = std::chrono::steady_clock;

// A scripted player: one connection to the server, and (unless told not to read) a thread
// that reads every frame the server sends into a list the test takes from.
class Client {
  public:
    // rcvbuf > 0 shrinks the receive buffer, so a client that does not read backs up fast.
    explicit Client(int port, bool reading = true, int rcvbuf = 0) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        if (rcvbuf > 0) setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        if (connected_ && reading) reader_ = std::thread([this] { ReadLoop(); });
    }
    ~Client() {
        stop_ = true;
        if (reader_.joinable()) reader_.join();
        if (fd_ >= 0) close(fd_);
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool connected() const { return connected_; }
    // Sends bytes as they are; false when the connection refuses them.
    bool SendRaw(const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }
    bool Send(const std::string& text) { return SendRaw(EncodeFrame(text)); }
    // A position message framed as the client frames it, with its extra zero byte.
    bool SendPosition(const std::string& nick, float x, float y, const std::string& map) {
        return SendRaw(EncodeFrame(BuildPositionMessage(nick, x, y, 2, 1, 0, 1, map)));
    }
    // The next frame's whole body (zero bytes included); nullopt after timeout or close.
    std::optional<std::string> NextBody(Millis timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!cv_.wait_for(lock, timeout, [this] { return !bodies_.empty(); })) return std::nullopt;
        std::string body = std::move(bodies_.front());
        bodies_.pop_front();
        return body;
    }
    // The next frame's text, as a client reads it (up to the first zero byte).
    std::optional<std::string> Next(Millis timeout = 3s) {
        const std::optional<std::string> body = NextBody(timeout);
        if (!body) return std::nullopt;
        return body->substr(0, body->find('\0'));
    }
    // Every frame text that arrives until nothing has come for quiet.
    std::vector<std::string> Drain(Millis quiet = 300ms) {
        std::vector<std::string> texts;
        while (const auto text = Next(quiet)) texts.push_back(*text);
        return texts;
    }
    // The server closed the connection within timeout (frames before the close are dropped).
    bool WaitClosed(Millis timeout) {
        if (!reader_.joinable()) { // not reading: look for the end of the stream directly
            return tt::Eventually(
                [this] {
                    char buf[4096];
                    const ssize_t n = recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
                    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
                },
                timeout);
        }
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, timeout, [this] { return closed_; });
    }

  private:
    void ReadLoop() {
        std::string buffer;
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            char chunk[65536];
            const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
            if (n <= 0) break;
            buffer.append(chunk, static_cast<std::size_t>(n));
            std::size_t at = 0;
            while (buffer.size() - at >= 4) {
                const auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(buffer[at + i])); };
                const std::uint32_t len = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
                if (buffer.size() - at - 4 < len) break;
                std::lock_guard<std::mutex> lock(mutex_);
                bodies_.push_back(buffer.substr(at + 4, len));
                at += 4 + len;
                cv_.notify_all();
            }
            buffer.erase(0, at);
        }
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        cv_.notify_all();
    }

    int fd_ = -1;
    bool connected_ = false;
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::string> bodies_;
    bool closed_ = false;
};

// The real server on 127.0.0.1 and a port the system picked.
class ServerProcess {
  public:
    explicit ServerProcess(std::vector<std::string> extra = {}) {
        std::vector<std::string> argv{TAVREL_SERVER_BIN, "--bind", "127.0.0.1", "--port", "0"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        process_ = std::make_unique<tt::Process>(argv, "/tmp");
        const std::string marker = "listening on 127.0.0.1 port ";
        if (!process_->WaitForStdout(marker, 5s)) return;
        const std::string out = process_->Stdout();
        port_ = std::atoi(out.c_str() + out.find(marker) + marker.size());
    }
    int port() const { return port_; }
    tt::Process& process() { return *process_; }
    bool WaitLog(const std::string& text, Millis timeout = 3s) { return process_->WaitForStdout(text, timeout); }
    std::string Log() const { return process_->Stdout(); }
    // Ends the server with sig; true when it exits 0 and says so in the log.
    bool Stop(int sig = SIGTERM) {
        process_->Signal(sig);
        const std::optional<int> code = process_->Wait(5s);
        return code == 0 && Log().find(sig == SIGINT ? "stopping on SIGINT" : "stopping on SIGTERM") != std::string::npos;
    }

  private:
    std::unique_ptr<tt::Process> process_;
    int port_ = 0;
};

// Logs a client in and waits until the server has taken it.
std::unique_ptr<Client> LogIn(ServerProcess& server, const std::string& nick) {
    auto client = std::make_unique<Client>(server.port());
    EXPECT_TRUE(client->connected());
    client->Send(nick);
    EXPECT_TRUE(server.WaitLog("join \"" + nick + "\"")) << nick;
    return client;
}

using Texts = std::vector<std::string>;

TEST(ServerEndToEnd, PlayersMoveChangeMapsChatAndLeave) {
    ServerProcess server;
    ASSERT_NE(server.port(), 0) << server.Log();
    auto ann = LogIn(server, "Ann");
    auto bob = LogIn(server, "Bob");
    auto cid = LogIn(server, "Cid");

    ann->SendPosition("Ann", 3.5f, 4, "main.map");
    EXPECT_EQ(bob->Next(), "3|Ann|3.5|4|2|1|0|1|main.map");
    EXPECT_EQ(cid->Next(), "3|Ann|3.5|4|2|1|0|1|main.map");
    // The relayed frame keeps the client's layout, extra zero byte included.
    bob->SendPosition("Bob", 1234.5678f, 0.00001f, "main.map");
    EXPECT_EQ(ann->NextBody(3s), std::string("3|Bob|1234.57|1e-05|2|1|0|1|main.map\0\0", 38));
    EXPECT_EQ(cid->Next(), "3|Bob|1234.57|1e-05|2|1|0|1|main.map");

    // A newcomer is shown everyone already standing on the start map.
    auto dee = LogIn(server, "Dee");
    EXPECT_EQ(dee->Drain(), (Texts{"3|Ann|3.5|4|2|1|0|1|main.map", "3|Bob|1234.57|1e-05|2|1|0|1|main.map"}));

    // Cid walks into the cave: both sides forget each other, and the cave is empty.
    cid->Send("4|Cid|cave.map");
    cid->SendPosition("Cid", 2, 2, "cave.map");
    EXPECT_EQ(cid->Drain(), (Texts{"2|Ann", "2|Bob", "2|Dee"}));
    EXPECT_EQ(ann->Next(), "2|Cid");
    EXPECT_EQ(bob->Next(), "2|Cid");
    EXPECT_EQ(dee->Next(), "2|Cid");

    // Ann follows by position alone: she is shown Cid, Cid is shown her.
    ann->SendPosition("Ann", 2, 3, "cave.map");
    EXPECT_EQ(ann->Drain(), (Texts{"2|Bob", "2|Dee", "3|Cid|2|2|2|1|0|1|cave.map"}));
    EXPECT_EQ(cid->Next(), "3|Ann|2|3|2|1|0|1|cave.map");
    EXPECT_EQ(bob->Next(), "2|Ann");
    EXPECT_EQ(dee->Next(), "2|Ann");

    // Chat reaches everyone, on any map, the sender included, under the login name.
    bob->Send("1|Boss|hello all|main.map");
    for (Client* c : {ann.get(), bob.get(), cid.get(), dee.get()}) EXPECT_EQ(c->Next(), "1|Bob|hello all|main.map");

    // Leaving is told to the players on the leaver's map only.
    ann.reset();
    EXPECT_TRUE(server.WaitLog("leave \"Ann\""));
    EXPECT_EQ(cid->Next(), "2|Ann");
    for (Client* c : {bob.get(), cid.get(), dee.get()}) EXPECT_EQ(c->Drain(), Texts{});

    const std::string log = server.Log();
    EXPECT_NE(log.find("join \"Dee\" 127.0.0.1:"), std::string::npos) << log;
    EXPECT_NE(log.find("(4 online)"), std::string::npos) << log;
    EXPECT_NE(log.find(": connection closed (3 online)"), std::string::npos) << log;
    EXPECT_TRUE(server.Stop(SIGINT));
}

TEST(ServerEndToEnd, BadNicknamesAreRefusedWhileOthersPlay) {
    ServerProcess server;
    ASSERT_NE(server.port(), 0) << server.Log();
    auto ann = LogIn(server, "Ann");
    const std::vector<std::pair<std::string, std::string>> refused{
        {"Ann", "nickname in use"},
        {"tencharsXX", "longer than 9"},
        {"a|b", "contains \"|\""},
        {"tab\there", "control character"},
        {std::string(300, 'n'), "longer than 9"},
    };
    for (const auto& [nick, reason] : refused) {
        Client bad(server.port());
        bad.Send(nick);
        EXPECT_TRUE(bad.WaitClosed(3s)) << nick;
        EXPECT_TRUE(server.WaitLog(reason)) << nick;
        EXPECT_EQ(bad.Drain(50ms), Texts{});
    }
    EXPECT_NE(server.Log().find("refuse \"tab\\x09here\" 127.0.0.1:"), std::string::npos) << server.Log();
    EXPECT_NE(server.Log().find("refuse \"nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn...\""), std::string::npos);
    // Ann played on and never heard of them; names differing in case are different players.
    auto lowAnn = LogIn(server, "ann");
    ann->Send("1|Ann|still here|main.map");
    EXPECT_EQ(ann->Drain(), Texts{"1|Ann|still here|main.map"});
    EXPECT_EQ(lowAnn->Drain(), Texts{"1|Ann|still here|main.map"});
    EXPECT_TRUE(server.Stop());
}

TEST(ServerEndToEnd, BrokenFramesDropOnlyTheirSender) {
    ServerProcess server;
    ASSERT_NE(server.port(), 0) << server.Log();
    auto ann = LogIn(server, "Ann");

    Client huge(server.port()); // announces more than the largest frame before logging in
    huge.SendRaw(std::string("\x00\x01\x00\x01", 4));
    EXPECT_TRUE(huge.WaitClosed(3s));
    EXPECT_TRUE(server.WaitLog("drop - 127.0.0.1:"));
    EXPECT_TRUE(server.WaitLog("frame length 65537 outside 1 to 65536"));

    auto bob = LogIn(server, "Bob");
    bob->SendPosition("Bob", 1, 1, "main.map");
    EXPECT_EQ(ann->Next(), "3|Bob|1|1|2|1|0|1|main.map");
    bob->SendRaw(std::string("\x00\x00\x00\x00", 4)); // an empty frame from a logged-in player
    EXPECT_TRUE(bob->WaitClosed(3s));
    EXPECT_TRUE(server.WaitLog("drop \"Bob\" 127.0.0.1:"));
    EXPECT_EQ(ann->Next(), "2|Bob");

    // The largest frame there is passes; its chat text is cut to what a client can show.
    auto cid = LogIn(server, "Cid");
    const std::string longest = "1|Cid|" + std::string(MAX_FRAME_BODY - 7, 'x');
    ASSERT_EQ(EncodeFrame(longest).size(), 4 + MAX_FRAME_BODY);
    cid->Send(longest);
    const std::string cut = "1|Cid|" + std::string(58, 'x') + "|main.map";
    EXPECT_EQ(ann->Next(), cut);
    EXPECT_EQ(cid->Next(), cut);

    // Frames are taken whole however the bytes arrive: two in one write, one split in three.
    const std::string both = EncodeFrame("1|Cid|one|x") + EncodeFrame("1|Cid|two|x");
    cid->SendRaw(both);
    const std::string third = EncodeFrame("1|Cid|three|x");
    cid->SendRaw(third.substr(0, 2));
    std::this_thread::sleep_for(100ms);
    cid->SendRaw(third.substr(2, 7));
    std::this_thread::sleep_for(100ms);
    cid->SendRaw(third.substr(9));
    EXPECT_EQ(ann->Drain(), (Texts{"1|Cid|one|main.map", "1|Cid|two|main.map", "1|Cid|three|main.map"}));
    EXPECT_TRUE(server.Stop());
}

TEST(ServerEndToEnd, SilentAndHalfFinishedConnectionsTimeOut) {
    ServerProcess server({"--login-timeout-ms", "400", "--frame-timeout-ms", "400"});
    ASSERT_NE(server.port(), 0) << server.Log();
    auto ann = LogIn(server, "Ann");

    const auto start = Clock::now();
    Client silent(server.port());
    Client halfLogin(server.port());
    halfLogin.SendRaw(std::string("\x00\x00\x00\x05" "Bo", 6));
    EXPECT_TRUE(silent.WaitClosed(3s));
    EXPECT_TRUE(halfLogin.WaitClosed(3s));
    EXPECT_GE(Clock::now() - start, 350ms);
    EXPECT_TRUE(server.WaitLog("no login within 400 ms"));

    // A player whose frame stops halfway is dropped; the others are told it left.
    auto bob = LogIn(server, "Bob");
    bob->SendRaw(std::string("\x00\x00\x00\x20" "1|Bob|", 10));
    EXPECT_TRUE(bob->WaitClosed(3s));
    EXPECT_TRUE(server.WaitLog("drop \"Bob\" 127.0.0.1:"));
    EXPECT_TRUE(server.WaitLog("frame not complete within 400 ms"));
    EXPECT_EQ(ann->Next(), "2|Bob");

    // A slow frame that completes in time is fine, and only the unfinished frame is timed:
    // steady traffic with a short pause between whole frames never trips it.
    auto cid = LogIn(server, "Cid");
    const std::string frame = EncodeFrame("1|Cid|slow|x");
    for (std::size_t i = 0; i < frame.size(); i += 4) {
        cid->SendRaw(frame.substr(i, 4));
        std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(500ms);
    cid->SendPosition("Cid", 5, 5, "main.map");
    EXPECT_EQ(ann->Drain(), (Texts{"1|Cid|slow|main.map", "3|Cid|5|5|2|1|0|1|main.map"}));
    EXPECT_EQ(server.Log().find("drop \"Cid\""), std::string::npos);
    EXPECT_TRUE(server.Stop());
}

TEST(ServerEndToEnd, ClientThatStopsReadingIsDroppedWithoutSlowingOthers) {
    ServerProcess server({"--stall-timeout-ms", "1000"});
    ASSERT_NE(server.port(), 0) << server.Log();
    auto reader = LogIn(server, "Reader");
    auto bouncer = LogIn(server, "Bouncer");
    Client stuck(server.port(), /*reading=*/false, /*rcvbuf=*/4096);
    stuck.Send("Stuck");
    ASSERT_TRUE(server.WaitLog("join \"Stuck\""));

    // Bouncer hops between two maps thousands of times a second: every hop means a removal and a
    // position for the players on the start map, which nothing may drop or merge away.
    std::atomic<bool> stop{false};
    std::thread hops([&] {
        const auto end = Clock::now() + 20s;
        for (int i = 0; !stop && Clock::now() < end; ++i) {
            std::string burst;
            for (int j = 0; j < 20; ++j) {
                burst += EncodeFrame(BuildPositionMessage("Bouncer", 1, 1, 0, 1, 0, 0, (j % 2) ? "main.map" : "cave.map"));
            }
            if (!bouncer->SendRaw(burst)) break;
            // Fast, but a pace this test's own reading threads can follow on a loaded machine.
            std::this_thread::sleep_for(1ms);
        }
    });

    // Meanwhile the reader's own chat lines keep coming back quickly.
    Millis worst{0};
    bool dropped = false;
    const auto end = Clock::now() + 15s;
    int lines = 0;
    while (Clock::now() < end && !(dropped && lines >= 3)) {
        const std::string line = "probe" + std::to_string(lines++);
        const auto sent = Clock::now();
        reader->Send("1|Reader|" + line + "|main.map");
        bool echoed = false;
        while (!echoed && Clock::now() - sent < 5s) {
            const auto text = reader->Next(5s);
            if (!text) break;
            echoed = *text == "1|Reader|" + line + "|main.map";
        }
        if (!echoed) {
            ADD_FAILURE() << "no echo of " << line;
            break;
        }
        worst = std::max(worst, std::chrono::duration_cast<Millis>(Clock::now() - sent));
        dropped = server.Log().find("drop \"Stuck\"") != std::string::npos;
        std::this_thread::sleep_for(1100ms); // stays under the chat flood limit
    }
    stop = true;
    hops.join();
    EXPECT_TRUE(dropped) << server.Log();
    EXPECT_TRUE(stuck.WaitClosed(3s));
    EXPECT_LT(worst, 1000ms);
    std::printf("slowest chat round trip of the reading player: %lld ms\n", static_cast<long long>(worst.count()));
    const std::string log = server.Log();
    const std::size_t drop = log.find("drop \"Stuck\"");
    ASSERT_NE(drop, std::string::npos) << log;
    EXPECT_NE(log.substr(drop, log.find('\n', drop) - drop).find(" bytes "), std::string::npos) << log;
    // The others stayed on.
    EXPECT_EQ(server.Log().find("drop \"Reader\""), std::string::npos);
    EXPECT_EQ(server.Log().find("drop \"Bouncer\""), std::string::npos) << server.Log();
    EXPECT_TRUE(server.Stop());
}

TEST(ServerEndToEnd, FullServerRefusesAndThenAcceptsAgain) {
    ServerProcess server({"--max-clients", "2"});
    ASSERT_NE(server.port(), 0) << server.Log();
    auto ann = LogIn(server, "Ann");
    Client unnamed(server.port()); // counts before it has logged in
    Client third(server.port());
    EXPECT_TRUE(third.WaitClosed(3s));
    EXPECT_TRUE(server.WaitLog("refuse - 127.0.0.1:"));
    EXPECT_TRUE(server.WaitLog("server full (2 connections)"));
    ann.reset();
    ASSERT_TRUE(server.WaitLog("leave \"Ann\""));
    auto bob = LogIn(server, "Bob");
    bob->Send("1|Bob|in|main.map");
    EXPECT_EQ(bob->Next(), "1|Bob|in|main.map");
    EXPECT_TRUE(server.Stop());
}

TEST(ServerEndToEnd, CommandLine) {
    tt::Process help({TAVREL_SERVER_BIN, "--help"}, "/tmp");
    EXPECT_EQ(help.Wait(5s), 0);
    EXPECT_NE(help.Stdout().find("--max-clients"), std::string::npos);
    tt::Process bad({TAVREL_SERVER_BIN, "--port", "70000"}, "/tmp");
    EXPECT_EQ(bad.Wait(5s), 2);
    EXPECT_NE(bad.Stderr().find("--port takes a number"), std::string::npos);
    ServerProcess first;
    ASSERT_NE(first.port(), 0);
    tt::Process taken({TAVREL_SERVER_BIN, "--bind", "127.0.0.1", "--port", std::to_string(first.port())}, "/tmp");
    EXPECT_EQ(taken.Wait(5s), 1);
    EXPECT_NE(taken.Stderr().find("cannot listen on 127.0.0.1 port"), std::string::npos) << taken.Stderr();
    EXPECT_TRUE(first.Stop());
}

} // namespace
