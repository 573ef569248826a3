// The run report's HTML, section by section.
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "analysis/NumberText.h"
#include "chart/SvgChart.h"
#include "provenance/CsRecord.h"
#include "provenance/RecordText.h"
#include "report/ReportCharts.h"
#include "report/RunReport.h"
#include "scanfiles/ChannelWavelength.h"
#include "scanfiles/NumericLocale.h"
#include "settings/SettingsKeys.h"
#include "species/SpeciesFit.h"
#include "species/SpeciesTable.h"

namespace morvane {

namespace {

// Text from files and records (paths, descriptions, names) as HTML: control characters, characters
// that reorder text and stray bytes escaped first, then the markup characters.
std::string H(std::string_view text) { return XmlEscaped(Printable(text)); }

std::string Seconds(double t) { return FormatThousands(std::round(t)) + " s"; }

std::string Row(const std::string& name, const std::string& html)
{
    return "<tr><th>" + H(name) + "</th><td>" + html + "</td></tr>\n";
}

std::string Figure(const ChartModel& chart, const std::string& caption)
{
    return "<figure>" + ChartSvg(chart) + "<figcaption>" + H(caption) + "</figcaption></figure>\n";
}

constexpr const char* Style
    = R"(body{font-family:sans-serif;color:#111;max-width:60em;margin:2em auto;padding:0 1em;line-height:1.4}
h1{font-size:1.6em;margin-bottom:.2em}h2{font-size:1.2em;border-bottom:1px solid #888;margin-top:1.8em}
h3{font-size:1em;margin:1em 0 .3em}.sub{color:#444;margin-top:0}
table{border-collapse:collapse;margin:.4em 0}th,td{padding:.15em .7em .15em 0;text-align:left;vertical-align:top}
table.list td,table.list th{border-bottom:1px solid #ddd}table.kv th{font-weight:normal;color:#444}
td.num{text-align:right;font-variant-numeric:tabular-nums}.hash{font-family:monospace;font-size:.85em;word-break:break-all}
.cols{columns:2;column-gap:2em}caption{text-align:left;font-weight:bold;padding:.3em 0}.cols table{break-inside:avoid}.note{color:#a00}.verdict{font-weight:bold}
figure{margin:.8em 0}figure svg{width:100%;height:auto}table.species td{white-space:nowrap}
table.species{font-size:.9em}table.files{font-size:.9em}figcaption{color:#444;font-size:.9em}
@media print{@page{size:A4;margin:14mm}body{max-width:none;margin:0;padding:0;font-size:9.5pt}
h2,caption{break-after:avoid}section.keep,figure,.glance{break-inside:avoid}tr{break-inside:avoid}.hash{font-size:7.5pt}
figure svg{width:80%}}
)";

// The complete files of the channel as a summary counts them, from the record.
ScanCounts CountsOf(const Sidecar& s)
{
    const ChannelRecord& c = s.Channels[0];
    ScanCounts counts;
    counts.Used = counts.Read = static_cast<int32_t>(c.Files.size());
    for (const InputFile& f : c.RefusedFiles)
        for (int32_t r = 0; r < ScanReasonCount; ++r)
            if (f.Refused == ScanReasonText(static_cast<ScanReason>(r)))
                counts.Refuse(static_cast<ScanReason>(r), f.Name);
    const nlohmann::ordered_json& p = *s.Parameters;
    counts.Pending = p.at("scans_pending").get<int32_t>();
    counts.FirstPending = p.at("first_pending_file").is_string() ? p.at("first_pending_file").get<std::string>() : "";
    counts.OtherWavelengths = p.at("scans_other_wavelengths").get<int32_t>();
    for (const auto& nm : p.at("other_wavelengths_nm"))
        counts.OtherNm.push_back(nm.get<int32_t>());
    return counts;
}

std::string OpticalSystem(const std::string& channel)
{
    const std::string type = channel.size() >= 5 ? channel.substr(3, 2) : "";
    return type == "RA" ? "absorbance"
        : type == "IP"  ? "interference"
        : type == "RI"  ? "intensity"
        : type == "FI"  ? "fluorescence"
                        : "";
}

std::string Head(const Sidecar& s, const RealTimeGofS& e, const std::string& written)
{
    const ChannelRecord& c = s.Channels[0];
    const std::string title = "Run report: " + c.Channel + " of " + c.RunDirectory;
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + H(title)
        + "</title>\n<style>\n" + Style + "</style>\n</head>\n<body>\n<h1>Run report: " + H(c.Channel)
        + "</h1>\n<p class=\"sub\">" + H(GofsTitle(e)) + "<br>" + H(c.RunDirectory) + "<br>written " + H(written)
        + " by " + H(s.Program) + " " + H(s.Version) + "</p>\n";
}

std::string Glance(const ReportFacts& f, const ScanCounts& counts)
{
    std::string t = "<table class=\"kv glance\">\n" + Row("scans", H(ScanCountText(counts)));
    t += Row(
        "g(s*) peak", f.gofs.peak.Found ? "s* = " + ThreeDigits(f.gofs.peak.SStar) + " S (newest set)" : "none found");
    t += Row("extrapolated peak",
        !f.extrapolated || !f.extrapolation.sound ? std::string("no result")
            : f.extrapolation.peak.Found          ? "s* = " + ThreeDigits(f.extrapolation.peak.SStar) + " S"
                                                  : "none well determined");
    if (f.species && f.species->Status == FitStatus::Converged) {
        std::string s;
        for (size_t k = 0; k < f.species->Species.size(); ++k) {
            const SpeciesEstimate& one = f.species->Species[k];
            s += (k > 0 ? "; " : "") + ("s = " + ValueWithError(one.S, one.SError) + " S, ")
                + ValueWithError(100 * one.Share, 100 * one.ShareError) + " %";
        }
        t += Row("species", H(s));
    }
    t += Row("converged", "<span class=\"verdict\">" + H(f.convergence.verdict) + "</span>");
    return t + "</table>\n";
}

std::string RunSection(const Sidecar& s, const RealTimeGofS& e)
{
    const ChannelRecord& c = s.Channels[0];
    const ChannelDataStore& raw = *e.RawStore;
    const ScanHeader& first = raw.Headers[0];
    const ScanHeader& last = raw.Headers[static_cast<size_t>(raw.GetNumberOfSets() - 1)];
    std::string t = "<h2 id=\"run\">Run and channel</h2>\n<table class=\"kv\">\n";
    t += Row("run directory", H(c.RunDirectory));
    t += Row("channel", H(c.Channel) + (OpticalSystem(c.Channel).empty() ? "" : " (" + OpticalSystem(c.Channel) + ")"));
    t += Row("description", H(first.Description));
    t += Row("cell", std::to_string(first.Cell));
    const int32_t nm = EntryWavelength(c.Channel);
    if (nm > 0 || first.Wavelength > 0)
        t += Row("wavelength", FloatToStr(nm > 0 ? nm : first.Wavelength) + " nm");
    auto span = [](double a, double b, const char* unit) {
        return FloatToStr(a) + (a == b ? "" : " to " + FloatToStr(b)) + unit;
    };
    t += Row("rotor speed", span(first.Rpm, last.Rpm, " rpm"));
    t += Row("temperature", span(first.Temperature, last.Temperature, " °C"));
    t += Row("scans",
        std::to_string(raw.GetNumberOfSets()) + ", " + H(first.FileName) + " at t = " + Seconds(first.Time) + " to "
            + H(last.FileName) + " at t = " + Seconds(last.Time));
    return t + "</table>\n";
}

std::string ScansSection(const Sidecar& s, const ScanCounts& counts)
{
    const ChannelRecord& c = s.Channels[0];
    std::string t = "<h2 id=\"scans\">Scans used and refused</h2>\n<p>" + H(ScanCountText(counts)) + ".</p>\n";
    if (!c.RefusedFiles.empty()) {
        t += "<table class=\"list\"><tr><th>refused file</th><th>why</th></tr>\n";
        for (const InputFile& f : c.RefusedFiles)
            t += "<tr><td>" + H(f.Name) + "</td><td>" + H(f.Refused) + "</td></tr>\n";
        t += "</table>\n";
    }
    if (counts.Pending > 0)
        t += "<p>Files not yet complete at the load (still being written) are not in the analysis.</p>\n";
    return t
        + "<p>Every file used, with its time, size and SHA-256, is listed under <a href=\"#record\">Record</a>.</p>\n";
}

std::string SettingsTable(const char* title, const ProgramSettings& settings, bool (*wanted)(const SettingKey&))
{
    std::string t = std::string("<table class=\"kv\"><caption>") + title + "</caption>\n";
    for (const SettingKey& key : SettingKeys())
        if (wanted(key))
            t += Row(key.Name, H(SettingValueText(key, settings)) + (*key.Unit ? " " + H(key.Unit) : ""));
    return t + "</table>\n";
}

bool IsAnalysisKey(const SettingKey& key) { return key.Group() == SettingGroup::Custom; }
bool IsExtrapolationKey(const SettingKey& key)
{
    for (const char* name : ExtrapolationDisplayKeys)
        if (std::string_view(name) == key.Name)
            return true;
    return false;
}
bool IsVerdictKey(const SettingKey& key)
{
    return key.Group() == SettingGroup::Species && std::string_view(key.Name).starts_with("Convergence");
}

std::string ParametersSection(const ChannelRecord& c, const ReportRequest& r, bool interference)
{
    std::string t = "<h2 id=\"parameters\">Parameters</h2>\n<table class=\"kv\">\n";
    t += Row("meniscus", FloatToStr(c.Cell.Meniscus) + " cm" + (r.meniscusFound ? " (found from the data)" : ""));
    t += Row("bottom", FloatToStr(c.Cell.Bottom) + " cm");
    const std::string unused = interference ? "" : " (interference only: not used)";
    t += Row("jitter reference", FloatToStr(c.Cell.JitterRadius) + " cm" + unused);
    t += Row("integral-fringe reference", FloatToStr(c.Cell.FringeRadius) + " cm" + unused);
    if (!c.SettingsFile.empty())
        t += Row("settings file", H(c.SettingsFile) + " (the settings below are its values)");
    t += Row("averaging window",
        c.Cell.WindowByMW ? "the span over which a species of " + FormatThousands(c.Cell.AssumedMW)
                + " g/mol moves by its own diffusion width"
                          : std::string("the span of the species at mid-cell"));
    if (r.species) {
        const SpeciesFitOptions& o = *r.species;
        t += Row("species fit",
            std::to_string(o.Species) + (o.Species == 1 ? " species, " : " species, ") + SpeciesModelName(o.Model)
                + " model, s* from " + FloatToStr(o.MinSStar) + " S"
                + (o.MaxSStar > 0 ? " to " + FloatToStr(o.MaxSStar) + " S" : ""));
        t += Row("solvent",
            "v̄ " + FloatToStr(o.Solvent.Vbar) + " ml/g, density " + FloatToStr(o.Solvent.Density) + " g/ml, viscosity "
                + FloatToStr(o.Solvent.ViscosityCp) + " cP, temperature "
                + (o.Solvent.TemperatureC < 0 ? std::string("from the scans")
                                              : FloatToStr(o.Solvent.TemperatureC) + " °C"));
    }
    return t + "</table>\n<p>Every setting the results took is listed under <a href=\"#settings\">Settings</a>.</p>\n";
}

std::string SettingsSection(const Sidecar& s, const ReportRequest& r)
{
    const ProgramSettings settings { s.Display, s.Channels[0].Analysis, r.convergence };
    return "<h2 id=\"settings\">Settings</h2>\n<div class=\"cols\">\n"
        + SettingsTable("Analysis settings", settings, IsAnalysisKey)
        + SettingsTable("Extrapolation settings", settings, IsExtrapolationKey)
        + SettingsTable("Convergence settings", settings, IsVerdictKey) + "</div>\n";
}

std::string GofsSection(const RealTimeGofS& e, const Summary& g)
{
    char times[80];
    std::snprintf(times, sizeof times, ", t = %.0f to %.0f s", g.firstTime, g.lastTime);
    std::string t = "<section class=\"keep\">\n<h2 id=\"gofs\">Corrected g(s*)</h2>\n<p>" + std::to_string(g.sets)
        + " g(s*) sets from " + std::to_string(g.scans) + " scans" + times + ". The newest, set "
        + std::to_string(g.set)
        + ", is drawn as the g(s*) file writes it: its gaps at high s* filled from the composite curve. ";
    t += g.peak.Found ? "<strong>g(s*) peak at s* = " + ThreeDigits(g.peak.SStar)
            + " S</strong>, the highest g(s*) above s* = " + ThreeDigits(g.peakFrom) + " S"
                      : "No g(s*) peak above s* = " + ThreeDigits(g.peakFrom) + " S";
    t += " (where a boundary has moved 0.02 cm from the meniscus by the set's time).</p>\n";
    return t + Figure(GofsChart(e, g), "g(s*) of the newest set; the peak is interpolated between grid points.")
        + "</section>\n";
}

std::string ExtrapolationSection(const ReportFacts& f, const std::string& notMade)
{
    std::string t = "<section class=\"keep\">\n<h2 id=\"extrapolation\">Extrapolation to infinite time</h2>\n";
    if (!f.extrapolated)
        return t + "<p class=\"note\">No extrapolation: " + H(notMade) + "</p>\n</section>\n";
    const ExtrapolationChoice& c = f.extrapolation;
    if (!c.sound)
        return t + "<p class=\"note\">No result: " + H(c.refusal) + "</p>\n</section>\n";
    const ExtrapolationFileHeader& h = c.x.header;
    char times[80];
    std::snprintf(times, sizeof times, " (mean times %.0f to %.0f s)", h.startTime, h.endTime);
    t += "<p>" + std::to_string(c.x.rows.size()) + " points extrapolated from smoothed sets " + std::to_string(h.start)
        + " to " + std::to_string(h.end) + times + ", ln g fitted against 1/√t and 1/t at each s*";
    if (c.range == "chosen")
        t += ", chosen because the default range is no result: " + H(c.refusal);
    t += c.peak.Found ? ". <strong>g(s*) peak at s* = " + ThreeDigits(c.peak.SStar) + " S</strong>" : std::string();
    t += c.peakNote.empty() ? "." : ". <span class=\"note\">" + H(c.peakNote) + "</span>.";
    return t + "</p>\n"
        + Figure(
            ExtrapolationChart(c), "The extrapolated g(s*) with its standard errors over the newest set of the range.")
        + "</section>\n";
}

std::string SpeciesSection(const SpeciesFitResult& fit)
{
    std::string t = "<section class=\"keep\">\n<h2 id=\"species\">Species</h2>\n";
    if (fit.Status != FitStatus::Converged)
        return t + "<p class=\"note\">" + H(SpeciesFitHeadLines(fit).front()) + "</p>\n</section>\n";
    for (const std::string& line : SpeciesFitHeadLines(fit))
        t += "<p>" + H(line) + "</p>\n";
    t += "<table class=\"list species\"><tr>";
    for (const std::string& head : SpeciesTableHeader())
        t += "<th>" + H(head) + "</th>";
    t += "</tr>\n";
    for (const auto& row : SpeciesTableCells(fit)) {
        t += "<tr>";
        for (const std::string& cell : row)
            t += "<td class=\"num\">" + H(cell) + "</td>";
        t += "</tr>\n";
    }
    t += "</table>\n<p>Each value ± its standard error from the fit; neighbouring g(s*) points share scans, so take "
         "the "
         "errors as lower bounds.</p>\n";
    for (const std::string& note : fit.Notes)
        t += "<p class=\"note\">note: " + H(note) + "</p>\n";
    return t + Figure(SpeciesChart(fit), "The fitted set, the fit and each species' own curve.") + "</section>\n";
}

std::string CsSection(const morvane::cs::CsResult& r, const std::string& unit)
{
    std::string t = "<section class=\"keep\">\n<h2 id=\"cs\">c(s)</h2>\n";
    if (!r.error.empty())
        return t + "<p class=\"note\">No c(s): " + H(r.error) + "</p>\n</section>\n";
    t += "<p>The raw scans fitted with Lamm solutions on " + std::to_string(r.s.size()) + " values of s from "
        + ThreeDigits(r.s.front()) + " to " + ThreeDigits(r.s.back()) + " S (" + std::to_string(r.scansUsed)
        + " scans, radii " + FloatToStr(r.radiusLow) + " to " + FloatToStr(r.radiusHigh) + " cm): f/f0 "
        + ThreeDigits(r.frictionalRatio) + (r.ratioFitted ? " (fitted)" : " (given)") + ", rms residual "
        + ThreeDigits(r.rmsResidual) + " " + H(unit) + ".</p>\n";
    t += "<table class=\"list species\"><tr><th>s (S)</th><th>s20,w (S)</th><th>fraction (%)</th><th>M "
         "(kDa)</th></tr>\n";
    for (const morvane::cs::CsPeak& p : r.peaks)
        t += "<tr><td class=\"num\">" + ThreeDigits(p.s) + "</td><td class=\"num\">" + ThreeDigits(p.s20w)
            + "</td><td class=\"num\">" + ThreeDigits(100 * p.fraction) + "</td><td class=\"num\">"
            + ThreeDigits(p.molarMass / 1000) + "</td></tr>\n";
    t += "</table>\n<p>Each peak's s is its weight average; M comes from s and the one f/f0 of all species.</p>\n";
    for (const std::string& note : r.notes)
        t += "<p class=\"note\">note: " + H(note) + "</p>\n";
    return t + Figure(CsChart(r, unit), "The c(s) distribution, a bar at each peak's s.") + "</section>\n";
}

std::string Percent(double x) { return std::isfinite(x) ? ThreeDigits(x) + " %" : "-"; }

std::string ConvergenceSection(
    const std::vector<ConvergencePoint>& series, const ConvergenceSummary& c, const ConvergenceThresholds& limits)
{
    std::string t = "<section class=\"keep\">\n<h2 id=\"convergence\">Convergence</h2>\n<p class=\"verdict\">"
        + H(c.verdict) + "</p>\n";
    t += "<table class=\"kv\">\n";
    t += Row("peak drift", Percent(c.peakDriftPercent) + " (limit " + ThreeDigits(100 * limits.PeakDrift) + " %)");
    t += Row(
        "shape change", Percent(c.shapeChangePercent) + " (limit " + ThreeDigits(100 * limits.ShapeChange) + " %)");
    t += Row("at the meniscus",
        Percent(c.meniscusLevelPercent) + " of the peak (limit " + ThreeDigits(100 * limits.MeniscusLevel) + " %)");
    if (c.speciesCompared > 0) {
        t += Row("species compared", std::to_string(c.speciesCompared));
        t += Row("change of a fitted s", Percent(c.speciesSChangePercent));
        t += Row("change of a share",
            std::isfinite(c.shareChangePoints) ? ThreeDigits(c.shareChangePoints) + " points" : "-");
    }
    t += "</table>\n<p>Each g(s*) set is compared with the set " + ThreeDigits(100 * limits.WindowFraction)
        + " % of its elapsed time earlier.</p>\n";
    return t + Figure(ConvergenceChart(series, limits), "How much g(s*) still changed when each set was the newest.")
        + "</section>\n";
}

std::string FileRow(const InputFile& f, const std::string& cells)
{
    return "<tr><td>" + H(f.Name) + "</td>" + cells + "<td class=\"num\">"
        + (f.Size >= 0 ? std::to_string(f.Size) : std::string("-")) + "</td><td class=\"hash\">"
        + (f.Sha256.empty() ? std::string("not read") : H(f.Sha256)) + "</td></tr>\n";
}

std::string RecordSection(const Sidecar& s, const RealTimeGofS& e)
{
    const ChannelRecord& c = s.Channels[0];
    std::string t = "<h2 id=\"record\">Record</h2>\n<p>The record beside this report (its name and \".json\") holds "
                    "everything above with the report's own size and SHA-256; <code>morvane-cli reproduce</code> makes "
                    "the report again from it. The inputs as the record holds them:</p>\n";
    t += "<table class=\"list files\"><tr><th>scan file used</th><th>t (s)</th><th>bytes</th><th>SHA-256</th></tr>\n";
    const ChannelDataStore& raw = *e.RawStore;
    for (size_t k = 0; k < c.Files.size(); ++k) {
        const std::string time
            = static_cast<int32_t>(k) < raw.GetNumberOfSets() ? FormatThousands(std::round(raw.Headers[k].Time)) : "";
        t += FileRow(c.Files[k], "<td class=\"num\">" + time + "</td>");
    }
    t += "</table>\n";
    if (c.RefusedFiles.empty())
        return t;
    t += "<table class=\"list files\"><tr><th>file refused</th><th>why</th><th>bytes</th><th>SHA-256</th></tr>\n";
    for (const InputFile& f : c.RefusedFiles)
        t += FileRow(f, "<td>" + H(f.Refused) + "</td>");
    return t + "</table>\n";
}

// The extrapolation the request asks for, or why there is none.
std::string MakeExtrapolation(const RealTimeGofS& e, const Sidecar& s, const ReportRequest& r, ReportFacts& f)
{
    const int32_t sets = e.SmoothGofsStore ? e.SmoothGofsStore->GetNumberOfSets() : 0;
    const int32_t start = r.start.value_or(0), end = r.end.value_or(sets - 1);
    if (start < 0 || end >= sets || end - start + 1 < ExtrapolationMinimumSets)
        return "sets " + std::to_string(start) + " to " + std::to_string(end)
            + " cannot be extrapolated: it takes at least " + std::to_string(ExtrapolationMinimumSets)
            + " of the channel's " + std::to_string(sets) + " smoothed g(s*) sets";
    f.extrapolation = ChooseExtrapolation(e, s.Channels[0].RunDirectory, start, end, r.start || r.end, r.display);
    f.extrapolated = true;
    return {};
}

} // namespace

std::string ReportHtml(
    const RealTimeGofS& e, const Sidecar& s, std::string& html, ReportFacts* facts, ConvergenceFitCache* fits)
{
    ReportRequest r;
    if (const std::string wrong = ReportRequestOf(s, r); !wrong.empty())
        return wrong;
    if (!e.RawStore || !e.GofsStore || e.GofsStore->GetNumberOfSets() < 1 || e.RawStore->GetNumberOfSets() < 1)
        return std::string(NotEnoughDataMessage) + " (" + std::to_string(e.RawStore ? e.RawStore->GetNumberOfSets() : 0)
            + " scans of " + e.ChannelName + ")";
    const NumericLocaleScope numbers; // "." in every number, whatever the program's locale
    ReportFacts f;
    f.gofs = Summarise(e, -1, true);
    const std::string notExtrapolated = MakeExtrapolation(e, s, r, f);
    if (r.species)
        f.species = FitSpecies(e, *r.species);
    if (r.cs)
        f.cs = FitChannel(e, *r.cs);
    const ConvergenceThresholds limits = ThresholdsOf(r.convergence);
    const std::vector<ConvergencePoint> series = ConvergenceSeries(e, limits, r.species ? &*r.species : nullptr, fits);
    f.convergence = SummariseConvergence(series, limits);

    const ScanCounts counts = CountsOf(s);
    html = Head(s, e, s.Parameters->at("written_utc").get<std::string>()) + Glance(f, counts) + RunSection(s, e)
        + ScansSection(s, counts) + ParametersSection(s.Channels[0], r, e.CorrectJitter || e.CorrectFringes);
    html += "<section class=\"keep\">\n<h2 id=\"raw\">Raw data</h2>\n"
        + Figure(
            RawScansChart(e), "Scans spread evenly over the run, the first and the newest named, with the positions.")
        + "</section>\n";
    html += GofsSection(e, f.gofs) + ExtrapolationSection(f, notExtrapolated);
    if (f.species)
        html += SpeciesSection(*f.species);
    if (f.cs)
        html += CsSection(*f.cs, e.SignalUnit());
    html += ConvergenceSection(series, f.convergence, limits) + SettingsSection(s, r) + RecordSection(s, e)
        + "</body>\n</html>\n";
    if (facts)
        *facts = std::move(f);
    return {};
}

} // namespace morvane
