// ChartView as the user meets it: a zoom that outlives live redraws, the wheel and the zoom-out
// step, and marker labels apart.
#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include "chart/ChartModel.h"
#include "ui/ChartView.h"

using namespace morvane;

namespace {

ChartModel LineModel(int points)
{
    ChartModel m;
    ChartSeries line;
    for (int i = 0; i < points; ++i)
        line.Add(i, i * 0.5);
    m.Series.push_back(line);
    m.Repaint();
    return m;
}

// A drag on the plot from `from` to `to`, as the mouse makes it.
void Drag(QCustomPlot* plot, QPoint from, QPoint to)
{
    QMouseEvent press(
        QEvent::MouseButtonPress, from, plot->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(plot, &press);
    const QPoint mid = (from + to) / 2;
    QMouseEvent move(QEvent::MouseMove, mid, plot->mapToGlobal(mid), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(plot, &move);
    QMouseEvent move2(QEvent::MouseMove, to, plot->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(plot, &move2);
    QMouseEvent release(
        QEvent::MouseButtonRelease, to, plot->mapToGlobal(to), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(plot, &release);
}

QPoint Pixel(QCustomPlot* plot, double x, double y)
{
    return QPoint(static_cast<int>(plot->xAxis->coordToPixel(x)), static_cast<int>(plot->yAxis->coordToPixel(y)));
}

} // namespace

TEST(ChartView, AZoomOutlivesRedrawsUntilRescale)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    ChartModel model = LineModel(11);
    ChartView view(&model);
    view.resize(600, 400);
    view.show();
    QApplication::processEvents();
    QCustomPlot* plot = view.Plot();
    plot->replot();

    Drag(plot, Pixel(plot, 2, 3), Pixel(plot, 4, 1));
    ASSERT_TRUE(view.Zoomed());
    const QCPRange zoomedX = plot->xAxis->range(), zoomedY = plot->yAxis->range();
    EXPECT_NEAR(zoomedX.lower, 2, 0.1);
    EXPECT_NEAR(zoomedX.upper, 4, 0.1);

    // A live refresh adds a point and redraws: the user's ranges stay.
    model.Series[0].Add(20, 10);
    model.Repaint();
    view.Refresh();
    EXPECT_EQ(plot->xAxis->range(), zoomedX);
    EXPECT_EQ(plot->yAxis->range(), zoomedY);

    // Rescale returns to the model's ranges, which follow the data again.
    view.Rescale();
    EXPECT_FALSE(view.Zoomed());
    EXPECT_GT(plot->xAxis->range().upper, 20);

    // A backwards drag does the same.
    Drag(plot, Pixel(plot, 2, 3), Pixel(plot, 4, 1));
    ASSERT_TRUE(view.Zoomed());
    Drag(plot, Pixel(plot, 4, 3), Pixel(plot, 2, 1));
    EXPECT_FALSE(view.Zoomed());
    EXPECT_GT(plot->xAxis->range().upper, 20);

    // Other axes (another family of curves) end a zoom.
    Drag(plot, Pixel(plot, 2, 3), Pixel(plot, 4, 1));
    model.Bottom.Title = "s*";
    model.Repaint();
    view.Refresh();
    EXPECT_FALSE(view.Zoomed());
}

TEST(ChartView, TheWheelZoomsAboutThePointerAndZoomOutStepsBackToTheWholeChart)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    ChartModel model = LineModel(11);
    ChartView view(&model);
    view.resize(600, 400);
    view.show();
    QApplication::processEvents();
    QCustomPlot* plot = view.Plot();
    plot->replot();
    const QCPRange fullX = plot->xAxis->range(), fullY = plot->yAxis->range();

    // Six notches in at (7, 1): that value stays under the pointer, the spans shrink to 0.85^6.
    const QPoint at = Pixel(plot, 7, 1);
    const double underX = plot->xAxis->pixelToCoord(at.x()), underY = plot->yAxis->pixelToCoord(at.y());
    QWheelEvent wheel(QPointF(at), QPointF(plot->mapToGlobal(at)), QPoint(), QPoint(0, 720), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &wheel);
    ASSERT_TRUE(view.Zoomed());
    // (within the pixels a change of the labels' width moves the axes by)
    EXPECT_NEAR(plot->xAxis->coordToPixel(underX), at.x(), 6);
    EXPECT_NEAR(plot->yAxis->coordToPixel(underY), at.y(), 6);
    EXPECT_NEAR(plot->xAxis->range().size(), fullX.size() * std::pow(0.85, 6), 1e-9);

    // A zoom-out step doubles the spans about their middle, cut at the whole chart's ranges; the
    // next one meets the whole chart.
    view.ZoomOut();
    EXPECT_TRUE(view.Zoomed());
    EXPECT_NEAR(plot->xAxis->range().size(), fullX.size() * std::pow(0.85, 6) * 2, 1e-9);
    EXPECT_LE(plot->xAxis->range().upper, fullX.upper);
    view.ZoomOut();
    EXPECT_FALSE(view.Zoomed());
    EXPECT_EQ(plot->xAxis->range(), fullX);
    EXPECT_EQ(plot->yAxis->range(), fullY);

    // The wheel out never goes past the whole chart either.
    QWheelEvent out(QPointF(at), QPointF(plot->mapToGlobal(at)), QPoint(), QPoint(0, -600), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &out);
    EXPECT_FALSE(view.Zoomed());
    EXPECT_EQ(plot->xAxis->range(), fullX);
}

TEST(ChartView, MarkerLabelsCloseTogetherAreSetApart)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    ChartModel model = LineModel(11);
    model.Right.Automatic = false;
    model.Right.Visible = false;
    ChartSeries bars;
    bars.Kind = SeriesKind::Bars;
    bars.OnRightAxis = true;
    bars.ShowMarks = true;
    bars.InLegend = false;
    // Meniscus, jitter and fringe references a few hundredths of a centimetre apart.
    bars.AddColoured(5.0, 1.0, "5.0012", Colours::Red);
    bars.AddColoured(5.01, 1.0, "5.0103", Colours::Purple);
    bars.AddColoured(5.03, 1.0, "5.0321", Colours::Teal);
    bars.AddColoured(9.0, 1.0, "9", Colours::Teal);
    model.Series.push_back(bars);
    model.Repaint();
    ChartView view(&model);
    view.resize(500, 350);
    view.show();
    QApplication::processEvents();
    QCustomPlot* plot = view.Plot();
    plot->replot();

    std::vector<QRectF> rects;
    for (int i = 0; i < plot->itemCount(); ++i)
        if (auto* text = qobject_cast<QCPItemText*>(plot->item(i)))
            rects.emplace_back(text->topLeft->pixelPosition(), text->bottomRight->pixelPosition());
    ASSERT_EQ(rects.size(), 4u);
    for (size_t a = 0; a < rects.size(); ++a)
        for (size_t b = a + 1; b < rects.size(); ++b)
            EXPECT_FALSE(rects[a].intersects(rects[b])) << "labels " << a << " and " << b << " overlap";
    EXPECT_DOUBLE_EQ(rects[3].top(), rects[0].top()) << "a label with room beside it stays in the first row";
}
