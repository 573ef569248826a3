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
    for (std::vector<double>* v : { &c_, &diag_, &upper_, &explicitDiag_, &explicitUpper_, &rhs_ })
        v->reserve(room);
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

// B + scale (D K - s w^2 E) of the two end elements, with the lattice's first node at `first`:
// out[0] the element at the meniscus (nodes 0, 1), out[1] the one at the bottom (last two nodes).
void MovingHatLamm::EndElements(double first, double scale, double out[2][2][2]) const
{
    const size_t lattice = c_.size() - 2;
    const double advection = s_ * omega2_;
    const double lastLattice = first + static_cast<double>(lattice - 1) * h_;
    const double y0[2] = { logMeniscus_, lastLattice };
    const double len[2] = { first - logMeniscus_, logBottom_ - lastLattice };
    for (int end = 0; end < 2; ++end) {
        const ElementIntegrals e = Integrate(y0[end], len[end], end == 0);
        const double kd = d_ / len[end];
        // Row p, column q: B_pq + scale (D K_pq - s w^2 sign_p flux_q), sign -1 for the left node.
        for (int p = 0; p < 2; ++p)
            for (int q = 0; q < 2; ++q)
                out[end][p][q]
                    = e.mass[p][q] + scale * ((p == q ? kd : -kd) - advection * (p == 0 ? -1 : 1) * e.flux[q]);
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
    const size_t nodes = c_.size();
    const size_t lattice = nodes - 2;
    double endI[2][2][2], endE[2][2][2];
    EndElements(firstLattice_ + shift, theta * dt, endI);
    EndElements(firstLattice_, -(1 - theta) * dt, endE);
    // The lattice elements (left node e + 1) differ from the unit element by exp(2 y) of that node:
    // implicit side at the step's end, explicit side at its start.
    const double gI = std::exp(2 * (firstLattice_ + shift)), gE = std::exp(2 * firstLattice_);
    const double kI = theta * dt * d_ / h_, kE = -(1 - theta) * dt * d_ / h_;
    const double m00 = unitMass_[0][0], m01 = unitMass_[0][1], m11 = unitMass_[1][1];
    diag_.resize(nodes);
    upper_.resize(nodes);
    rhs_.resize(nodes);
    explicitDiag_.resize(nodes);
    explicitUpper_.resize(nodes);
    for (size_t a = 0; a < nodes; ++a) {
        double dI = 0, dE = 0, uI = 0, uE = 0;
        if (a >= 2 && a <= lattice) { // lattice element on the left
            const double q = growth_[a - 2] * m11;
            dI += gI * q + kI;
            dE += gE * q + kE;
        }
        if (a >= 1 && a < lattice) { // lattice element on the right
            const double q = growth_[a - 1];
            dI += gI * q * m00 + kI;
            dE += gE * q * m00 + kE;
            uI = gI * q * m01 - kI;
            uE = gE * q * m01 - kE;
        }
        diag_[a] = dI;
        upper_[a] = uI;
        explicitDiag_[a] = dE;
        explicitUpper_[a] = uE;
    }
    // The lattice part is symmetric; the end elements are not (their flux term).
    lowerFirst_[0] = upper_[0] + endI[0][1][0];
    lowerFirst_[1] = explicitUpper_[0] + endE[0][1][0];
    lowerLast_[0] = upper_[nodes - 2] + endI[1][1][0];
    lowerLast_[1] = explicitUpper_[nodes - 2] + endE[1][1][0];
    for (int end = 0; end < 2; ++end) {
        const size_t a = end == 0 ? 0 : nodes - 2;
        diag_[a] += endI[end][0][0];
        diag_[a + 1] += endI[end][1][1];
        upper_[a] += endI[end][0][1];
        explicitDiag_[a] += endE[end][0][0];
        explicitDiag_[a + 1] += endE[end][1][1];
        explicitUpper_[a] += endE[end][0][1];
    }
    // lower(i) couples row i + 1 to node i: the upper entry, but at the two end elements.
    auto lower = [&](size_t i, bool implicitSide) {
        if (i == 0)
            return implicitSide ? lowerFirst_[0] : lowerFirst_[1];
        if (i == nodes - 2)
            return implicitSide ? lowerLast_[0] : lowerLast_[1];
        return implicitSide ? upper_[i] : explicitUpper_[i];
    };
    for (size_t i = 0; i < nodes; ++i) {
        double r = explicitDiag_[i] * c_[i];
        if (i > 0)
            r += lower(i - 1, false) * c_[i - 1];
        if (i + 1 < nodes)
            r += explicitUpper_[i] * c_[i + 1];
        rhs_[i] = r;
    }
    // Thomas algorithm; upper_ becomes the eliminated upper diagonal.
    double prevUpper = 0, prev = 0, low = 0;
    for (size_t i = 0; i < nodes; ++i) {
        const double nextLow = i + 1 < nodes ? lower(i, true) : 0; // before upper_[i] is scaled
        const double inv = 1 / (diag_[i] - low * prevUpper);
        upper_[i] *= inv;
        prev = (rhs_[i] - low * prev) * inv;
        c_[i] = prev;
        prevUpper = upper_[i];
        low = nextLow;
    }
    for (size_t i = nodes - 1; i-- > 0;)
        c_[i] -= upper_[i] * c_[i + 1];
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
