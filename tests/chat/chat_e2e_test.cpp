// The real client's chat against a scripted server: what typing sends, and what relayed lines show.
#include "tests/support/support.h"

#include <gtest/gtest.h>

namespace {

using namespace tt;

// "t" opens the line with its prompt at the top left; Enter on an empty line sends nothing;
// Backspace removes the last character; a "|" is never taken into the line; a "t" typed into an
// open line is just a letter. The own line shows in the log only when the server relays it back.
// Rows count from the top of the 640 by 480 window: the log's band is 360 to 480, its newest line 449 to 465.
TEST(ChatClient, TypedLineGoesOutAsOneFrameAndShowsWhenRelayed) {
    ClientSession run;
    ASSERT_TRUE(run.Start());
    const Image idle = run.Shot();
    Xdotool("type t");
    Image open;
    ASSERT_TRUE(Eventually([&] { return ChangedPixels(idle, open = run.Shot(), 4, 9, 76, 26) > 100; }, 5s));
    EXPECT_EQ(ChangedPixels(idle, open, 0, 360, 640, 480), 0) << "the log's band stays as it was";

    for (const char* keys :
         {"key Return", "type t", "type 'hi abc'", "key BackSpace", "type '|t|'", "key Return"})
        Xdotool(keys);
    EXPECT_EQ(run.peer.ReadUntil("1|", 10s), "1|Bob|hi abt|main.map");
    EXPECT_FALSE(run.peer.ReadUntil("1|", 1500ms)) << "one Enter, one frame";
    EXPECT_EQ(ChangedPixels(idle, run.Shot(), 0, 360, 640, 480), 0) << "not shown on sending";

    run.peer.Send("1|Bob|hi abt|main.map"); // relayed back
    ASSERT_TRUE(Eventually([&] { return ChangedPixels(idle, run.Shot(), 10, 449, 120, 465) > 100; }, 5s));
    EXPECT_EQ(ChangedPixels(idle, run.Shot(), 0, 360, 640, 445), 0) << "one line in the log, not two";
}

} // namespace
