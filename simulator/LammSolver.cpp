#include "simulator/LammSolver.h"

#include <algorithm>
#include <cmath>

namespace morvane {

LammSolver::LammSolver(const LammSpecies& species, double meniscusCm, double bottomCm, const RotorSchedule& rotor,
    const LammGridRules& rules)
    : species_(species)
    , rotor_(rotor)
    , rules_(rules)
    , meniscus_(meniscusCm)
    , bottom_(bottomCm)
{
    const double span = std::log(bottom_ / meniscus_);
    const auto byWidth = static_cast<int32_t>(std::ceil(span / std::log1p(rules_.maxCellCm / meniscus_)));
    const int32_t n = std::max({ byWidth, rules_.minCells, 2 });
    dy_ = span / n;
    sSeconds_ = species_.sSvedberg * 1e-13;
    face_.resize(n + 1);
    centre_.resize(n);
    area_.resize(n);
    const double y0 = std::log(meniscus_);
    for (int32_t i = 0; i <= n; ++i)
        face_[i] = std::exp(y0 + i * dy_);
    face_[0] = meniscus_;
    face_[n] = bottom_;
    for (int32_t i = 0; i < n; ++i) {
        centre_[i] = std::exp(y0 + (i + 0.5) * dy_);
        area_[i] = 0.5 * (face_[i + 1] * face_[i + 1] - face_[i] * face_[i]);
    }
    conductance_.resize(n - 1);
    for (int32_t i = 0; i + 1 < n; ++i)
        conductance_[i] = species_.diffusionCm2s * face_[i + 1] / (centre_[i + 1] - centre_[i]);
    c_.assign(n, species_.loading);
    work_.resize(n);
    UpdateReadout();
}

void LammSolver::SetInitialProfile(const std::function<double(double radiusCm)>& concentration)
{
    if (steps_ > 0 || seconds_ > 0)
        return;
    for (size_t i = 0; i < c_.size(); ++i)
        c_[i] = concentration(centre_[i]);
    UpdateReadout();
}

double LammSolver::NextStepSeconds(double target) const
{
    double dt = std::min(rules_.maxStepSeconds, rules_.minStepSeconds + rules_.stepGrowth * seconds_);
    dt = std::min(dt, target - seconds_);
    if (sSeconds_ > 0) {
        // End the step where sedimentation completes the next whole cell, so every shift falls
        // between two diffusion steps at its own time. Where the layers at meniscus and bottom,
        // D / (s w^2 r) thick, are thinner than a cell, the grid cannot resolve them anyway and
        // one step may take that many cells of sedimentation (sedimentation and diffusion commute
        // away from the walls). A species that fills a cell faster than the shortest step shifts
        // several cells per step too.
        double cells = 1;
        const double w2 = rotor_.MaxOmegaSquaredBetween(seconds_, seconds_ + dt);
        const double cellCm = bottom_ * dy_;
        const double layerCm = species_.diffusionCm2s / (sSeconds_ * w2 * bottom_);
        if (w2 > 0 && layerCm < cellCm)
            cells = std::min(std::floor(cellCm / layerCm), 1e6);
        const double due = (static_cast<double>(shifts_) + cells) * dy_ / sSeconds_; // w^2 t of that shift
        if (rotor_.Omega2tAt(seconds_ + dt) >= due) {
            double lo = seconds_, hi = seconds_ + dt;
            for (int i = 0; i < 60 && hi - lo > 1e-9 * hi; ++i) {
                const double mid = 0.5 * (lo + hi);
                (rotor_.Omega2tAt(mid) >= due ? hi : lo) = mid;
            }
            dt = std::max(hi - seconds_, std::min(rules_.minStepSeconds, target - seconds_));
        }
    }
    return dt;
}

void LammSolver::AdvanceTo(double seconds)
{
    if (!(seconds > seconds_))
        return;
    const bool diffuses = species_.diffusionCm2s > 0;
    while (seconds_ < seconds) {
        // Without diffusion only the shifts change anything: jump straight to the target.
        const double dt = diffuses ? NextStepSeconds(seconds) : seconds - seconds_;
        if (diffuses)
            Diffuse(dt);
        seconds_ = (seconds - seconds_ - dt <= 1e-12 * seconds) ? seconds : seconds_ + dt;
        ++steps_;
        if (sSeconds_ > 0) {
            // Shift whenever the sedimented distance reaches one more whole cell.
            const double cells = sSeconds_ * rotor_.Omega2tAt(seconds_) / dy_;
            const auto due = static_cast<int64_t>(std::floor(cells)) - shifts_;
            if (due > 0)
                Shift(due);
        }
    }
    UpdateReadout();
}

void LammSolver::UpdateReadout()
{
    // The contents have moved a fraction f in [0, 1) of a cell beyond the last whole shift:
    // move that fraction of each cell's amount on to the next cell, as a shift would, so the
    // read-out keeps the amount and the bottom keeps what reaches it.
    double f = 0;
    if (sSeconds_ > 0)
        f = std::clamp(sSeconds_ * rotor_.Omega2tAt(seconds_) / dy_ - static_cast<double>(shifts_), 0.0, 1.0);
    const size_t n = c_.size();
    readout_.resize(n);
    for (size_t i = 0; i < n; ++i) {
        double amount = c_[i] * area_[i] * (i + 1 < n ? 1 - f : 1);
        if (i > 0)
            amount += f * c_[i - 1] * area_[i - 1];
        readout_[i] = amount / area_[i];
    }
}

void LammSolver::SolveImplicit(double alpha, std::vector<double>& x)
{
    // (area - alpha K) x' = x, K the diffusion operator: (K c)_i = G+ (c_{i+1} - c_i) - G- (c_i - c_{i-1}).
    // Thomas algorithm; work_ holds the modified upper diagonal.
    const size_t n = x.size();
    double prevUpper = 0;
    for (size_t i = 0; i < n; ++i) {
        const double lower = i > 0 ? -alpha * conductance_[i - 1] : 0;
        const double upper = i + 1 < n ? -alpha * conductance_[i] : 0;
        const double diag = area_[i] - lower - upper;
        const double denom = diag - lower * prevUpper;
        work_[i] = upper / denom;
        x[i] = (x[i] - lower * (i > 0 ? x[i - 1] : 0)) / denom;
        prevUpper = work_[i];
    }
    for (size_t i = n - 1; i-- > 0;)
        x[i] -= work_[i] * x[i + 1];
}

void LammSolver::Diffuse(double dt)
{
    // TR-BDF2: a trapezoidal stage to t + g dt, then a BDF2 stage to t + dt. Second order and
    // L-stable, so the sharp features a shift leaves are damped rather than made to ring.
    // Both stages keep the amount: K sums to zero over the cells.
    static const double g = 2 - std::sqrt(2.0);
    const size_t n = c_.size();
    stage_.resize(n);
    const double half = 0.5 * g * dt;
    for (size_t i = 0; i < n; ++i) {
        double flux = 0;
        if (i + 1 < n)
            flux += conductance_[i] * (c_[i + 1] - c_[i]);
        if (i > 0)
            flux -= conductance_[i - 1] * (c_[i] - c_[i - 1]);
        stage_[i] = area_[i] * c_[i] + half * flux;
    }
    SolveImplicit(half, stage_);
    const double a = 1 / (g * (2 - g));
    const double b = (1 - g) * (1 - g) / (g * (2 - g));
    for (size_t i = 0; i < n; ++i)
        c_[i] = area_[i] * (a * stage_[i] - b * c_[i]);
    SolveImplicit((1 - g) / (2 - g) * dt, c_);
}

void LammSolver::Shift(int64_t k)
{
    // Cell i receives the contents of cell i - k; the k cells at the meniscus empty; the bottom
    // cell keeps its own contents and gains all that would pass beyond it.
    const auto n = static_cast<int64_t>(c_.size());
    double intoBottom = 0;
    for (int64_t j = std::max<int64_t>(n - 1 - k, 0); j < n - 1; ++j)
        intoBottom += c_[static_cast<size_t>(j)] * area_[static_cast<size_t>(j)];
    const size_t last = static_cast<size_t>(n - 1);
    c_[last] = (c_[last] * area_[last] + intoBottom) / area_[last];
    for (int64_t i = n - 2; i >= 0; --i) {
        const auto u = static_cast<size_t>(i);
        c_[u] = i >= k ? c_[u - static_cast<size_t>(k)] * area_[u - static_cast<size_t>(k)] / area_[u] : 0;
    }
    shifts_ += k;
}

double LammSolver::ConcentrationAt(double radiusCm) const
{
    if (radiusCm < meniscus_ || radiusCm > bottom_)
        return 0;
    // Linear between cell centres, constant from the outer centres to the walls.
    const double y = std::log(radiusCm / meniscus_) / dy_ - 0.5;
    const auto n = static_cast<int64_t>(readout_.size());
    if (y <= 0)
        return readout_[0];
    if (y >= static_cast<double>(n - 1))
        return readout_[static_cast<size_t>(n - 1)];
    const auto i = static_cast<size_t>(y);
    const double w = (radiusCm - centre_[i]) / (centre_[i + 1] - centre_[i]);
    return readout_[i] + w * (readout_[i + 1] - readout_[i]);
}

void LammSolver::AddProfile(const std::vector<double>& radii, double scale, std::vector<double>& out) const
{
    for (size_t k = 0; k < radii.size() && k < out.size(); ++k)
        out[k] += scale * ConcentrationAt(radii[k]);
}

double LammSolver::TotalAmount() const
{
    double sum = 0;
    for (size_t i = 0; i < c_.size(); ++i)
        sum += c_[i] * area_[i];
    return sum;
}

} // namespace morvane
