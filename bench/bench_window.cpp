// Timing through the windows, at 999 absorbance scans of 1600 points: the launch of a data view
// (full load until every chart is drawn), one refresh tick that adds the 999th scan to 998
// (until the charts are drawn again). Then the clicks a user waits for, on a channel of the size
// of a real interference run (226 scans of 1,759 points, argument 226) and on the 999-scan one
// (argument 999), each until the window has painted: a tab switch while the run is followed (every
// chart changed by the tick before it), a step of the time course's playback, an extrapolation
// refresh, and a click on the molecular-weight check box (every stage recomputed and redrawn).
// Runs without a display (offscreen): the figures include QCustomPlot's drawing into its buffers
// and Qt's painting of the window, not the X server's.
#include <QApplication>
#include <QCheckBox>
#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <memory>

#include "testutil/ScanFileWriter.h"
#include "ui/ChartView.h"
#include "ui/MainWindowWidget.h"
#include "ui/SedDataViewWidget.h"

using namespace morvane;

namespace fs = std::filesystem;

namespace {

// A scan file as a finished run holds it: written an hour ago, so the follower takes it at once
// (a file changed within the last seconds may still be being written and waits for a later tick).
void Settle(const std::string& path)
{
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1));
}

void WriteSettled(const std::string& path, const std::string& text)
{
    testutil::WriteTextFile(path, text);
    Settle(path);
}

// The run, written once; the last scan is kept aside for the refresh.
struct Channel {
    testutil::TempDir root;
    std::vector<std::string> names;
    std::string lastText;
    explicit Channel(const testutil::RunSpec& spec)
    {
        names = testutil::WriteRun(root.path(), spec);
        for (const std::string& name : names)
            Settle(root / name);
        lastText = testutil::ReadTextFile(root / names.back());
    }
    std::string Last() const { return root / names.back(); }
};

Channel& TheChannel()
{
    static Channel c(testutil::LargeChannelSpec());
    return c;
}

// 226 scans of 1,759 points, 0.0008 cm apart from 5.8 cm (to 7.19 cm), a scan a minute from 300 s.
Channel& InterferenceSizedChannel()
{
    static Channel c([] {
        testutil::RunSpec spec;
        spec.scans = 226;
        spec.points = 1759;
        spec.radiusLow = 5.8;
        spec.radiusHigh = 7.19;
        spec.firstSeconds = 300;
        spec.intervalSeconds = 60;
        spec.rpm = 45000;
        spec.sSeconds = 6.5e-13;
        return spec;
    }());
    return c;
}

std::unique_ptr<MainWindowWidget> MainOn(const std::string& root)
{
    auto main = std::make_unique<MainWindowWidget>();
    main->Form().ChangeWorkingDirectory = false;
    main->SetRoot(QString::fromStdString(root));
    main->SelectChannel("0*.RA1");
    main->show();
    return main;
}

// The launch and the tick end with the widget's Refresh, which replots every chart whose model
// changed; the queued paints are then delivered, so the windows are on screen as a user sees them.
void Paint() { QApplication::processEvents(); }

bool AllChartsDrawn(SedDataViewWidget& w)
{
    for (ChartView* chart : { w.RawChart(), w.AverageChart(), w.CorrectedChart() })
        if (chart->DrawnCurves() == 0)
            return false;
    return true;
}

void BM_LaunchView999(benchmark::State& state)
{
    Channel& c = TheChannel();
    if (!fs::exists(c.Last()))
        WriteSettled(c.Last(), c.lastText);
    for (auto _ : state) {
        state.PauseTiming();
        auto main = MainOn(c.root.path());
        state.ResumeTiming();
        SedDataViewWidget* w = main->Launch();
        Paint();
        state.PauseTiming();
        const bool failed = w->View()->Engine->RawStore->GetNumberOfSets() != 999 || !AllChartsDrawn(*w);
        main.reset();
        if (failed) {
            state.SkipWithError("the launch did not load and draw 999 scans");
            break; // timing may not resume after an error
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LaunchView999)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_TickAddsOneScanAt999(benchmark::State& state)
{
    Channel& c = TheChannel();
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(c.Last());
        auto main = MainOn(c.root.path());
        SedDataViewWidget* w = main->Launch();
        Paint();
        const uint64_t drawn = w->View()->Results.dcdtChart.Changed;
        WriteSettled(c.Last(), c.lastText);
        state.ResumeTiming();
        w->Timer1Tick();
        Paint();
        state.PauseTiming();
        const bool failed
            = w->View()->Engine->RawStore->GetNumberOfSets() != 999 || w->View()->Results.dcdtChart.Changed == drawn;
        main.reset();
        if (failed) {
            state.SkipWithError("the tick did not add and draw the 999th scan");
            break; // timing may not resume after an error
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TickAddsOneScanAt999)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// A data view launched once on the whole channel, for the benchmarks that act in it.
struct LaunchedView {
    std::unique_ptr<MainWindowWidget> main;
    SedDataViewWidget* widget = nullptr;
    explicit LaunchedView(Channel& c)
    {
        if (!fs::exists(c.Last()))
            WriteSettled(c.Last(), c.lastText);
        main = MainOn(c.root.path());
        widget = main->Launch();
        widget->resize(1000, 700);
        widget->show();
        Paint();
    }
};

// Never destroyed: its widgets must not be destroyed after the application object.
LaunchedView& TheView(int64_t scans = 999)
{
    static auto* v999 = new LaunchedView(TheChannel());
    if (scans != 226)
        return *v999;
    static auto* v226 = new LaunchedView(InterferenceSizedChannel());
    return *v226;
}

// What a tick of a followed run leaves: every chart's model changed since it was drawn.
void EveryChartChanged(TSedDataView& view)
{
    for (ChartModel* m : { &view.Raw.Chart1, &view.Results.ChartAverage, &view.Results.dcdtChart,
             &view.Extrapolation.ChartSExtrapolation, &view.Extrapolation.ChartExtrapolation,
             &view.TimeCourse.TimeCourseChart, &view.Species.ConvergenceChart,
             &view.Species.CorrectedSpecies.ResidualChart, &view.Species.ExtrapolatedSpecies.ResidualChart })
        m->Repaint();
}

// A tab switch while the run is followed: before each, a refresh tick's worth of changed charts
// (redrawn, untimed, as the tick redraws them); timed: the switch to the next tab until painted.
void BM_TabSwitchLive(benchmark::State& state)
{
    SedDataViewWidget* w = TheView(state.range(0)).widget;
    TSedDataView& view = *w->View();
    // The extrapolation tab with its charts (the 999-scan channel's synthetic boundary is refused
    // in a message box, which would wait for a click).
    if (state.range(0) == 226)
        view.Extrapolation.ButtonRefreshExtrapolationClick();
    size_t next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        EveryChartChanged(view);
        w->Refresh();
        Paint();
        const char* caption = TSedDataView::TabCaptions[next++ % 5];
        state.ResumeTiming();
        w->SelectTab(QString::fromLatin1(caption));
        Paint();
    }
}
BENCHMARK(BM_TabSwitchLive)->Arg(226)->Arg(999)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// "Refresh Extrapolation Needed" on the whole run, until the extrapolation tab is painted (the
// 226-scan channel only: the 999-scan one's extrapolation is refused in a message box).
void BM_ExtrapolationRefresh(benchmark::State& state)
{
    SedDataViewWidget* w = TheView(state.range(0)).widget;
    TSedDataView& view = *w->View();
    w->SelectTab("Extrapolation");
    Paint();
    for (auto _ : state) {
        const uint64_t drawn = view.Extrapolation.ChartSExtrapolation.Changed;
        view.Extrapolation.ButtonRefreshExtrapolationClick();
        w->Refresh();
        Paint();
        if (view.Extrapolation.ChartSExtrapolation.Changed == drawn)
            state.SkipWithError("the refresh did not redraw");
    }
}
BENCHMARK(BM_ExtrapolationRefresh)->Arg(226)->Unit(benchmark::kMillisecond)->UseRealTime();

// One tick of the playback at speed 100 on the raw scans, until the chart shows the next scan.
void BM_TimeCourseStepRaw(benchmark::State& state)
{
    SedDataViewWidget* w = TheView(state.range(0)).widget;
    TSedDataView& view = *w->View();
    w->SelectTab("Time Course");
    view.TimeCourse.RadioGroupChooseTimeCourse = 0;
    view.TimeCourse.RadioGroupChooseTimeCourseClick();
    view.TimeCourse.UpDownPlaySpeed.SetPosition(100);
    view.TimeCourse.UpDownPlaySpeedClick();
    view.TimeCourse.SBPlayClick();
    w->Refresh();
    Paint();
    for (auto _ : state) {
        const int32_t before = view.TimeCourse.TimeCourseChart.Series[1].Tag;
        w->PlayBackTick();
        Paint();
        if (view.TimeCourse.TimeCourseChart.Series[1].Tag == before || w->TimeCourseChart()->DrawnCurves() != 1)
            state.SkipWithError("the tick did not show the next scan");
    }
    view.TimeCourse.SBPauseClick();
    w->Refresh();
}
BENCHMARK(BM_TimeCourseStepRaw)->Arg(226)->Arg(999)->Unit(benchmark::kMillisecond)->UseRealTime();

// A click on "Enter MW for data span": every stage recomputed and the charts redrawn.
void BM_MWCheckBox(benchmark::State& state)
{
    SedDataViewWidget* w = TheView(state.range(0)).widget;
    w->SelectTab("Corrected t (dc/dt)");
    QCheckBox* box = w->findChild<QCheckBox*>();
    for (auto _ : state) {
        const uint64_t drawn = w->View()->Results.dcdtChart.Changed;
        box->click();
        Paint();
        if (w->View()->Results.dcdtChart.Changed == drawn)
            state.SkipWithError("the click did not redraw");
    }
}
BENCHMARK(BM_MWCheckBox)->Arg(226)->Arg(999)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
