#include "simulator/RotorSchedule.h"

#include <algorithm>
#include <cmath>

namespace morvane {

namespace {

constexpr double RadPerSecondPerRpm = 2 * M_PI / 60;

// Integral of omega^2 over a segment of length h on which the speed goes linearly from r0 to r1.
double SegmentOmega2t(double r0, double r1, double h)
{
    return RadPerSecondPerRpm * RadPerSecondPerRpm * h * (r0 * r0 + r0 * r1 + r1 * r1) / 3;
}

} // namespace

RotorSchedule::RotorSchedule(double rpm, double accelerationRpmPerSecond)
    : rpm_(rpm)
    , acceleration_(accelerationRpmPerSecond)
{
    Rebuild();
}

void RotorSchedule::SetSpeedChange(double atSeconds, double rpm)
{
    changeAt_ = atSeconds;
    changeRpm_ = rpm;
    Rebuild();
}

void RotorSchedule::Rebuild()
{
    knots_.assign(1, Knot { 0, 0 });
    const double reached = rpm_ / acceleration_;
    if (changeAt_ < 0 || changeAt_ >= reached) {
        knots_.push_back({ reached, rpm_ });
        if (changeAt_ >= 0) {
            knots_.push_back({ changeAt_, rpm_ });
            knots_.push_back({ changeAt_ + std::fabs(changeRpm_ - rpm_) / acceleration_, changeRpm_ });
        }
    } else {
        const double now = acceleration_ * changeAt_;
        knots_.push_back({ changeAt_, now });
        knots_.push_back({ changeAt_ + std::fabs(changeRpm_ - now) / acceleration_, changeRpm_ });
    }
    omega2tAtKnot_.assign(knots_.size(), 0);
    for (size_t k = 1; k < knots_.size(); ++k)
        omega2tAtKnot_[k] = omega2tAtKnot_[k - 1]
            + SegmentOmega2t(knots_[k - 1].rpm, knots_[k].rpm, knots_[k].seconds - knots_[k - 1].seconds);
}

double RotorSchedule::RpmAt(double seconds) const
{
    if (seconds <= 0)
        return 0;
    for (size_t k = 1; k < knots_.size(); ++k) {
        if (seconds < knots_[k].seconds) {
            const Knot& a = knots_[k - 1];
            const Knot& b = knots_[k];
            return a.rpm + (b.rpm - a.rpm) * (seconds - a.seconds) / (b.seconds - a.seconds);
        }
    }
    return knots_.back().rpm;
}

double RotorSchedule::OmegaSquaredAt(double seconds) const { return OmegaSquaredOfRpm(RpmAt(seconds)); }

double RotorSchedule::Omega2tAt(double seconds) const
{
    if (seconds <= 0)
        return 0;
    size_t k = 1;
    while (k < knots_.size() && knots_[k].seconds <= seconds)
        ++k;
    const Knot& a = knots_[k - 1];
    return omega2tAtKnot_[k - 1] + SegmentOmega2t(a.rpm, RpmAt(seconds), seconds - a.seconds);
}

double RotorSchedule::MaxOmegaSquaredBetween(double fromSeconds, double toSeconds) const
{
    // Speed is piecewise linear, so its maximum lies at an end or at a knot in between.
    double best = std::max(OmegaSquaredAt(fromSeconds), OmegaSquaredAt(toSeconds));
    for (const Knot& k : knots_)
        if (k.seconds > fromSeconds && k.seconds < toSeconds)
            best = std::max(best, OmegaSquaredOfRpm(k.rpm));
    return best;
}

double RotorSchedule::FinalRpm() const { return knots_.back().rpm; }

double RotorSchedule::OmegaSquaredOfRpm(double rpm)
{
    const double w = RadPerSecondPerRpm * rpm;
    return w * w;
}

} // namespace morvane
