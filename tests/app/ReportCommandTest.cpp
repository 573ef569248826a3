// morvane-cli report: its numbers are those of the other commands' summaries, it stands alone,
// escapes what files say, and reproduce makes it again byte for byte.
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/cli/AnalyzeCommand.h"
#include "app/cli/CsCommand.h"
#include "app/cli/ExtrapolateCommand.h"
#include "app/cli/FitCommand.h"
#include "app/cli/ReportCommand.h"
#include "app/cli/ReproduceCommand.h"
#include "app/cli/Summary.h"
#include "species/SpeciesTable.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::TempDir;

namespace {

template <typename Options, typename Run> nlohmann::json JsonOf(Run run, Options o)
{
    std::ostringstream out, err;
    EXPECT_EQ(run(o, out, err), 0) << err.str();
    return nlohmann::json::parse(out.str());
}

int Report(const ReportOptions& o, std::string& out, std::string& err)
{
    std::ostringstream o1, o2;
    const int status = RunReport(o, o1, o2);
    out = o1.str();
    err = o2.str();
    return status;
}

ReportOptions ReportFor(const std::string& dir, const std::string& output)
{
    ReportOptions o;
    o.runDir = dir;
    o.output = output;
    return o;
}

// The text of the section that starts at `id` up to the next section.
std::string Section(const std::string& html, const std::string& id)
{
    const size_t at = html.find("<h2 id=\"" + id + "\">");
    if (at == std::string::npos)
        return {};
    return html.substr(at, html.find("<h2 id=", at + 1) - at);
}

} // namespace

TEST(CliReport, SaysWhatTheSummariesSayAndReproduces)
{
    TempDir run, out;
    testutil::RunSpec spec;
    spec.scans = 30;
    testutil::WriteRun(run.path(), spec);
    std::string text, err;
    ASSERT_EQ(Report(ReportFor(run.path(), out / "r.html"), text, err), 0) << err;
    const std::string html = testutil::ReadTextFile(out / "r.html");

    AnalyzeOptions a;
    a.runDir = run.path();
    a.output = out / "g.txt";
    a.json = true;
    const nlohmann::json g
        = JsonOf([](const AnalyzeOptions& o, std::ostream& x,
                     std::ostream& y) { return RunAnalyze(o, x, y, std::atomic<bool>(false), [](int) {}); },
            a);
    ExtrapolateOptions e;
    e.runDir = run.path();
    e.output = out / "e.txt";
    e.json = true;
    const nlohmann::json x = JsonOf(RunExtrapolate, e);

    const std::string gofs = Section(html, "gofs");
    EXPECT_NE(
        gofs.find("g(s*) peak at s* = " + ThreeDigits(g.at("peak_s_star").get<double>()) + " S"), std::string::npos)
        << gofs;
    EXPECT_NE(gofs.find(std::to_string(g.at("sets").get<int>()) + " g(s*) sets from 30 scans"), std::string::npos);
    const std::string ext = Section(html, "extrapolation");
    EXPECT_NE(ext.find("smoothed sets 0 to " + std::to_string(x.at("end").get<int>())), std::string::npos) << ext;
    EXPECT_NE(
        ext.find("g(s*) peak at s* = " + ThreeDigits(x.at("peak_s_star").get<double>()) + " S"), std::string::npos);
    EXPECT_NE(Section(html, "scans").find("30 scans read, 30 used"), std::string::npos);
    EXPECT_EQ(Section(html, "species"), "") << "no table unless asked for";
    // The verdict analyze --watch gives.
    CliFollower f;
    OpenChannel(f, run.path(), LaunchParameters::Defaults("0*.RA1"));
    EXPECT_NE(Section(html, "convergence").find(SummariseConvergence(*f.Engine).verdict), std::string::npos);
    EXPECT_NE(text.find(out / "r.html: run report of 0*.RA1 from 30 scans; g(s*) peak at s* = "), std::string::npos);

    // One file that stands alone and prints well.
    for (const char* outside : { "http", "<script", "src=", "<link", "<img" })
        EXPECT_EQ(html.find(outside), std::string::npos) << outside;
    EXPECT_NE(html.find("@media print"), std::string::npos);
    EXPECT_EQ(html.substr(html.size() - 8), "</html>\n");

    // The species table is the fit's, each value with its error as the table prints it.
    ReportOptions withFit = ReportFor(run.path(), out / "fit.html");
    withFit.speciesTable = true;
    ASSERT_EQ(Report(withFit, text, err), 0) << err;
    FitOptions fit;
    fit.runDir = run.path();
    fit.json = true;
    const nlohmann::json s = JsonOf(RunFit, fit).at("species").at(0);
    const std::string species = Section(testutil::ReadTextFile(out / "fit.html"), "species");
    for (const char* value : { "s", "m_g_per_mol", "ff0" }) {
        const double scale = std::string(value) == "m_g_per_mol" ? 1e-3 : 1;
        const std::string cell = ValueWithError(
            scale * s.at(value).get<double>(), scale * s.at(std::string(value) + "_error").get<double>());
        EXPECT_NE(species.find(">" + cell + "<"), std::string::npos) << value << " " << cell;
    }

    // Made again from its record, byte for byte.
    ReproduceOptions r;
    r.sidecar = out / "fit.html.json";
    std::ostringstream o1, o2;
    EXPECT_EQ(RunReproduce(r, o1, o2), 0) << o1.str() << o2.str();
    EXPECT_NE(o1.str().find("result: byte-identical"), std::string::npos);
}

TEST(CliReport, HoldsTheCsDistributionWhenAskedAndReproducesIt)
{
    TempDir run, out;
    testutil::RunSpec spec; // 10 scans: the report fits c(s) with the command's defaults (f/f0 searched)
    spec.points = 100;
    testutil::WriteRun(run.path(), spec);
    ReportOptions withCs = ReportFor(run.path(), out / "cs.html");
    withCs.cs = true;
    std::string text, err;
    ASSERT_EQ(Report(withCs, text, err), 0) << err;

    // The c(s) section holds the peaks morvane-cli cs finds with its defaults.
    CsCommandOptions cs;
    cs.runDir = run.path();
    cs.output = out / "cs.txt";
    cs.json = true;
    const nlohmann::json c
        = JsonOf([](const CsCommandOptions& o, std::ostream& to,
                     std::ostream& errors) { return RunCs(o, to, errors, std::atomic<bool>(false), [](int) {}); },
            cs);
    const std::string csSection = Section(testutil::ReadTextFile(out / "cs.html"), "cs");
    ASSERT_FALSE(c.at("peaks").empty());
    for (const auto& peak : c.at("peaks"))
        EXPECT_NE(
            csSection.find("<td class=\"num\">" + ThreeDigits(peak.at("s").get<double>()) + "</td>"), std::string::npos)
            << csSection;
    EXPECT_NE(csSection.find("<svg"), std::string::npos);
    EXPECT_NE(text.find("; c(s) peaks at " + ThreeDigits(c.at("peaks").at(0).at("s").get<double>()) + " S"),
        std::string::npos)
        << text;

    ReproduceOptions r;
    r.sidecar = out / "cs.html.json";
    std::ostringstream o1, o2;
    EXPECT_EQ(RunReproduce(r, o1, o2), 0) << o1.str() << o2.str();
    EXPECT_NE(o1.str().find("result: byte-identical"), std::string::npos);
}

TEST(CliReport, EscapesWhatFilesSayAndRefusesWhatItCannotDo)
{
    TempDir root, out;
    const fs::path run = root / "run <b>&amp;";
    fs::create_directory(run);
    testutil::RunSpec spec;
    spec.scans = 12;
    spec.description = "Sample <i>\"A\" & B</i>";
    testutil::WriteRun(run, spec);
    std::string text, err;
    ASSERT_EQ(Report(ReportFor(run, out / "r.html"), text, err), 0) << err;
    const std::string html = testutil::ReadTextFile(out / "r.html");
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    EXPECT_EQ(html.find("<i>"), std::string::npos);
    EXPECT_NE(html.find("run &lt;b&gt;&amp;amp;"), std::string::npos);
    EXPECT_NE(html.find("Sample &lt;i&gt;&quot;A&quot; &amp; B&lt;/i&gt;"), std::string::npos);

    // A settings file's values, and its name.
    testutil::WriteTextFile(out / "s.INI", "[SpeciesSettings]\nConvergenceWindowPercent=20\n");
    ReportOptions withSettings = ReportFor(run, out / "s.html");
    withSettings.analysis.settingsFile = out / "s.INI";
    ASSERT_EQ(Report(withSettings, text, err), 0) << err;
    const std::string settings = testutil::ReadTextFile(out / "s.html");
    EXPECT_NE(settings.find("compared with the set 20 % of its elapsed time earlier"), std::string::npos);
    EXPECT_NE(settings.find("<th>settings file</th><td>" + (out / "s.INI")), std::string::npos);

    ReportOptions vbarAlone = ReportFor(run, out / "x.html");
    vbarAlone.fit.vbar = 0.72;
    ReportOptions noSuchSet = ReportFor(run, out / "x.html");
    noSuchSet.start = 90;
    for (const ReportOptions& o : { vbarAlone, noSuchSet }) {
        EXPECT_EQ(Report(o, text, err), 2);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(err.rfind("morvane-cli: ", 0), 0u) << err;
    }
    EXPECT_NE(err.find("set 90 does not exist"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(out / "x.html"));
}
