// Test main for programs that need an X display. Under ctest every windowed test shares the one
// Xvfb that the run's fixture started (TAVREL_TEST_DISPLAY_FILE names the file holding its display);
// a test program started by hand uses DISPLAY.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string display;
    if (const char* file = std::getenv("TAVREL_TEST_DISPLAY_FILE"))
        std::getline(std::ifstream(file), display);
    else if (const char* env = std::getenv("DISPLAY"))
        display = env;
    // Listing the tests needs no display.
    if (display.empty() && !GTEST_FLAG_GET(list_tests)) {
        std::fprintf(stderr, "No X display: run through ctest, or set DISPLAY.\n");
        return 1;
    }
    setenv("DISPLAY", display.c_str(), 1);
    return RUN_ALL_TESTS();
}
