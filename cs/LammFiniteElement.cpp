#include "cs/LammFiniteElement.h"

#include <algorithm>
#include <cmath>

namespace morvane::cs {

namespace {

// Three-point Gauss-Legendre rule on [0, 1]: exact for polynomials of degree 5; the weight
// exp(2 y) varies by a few parts in a thousand across an element, so its error is far below 1e-12.
constexpr double GaussU[3] = { 0.1127016653792583, 0.5, 0.8872983346207417 };
constexpr double GaussW[3] = { 5.0 / 18, 8.0 / 18, 5.0 / 18 };

// Steps: short at the start, growing with time (the moving frame leaves only diffusion, whose
// shapes change on the time scale of t itself), never longer than MaxStep.
constexpr double MinStep = 0.25; // s
constexpr double StepGrowth = 0.04;
constexpr double MaxStep = 120; // s
// The first steps are implicit Euler, which damps the sharp start at the meniscus that
// Crank-Nicolson would leave ringing (R. Rannacher, Numer. Math. 43, 309, 1984).
constexpr int64_t EulerSteps = 4;

// Integrals over one element [y0, y0 + len] of exp(2y) phi_p phi_q dy (mass), and of
// g(u) exp(2y) phi_q du for the moving-mesh flux with g = 1 - u (first element) or u (last).
struct ElementIntegrals {
    double mass[2][2];
    double flux[2]; // q = 0, 1
    double amount[2]; // exp(2y) phi_p dy
};

ElementIntegrals Integrate(double y0, double len, bool first)
{
    ElementIntegrals e {};
    for (int k = 0; k < 3; ++k) {
        const double u = GaussU[k];
        const double phi[2] = { 1 - u, u };
        const double weight = GaussW[k] * std::exp(2 * (y0 + len * u));
        const double g = first ? 1 - u : u;
        for (int p = 0; p < 2; ++p) {
            for (int q = 0; q < 2; ++q)
                e.mass[p][q] += weight * len * phi[p] * phi[q];
            e.flux[p] += weight * g * phi[p];
            e.amount[p] += weight * len * phi[p];
        }
    }
    return e;
}

} // namespace

MovingHatLamm::MovingHatLamm(
    double sSeconds, double diffusion, double meniscusCm, double bottomCm, double omegaSquared, int32_t elements)
    : s_(sSeconds)
    , d_(diffusion)
    , omega2_(omegaSquared)
    , logMeniscus_(std::log(meniscusCm))
    , logBottom_(std::log(bottomCm))
    , n_(std::max(elements, 4))
{
    h_ = (logBottom_ - logMeniscus_) / (n_ + 0.5);
    c_.assign(static_cast<size_t>(n_) + 1, 1.0);
    const size_t nodes = c_.size();
    massDiag_.assign(nodes, 0);
    massOff_.assign(nodes, 0);
    // The lattice elements 1 .. n - 2 at phase 0 differ only by their factor exp(2 y0).
    const ElementIntegrals unit = Integrate(0, h_, false);
    for (int32_t e = 1; e + 1 < n_; ++e) {
        const double g = std::exp(2 * (logMeniscus_ + e * h_));
        massDiag_[e] += g * unit.mass[0][0];
        massDiag_[e + 1] += g * unit.mass[1][1];
        massOff_[e] += g * unit.mass[0][1];
    }
    for (Tridiagonal* m : { &lhs_, &explicit_ }) {
        m->lower.assign(nodes, 0);
        m->diag.assign(nodes, 0);
        m->upper.assign(nodes, 0);
    }
    rhs_.assign(nodes, 0);
    work_.assign(nodes, 0);
}

void MovingHatLamm::SetDepletionRadius(double radiusCm, double level)
{
    depletionLog_ = std::log(radiusCm);
    depletionLevel_ = level;
    CheckDepletion();
}

void MovingHatLamm::CheckDepletion()
{
    if (depleted_ || !(depletionLevel_ > 0))
        return;
    // Nodes up to the first one at or beyond the depletion radius.
    for (int32_t i = 0; i <= n_; ++i) {
        if (std::fabs(c_[static_cast<size_t>(i)]) > depletionLevel_)
            return;
        const double y = i == 0 ? logMeniscus_ : i == n_ ? logBottom_ : logMeniscus_ + (i + phase_) * h_;
        if (y >= depletionLog_)
            break;
    }
    depleted_ = true;
}

// Adds B_e + scale (D K_e - s w^2 E_e) of the two stretching elements at the given phase.
void MovingHatLamm::AddEndElements(double phase, double scale, double advection, Tridiagonal& m) const
{
    const struct {
        int32_t node; // its first node
        double y0, len;
        bool first;
    } ends[2] = {
        { 0, logMeniscus_, (1 + phase) * h_, true },
        { n_ - 1, logMeniscus_ + (n_ - 1 + phase) * h_, (1.5 - phase) * h_, false },
    };
    for (const auto& end : ends) {
        const ElementIntegrals e = Integrate(end.y0, end.len, end.first);
        const double k = d_ / end.len;
        // Row p, column q: B_pq + scale (D K_pq - s w^2 sign_p flux_q), sign -1 for the left node.
        double local[2][2];
        for (int p = 0; p < 2; ++p)
            for (int q = 0; q < 2; ++q)
                local[p][q] = e.mass[p][q] + scale * ((p == q ? k : -k) - advection * (p == 0 ? -1 : 1) * e.flux[q]);
        const auto a = static_cast<size_t>(end.node);
        m.diag[a] += local[0][0];
        m.upper[a] += local[0][1];
        m.lower[a] += local[1][0];
        m.diag[a + 1] += local[1][1];
    }
}

void MovingHatLamm::Step(double dt, double theta)
{
    const double sw2 = s_ * omega2_;
    const double phase1 = std::min(sw2 * (seconds_ + dt) / h_ - static_cast<double>(wraps_), 1.0);
    // M(phase, a) = B(phase) + a (D K - s w^2 E); implicit side a = theta dt, explicit -(1 - theta) dt.
    auto assemble = [&](double phase, double a, Tridiagonal& m) {
        const double grow = std::exp(2 * phase * h_);
        const double k = a * d_ / h_;
        const size_t nodes = c_.size();
        for (size_t i = 0; i < nodes; ++i) {
            const bool left = i >= 2 && i + 1 < nodes; // lattice element i - 1 to its left
            const bool right = i >= 1 && i + 2 < nodes; // lattice element i to its right
            m.diag[i] = grow * massDiag_[i] + k * ((left ? 1 : 0) + (right ? 1 : 0));
            m.upper[i] = right ? grow * massOff_[i] - k : 0;
            m.lower[i] = m.upper[i];
        }
        AddEndElements(phase, a, sw2, m);
    };
    assemble(phase1, theta * dt, lhs_);
    assemble(phase_, -(1 - theta) * dt, explicit_);
    const size_t nodes = c_.size();
    for (size_t i = 0; i < nodes; ++i) {
        double r = explicit_.diag[i] * c_[i];
        if (i > 0)
            r += explicit_.lower[i - 1] * c_[i - 1];
        if (i + 1 < nodes)
            r += explicit_.upper[i] * c_[i + 1];
        rhs_[i] = r;
    }
    // Thomas algorithm: lower[i] couples row i + 1 to node i, upper[i] row i to node i + 1.
    double prevUpper = 0;
    for (size_t i = 0; i < nodes; ++i) {
        const double low = i > 0 ? lhs_.lower[i - 1] : 0;
        const double denom = lhs_.diag[i] - low * prevUpper;
        work_[i] = lhs_.upper[i] / denom;
        c_[i] = (rhs_[i] - low * (i > 0 ? c_[i - 1] : 0)) / denom;
        prevUpper = work_[i];
    }
    for (size_t i = nodes - 1; i-- > 0;)
        c_[i] -= work_[i] * c_[i + 1];
    seconds_ += dt;
    phase_ = phase1;
    ++steps_;
}

void MovingHatLamm::Wrap()
{
    // At phase 1 the first element is two widths long and the last lattice node half a width from
    // the bottom: insert a node one width from the meniscus, take that one out, renumber.
    const auto n = static_cast<size_t>(n_);
    const double yLast = logMeniscus_ + (n_ - 1) * h_; // old node n - 2, new node n - 1
    const ElementIntegrals inner = Integrate(yLast, h_, false);
    const ElementIntegrals outer = Integrate(yLast + h_, 0.5 * h_, false);
    const ElementIntegrals merged = Integrate(yLast, 1.5 * h_, false);
    const double amount = c_[n - 2] * inner.amount[0] + c_[n - 1] * (inner.amount[1] + outer.amount[0])
        + c_[n] * outer.amount[1];
    const double bottom = (amount - c_[n - 2] * merged.amount[0]) / merged.amount[1];
    for (size_t i = n - 1; i >= 2; --i)
        c_[i] = c_[i - 1];
    c_[1] = 0.5 * (c_[0] + c_[2]);
    c_[n] = bottom;
    ++wraps_;
    phase_ = 0;
}

double MovingHatLamm::NextStep(double target) const
{
    double dt = std::min({ MaxStep, MinStep + StepGrowth * seconds_, target - seconds_ });
    const double wrapAt = static_cast<double>(wraps_ + 1) * h_ / (s_ * omega2_);
    if (seconds_ + dt >= wrapAt - 1e-9 * wrapAt)
        dt = wrapAt - seconds_;
    return dt;
}

void MovingHatLamm::AdvanceTo(double seconds)
{
    while (!depleted_ && seconds_ < seconds - 1e-9 * seconds) {
        const double dt = NextStep(seconds);
        const double wrapAt = static_cast<double>(wraps_ + 1) * h_ / (s_ * omega2_);
        Step(dt, steps_ < EulerSteps ? 1.0 : 0.5);
        if (seconds_ >= wrapAt - 1e-9 * wrapAt) {
            seconds_ = std::max(seconds_, wrapAt);
            Wrap();
        }
    }
    seconds_ = std::max(seconds_, seconds);
    if (!depleted_)
        phase_ = std::clamp(s_ * omega2_ * seconds_ / h_ - static_cast<double>(wraps_), 0.0, 1.0);
    CheckDepletion();
}

MovingHatLamm::Snapshot MovingHatLamm::Take() const
{
    Snapshot s;
    if (!depleted_)
        s.values = c_;
    s.phase = phase_;
    return s;
}

void MovingHatLamm::Evaluate(const Snapshot& snap, const double* logRadii, int32_t count, double* out) const
{
    if (snap.values.empty()) {
        std::fill(out, out + count, 0.0);
        return;
    }
    const double* c = snap.values.data();
    const double phase = snap.phase;
    const double inv = 1 / h_;
    for (int32_t k = 0; k < count; ++k) {
        const double t = (logRadii[k] - logMeniscus_) * inv; // in lattice widths from the meniscus
        double u = 0;
        int32_t a = 0;
        if (t < 1 + phase) {
            u = t / (1 + phase);
        } else if (t - phase < n_ - 1) {
            a = static_cast<int32_t>(t - phase);
            u = t - phase - a;
        } else {
            a = n_ - 1;
            u = (t - (n_ - 1 + phase)) / (1.5 - phase);
        }
        u = std::clamp(u, 0.0, 1.0);
        out[k] = c[a] + u * (c[a + 1] - c[a]);
    }
}

double MovingHatLamm::TotalAmount() const
{
    double sum = 0;
    for (int32_t e = 0; e < n_; ++e) {
        const double y0 = e == 0 ? logMeniscus_ : logMeniscus_ + (e + phase_) * h_;
        const double y1 = e + 1 == n_ ? logBottom_ : logMeniscus_ + (e + 1 + phase_) * h_;
        const ElementIntegrals in = Integrate(y0, y1 - y0, false);
        sum += c_[static_cast<size_t>(e)] * in.amount[0] + c_[static_cast<size_t>(e) + 1] * in.amount[1];
    }
    return sum;
}

} // namespace morvane::cs
