#pragma once
#include <vector>

namespace morvane {

// The rotor's speed over a run: from rest at t = 0 it accelerates at a fixed rate to its
// speed, and may later change to a second speed at the same rate. Speed is piecewise
// linear in time, so omega^2 t (the integral of omega^2 over time) has a closed form:
//
//   rpm  |      ______________
//        |     /              \_________      <- optional second speed
//        |    /
//        |___/________________________________ t
//        0  accelerating
class RotorSchedule {
public:
    // First speed in rpm and acceleration in rpm per second (both > 0; not checked here).
    RotorSchedule(double rpm, double accelerationRpmPerSecond);

    // From atSeconds on, the rotor changes to rpm at the same rate. Only one change is kept:
    // a second call replaces the first. A change that begins before the first speed is
    // reached starts from the speed of that moment.
    void SetSpeedChange(double atSeconds, double rpm);

    double RpmAt(double seconds) const;
    double OmegaSquaredAt(double seconds) const; // rad^2/s^2
    double Omega2tAt(double seconds) const; // integral of omega^2 from 0, rad^2/s
    // Largest omega^2 within [fromSeconds, toSeconds].
    double MaxOmegaSquaredBetween(double fromSeconds, double toSeconds) const;
    // The speed the rotor holds at the end of the schedule, rpm.
    double FinalRpm() const;

    // omega^2 of a speed: (2 pi rpm / 60)^2.
    static double OmegaSquaredOfRpm(double rpm);

private:
    struct Knot {
        double seconds;
        double rpm;
    };
    void Rebuild();

    double rpm_;
    double acceleration_;
    double changeAt_ = -1; // < 0: no second speed
    double changeRpm_ = 0;
    std::vector<Knot> knots_; // rpm is linear between knots, constant after the last
    std::vector<double> omega2tAtKnot_; // omega^2 t reached at each knot
};

} // namespace morvane
