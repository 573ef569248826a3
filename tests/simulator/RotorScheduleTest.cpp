#include <cmath>
#include <gtest/gtest.h>

#include "simulator/RotorSchedule.h"

using namespace morvane;

namespace {
constexpr double K = 2 * M_PI / 60; // rad/s per rpm
}

// Hand-worked: 500 rpm/s to 50000 rpm takes 100 s; while accelerating
// w^2 t = K^2 a^2 t^3 / 3, afterwards it grows by K^2 50000^2 per second.
TEST(RotorSchedule, AccelerationFromRest)
{
    const RotorSchedule rotor(50000, 500);
    const double k2 = K * K;
    EXPECT_NEAR(rotor.RpmAt(10), 5000, 1e-9);
    EXPECT_NEAR(rotor.Omega2tAt(100) / (k2 * 500.0 * 500.0 * 1e6 / 3), 1.0, 1e-12);
    EXPECT_NEAR(rotor.Omega2tAt(1100) / (k2 * 500.0 * 500.0 * 1e6 / 3 + k2 * 50000.0 * 50000.0 * 1000), 1.0, 1e-12);
    // The apparent time of a scan, w^2 t / w^2, lags the elapsed time by two thirds of the
    // acceleration phase: 1100 - 100 * 2/3.
    EXPECT_NEAR(rotor.Omega2tAt(1100) / RotorSchedule::OmegaSquaredOfRpm(50000), 1100 - 200.0 / 3, 1e-9);
    EXPECT_NEAR(RotorSchedule::OmegaSquaredOfRpm(50000), 27415567.78, 0.01);
}

// A speed change ramps at the same 500 rpm/s. Down from 50000 to 30000 rpm at 1000 s takes 40 s
// and adds K^2 (50000^3 - 30000^3) / 1500; up to 40000 rpm at 50 s, during the acceleration
// (25000 rpm then), takes 30 s and adds K^2 (40000^3 - 25000^3) / 1500.
TEST(RotorSchedule, SecondSpeed)
{
    const double k2 = K * K, a2 = 500.0 * 500.0;
    const struct {
        const char* name;
        double changeAt, rpm, probeT, probeRpm, finalAt, omega2tFinal;
    } cases[] = {
        { "down after reaching speed", 1000, 30000, 1020, 40000, 1040,
            k2 * (a2 * 1e6 / 3 + 50000.0 * 50000.0 * 900 + (1.25e14 - 2.7e13) / 1500) },
        { "during acceleration", 50, 40000, 60, 30000, 80, k2 * (a2 * 125000 / 3 + (6.4e13 - 1.5625e13) / 1500) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RotorSchedule rotor(50000, 500);
        rotor.SetSpeedChange(c.changeAt, c.rpm);
        EXPECT_NEAR(rotor.RpmAt(c.probeT), c.probeRpm, 1e-9);
        EXPECT_NEAR(rotor.RpmAt(c.finalAt + 1), c.rpm, 1e-9);
        EXPECT_NEAR(rotor.Omega2tAt(c.finalAt) / c.omega2tFinal, 1.0, 1e-9);
        // w^2 t grows by w^2 per second once the new speed holds.
        const double w2 = RotorSchedule::OmegaSquaredOfRpm(c.rpm);
        EXPECT_NEAR(rotor.Omega2tAt(c.finalAt + 500) - rotor.Omega2tAt(c.finalAt), 500 * w2, 1e-6 * 500 * w2);
    }
}
