// The soak: the real client holds D and walks back and forth between two small maps through their
// exits while bots walk on the same server; a scripted observer on the start map counts the map
// changes. The client's resident memory after the first 20 changes and after the last must not
// differ by 5 % or more. TAVREL_SOAK_CHANGES sets the number of changes (CI runs the default 40).
// Mesa's llvmpipe holds memory for every tile set drawn until the context goes, so the game's own
// memory over many changes is judged with softpipe (docs/reliability.md):
//   GALLIUM_DRIVER=softpipe TAVREL_SOAK_CHANGES=200 build-test/tests/game/test_soak
#include "tests/support/players.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include <unistd.h>

namespace {

using namespace tt;

// Changes after which the first figure is taken: start-up and the first loads have settled.
constexpr int SETTLED = 20;

// A corridor three cells long between walls; the exit at its right end leads to the start of
// the other map, so holding D walks on through both for ever.
std::string Corridor(const std::string& other) {
    return "Tavrel.app/Contents/Resources/tiles.tga\n6\n3\n1.5\n1.5\n0\n1\n40 90 40\nground\n"
           "0 0 0 0 0 0\n0 0 0 0 0 0\n0 0 0 0 0 0\nblock\n1 1 1 1 1 1\n1 0 0 0 0 1\n1 1 1 1 1 1\nexits\n"
           "4 1 1.5 1.5 " +
           other + "\n";
}

long ResidentKb(int pid) {
    long size = 0, pages = 0;
    std::ifstream("/proc/" + std::to_string(pid) + "/statm") >> size >> pages;
    return pages * sysconf(_SC_PAGESIZE) / 1024;
}

TEST(Soak, WalkingBetweenTwoMapsManyTimesKeepsTheClientsMemoryLevel) {
    const char* wanted = std::getenv("TAVREL_SOAK_CHANGES");
    const int changes = wanted ? std::max(SETTLED + 2, std::atoi(wanted)) : 40;
    ServerProcess server(std::string(TAVREL_RUN_DIR) + "/tavrel-server");
    ASSERT_NE(server.port(), 0) << server.Log();
    auto eye = LogIn(server, "Eye");
    ASSERT_TRUE(eye->SendPosition("Eye", 2.5f, 1.5f, "main.map"));
    Process bots({std::string(TAVREL_RUN_DIR) + "/tavrel-bot", "--port", std::to_string(server.port()),
                  "--name", "Villager", "--count", "3", "--duration", "0", "--exit-chance", "0", "--seed",
                  "7"},
                 TAVREL_RUN_DIR);
    ASSERT_TRUE(server.WaitLog("join \"Villager", 10s)) << bots.Stderr();

    Sandbox box;
    WriteFile(box.Resource("main.map"), Corridor("other.map"));
    WriteFile(box.Resource("other.map"), Corridor("main.map"));
    box.WriteConfig("Ann", server.port(), 1);
    Process* ann = box.StartClient();
    ASSERT_FALSE(FocusGameWindow().empty()) << ann->Stdout() << ann->Stderr();
    Xdotool("keydown d");

    int counted = 0;
    bool away = false;
    long settled = 0, last = 0;
    auto lastword = std::chrono::steady_clock::now();
    const auto deadline = lastword + std::chrono::seconds(30 + 3 * changes);
    while (counted < changes && std::chrono::steady_clock::now() < deadline && ann->Running()) {
        // The observer speaks now and then, or the server would drop it as idle.
        if (std::chrono::steady_clock::now() - lastword > 5s) {
            eye->SendPosition("Eye", 2.5f, 1.5f, "main.map");
            lastword = std::chrono::steady_clock::now();
        }
        const std::optional<std::string> text = eye->Next(200ms);
        // Her removal is a change to other.map, her next position one back to main.map.
        if (!text || (away ? text->rfind("3|Ann|", 0) != 0 : *text != "2|Ann")) continue;
        away = !away;
        ++counted;
        // The whole curve in the test's output: a leak climbs steadily, a cache levels off.
        if (counted % SETTLED == 0 || counted == changes) {
            last = ResidentKb(ann->pid());
            std::printf("soak: after %d changes %ld kB\n", counted, last);
        }
        if (counted == SETTLED) settled = last;
    }
    Xdotool("keyup d");
    ASSERT_EQ(counted, changes) << "client running: " << ann->Running() << "\n"
                                << ann->Stdout() << ann->Stderr() << server.Log();
    EXPECT_TRUE(bots.Running()) << bots.Stderr();
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer keeps freed memory in quarantine (hundreds of MB) before reusing it: a sanitized
    // client grows whatever the game does. This build checks the walking under the sanitizers.
    GTEST_SKIP() << "resident memory is not comparable under AddressSanitizer";
#endif
    EXPECT_LT(std::abs(double(last - settled) / double(settled)), 0.05)
        << settled << " kB after " << SETTLED << ", " << last << " kB after " << changes;
}

} // namespace
