// Timing of the comparison window's redraw with 8 open data views of the 999-scan channel (999
// absorbance scans of 1600 points): the redraw alone (reading the 8 composite curves into the
// chart model), regular and normalized, and "Refresh" through the window until the chart is
// replotted. Runs without a display.
#include <QApplication>
#include <benchmark/benchmark.h>
#include <memory>

#include "mainwindow/TMorvaneForm.h"
#include "testutil/ScanFileWriter.h"
#include "ui/ChartView.h"
#include "ui/CompareWindow.h"

using namespace morvane;

namespace {

constexpr int Views = 8;

// The run, written once, and 8 views of it launched from a main window, all selected.
struct OpenViews {
    testutil::TempDir root;
    TMorvaneForm form;
    TMorvaneCompare compare;
    OpenViews()
    {
        testutil::WriteRun(root.path(), testutil::LargeChannelSpec());
        form.ChangeWorkingDirectory = false;
        form.ComparisonWindow = &compare;
        form.ScanRootDir(root.path());
        for (int i = 0; i < Views; ++i)
            form.ButtonLaunchClick();
        for (ComparisonEntry& e : compare.ListBoxOpenWindows)
            e.Selected = true;
    }
};

OpenViews& TheViews()
{
    static OpenViews v;
    return v;
}

bool AllDrawn(const TMorvaneCompare& c) { return static_cast<int>(c.dcdtChart.ActiveSeries().size()) == Views; }

void BM_PlotComparison8Views(benchmark::State& state)
{
    TMorvaneCompare& c = TheViews().compare;
    c.RadioButtonNormalizedChecked = state.range(0) != 0;
    for (auto _ : state)
        c.PlotComparison();
    if (!AllDrawn(c))
        state.SkipWithError("not every view was drawn");
}
BENCHMARK(BM_PlotComparison8Views)->Arg(0)->Arg(1)->ArgNames({ "normalized" })->Unit(benchmark::kMicrosecond);

void BM_RefreshThroughTheWindow8Views(benchmark::State& state)
{
    TMorvaneCompare& c = TheViews().compare;
    c.RadioButtonNormalizedChecked = false;
    CompareWindow window(c);
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        c.ButtonRefreshClick();
        window.Refresh();
        QApplication::processEvents();
    }
    if (window.Chart()->DrawnCurves() != Views)
        state.SkipWithError("the window did not draw every view");
}
BENCHMARK(BM_RefreshThroughTheWindow8Views)->Unit(benchmark::kMillisecond)->UseRealTime();

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
