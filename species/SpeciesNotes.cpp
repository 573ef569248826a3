#include "species/SpeciesNotes.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "species/SpeciesTable.h"

namespace morvane {

namespace {

__attribute__((format(printf, 1, 2))) std::string Printed(const char* format, ...)
{
    char text[640];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

std::string WhereFitted(const SpeciesFitResult& result)
{
    return result.Set >= 0 ? "set " + std::to_string(result.Set) : "the curve";
}

// A share indistinguishable from nothing, or a share or D whose error is as large as the value.
bool Determined(const SpeciesFitResult& result, size_t k)
{
    const SpeciesEstimate& e = result.Species[k];
    return result.Species.size() == 1 || !(e.Share < 0.01 || e.ShareError >= 0.5 * e.Share || e.DError >= e.D);
}

void Undetermined(const SpeciesFitResult& result, std::vector<std::string>& notes)
{
    for (size_t k = 0; k < result.Species.size(); ++k)
        if (!Determined(result, k))
            notes.push_back(Printed(
                "species %zu is not determined by the data (share %.1f %%)", k + 1, 100 * result.Species[k].Share));
}

void Unphysical(const SpeciesFitResult& result, std::vector<std::string>& notes)
{
    const size_t count = result.Species.size();
    const char* remedy
        = count > 1 ? "fit fewer species, or check vbar, density and viscosity" : "check vbar, density and viscosity";
    for (size_t k = 0; k < count; ++k) {
        const SpeciesEstimate& e = result.Species[k];
        const double f = e.FrictionalRatio;
        if (!std::isfinite(f) || (f >= 1 && f <= 4))
            continue;
        const std::string value = ValueWithError(f, e.FrictionalRatioError);
        if (f < 1)
            notes.push_back(Printed("species %zu: f/f0 %s is below 1, which no particle can have: not physical (%s)",
                k + 1, value.c_str(), remedy));
        else
            notes.push_back(Printed("species %zu: f/f0 %s is above 4, which only long rods, coils and fibres "
                                    "reach: likely not physical (%s)",
                k + 1, value.c_str(), remedy));
    }
}

void Unresolved(const SpeciesFitResult& result, std::vector<std::string>& notes)
{
    if (!(result.TimeSeconds > 0) || !std::isfinite(result.SetSStarLow))
        return;
    for (size_t k = 0; k < result.Species.size(); ++k) {
        const SpeciesEstimate& e = result.Species[k];
        if (!(e.Sigma > 0) || !Determined(result, k))
            continue;
        const double widths = (e.SStar - result.SetSStarLow) / e.Sigma;
        if (widths >= ResolvedWidths)
            continue;
        notes.push_back(Printed("species %zu is not yet resolved from the meniscus in %s: its peak (s* %.2f S) lies "
                                "only %.1f widths (sigma %.2f S) above the lowest fitted s*, %.2f S (%.1f needed); "
                                "its s, D and M may be off by more than their errors (a later set, or a higher "
                                "speed, resolves it)",
            k + 1, WhereFitted(result).c_str(), e.SStar, widths, e.Sigma, result.SetSStarLow, ResolvedWidths));
    }
}

void Beyond(const SpeciesFitResult& result, const NoteContext& context, std::vector<std::string>& notes)
{
    const SetCoverage& c = context.Coverage;
    if (!std::isfinite(c.SStarHigh))
        return;
    const std::string set = WhereFitted(result);
    for (size_t k = 0; k < result.Species.size(); ++k) {
        const SpeciesEstimate& e = result.Species[k];
        if (e.S + e.Sigma > c.SStarHigh)
            notes.push_back(Printed("species %zu (s %.2f S, width %.2f S) reaches beyond the largest s* %s can hold, "
                                    "%.2f S: its boundary had reached the bottom by then and the set holds only part "
                                    "of it; its s, D, M and share may be off by more than their errors",
                k + 1, e.S, e.Sigma, set.c_str(), c.SStarHigh));
    }
    if (!c.MaterialBeyond)
        return;
    std::string text = Printed("%s holds s* %.2f to %.2f S; the composite g(s*) curve holds %.0f %% of the material "
                               "beyond, peaking at %.2f S and reaching %.2f S: a species there had reached the bottom "
                               "by the set's time, and this fit misses it or puts a spurious species in its place. ",
        set.c_str(), result.SetSStarLow, c.SStarHigh, 100 * c.BeyondShare, c.BeyondPeakSStar, c.BeyondTopSStar);
    if (c.HoldingSet < 0)
        text += "No set of the run holds all of it";
    else
        text += Printed("Set %d (t %.0f s) is the latest set that still holds it; its fit of %zu species gives %s",
            c.HoldingSet, context.HoldingTime, result.Species.size(), context.HoldingFit.c_str());
    notes.push_back(text);
}

} // namespace

std::string SpeciesInBrief(const SpeciesFitResult& result)
{
    if (result.Status != FitStatus::Converged)
        return "no answer (" + result.Message + ")";
    std::string text;
    for (const SpeciesEstimate& e : result.Species)
        text += (text.empty() ? "" : ", ") + Printed("%.2f S (%.0f %%)", e.S, 100 * e.Share);
    return text;
}

std::vector<std::string> SpeciesNotes(const SpeciesFitResult& result, const NoteContext& context)
{
    std::vector<std::string> notes;
    Undetermined(result, notes);
    Unresolved(result, notes);
    Beyond(result, context, notes);
    Unphysical(result, notes);
    const size_t count = result.Species.size();
    if (std::isfinite(context.FewerRmsResidual) && !(result.RmsResidual < context.FewerRmsResidual))
        notes.push_back(Printed("the fit of %zu species is no better than that of %zu (rms residual %.3g against "
                                "%.3g), even started from it: the data hold no more than %zu",
            count, count - 1, result.RmsResidual, context.FewerRmsResidual, count - 1));
    if (!context.BiasNotTakenOff.empty())
        notes.push_back("the Gaussian model's bias is not taken off (" + context.BiasNotTakenOff
            + "): its D and M may be off by more than their errors");
    if (count > 0 && std::isnan(result.Species[0].SError))
        notes.emplace_back("the errors are not defined (the data do not determine every parameter)");
    return notes;
}

} // namespace morvane
