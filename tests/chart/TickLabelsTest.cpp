#include <gtest/gtest.h>

#include "chart/TickLabels.h"

using namespace morvane;

TEST(TickLabels, EveryLabelCarriesTheDigitsItsStepNeedsInOneNotation)
{
    using Labels = std::vector<std::string>;
    const struct {
        const char* name;
        std::vector<double> ticks;
        bool logarithmic;
        Labels want;
    } cases[] = {
        { "a step of 0.05 reads apart", { 3.2, 3.25, 3.3, 3.35 }, false, { "3.20", "3.25", "3.30", "3.35" } },
        { "whole steps need no decimals", { 0, 500, 1000, 1500 }, false, { "0", "500", "1000", "1500" } },
        { "a step of 0.1 with float noise", { 5.8, 5.8999999999999995, 6.000000000000001 }, false,
            { "5.8", "5.9", "6.0" } },
        { "small values all in powers of ten", { 0, 5e-5, 1e-4, 1.5e-4 }, false,
            { "0", "5.0e-5", "1.0e-4", "1.5e-4" } },
        { "large values all in powers of ten", { 1e5, 2e5, 3e5 }, false, { "1e5", "2e5", "3e5" } },
        { "negative values, no minus zero", { -0.02, -0.01, 0, 0.01 }, false, { "-0.02", "-0.01", "0.00", "0.01" } },
        { "a mantissa rounding up to ten", { 9.9996e-5, 1.5e-4 }, false, { "1.0e-4", "1.5e-4" } },
        { "logarithmic: each its own digits", { 0.5, 1, 2, 5, 10, 20 }, true, { "0.5", "1", "2", "5", "10", "20" } },
        { "logarithmic: one notation", { 2e-4, 5e-4 }, true, { "2e-4", "5e-4" } },
        { "a single tick", { 0.25 }, false, { "0.25" } },
        { "none", {}, false, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TickLabels(c.ticks, c.logarithmic), c.want);
    }
}
