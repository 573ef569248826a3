// The data view's extrapolation and time-course tabs through their widgets: what the buttons do to
// the models and what the charts draw. The playback timer's handler is called directly.
#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include "NamedChild.h"
#include "chart/ChartData.h"
#include "testutil/ScanFileWriter.h"
#include "ui/ChartView.h"
#include "ui/MainWindowWidget.h"
#include "ui/SedDataViewWidget.h"

using namespace morvane;

using testutil::TempDir;

namespace {

int ErrorBarPlottables(QCustomPlot* plot)
{
    int n = 0;
    for (int i = 0; i < plot->plottableCount(); ++i)
        n += qobject_cast<QCPErrorBars*>(plot->plottable(i)) != nullptr;
    return n;
}

// The rectangles, in pixels along the axis, of the tick labels an axis draws.
std::vector<std::pair<double, double>> TickLabelSpans(const QCPAxis* axis)
{
    std::vector<std::pair<double, double>> spans;
    if (!axis->visible() || !axis->tickLabels())
        return spans;
    const QFontMetrics metrics(axis->tickLabelFont());
    const bool turned = std::abs(std::remainder(axis->tickLabelRotation(), 180.0)) > 45;
    const bool alongWidth = (axis->orientation() == Qt::Horizontal) != turned;
    const QVector<double> ticks = axis->tickVector();
    const QVector<QString> labels = axis->tickVectorLabels();
    for (qsizetype i = 0; i < ticks.size() && i < labels.size(); ++i) {
        if (labels[i].isEmpty() || !axis->range().contains(ticks[i]))
            continue;
        const double extent = alongWidth ? metrics.horizontalAdvance(labels[i]) : metrics.height();
        const double middle = axis->coordToPixel(ticks[i]);
        spans.emplace_back(middle - extent / 2, middle + extent / 2);
    }
    std::sort(spans.begin(), spans.end());
    return spans;
}

// Every chart of the view as the user sees it: at least two labels on each axis with labels,
// none overlapping another; a legend kept off the curves lies outside the axes.
void ExpectReadableCharts(SedDataViewWidget* w, const char* tab)
{
    // The tab's layout, then the redraw it queues for labels thinned at the new length.
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    for (ChartView* chart : w->findChildren<ChartView*>()) {
        if (!chart->isVisible() || chart->DrawnCurves() == 0)
            continue;
        QCustomPlot* plot = chart->Plot();
        for (const QCPAxis* axis : { plot->xAxis, plot->yAxis }) {
            SCOPED_TRACE(std::string(tab) + ": " + axis->label().toStdString());
            const auto spans = TickLabelSpans(axis);
            EXPECT_GE(spans.size(), 2u);
            for (size_t i = 1; i < spans.size(); ++i)
                EXPECT_LT(spans[i - 1].second, spans[i].first) << "labels " << i - 1 << " and " << i << " overlap";
        }
        if (plot->legend->visible() && plot->legend->layout() != plot->axisRect()->insetLayout()) {
            EXPECT_FALSE(plot->legend->outerRect().intersects(plot->axisRect()->rect()));
        }
    }
}

// A data view launched on a finished run of `scans` simulated scans.
struct LaunchedView {
    TempDir root;
    MainWindowWidget main;
    SedDataViewWidget* widget = nullptr;
    explicit LaunchedView(int scans)
    {
        testutil::RunSpec spec;
        spec.scans = scans;
        spec.points = 120;
        testutil::WriteRun(root.path(), spec);
        main.Form().ChangeWorkingDirectory = false;
        main.SetRoot(QString::fromStdString(root.path()));
        main.SelectChannel("0*.RA1");
        widget = main.Launch();
        widget->resize(1000, 700);
        widget->show();
        QApplication::processEvents();
    }
};

} // namespace

TEST(DataViewTabs, RefreshExtrapolationDrawsBothViews)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    LaunchedView l(30);
    SedDataViewWidget* w = l.widget;
    ASSERT_NE(w, nullptr);
    const TSedDataView& view = *w->View();
    ASSERT_TRUE(w->SelectTab("Extrapolation"));
    QPushButton* refresh = Named<QPushButton>(w, "Refresh Extrapolation Needed");
    ASSERT_NE(refresh, nullptr);
    EXPECT_TRUE(refresh->isEnabled()) << "nothing is computed after the launch";
    EXPECT_EQ(w->ExtrapolationSChart()->DrawnCurves(), 0);

    refresh->click();
    EXPECT_FALSE(refresh->isEnabled());
    const ChartModel& s = view.Extrapolation.ChartSExtrapolation;
    ASSERT_EQ(s.ActiveSeries(), (std::vector<int32_t> { 1, 2, 3 }));
    EXPECT_EQ(s.Series[1].Colour, Colours::Green);
    EXPECT_EQ(s.Series[2].Colour, Colours::Fuchsia);
    EXPECT_EQ(s.Series[3].Kind, SeriesKind::ErrorBars);
    QCustomPlot* plot = w->ExtrapolationSChart()->Plot();
    EXPECT_EQ(w->ExtrapolationSChart()->DrawnCurves(), 3);
    ASSERT_EQ(ErrorBarPlottables(plot), 1);
    EXPECT_EQ(
        static_cast<size_t>(qobject_cast<QCPErrorBars*>(plot->plottable(plot->plottableCount() - 1))->dataCount()),
        s.Series[3].Points.size());
    EXPECT_EQ(w->CurrentChart(), w->ExtrapolationSChart());

    // "Save data…" writes what the chart shows, error bars included.
    const std::string saved = l.root / "extrapolation.txt";
    EXPECT_EQ(w->ExtrapolationSChart()->SaveData(QString::fromStdString(saved)), "");
    const std::string text = testutil::ReadTextFile(saved);
    EXPECT_EQ(text, ChartDataText(s));
    EXPECT_NE(text.find("StdError: error"), std::string::npos);

    // "time axis": the fits, with a legend, in place of the s* axis chart.
    ASSERT_FALSE(view.Extrapolation.ChartExtrapolation.ActiveSeries().empty());
    Named<QRadioButton>(w, "time axis")->click();
    EXPECT_TRUE(w->ExtrapolationTimeChart()->isVisible());
    EXPECT_FALSE(w->ExtrapolationSChart()->isVisible());
    EXPECT_EQ(w->CurrentChart(), w->ExtrapolationTimeChart());
    EXPECT_EQ(static_cast<size_t>(w->ExtrapolationTimeChart()->DrawnCurves()),
        view.Extrapolation.ChartExtrapolation.ActiveSeries().size());

    // Moving the start marks it pending again.
    QScrollBar* start = nullptr;
    for (QScrollBar* bar : w->findChildren<QScrollBar*>())
        if (bar->maximum() == view.Extrapolation.ScrollBarStartExtrapolation.Max
            && bar->value() == view.Extrapolation.ScrollBarStartExtrapolation.Position && bar->isVisible())
            start = bar;
    ASSERT_NE(start, nullptr);
    ASSERT_GT(start->maximum(), start->value());
    start->setValue(start->value() + 1);
    EXPECT_EQ(view.Extrapolation.ScrollBarStartExtrapolation.Position, start->value());
    EXPECT_TRUE(refresh->isEnabled());
}

TEST(DataViewTabs, TimeCoursePlaysAndPauses)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    LaunchedView l(20);
    SedDataViewWidget* w = l.widget;
    ASSERT_NE(w, nullptr);
    const TSedDataView& view = *w->View();
    ASSERT_TRUE(w->SelectTab("Time Course"));
    // The "Output Ascii" of this tab (the corrected tab has its own) shows with the corrected family.
    const auto tabOutputShown = [w] {
        for (QPushButton* b : w->findChildren<QPushButton*>())
            if (b->text() == "Output Ascii" && b->isVisible())
                return true;
        return false;
    };
    EXPECT_FALSE(tabOutputShown());
    Named<QRadioButton>(w, "s g(s) vs s*")->click();
    ASSERT_EQ(view.TimeCourse.TimeCourseStore, view.Engine->GofsStore.get());
    EXPECT_TRUE(tabOutputShown());
    QCustomPlot* plot = w->TimeCourseChart()->Plot();
    ASSERT_EQ(plot->graphCount(), 1);
    EXPECT_EQ(
        static_cast<size_t>(plot->graph(0)->dataCount()), view.TimeCourse.TimeCourseChart.Series[1].Points.size());

    // Play runs a timer at the speed's interval; each of its ticks shows the next set.
    const auto playTimer = [w]() -> QTimer* {
        for (QTimer* t : w->findChildren<QTimer*>())
            if (t->isActive() && t->interval() == 148)
                return t;
        return nullptr;
    };
    EXPECT_EQ(playTimer(), nullptr);
    Named<QToolButton>(w, "Play")->click();
    EXPECT_TRUE(view.TimeCourse.TimerPlayBack.Enabled);
    EXPECT_NE(playTimer(), nullptr);
    for (int tick = 0; tick < 3; ++tick)
        w->PlayBackTick();
    EXPECT_EQ(view.TimeCourse.ScrollBarTime.Position, 3);
    EXPECT_EQ(view.TimeCourse.TimeCourseChart.Series[1].Tag, 3);
    EXPECT_EQ(plot->graph(0)->data()->at(0)->value, view.TimeCourse.TimeCourseChart.Series[1].Points.front().Y);

    // Pause stops it; playing again and leaving the tab stops it too.
    Named<QToolButton>(w, "Pause")->click();
    EXPECT_EQ(playTimer(), nullptr);
    Named<QToolButton>(w, "Play")->click();
    ASSERT_TRUE(w->SelectTab("Raw Data c(r)"));
    EXPECT_FALSE(view.TimeCourse.TimerPlayBack.Enabled);
    EXPECT_EQ(playTimer(), nullptr);
    EXPECT_TRUE(Named<QToolButton>(w, "Pause")->isChecked());
}

// A screenshot of either tab shows something: the extrapolation computed, the averaged family
// halfway through the run over its dc/dt curves.
TEST(DataViewTabs, ScreenshotsShowTheTabsAtWork)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    LaunchedView l(20);
    SedDataViewWidget* w = l.widget;
    ASSERT_NE(w, nullptr);
    const TSedDataView& view = *w->View();
    ASSERT_TRUE(w->SelectTab("Extrapolation"));
    w->PrepareScreenshot();
    EXPECT_FALSE(view.Extrapolation.ButtonRefreshExtrapolationEnabled);
    EXPECT_EQ(w->ExtrapolationSChart()->DrawnCurves(), 3);

    ASSERT_TRUE(w->SelectTab("Time Course"));
    w->PrepareScreenshot();
    EXPECT_EQ(view.TimeCourse.RadioGroupChooseTimeCourse, 1);
    EXPECT_EQ(view.TimeCourse.ScrollBarTime.Position, view.TimeCourse.ScrollBarTime.Max / 2);
    EXPECT_GT(w->TimeCourseChart()->DrawnCurves(), 1);
}

// At the window's default size, every tab (and the extrapolation's time axis view, whose fits are
// few enough to name in a legend beside them) reads at a glance.
TEST(DataViewTabs, NoTickLabelsOverlapAtTheDefaultSize)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    LaunchedView l(40);
    SedDataViewWidget* w = l.widget;
    ASSERT_NE(w, nullptr);
    w->resize(1000, 700);
    for (const char* tab : TSedDataView::TabCaptions) {
        ASSERT_TRUE(w->SelectTab(QString::fromLatin1(tab)));
        w->PrepareScreenshot();
        ExpectReadableCharts(w, tab);
    }
    // The species residuals, a short chart under the corrected curve.
    ASSERT_TRUE(w->SelectTab(QString::fromLatin1(TSedDataView::TabCaptions[2])));
    w->FitSpeciesButton(TSedDataView::SpeciesSource::Corrected)->click();
    w->FinishSpeciesFit();
    ASSERT_GT(w->ResidualChart(TSedDataView::SpeciesSource::Corrected)->DrawnCurves(), 0);
    ExpectReadableCharts(w, "species fit");
    ASSERT_TRUE(w->SelectTab("Extrapolation"));
    Named<QRadioButton>(w, "time axis")->click();
    ASSERT_TRUE(w->ExtrapolationTimeChart()->isVisible());
    EXPECT_LE(w->View()->Extrapolation.ChartExtrapolation.ActiveSeries().size(),
        2u * (ExtrapolationTab::ReadableFitCount + 1));
    EXPECT_TRUE(w->ExtrapolationTimeChart()->Plot()->legend->visible());
    ExpectReadableCharts(w, "time axis");
}
