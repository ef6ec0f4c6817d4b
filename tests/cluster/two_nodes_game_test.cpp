// Two real clients under Xvfb, each on its own node of one cluster: each draws the other.
#include "tests/cluster/nats.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

namespace {

using namespace tt;

const char* const TITLE = "Quennick's Tavrel";

// Pixels that differ between two shots of one window within columns [x0, x1) of the rows where
// the characters stand (the window's middle band; the chat panel below is left out). The local
// player stands in the middle column, so the halves either side of it show the others.
int Changed(const Image& before, const Image& after, const Geometry& window, int x0, int x1) {
    int changed = 0;
    for (int y = 150; y < 330; ++y)
        for (int x = x0; x < x1; ++x) {
            const Image::Pixel p = before.At(window.x + x, window.y + y);
            const Image::Pixel q = after.At(window.x + x, window.y + y);
            if (std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b) > 60) ++changed;
        }
    return changed;
}

std::string OtherWindow(const std::string& known) {
    std::string found;
    Eventually(
        [&] {
            for (const auto& id : FindWindows(TestDisplay(), TITLE))
                if (id != known) found = id;
            return !found.empty();
        },
        15s);
    return found;
}

TEST(ClusterGame, PlayersOnTwoNodesDrawEachOther) {
    if (std::string(TAVREL_NATS_SERVER).empty()) GTEST_SKIP() << "nats-server is not installed";
    Nats nats;
    ASSERT_TRUE(nats.ready()) << nats.Log();
    auto a = Node(ServerBinary(), nats.Url());
    auto b = Node(ServerBinary(), nats.Url());

    Sandbox annbox, bobbox;
    annbox.WriteConfig("Ann", a->port(), 1);
    bobbox.WriteConfig("Bob", b->port(), 2);
    Process* ann = annbox.StartClient(TestDisplay());
    const std::string annwin = FindWindow(TestDisplay(), TITLE, 15s);
    ASSERT_FALSE(annwin.empty()) << ann->Stdout() << ann->Stderr();
    Xdotool(TestDisplay(), "windowmove --sync " + annwin + " 0 0");
    ASSERT_TRUE(a->WaitLog("join \"Ann\"", 5s)) << a->Log();
    usleep(500 * 1000);
    const Geometry annGeom = WindowGeometry(TestDisplay(), annwin);
    const Image annAlone = Screenshot(TestDisplay());

    Process* bob = bobbox.StartClient(TestDisplay());
    const std::string bobwin = OtherWindow(annwin);
    ASSERT_FALSE(bobwin.empty()) << bob->Stdout() << bob->Stderr();
    Xdotool(TestDisplay(), "windowmove --sync " + bobwin + " 700 0");
    ASSERT_TRUE(b->WaitLog("join \"Bob\"", 5s)) << b->Log();
    const Geometry bobGeom = WindowGeometry(TestDisplay(), bobwin);

    // Bob walks right for a second, about 2.5 tiles (160 pixels) away from the start where Ann
    // stands; then both report standing still and the figures settle.
    Xdotool(TestDisplay(), "mousemove 900 100");
    Xdotool(TestDisplay(), "windowfocus --sync " + bobwin);
    Xdotool(TestDisplay(), "keydown d");
    usleep(1000 * 1000);
    Xdotool(TestDisplay(), "keyup d");
    usleep(1500 * 1000);
    const Image both = Screenshot(TestDisplay());
    both.SavePng("/tmp/tavrel-cluster-two-players.png");
    // Ann has not moved: her view changed only where Bob now stands, right of her.
    EXPECT_GT(Changed(annAlone, both, annGeom, 360, 640), 150) << "Ann's window does not show Bob";
    EXPECT_LT(Changed(annAlone, both, annGeom, 0, 280), 20);

    // Ann leaves: Bob's view loses her, left of him.
    ann->Signal(SIGTERM);
    EXPECT_EQ(ann->Wait(10s), 0);
    ASSERT_TRUE(a->WaitLog("leave \"Ann\"", 5s));
    usleep(1000 * 1000);
    const Image bobAlone = Screenshot(TestDisplay());
    EXPECT_GT(Changed(both, bobAlone, bobGeom, 0, 280), 150) << "Bob's window did not show Ann";
    EXPECT_LT(Changed(both, bobAlone, bobGeom, 360, 640), 20);
    EXPECT_TRUE(bob->Running());
    bob->Signal(SIGTERM);
    EXPECT_EQ(bob->Wait(10s), 0);
}

} // namespace
