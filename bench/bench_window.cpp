// Timing through the windows, at 999 absorbance scans of 1600 points: the launch of a data view
// (full load until every chart is drawn), one refresh tick that adds the 999th scan to 998
// (until the charts are drawn again), one step of the time course's playback and a click on the
// molecular-weight check box (until the charts are redrawn). Runs without a display.
#include <QApplication>
#include <QCheckBox>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>

#include "testutil/ScanFileWriter.h"
#include "ui/ChartView.h"
#include "ui/MainWindowWidget.h"
#include "ui/SedDataViewWidget.h"

namespace fs = std::filesystem;

namespace {

// The run, written once; the last scan is kept aside for the refresh.
struct Channel {
    testutil::TempDir root;
    std::vector<std::string> names;
    std::string lastText;
    Channel()
    {
        names = testutil::WriteRun(root.path(), testutil::LargeChannelSpec());
        lastText = testutil::ReadTextFile(root / names.back());
    }
    std::string Last() const { return root / names.back(); }
};

Channel& TheChannel()
{
    static Channel c;
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
        testutil::WriteTextFile(c.Last(), c.lastText);
    for (auto _ : state) {
        state.PauseTiming();
        auto main = MainOn(c.root.path());
        state.ResumeTiming();
        SedDataViewWidget* w = main->Launch();
        Paint();
        state.PauseTiming();
        if (w->View()->Engine->RawStore->GetNumberOfSets() != 999 || !AllChartsDrawn(*w))
            state.SkipWithError("the launch did not load and draw 999 scans");
        main.reset();
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
        const uint64_t drawn = w->View()->dcdtChart.Changed;
        testutil::WriteTextFile(c.Last(), c.lastText);
        state.ResumeTiming();
        w->Timer1Tick();
        Paint();
        state.PauseTiming();
        if (w->View()->Engine->RawStore->GetNumberOfSets() != 999 || w->View()->dcdtChart.Changed == drawn)
            state.SkipWithError("the tick did not add and draw the 999th scan");
        main.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TickAddsOneScanAt999)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// A data view launched once on the whole channel, for the benchmarks that act in it.
struct LaunchedView {
    std::unique_ptr<MainWindowWidget> main;
    SedDataViewWidget* widget = nullptr;
    LaunchedView()
    {
        Channel& c = TheChannel();
        if (!fs::exists(c.Last()))
            testutil::WriteTextFile(c.Last(), c.lastText);
        main = MainOn(c.root.path());
        widget = main->Launch();
        widget->resize(1000, 700);
        widget->show();
        Paint();
    }
};

// Never destroyed: its widgets must not be destroyed after the application object.
LaunchedView& TheView()
{
    static auto* v = new LaunchedView;
    return *v;
}

// One tick of the playback at speed 100 on the raw scans, until the chart shows the next scan.
void BM_TimeCourseStepRaw999(benchmark::State& state)
{
    SedDataViewWidget* w = TheView().widget;
    TSedDataView& view = *w->View();
    w->SelectTab("Time Course");
    view.RadioGroupChooseTimeCourse = 0;
    view.RadioGroupChooseTimeCourseClick();
    view.UpDownPlaySpeed.SetPosition(100);
    view.UpDownPlaySpeedClick();
    view.SBPlayClick();
    w->Refresh();
    Paint();
    for (auto _ : state) {
        const int32_t before = view.TimeCourseChart.Series[1].Tag;
        w->PlayBackTick();
        Paint();
        if (view.TimeCourseChart.Series[1].Tag == before || w->TimeCourseChart()->DrawnCurves() != 1)
            state.SkipWithError("the tick did not show the next scan");
    }
    view.SBPauseClick();
    w->Refresh();
}
BENCHMARK(BM_TimeCourseStepRaw999)->Unit(benchmark::kMillisecond)->UseRealTime();

// A click on "Enter MW for data span": every stage recomputed and the charts redrawn.
void BM_MWCheckBox999(benchmark::State& state)
{
    SedDataViewWidget* w = TheView().widget;
    w->SelectTab("Corrected t (dc/dt)");
    QCheckBox* box = w->findChild<QCheckBox*>();
    for (auto _ : state) {
        const uint64_t drawn = w->View()->dcdtChart.Changed;
        box->click();
        Paint();
        if (w->View()->dcdtChart.Changed == drawn)
            state.SkipWithError("the click did not redraw");
    }
}
BENCHMARK(BM_MWCheckBox999)->Unit(benchmark::kMillisecond)->UseRealTime();

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
