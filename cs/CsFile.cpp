#include "cs/CsFile.h"

#include "analysis/NumberText.h"

namespace morvane::cs {

std::string NoiseTermsText(const NoiseTerms& n)
{
    if (n.timeInvariant && n.radialInvariant)
        return "time-invariant and radially invariant";
    if (n.timeInvariant)
        return "time-invariant";
    if (n.radialInvariant)
        return "radially invariant";
    return n.baseline ? "baseline" : "none";
}

std::string CsFileText(const CsResult& r, const CsOptions& o, const std::string& runDir, const std::string& channel)
{
    const std::string end = "\r\n";
    std::string t = "# Morvane: c(s) distribution" + end;
    t += "# run: " + runDir + end;
    t += "# channel: " + channel + end;
    t += "# scans: " + std::to_string(r.scansUsed) + "; radii " + FloatToStr(r.radiusLow) + " to "
        + FloatToStr(r.radiusHigh) + " cm (" + std::to_string(r.radii) + " points); meniscus "
        + FloatToStr(r.meniscusCm)
        + (r.meniscusFitted
                ? " cm (fitted within " + FloatToStr(o.meniscusRangeCm) + " cm of " + FloatToStr(o.meniscusCm) + ")"
                : std::string(" cm"))
        + ", bottom " + FloatToStr(r.bottomCm) + " cm" + end;
    t += "# f/f0: " + FloatToStr(r.frictionalRatio)
        + (r.ratioFitted ? " (fitted on " + std::to_string(r.ratioScans) + " scans)" : std::string(" (given)"))
        + "; rms residual " + FloatToStr(r.rmsResidual) + end;
    t += "# regularisation: " + (r.alpha > 0 ? "Tikhonov-Phillips, second derivative, confidence " + FloatToStr(o.confidence)
                                               + " (alpha " + FloatToStr(r.alpha) + ")"
                                             : std::string("none"))
        + "; noise: " + NoiseTermsText(o.noise) + end;
    t += "# solvent: vbar " + FloatToStr(r.solvent.Vbar) + " ml/g, density " + FloatToStr(r.solvent.Density)
        + " g/ml, viscosity " + FloatToStr(r.solvent.ViscosityCp) + " cP, temperature " + FloatToStr(r.temperatureC)
        + " C" + end;
    for (const CsPeak& p : r.peaks)
        t += "# peak: s " + FloatToStr(p.s) + " S, s20,w " + FloatToStr(p.s20w) + " S, fraction " + FloatToStr(p.fraction)
            + ", M " + FloatToStr(p.molarMass) + " g/mol" + end;
    for (const std::string& note : r.notes)
        t += "# note: " + note + end;
    t += "# s (S)\tc(s) (signal per S)\ts20,w (S)" + end;
    for (size_t k = 0; k < r.s.size(); ++k)
        t += FloatToStr(r.s[k]) + "\t" + FloatToStr(r.distribution[k]) + "\t" + FloatToStr(r.s20w[k]) + end;
    return t;
}

} // namespace morvane::cs
