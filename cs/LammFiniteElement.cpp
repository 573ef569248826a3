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
constexpr double MinStep = 2; // s
constexpr double StepGrowth = 0.1;
constexpr double MaxStep = 120; // s
// The first steps are implicit Euler, which damps the sharp start at the meniscus that
// Crank-Nicolson would leave ringing (R. Rannacher, Numer. Math. 43, 309, 1984).
constexpr int64_t EulerSteps = 4;
// A step carries the lattice at most this many widths: the two end elements stretch and shrink by
// as much within it.
constexpr double MaxWidthsPerStep = 8;

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
{
    const int32_t n = std::max(elements, 4);
    // The column is n + 1/2 widths: lattice nodes 1 .. n - 1 one width apart from the meniscus on,
    // the last element one and a half widths.
    h_ = (logBottom_ - logMeniscus_) / (n + 0.5);
    firstLattice_ = logMeniscus_ + h_;
    c_.assign(static_cast<size_t>(n) + 1, 1.0);
    const ElementIntegrals unit = Integrate(0, h_, false);
    for (int p = 0; p < 2; ++p)
        for (int q = 0; q < 2; ++q)
            unitMass_[p][q] = unit.mass[p][q];
    // Room for the nodes a step may put back at the meniscus before the bottom loses its own.
    const size_t room = static_cast<size_t>(n) + 2 * static_cast<size_t>(MaxWidthsPerStep) + 4;
    for (size_t k = 0; k < room; ++k)
        growth_.push_back(std::exp(2 * static_cast<double>(k) * h_));
    for (Tridiagonal* m : { &lhs_, &explicit_ }) {
        m->lower.reserve(room);
        m->diag.reserve(room);
        m->upper.reserve(room);
    }
    c_.reserve(room);
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
    const size_t nodes = c_.size();
    for (size_t i = 0; i < nodes; ++i) {
        if (std::fabs(c_[i]) > depletionLevel_)
            return;
        const double y = i == 0 ? logMeniscus_
            : i + 1 == nodes    ? logBottom_
                                : firstLattice_ + static_cast<double>(i - 1) * h_;
        if (y >= depletionLog_)
            break;
    }
    depleted_ = true;
}

// M = B + scale (D K - s w^2 E) with the lattice's first node at `first`: the lattice elements
// differ from the unit element by exp(2 y) of their left node; the two end elements are integrated.
void MovingHatLamm::Assemble(double first, double scale, Tridiagonal& m) const
{
    const size_t nodes = c_.size();
    const size_t lattice = nodes - 2; // lattice nodes; lattice elements = lattice - 1
    m.lower.assign(nodes, 0);
    m.diag.assign(nodes, 0);
    m.upper.assign(nodes, 0);
    const double g0 = std::exp(2 * first);
    const double k = scale * d_ / h_;
    for (size_t e = 0; e + 1 < lattice; ++e) {
        const size_t a = e + 1; // its left node
        const double g = g0 * growth_[e];
        m.diag[a] += g * unitMass_[0][0] + k;
        m.diag[a + 1] += g * unitMass_[1][1] + k;
        m.upper[a] += g * unitMass_[0][1] - k;
        m.lower[a] += g * unitMass_[1][0] - k;
    }
    const double advection = s_ * omega2_;
    const double lastLattice = first + static_cast<double>(lattice - 1) * h_;
    const struct {
        size_t node; // its left node
        double y0, len;
        bool first;
    } ends[2] = {
        { 0, logMeniscus_, first - logMeniscus_, true },
        { nodes - 2, lastLattice, logBottom_ - lastLattice, false },
    };
    for (const auto& end : ends) {
        const ElementIntegrals e = Integrate(end.y0, end.len, end.first);
        const double kd = d_ / end.len;
        // Row p, column q: B_pq + scale (D K_pq - s w^2 sign_p flux_q), sign -1 for the left node.
        double local[2][2];
        for (int p = 0; p < 2; ++p)
            for (int q = 0; q < 2; ++q)
                local[p][q] = e.mass[p][q] + scale * ((p == q ? kd : -kd) - advection * (p == 0 ? -1 : 1) * e.flux[q]);
        m.diag[end.node] += local[0][0];
        m.upper[end.node] += local[0][1];
        m.lower[end.node] += local[1][0];
        m.diag[end.node + 1] += local[1][1];
    }
}

void MovingHatLamm::RemoveNearBottom(double shift)
{
    // The last lattice node would come within half a width of the bottom during the step: merge its
    // two elements into one, the bottom node keeping the amount they hold.
    for (;;) {
        const size_t nodes = c_.size();
        const size_t lattice = nodes - 2;
        const double yLast = firstLattice_ + static_cast<double>(lattice - 1) * h_;
        if (lattice < 3 || yLast + shift <= logBottom_ - 0.5 * h_)
            return;
        const double yBefore = yLast - h_;
        const ElementIntegrals inner = Integrate(yBefore, h_, false);
        const ElementIntegrals outer = Integrate(yLast, logBottom_ - yLast, false);
        const ElementIntegrals merged = Integrate(yBefore, logBottom_ - yBefore, false);
        const double amount = c_[nodes - 3] * inner.amount[0] + c_[nodes - 2] * (inner.amount[1] + outer.amount[0])
            + c_[nodes - 1] * outer.amount[1];
        const double bottom = (amount - c_[nodes - 3] * merged.amount[0]) / merged.amount[1];
        c_.pop_back();
        c_.back() = bottom;
    }
}

void MovingHatLamm::InsertNearMeniscus()
{
    // Lattice nodes one width apart back into the stretched first element, on its linear interpolant.
    while (firstLattice_ - h_ >= logMeniscus_ + 0.5 * h_ && c_.size() < growth_.size()) {
        const double y = firstLattice_ - h_;
        const double u = (y - logMeniscus_) / (firstLattice_ - logMeniscus_);
        c_.insert(c_.begin() + 1, c_[0] + u * (c_[1] - c_[0]));
        firstLattice_ = y;
    }
}

void MovingHatLamm::Step(double dt, double theta)
{
    const double shift = s_ * omega2_ * dt; // in ln r
    RemoveNearBottom(shift);
    Assemble(firstLattice_ + shift, theta * dt, lhs_);
    Assemble(firstLattice_, -(1 - theta) * dt, explicit_);
    const size_t nodes = c_.size();
    rhs_.resize(nodes);
    work_.resize(nodes);
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
    firstLattice_ += shift;
    ++steps_;
    InsertNearMeniscus();
}

double MovingHatLamm::NextStep(double target) const
{
    const double widths = MaxWidthsPerStep * h_ / (s_ * omega2_);
    return std::min({ MaxStep, MinStep + StepGrowth * seconds_, widths, target - seconds_ });
}

void MovingHatLamm::AdvanceTo(double seconds)
{
    while (!depleted_ && seconds_ < seconds - 1e-9 * seconds)
        Step(NextStep(seconds), steps_ < EulerSteps ? 1.0 : 0.5);
    CheckDepletion();
}

MovingHatLamm::Snapshot MovingHatLamm::Take() const
{
    Snapshot s;
    if (!depleted_)
        s.values = c_;
    s.firstLattice = firstLattice_;
    return s;
}

void MovingHatLamm::Evaluate(const Snapshot& snap, const double* logRadii, int32_t count, double* out) const
{
    if (snap.values.empty())
        std::fill(out, out + count, 0.0);
    else
        Interpolate(snap.values.data(), snap.values.size(), snap.firstLattice, logRadii, count, out);
}

void MovingHatLamm::Evaluate(const double* logRadii, int32_t count, double* out) const
{
    if (depleted_)
        std::fill(out, out + count, 0.0);
    else
        Interpolate(c_.data(), c_.size(), firstLattice_, logRadii, count, out);
}

void MovingHatLamm::Interpolate(
    const double* c, size_t nodes, double first, const double* logRadii, int32_t count, double* out) const
{
    const double inv = 1 / h_;
    const size_t lattice = nodes - 2;
    const double lastLattice = first + static_cast<double>(lattice - 1) * h_;
    for (int32_t k = 0; k < count; ++k) {
        const double y = logRadii[k];
        size_t a = 0;
        double u = 0;
        if (y < first) {
            u = (y - logMeniscus_) / (first - logMeniscus_);
        } else if (y < lastLattice) {
            const double t = (y - first) * inv;
            a = std::min(static_cast<size_t>(t), lattice - 2) + 1;
            u = t - static_cast<double>(a - 1);
        } else {
            a = nodes - 2;
            u = (y - lastLattice) / (logBottom_ - lastLattice);
        }
        u = std::clamp(u, 0.0, 1.0);
        out[k] = c[a] + u * (c[a + 1] - c[a]);
    }
}

double MovingHatLamm::TotalAmount() const
{
    const size_t nodes = c_.size();
    double sum = 0;
    for (size_t e = 0; e + 1 < nodes; ++e) {
        const double y0 = e == 0 ? logMeniscus_ : firstLattice_ + static_cast<double>(e - 1) * h_;
        const double y1 = e + 2 == nodes ? logBottom_ : firstLattice_ + static_cast<double>(e) * h_;
        const ElementIntegrals in = Integrate(y0, y1 - y0, false);
        sum += c_[e] * in.amount[0] + c_[e + 1] * in.amount[1];
    }
    return sum;
}

} // namespace morvane::cs
