#include <cmath>
#include <gtest/gtest.h>

#include "simulator/RotorSchedule.h"

namespace {
constexpr double K = 2 * M_PI / 60; // rad/s per rpm
}

// Hand-worked: 500 rpm/s to 50000 rpm takes 100 s; while accelerating
// w^2 t = K^2 a^2 t^3 / 3, afterwards it grows by K^2 50000^2 per second.
TEST(RotorSchedule, AccelerationFromRest)
{
    const RotorSchedule rotor(50000, 500);
    const double k2 = K * K;
    const struct {
        double t, rpm, omega2t;
    } cases[] = {
        { 0, 0, 0 },
        { 10, 5000, k2 * 500.0 * 500.0 * 1000 / 3 },
        { 100, 50000, k2 * 500.0 * 500.0 * 1e6 / 3 },
        { 1100, 50000, k2 * 500.0 * 500.0 * 1e6 / 3 + k2 * 50000.0 * 50000.0 * 1000 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.t);
        EXPECT_NEAR(rotor.RpmAt(c.t), c.rpm, 1e-9);
        EXPECT_NEAR(rotor.Omega2tAt(c.t), c.omega2t, 1e-9 * std::max(1.0, c.omega2t));
    }
    // The apparent time of a scan, w^2 t / w^2, lags the elapsed time by two thirds of the
    // acceleration phase: 1100 - 100 * 2/3.
    EXPECT_NEAR(rotor.Omega2tAt(1100) / RotorSchedule::OmegaSquaredOfRpm(50000), 1100 - 200.0 / 3, 1e-9);
    EXPECT_NEAR(RotorSchedule::OmegaSquaredOfRpm(50000), 27415567.78, 0.01);
}

TEST(RotorSchedule, SecondSpeed)
{
    const struct {
        const char* name;
        double changeAt, rpm;
        double probeT, probeRpm;
        double finalAt;
    } cases[] = {
        { "down after reaching speed", 1000, 30000, 1020, 40000, 1040 },
        { "up after reaching speed", 1000, 60000, 1010, 55000, 1020 },
        { "during acceleration, from the speed then", 50, 40000, 60, 30000, 80 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RotorSchedule rotor(50000, 500);
        rotor.SetSpeedChange(c.changeAt, c.rpm);
        EXPECT_NEAR(rotor.RpmAt(c.probeT), c.probeRpm, 1e-9);
        EXPECT_NEAR(rotor.RpmAt(c.finalAt + 1), c.rpm, 1e-9);
        EXPECT_DOUBLE_EQ(rotor.FinalRpm(), c.rpm);
        // w^2 t grows by w^2 per second once the new speed holds, and never jumps.
        const double w2 = RotorSchedule::OmegaSquaredOfRpm(c.rpm);
        EXPECT_NEAR(rotor.Omega2tAt(c.finalAt + 500) - rotor.Omega2tAt(c.finalAt + 100), 400 * w2, 1e-6 * 400 * w2);
        double previous = 0;
        for (double t = 0; t < c.finalAt + 50; t += 0.5) {
            const double v = rotor.Omega2tAt(t);
            ASSERT_GE(v, previous);
            ASSERT_LT(v - previous, 0.5 * RotorSchedule::OmegaSquaredOfRpm(60000) * 1.0001);
            previous = v;
        }
        EXPECT_NEAR(rotor.MaxOmegaSquaredBetween(c.changeAt - 10, c.finalAt + 10),
            RotorSchedule::OmegaSquaredOfRpm(std::max(rotor.RpmAt(c.changeAt), c.rpm)), 1e-6);
    }
}
