// Test main for programs that need an X display. Under ctest every windowed test shares the one
// Xvfb that the run's fixture started (TAVREL_TEST_DISPLAY_FILE names the file holding its display);
// a test program started by hand gets a private Xvfb of its own.
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace tt {

static Xvfb* server = nullptr;

static std::string SharedDisplay() {
    const char* file = std::getenv("TAVREL_TEST_DISPLAY_FILE");
    if (!file) return std::string();
    std::ifstream in(file);
    std::string display;
    std::getline(in, display);
    return display;
}

class XvfbEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        std::string display = SharedDisplay();
        if (display.empty()) {
            server = new Xvfb();
            display = server->display();
        }
        ASSERT_FALSE(display.empty()) << "Xvfb did not start";
        setenv("DISPLAY", display.c_str(), 1);
        SetTestDisplay(display);
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
