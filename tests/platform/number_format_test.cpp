#include "number_format.h"

#include <gtest/gtest.h>

TEST(NumberFormat, TiesRoundAwayFromZeroAndTheRestAsPrintf) {
    struct Case {
        double value;
        int width;
        int precision;
        const char* expected;
    };
    const Case cases[] = {
        {44.5, 3, 0, " 45"},  // printf gives " 44"
        {-44.5, 3, 0, "-45"},
        {0.5, 1, 0, "1"},
        {1.5, 10, 4, "    1.5000"},
        {1.03125, 10, 4, "    1.0313"},  // exact tie at the fifth digit
        {-1.03125, 10, 4, "   -1.0313"},
        {1.03124, 10, 4, "    1.0312"},
        {2.675, 0, 2, "2.67"},  // stored just below the tie: not a tie
        {9.99995, 0, 4, "10.0000"},
        {0.96, 0, 1, "1.0"},
        {99.5, 0, 0, "100"},
        {12345678.25, 10, 4, "12345678.2500"},  // wider than the field
        {0.0, 10, 4, "    0.0000"},
        {-0.00001, 0, 4, "-0.0000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatFixed(c.value, c.width, c.precision), c.expected) << c.value;
    }
}
