// A client's output buffer: what it still has to send, and the limits that get a reader
// that does not keep up dropped.
#include <gtest/gtest.h>

#include "server/outqueue.h"

namespace {

using Health = OutBuffer::Health;
const ServerTime t0 = ServerTime{} + std::chrono::hours(1);
ServerTime At(int ms) {
    return t0 + std::chrono::milliseconds(ms);
}
const std::chrono::milliseconds stall(1000);

TEST(OutBuffer, PartialWritesKeepTheRestInOrder) {
    OutBuffer out;
    out.Tail() += "abcdef";
    out.Wrote(2, t0);
    EXPECT_EQ(std::string(out.Data(), out.Size()), "cdef");
    out.Tail() += "gh"; // appended behind what waits
    out.Wrote(3, t0);
    EXPECT_EQ(std::string(out.Data(), out.Size()), "fgh");
    out.Wrote(3, t0);
    EXPECT_TRUE(out.Empty());
}

// Stalled only when bytes wait and none went out for the whole stall time; any progress restarts
// the clock. Overflow counts what waits elsewhere for the client too, at once.
TEST(OutBuffer, StallAndOverflow) {
    OutBuffer out;
    EXPECT_EQ(out.Check(0, At(60000), stall), Health::Ok) << "nothing waiting never stalls";
    out.Tail() += std::string(100, 'x');
    out.Wrote(0, t0); // the socket took nothing
    EXPECT_EQ(out.Check(0, At(1000), stall), Health::Ok);
    EXPECT_EQ(out.Check(0, At(1001), stall), Health::Stalled);
    out.Wrote(0, At(900)); // still nothing: the clock keeps running
    EXPECT_EQ(out.Check(0, At(1001), stall), Health::Stalled);
    out.Wrote(10, At(1500)); // progress
    EXPECT_EQ(out.Check(0, At(2500), stall), Health::Ok);
    EXPECT_EQ(out.Check(0, At(2501), stall), Health::Stalled);
    out.Wrote(90, At(2600)); // all out
    EXPECT_EQ(out.Check(0, At(9000), stall), Health::Ok);

    out.Tail() += std::string(1000, 'x');
    EXPECT_EQ(out.Check(MAX_QUEUE_BYTES - 1000, t0, stall), Health::Ok);
    EXPECT_EQ(out.Check(MAX_QUEUE_BYTES - 999, t0, stall), Health::Overflow);
}

} // namespace
