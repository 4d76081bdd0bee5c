// Texts whose numbers a rule bounds, whatever the tables of expected output say.
#include <gtest/gtest.h>

#include <string>

#include "text/summary.h"

namespace corvane {
namespace {

// The least streaming time is a lower bound: never above the routine's 770 T-states a byte
// at 3.5 MHz (the emulated-Z80 test's figure), and rounded down, so within 0.1 s of it.
TEST(Texts, StreamingTimeIsALowerBound) {
    for (std::size_t bytes = 1; bytes <= 65535; bytes += 97) {
        const std::string line = HostCostLines(bytes)[1];
        const double shown = std::stod(line.substr(line.find("least ") + 6));
        const double least = static_cast<double>(bytes) * 770 / 3.5e6;
        EXPECT_TRUE(shown <= least && least < shown + 0.1) << bytes << ": " << line;
    }
}

}  // namespace
}  // namespace corvane
