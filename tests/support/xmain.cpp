// Test main for programs that need an X display: one private Xvfb for the whole program.
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tt {

static Xvfb* server = nullptr;

class XvfbEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        server = new Xvfb();
        ASSERT_FALSE(server->display().empty()) << "Xvfb did not start";
        setenv("DISPLAY", server->display().c_str(), 1);
        SetTestDisplay(server->display());
    }
    void TearDown() override {
        SetTestDisplay("");
        delete server;
        server = nullptr;
    }
};

} // namespace tt

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new tt::XvfbEnvironment);
    return RUN_ALL_TESTS();
}
