#include "cs/CsFit.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <thread>

#include "analysis/NumberText.h"
#include "analysis/Rounding.h"
#include "cs/Hydrodynamics.h"
#include "cs/LammFiniteElement.h"
#include "cs/Nnls.h"
#include "cs/Regularisation.h"
#include "species/Svedberg.h"

namespace morvane::cs {

namespace {

constexpr double Svedberg = 1e-13;
// Scans summed together: the sums of a block are added to the others in block order, so the
// result never depends on the number of threads, and a scan added later joins the last block as
// it would have in a fresh fit.
constexpr size_t BlockScans = 16;
// Lattice widths per boundary width sqrt(2 D t) at the first scan, within these bounds: the
// solutions then differ from a fine reference by a few 1e-4 of the loading (LammFiniteElementTest).
constexpr double ElementsPerWidth = 10;
constexpr int32_t MinElements = 100, MaxElements = 1000;
// A species is left alone once nothing inward of the outermost radius exceeds this (of its loading).
constexpr double DepletedLevel = 1e-7;
// The f/f0 search: Brent on [1, 3] to this tolerance, on at most these many scans and radii.
constexpr double RatioLow = 1.0, RatioHigh = 3.0, RatioTolerance = 0.005;
constexpr size_t SearchScans = 40, SearchRadii = 500;
constexpr double MeniscusTolerance = 2e-4; // cm: a tenth of the usual radial step

void RunParallel(int32_t parts, const std::function<void(int32_t)>& work)
{
    if (parts <= 1) {
        work(0);
        return;
    }
    std::vector<std::thread> threads;
    for (int32_t p = 1; p < parts; ++p)
        threads.emplace_back(work, p);
    work(0);
    for (std::thread& t : threads)
        t.join();
}

int32_t ThreadsOf(const CsOptions& o)
{
    if (o.threads > 0)
        return std::min(o.threads, 64);
    return static_cast<int32_t>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

} // namespace

// Named, not anonymous: the fitter's state holds it, and a unity build may put both in one batch.
namespace fitdetail {

// The Lamm solutions of one f/f0 on some of the scans and radii, with the sums of those scans.
struct Evaluation {
    double ratio = 0;
    std::vector<size_t> scans; // indices into the data, ascending
    std::vector<size_t> radii; // indices into the data's radii
    std::vector<double> logRadii;
    std::vector<MovingHatLamm> solvers;
    std::vector<ScanSums> blocks;
    // The final evaluation keeps the solutions (species x radii) of some scans for drawing: those
    // at multiples of keepStride, and the newest.
    bool keep = false;
    size_t keepStride = 1;
    std::map<size_t, std::vector<double>> kept;
    std::vector<double> newest;
};

} // namespace fitdetail

using fitdetail::Evaluation;

struct CsFitter::State {
    CsOptions options;
    int32_t threads = 1;
    std::vector<double> sGrid; // S
    double temperatureC = 20;
    SolventConditions solvent;
    double firstSeconds = 0; // of the first scan, for the lattice widths
    std::unique_ptr<Evaluation> final; // the last fit's, on every scan and radius
    int32_t searchedScans = 0;
    bool ratioFitted = false;
    int32_t lammEvaluations = 0;

    double SecondsOf(const CsData& d, size_t scan) const { return d.omega2t[scan] / d.omegaSquared; }
    bool Cancelled() const { return options.cancel && options.cancel->load(std::memory_order_relaxed); }

    // Keeps the solutions of evaluation scan `j` (rows of `x`, `stride` apart) when it is one to draw.
    void Keep(Evaluation& e, size_t j, const double* x, size_t stride) const
    {
        const size_t radii = e.radii.size();
        auto copy = [&](std::vector<double>& to) {
            to.resize(sGrid.size() * radii);
            for (size_t k = 0; k < sGrid.size(); ++k)
                std::copy(x + k * stride, x + k * stride + radii, to.begin() + static_cast<std::ptrdiff_t>(k * radii));
        };
        if (j + 1 == e.scans.size())
            copy(e.newest);
        if (j % e.keepStride != 0)
            return;
        copy(e.kept[j]);
        if (e.kept.size() <= CsFitter::KeptCurves)
            return;
        // Too many: every other one of those kept goes, the first scan stays.
        e.keepStride *= 2;
        std::erase_if(e.kept, [&](const auto& entry) { return entry.first % e.keepStride != 0; });
    }

    std::unique_ptr<Evaluation> Start(const CsData& d, double ratio, std::vector<size_t> scans, std::vector<size_t> radii)
    {
        auto e = std::make_unique<Evaluation>();
        e->ratio = ratio;
        e->scans = std::move(scans);
        e->radii = std::move(radii);
        for (size_t i : e->radii)
            e->logRadii.push_back(std::log(d.radii[i]));
        const double rHigh = d.radii[e->radii.back()];
        for (double s : sGrid) {
            const double sSeconds = s * Svedberg;
            const double diffusion = DiffusionOf(sSeconds, ratio, temperatureC, solvent);
            const double width = std::sqrt(2 * diffusion * firstSeconds);
            const double span = std::log(options.bottomCm / options.meniscusCm) * options.meniscusCm;
            const auto elements = static_cast<int32_t>(
                std::clamp(std::ceil(ElementsPerWidth * span / width), double(MinElements), double(MaxElements)));
            e->solvers.emplace_back(sSeconds, diffusion, options.meniscusCm, options.bottomCm, d.omegaSquared, elements);
            e->solvers.back().SetDepletionRadius(rHigh, DepletedLevel);
        }
        ++lammEvaluations;
        return e;
    }

    // Advances the solutions over the evaluation's scans from `from` on and adds their sums.
    void AddScans(const CsData& d, Evaluation& e, size_t from)
    {
        const auto species = static_cast<int32_t>(sGrid.size());
        const auto radii = static_cast<int32_t>(e.radii.size());
        while (from < e.scans.size() && !Cancelled()) {
            const size_t block = from / BlockScans;
            if (e.blocks.size() <= block)
                e.blocks.emplace_back(species, radii);
            ScanSums& sums = e.blocks[block];
            const size_t to = std::min(e.scans.size(), (block + 1) * BlockScans);
            const size_t count = to - from;
            const auto stride = static_cast<size_t>(sums.Stride());
            const auto rows = static_cast<size_t>(sums.Rows());
            std::vector<double> x(count * rows * stride, 0.0);
            std::vector<double> y(count * static_cast<size_t>(radii));
            for (size_t j = 0; j < count; ++j)
                for (size_t i = 0; i < e.radii.size(); ++i)
                    y[j * e.radii.size() + i] = d.values[e.scans[from + j]][e.radii[i]];
            RunParallel(threads, [&](int32_t part) {
                for (size_t k = static_cast<size_t>(part); k < sGrid.size(); k += static_cast<size_t>(threads)) {
                    if (Cancelled())
                        return;
                    for (size_t j = 0; j < count; ++j) {
                        e.solvers[k].AdvanceTo(SecondsOf(d, e.scans[from + j]));
                        e.solvers[k].Evaluate(e.logRadii.data(), radii, x.data() + (j * rows + k) * stride);
                    }
                }
            });
            if (Cancelled())
                return;
            for (size_t j = 0; j < count; ++j) {
                sums.AddScan(x.data() + j * rows * stride, y.data() + j * e.radii.size());
                if (e.keep)
                    Keep(e, from + j, x.data() + j * rows * stride, stride);
            }
            RunParallel(threads, [&](int32_t part) {
                for (size_t j = 0; j < count; ++j)
                    sums.AddGram(x.data() + j * rows * stride, part, threads);
            });
            from = to;
        }
    }

    ScanSums Total(const Evaluation& e) const
    {
        ScanSums total(static_cast<int32_t>(sGrid.size()), static_cast<int32_t>(e.radii.size()));
        for (const ScanSums& b : e.blocks)
            total.Append(b);
        return total;
    }

    double BestChi2(const Evaluation& e) const
    {
        std::vector<double> a, b;
        double yy = 0, dof = 0;
        Total(e).NormalEquations(options.noise, a, b, yy, dof);
        return SquaredResidual(a, b, yy, SolveNnls(a, b, static_cast<int32_t>(sGrid.size())).c);
    }

    double givenMeniscusCm = 0; // as the fit was asked for, before the meniscus search
    void Thinned(const CsData& d, std::vector<size_t>& scans, std::vector<size_t>& radii) const;
    double ThinnedChi2(
        const CsData& d, double ratio, const std::vector<size_t>& scans, const std::vector<size_t>& radii);
    double SearchRatio(const CsData& d);
    void SearchMeniscus(const CsData& d, double ratio);
    CsResult Result(const CsData& d) const;
};

void DefaultSRange(const CsData& d, double meniscusCm, double& sMin, double& sMax)
{
    sMin = 0.1;
    sMax = 20;
    if (d.omega2t.empty() || d.radii.empty() || !(meniscusCm > 0))
        return;
    const double last = d.omega2t.back();
    const double fifth = d.omega2t[(d.omega2t.size() - 1) / 5];
    sMin = std::max(0.1, std::log((meniscusCm + 0.02) / meniscusCm) / last / Svedberg);
    sMax = std::log(d.radii.back() / meniscusCm) / fifth / Svedberg;
    sMin = std::floor(sMin * 20) / 20;
    sMax = std::ceil(sMax * 2) / 2;
    if (!(sMax > sMin))
        sMax = sMin + 10;
}

// Brent's minimisation of f over [a, b] to within tol: golden sections, parabolic steps where
// they are trusted (R. P. Brent, Algorithms for Minimization without Derivatives, 1973, ch. 5).
template <typename F, typename Stop> double BrentMinimum(F f, double a, double b, double tolerance, Stop stop)
{
    const double golden = 0.3819660112501051;
    double x = a + golden * (b - a), w = x, v = x;
    double fx = f(x), fw = fx, fv = fx;
    double step = 0, previous = 0;
    for (int iteration = 0; iteration < 40 && !stop(); ++iteration) {
        const double mid = 0.5 * (a + b);
        const double tol = tolerance / 2;
        if (std::fabs(x - mid) <= 2 * tol - 0.5 * (b - a))
            break;
        bool parabolic = false;
        if (std::fabs(previous) > tol) {
            const double r = (x - w) * (fx - fv);
            double q = (x - v) * (fx - fw);
            double p = (x - v) * q - (x - w) * r;
            q = 2 * (q - r);
            if (q > 0)
                p = -p;
            q = std::fabs(q);
            if (std::fabs(p) < std::fabs(0.5 * q * previous) && p > q * (a - x) && p < q * (b - x)) {
                previous = step;
                step = p / q;
                parabolic = true;
                if (x + step - a < 2 * tol || b - x - step < 2 * tol)
                    step = x < mid ? tol : -tol;
            }
        }
        if (!parabolic) {
            previous = x >= mid ? a - x : b - x;
            step = golden * previous;
        }
        const double u = std::fabs(step) >= tol ? x + step : x + (step > 0 ? tol : -tol);
        const double fu = f(u);
        if (fu <= fx) {
            (u >= x ? a : b) = x;
            v = w, fv = fw, w = x, fw = fx, x = u, fx = fu;
        } else {
            (u < x ? a : b) = u;
            if (fu <= fw || w == x) {
                v = w, fv = fw, w = u, fw = fu;
            } else if (fu <= fv || v == x || v == w) {
                v = u, fv = fu;
            }
        }
    }
    return x;
}

void CsFitter::State::Thinned(const CsData& d, std::vector<size_t>& scans, std::vector<size_t>& radii) const
{
    // The searches fit a thinned copy of the data (every n-th scan, the last included, and every
    // m-th radius): chi2 against f/f0 or the meniscus has the same minimum, at a fraction of the cost.
    const size_t scanStep = (d.values.size() + SearchScans - 1) / SearchScans;
    for (size_t j = (d.values.size() - 1) % scanStep; j < d.values.size(); j += scanStep)
        scans.push_back(j);
    const size_t radiusStep = (d.radii.size() + SearchRadii - 1) / SearchRadii;
    for (size_t i = 0; i < d.radii.size(); i += radiusStep)
        radii.push_back(i);
}

// The best non-negative fit's chi2 of the thinned data at f/f0 `ratio` and options.meniscusCm.
double CsFitter::State::ThinnedChi2(
    const CsData& d, double ratio, const std::vector<size_t>& scans, const std::vector<size_t>& radii)
{
    std::unique_ptr<Evaluation> e = Start(d, ratio, scans, radii);
    AddScans(d, *e, 0);
    return Cancelled() ? 0.0 : BestChi2(*e);
}

double CsFitter::State::SearchRatio(const CsData& d)
{
    std::vector<size_t> scans, radii;
    Thinned(d, scans, radii);
    auto chi2 = [&](double ratio) { return ThinnedChi2(d, ratio, scans, radii); };
    const double ratio = BrentMinimum(chi2, RatioLow, RatioHigh, RatioTolerance, [this] { return Cancelled(); });
    searchedScans = static_cast<int32_t>(d.values.size());
    return ratio;
}

// The meniscus as a parameter of the model (P. Schuck, Biophys. J. 78, 1606, 2000): chi2 of the
// best non-negative fit at f/f0 `ratio` minimised over the meniscus range; options.meniscusCm
// is set to the minimum.
void CsFitter::State::SearchMeniscus(const CsData& d, double ratio)
{
    std::vector<size_t> scans, radii;
    Thinned(d, scans, radii);
    const double start = options.meniscusCm;
    auto chi2 = [&](double meniscus) {
        options.meniscusCm = meniscus;
        return ThinnedChi2(d, ratio, scans, radii);
    };
    const double range = options.meniscusRangeCm;
    options.meniscusCm = BrentMinimum(chi2, start - range, std::min(start + range, d.radii.front() - 1e-4),
        MeniscusTolerance, [this] { return Cancelled(); });
}

CsResult CsFitter::State::Result(const CsData& d) const
{
    CsResult r;
    const Evaluation& e = *final;
    const ScanSums total = Total(e);
    std::vector<double> a, b;
    double yy = 0, dof = 0;
    total.NormalEquations(options.noise, a, b, yy, dof);
    const int32_t n = static_cast<int32_t>(sGrid.size());
    const RegularisedFit fit = RegulariseAtConfidence(a, b, yy, n, dof, options.confidence);
    r.s = sGrid;
    r.amount = fit.c;
    const double step = sGrid.size() > 1 ? sGrid[1] - sGrid[0] : 1;
    const double s20w = S20wFactor(solvent);
    for (size_t k = 0; k < sGrid.size(); ++k) {
        r.distribution.push_back(fit.c[k] / step);
        r.s20w.push_back(sGrid[k] * s20w);
    }
    r.frictionalRatio = e.ratio;
    r.ratioFitted = ratioFitted;
    r.ratioScans = ratioFitted ? searchedScans : 0;
    r.chi2 = fit.chi2;
    r.chi2Best = fit.chi2Best;
    r.alpha = fit.alpha;
    r.scansUsed = total.Scans();
    r.radii = total.Radii();
    const double points = static_cast<double>(r.scansUsed) * r.radii;
    r.rmsResidual = std::sqrt(std::max(fit.chi2, 0.0) / points);
    r.radiusLow = d.radii[e.radii.front()];
    r.radiusHigh = d.radii[e.radii.back()];
    r.meniscusCm = options.meniscusCm;
    r.meniscusFitted = options.meniscusRangeCm > 0;
    r.bottomCm = options.bottomCm;
    r.temperatureC = temperatureC;
    r.solvent = solvent;
    total.NoiseValues(options.noise, fit.c, r.timeInvariant, r.radialInvariant, r.baseline);
    r.peaks = FindPeaks(sGrid, fit.c, e.ratio, temperatureC, solvent);
    // A boundary lower than the scatter of one point cannot be told from noise (a reference
    // beam, an empty sector): its peaks' shares say nothing.
    double loading = 0;
    for (double c : fit.c)
        loading += c;
    if (loading < r.rmsResidual)
        r.notes.push_back("no sedimenting material: the total loading (" + FloatToStr(RoundSignificant(loading, 3))
            + ") is below the noise of the data (rms " + FloatToStr(RoundSignificant(r.rmsResidual, 3))
            + "); the peaks are of noise");
    r.lammEvaluations = lammEvaluations;
    return r;
}

CsFitter::CsFitter(const CsOptions& options)
    : state_(std::make_unique<State>())
{
    state_->options = options;
    state_->threads = ThreadsOf(options);
}

CsFitter::~CsFitter() = default;

int32_t CsFitter::SearchedScans() const { return state_->searchedScans; }

namespace {

// What keeps the data from being fitted, or "".
std::string Refusal(const CsData& d, const CsOptions& o)
{
    if (d.values.size() < 3)
        return "c(s) needs at least 3 scans, the channel has " + std::to_string(d.values.size());
    if (d.radii.size() < 20)
        return "c(s) needs at least 20 radii between meniscus and bottom, the scans have " + std::to_string(d.radii.size());
    if (!(d.omegaSquared > 0))
        return "the scans give no rotor speed";
    if (!(o.meniscusCm > 0) || !(o.bottomCm > o.meniscusCm) || d.radii.front() <= o.meniscusCm
        || d.radii.back() >= o.bottomCm)
        return "the fitted radii must lie between meniscus and bottom";
    for (size_t j = 0; j < d.values.size(); ++j) {
        if (d.values[j].size() != d.radii.size())
            return "scan " + std::to_string(j) + " does not hold a value at every fitted radius";
        if (!(d.omega2t[j] > 0) || (j > 0 && !(d.omega2t[j] > d.omega2t[j - 1])))
            return "the scans' omega^2 t must be positive and rise from scan to scan";
    }
    if (o.resolution < 10 || o.resolution > 1000)
        return "the resolution must be 10 to 1000 grid points";
    if (!(o.solvent.Vbar > 0 && o.solvent.Density > 0 && o.solvent.ViscosityCp > 0
            && o.solvent.Vbar * o.solvent.Density < 1))
        return "vbar, density and viscosity must be positive, vbar times density below 1";
    return {};
}

} // namespace

// The result of a cancelled fit; the fitter keeps nothing to build on.
CsResult CsFitter::Cancelled(State& st)
{
    st.final.reset();
    st.searchedScans = 0;
    CsResult r;
    r.error = CancelledText;
    return r;
}

CsResult CsFitter::Fit(const CsData& d)
{
    State& st = *state_;
    st.final.reset();
    if (std::string wrong = Refusal(d, st.options); !wrong.empty()) {
        CsResult r;
        r.error = wrong;
        return r;
    }
    st.lammEvaluations = 0;
    st.solvent = st.options.solvent;
    st.temperatureC = st.solvent.TemperatureC >= 0 ? st.solvent.TemperatureC : d.temperatureC;
    st.solvent.TemperatureC = st.temperatureC;
    double sMin = st.options.sMin, sMax = st.options.sMax;
    if (!(sMin > 0) || !(sMax > 0)) {
        double lo = 0, hi = 0;
        DefaultSRange(d, st.options.meniscusCm, lo, hi);
        sMin = sMin > 0 ? sMin : lo;
        sMax = sMax > 0 ? sMax : hi;
    }
    if (!(sMax > sMin)) {
        CsResult r;
        r.error = "the s range must rise (s-min below s-max)";
        return r;
    }
    st.sGrid.clear();
    for (int32_t k = 0; k < st.options.resolution; ++k)
        st.sGrid.push_back(sMin + (sMax - sMin) * k / (st.options.resolution - 1));
    st.firstSeconds = st.SecondsOf(d, 0);
    st.givenMeniscusCm = st.options.meniscusCm;
    st.ratioFitted = !(st.options.frictionalRatio > 0);
    double ratio = st.ratioFitted ? st.SearchRatio(d) : st.options.frictionalRatio;
    // The meniscus and f/f0 pull on each other little: one turn of each, then f/f0 again.
    if (st.options.meniscusRangeCm > 0 && !st.Cancelled()) {
        st.SearchMeniscus(d, ratio);
        if (st.ratioFitted && !st.Cancelled())
            ratio = st.SearchRatio(d);
    }
    if (st.Cancelled())
        return Cancelled(st);
    std::vector<size_t> scans(d.values.size()), radii(d.radii.size());
    for (size_t j = 0; j < scans.size(); ++j)
        scans[j] = j;
    for (size_t i = 0; i < radii.size(); ++i)
        radii[i] = i;
    st.final = st.Start(d, ratio, scans, radii);
    st.final->keep = true;
    st.AddScans(d, *st.final, 0);
    if (st.Cancelled())
        return Cancelled(st);
    CsResult r = st.Result(d);
    if (st.ratioFitted && (ratio < RatioLow + 2 * RatioTolerance || ratio > RatioHigh - 2 * RatioTolerance))
        r.notes.push_back("f/f0 ends at the edge of its range (1 to 3): the data do not determine it; give it with --ff0");
    if (r.meniscusFitted
        && std::fabs(r.meniscusCm - st.givenMeniscusCm) > st.options.meniscusRangeCm - 2 * MeniscusTolerance)
        r.notes.push_back("the fitted meniscus ends at the edge of its range (" + FloatToStr(st.givenMeniscusCm) + " ± "
            + FloatToStr(st.options.meniscusRangeCm) + " cm): give a meniscus nearer the artefact");
    return r;
}

CsResult CsFitter::Update(const CsData& d)
{
    State& st = *state_;
    Evaluation* e = st.final.get();
    if (!e || d.radii.size() != e->radii.size() || d.values.size() < e->scans.size() || !Refusal(d, st.options).empty())
        return Fit(d);
    const size_t from = e->scans.size();
    for (size_t j = from; j < d.values.size(); ++j)
        e->scans.push_back(j);
    st.AddScans(d, *e, from);
    if (st.Cancelled())
        return Cancelled(st);
    return st.Result(d);
}

CsCurves CsFitter::Curves(const CsResult& r) const
{
    CsCurves curves;
    const Evaluation* e = state_->final.get();
    if (!e || !r.error.empty() || r.amount.size() != state_->sGrid.size())
        return curves;
    const size_t radii = e->radii.size();
    auto model = [&](size_t j, const std::vector<double>& chi) {
        std::vector<double> m(radii, r.baseline + (j < r.radialInvariant.size() ? r.radialInvariant[j] : 0.0));
        for (size_t i = 0; i < radii && i < r.timeInvariant.size(); ++i)
            m[i] += r.timeInvariant[i];
        for (size_t k = 0; k < r.amount.size(); ++k)
            if (r.amount[k] != 0)
                for (size_t i = 0; i < radii; ++i)
                    m[i] += r.amount[k] * chi[k * radii + i];
        curves.scans.push_back(e->scans[j]);
        curves.model.push_back(std::move(m));
    };
    const size_t last = e->scans.size() - 1;
    for (const auto& [j, chi] : e->kept)
        if (j != last)
            model(j, chi);
    if (!e->newest.empty())
        model(last, e->newest);
    return curves;
}

} // namespace morvane::cs
