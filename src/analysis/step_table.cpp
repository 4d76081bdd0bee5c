#include "analysis/step_table.h"

#include <cstdlib>

namespace corvane {

StepTable DeriveStepTable(std::int16_t gainSpanLow, std::int16_t gainSpanHigh) {
    const int meanSpan = (std::abs(gainSpanLow) + std::abs(gainSpanHigh)) / 2;
    // Entries 2 to 4 hold the fixed small steps 1, 2 and 3; what the mean span exceeds them
    // by is cut into five units, so that the largest step, five units, comes out near the
    // mean span.
    const int stepUnit = (meanSpan - 3) / 5;  // truncates toward zero

    StepTable t{0, 0, 1, 2, 3};
    // Entry 5 adds a sixteenth of the unit to the 3 below it, and each upper step adds twice
    // the share of the one before (an eighth, a quarter, a half, a whole unit).
    int entry = stepUnit / 16 + 3;
    if (entry <= 3) entry = 4;
    t[5] = static_cast<std::uint8_t>(entry);
    const int shares[] = {stepUnit / 8, stepUnit / 4, stepUnit / 2, stepUnit};
    for (int k = 6; k <= 9; ++k) {
        int next = t[static_cast<std::size_t>(k - 1)] + shares[k - 6];
        if (next <= t[static_cast<std::size_t>(k - 1)])
            next = t[static_cast<std::size_t>(k - 1)] + 1;  // always rise
        t[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(next);
    }
    t[10] = static_cast<std::uint8_t>(5 * stepUnit > t[9] ? 5 * stepUnit : meanSpan);
    return t;
}

}  // namespace corvane
