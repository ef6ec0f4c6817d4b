// A send that blocks because the server stopped reading: a quit signal still ends the client at
// once, with exit code 0. In a child process, since the signal ends it.
#include "core/chatlog.h"
#include "core/config.h"
#include "frame/framework.h"
#include "net/net.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace {

using namespace tt;

// The signal is the test's own choice: the handler is the same for both quit signals.
TEST(BlockedSend, AQuitSignalEndsTheClientAtOnceWithZero) {
    EXPECT_EXIT(
        {
            Peer peer;
            CONFIG_SERVER = "127.0.0.1";
            CONFIG_PORT = peer.port();
            SetNickName("Tess");
            InitNet();
            if (!peer.Accept(5000ms)) std::_Exit(3);
            struct sigaction action {};
            action.sa_handler = OnQuitSignal;
            action.sa_flags = SA_RESTART;
            sigaction(SIGTERM, &action, nullptr);
            // A send still blocked 2 s later dies of SIGALRM, which the check below tells apart.
            alarm(2);
            std::thread([] {
                std::this_thread::sleep_for(300ms);
                kill(getpid(), SIGTERM);
            }).detach();
            // Far more than the socket buffers of both ends hold: the peer never reads.
            putMsg(sock, std::string(32 << 20, 'x'));
            std::_Exit(4);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
