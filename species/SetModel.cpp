#include "species/SetModel.h"

#include <cmath>

#include "realtime/RealTimeGofS.h"
#include "species/BoundaryShapes.h"

namespace morvane {

namespace {

double Omega2tOf(const ScanHeader& h) { return h.Omega2t > 0 ? h.Omega2t : RealTimeGofS::OmegaSquared(h.Rpm) * h.Time; }

} // namespace

std::string LayoutOfSet(const RealTimeGofS& engine, int32_t set, SetLayout& layout)
{
    layout = SetLayout();
    if (!engine.IsCreated() || !engine.GofsStore || !engine.DcdtStore || !engine.RawStore)
        return "the engine holds no data";
    const ChannelDataStore& gofs = *engine.GofsStore;
    const ChannelDataStore& dcdt = *engine.DcdtStore;
    const ChannelDataStore& raw = *engine.RawStore;
    if (gofs.GetNumberOfSets() < 1)
        return "no g(s*) set has been computed yet";
    if (set < 0 || set >= gofs.GetNumberOfSets())
        return "there is no g(s*) set " + std::to_string(set) + " (the engine holds "
            + std::to_string(gofs.GetNumberOfSets()) + ")";
    if (!(engine.Cell.Meniscus > 0))
        return "the meniscus is not set";
    const ScanHeader& h = gofs.Headers[static_cast<size_t>(set)];
    layout.Meniscus = engine.Cell.Meniscus;
    layout.Omega2 = RealTimeGofS::OmegaSquared(h.Rpm);
    layout.Time = h.Time;
    layout.RecordedTime = h.RecordedTime;
    layout.Temperature = h.Temperature;
    layout.Rpm = h.Rpm;
    const int32_t n = gofs.GetNumberOfPoints();
    layout.Grid.assign(gofs.GetGrid(), gofs.GetGrid() + n);
    const double* y = gofs.GetSetY(set);
    const double* e = gofs.GetSetE(set);
    for (int32_t i = 0; i < n; ++i) {
        if (e[i] >= 0) {
            layout.Valid.push_back(i);
            layout.Y.push_back(y[i]);
        }
    }
    if (h.FirstScan < 0 || h.LastScan >= dcdt.GetNumberOfSets() || h.FirstScan > h.LastScan)
        return "the g(s*) set names dc/dt sets the engine does not hold";
    for (int32_t m = h.FirstScan; m <= h.LastScan; ++m) {
        const ScanHeader& d = dcdt.Headers[static_cast<size_t>(m)];
        if (d.FirstScan < 0 || d.LastScan >= raw.GetNumberOfSets() || d.FirstScan >= d.LastScan)
            return "a dc/dt set names scans the engine does not hold";
        const ScanHeader& first = raw.Headers[static_cast<size_t>(d.FirstScan)];
        const ScanHeader& last = raw.Headers[static_cast<size_t>(d.LastScan)];
        ModelPair pair;
        pair.Omega2 = RealTimeGofS::OmegaSquared(last.Rpm);
        pair.Time = 2 / (1 / first.Time + 1 / last.Time);
        pair.Span = last.Time - first.Time;
        pair.Omega2tFirst = Omega2tOf(first);
        pair.Omega2tLast = Omega2tOf(last);
        pair.Omega2First = RealTimeGofS::OmegaSquared(first.Rpm);
        pair.Omega2Last = RealTimeGofS::OmegaSquared(last.Rpm);
        if (!(pair.Span > 0) || !(pair.Omega2 > 0) || !(pair.Omega2First > 0) || !std::isfinite(pair.Time))
            return "a pair of scans of the set has no usable times";
        const double* de = dcdt.GetSetE(m);
        for (int32_t i = 0; i < n; ++i) {
            if (de[i] > 0) {
                pair.Points.push_back(i);
                pair.Radii.push_back(engine.Cell.Meniscus
                    * std::exp(std::exp(layout.Grid[static_cast<size_t>(i)]) * pair.Omega2 * pair.Time));
            }
        }
        layout.Pairs.push_back(std::move(pair));
    }
    return {};
}

std::vector<double> CorrectForDilution(const std::vector<double>& x, const std::vector<double>& b, double omega2t)
{
    const size_t m = x.size();
    std::vector<double> a(b);
    double integral = 0;
    for (size_t j = 1; j < m; ++j) {
        const double factor = j + 1 == m ? 0.5 : 1.0;
        const double term = factor * std::exp(x[j]) * b[j] * (x[j] - x[j - 1]);
        if (std::isfinite(term))
            integral += term;
        a[j] = b[j] - 2 * omega2t * integral;
    }
    return a;
}

namespace {

// The mean over the pairs that hold each valid point, then the dilution correction.
std::vector<double> SetOfSums(
    const SetLayout& layout, const std::vector<double>& sum, const std::vector<int32_t>& count)
{
    std::vector<double> x, b;
    x.reserve(layout.Valid.size());
    b.reserve(layout.Valid.size());
    for (int32_t i : layout.Valid) {
        const size_t u = static_cast<size_t>(i);
        x.push_back(layout.Grid[u]);
        b.push_back(count[u] > 0 ? sum[u] / count[u] : 0.0);
    }
    return CorrectForDilution(x, b, layout.Omega2 * layout.Time);
}

} // namespace

std::vector<double> SetOfSpecies(const SetLayout& layout, double sSeconds, double diffusion)
{
    const size_t n = layout.Grid.size();
    std::vector<double> sum(n, 0.0);
    std::vector<int32_t> count(n, 0);
    for (const ModelPair& p : layout.Pairs) {
        const double scale = p.Time / p.Span;
        const BoundaryProfile first(layout.Meniscus, sSeconds, diffusion, p.Omega2tFirst, p.Omega2First);
        const BoundaryProfile last(layout.Meniscus, sSeconds, diffusion, p.Omega2tLast, p.Omega2Last);
        for (size_t k = 0; k < p.Points.size(); ++k) {
            const size_t u = static_cast<size_t>(p.Points[k]);
            sum[u] += (first.At(p.Radii[k]) - last.At(p.Radii[k])) * scale;
            ++count[u];
        }
    }
    return SetOfSums(layout, sum, count);
}

bool SetOfSpeciesWithSlopes(const SetLayout& layout, double sSeconds, double diffusion, SpeciesSetSlopes& out)
{
    const size_t n = layout.Grid.size();
    std::vector<double> sum(n, 0.0), sumByS(n, 0.0), sumByD(n, 0.0);
    std::vector<int32_t> count(n, 0);
    for (const ModelPair& p : layout.Pairs) {
        const double scale = p.Time / p.Span;
        const BoundaryProfile first(layout.Meniscus, sSeconds, diffusion, p.Omega2tFirst, p.Omega2First);
        const BoundaryProfile last(layout.Meniscus, sSeconds, diffusion, p.Omega2tLast, p.Omega2Last);
        const BoundarySlopes firstSlopes(layout.Meniscus, sSeconds, diffusion, p.Omega2tFirst, p.Omega2First);
        const BoundarySlopes lastSlopes(layout.Meniscus, sSeconds, diffusion, p.Omega2tLast, p.Omega2Last);
        if (!firstSlopes.Smooth || !lastSlopes.Smooth)
            return false;
        for (size_t k = 0; k < p.Points.size(); ++k) {
            const size_t u = static_cast<size_t>(p.Points[k]);
            double firstS = 0, firstD = 0, lastS = 0, lastD = 0;
            const double a = firstSlopes.At(first, p.Radii[k], firstS, firstD);
            const double b = lastSlopes.At(last, p.Radii[k], lastS, lastD);
            sum[u] += (a - b) * scale;
            sumByS[u] += (firstS - lastS) * scale;
            sumByD[u] += (firstD - lastD) * scale;
            ++count[u];
        }
    }
    // The mean and the dilution correction are linear: the derivatives go through them alike.
    out.Value = SetOfSums(layout, sum, count);
    out.ByS = SetOfSums(layout, sumByS, count);
    out.ByD = SetOfSums(layout, sumByD, count);
    return true;
}

} // namespace morvane
