#pragma once
#include <QPoint>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "chart/ChartModel.h"

class QCPAxis;
class QCPItemText;
class QCPRange;
class QCustomPlot;
class QMouseEvent;
class QShowEvent;
class QWheelEvent;

namespace morvane {

// Draws a ChartModel with QCustomPlot. Dragging a rectangle zooms into it, the wheel zooms in and out
// about the pointer, ZoomOut() steps out; the zoom stays while the model is redrawn (a live
// refresh); dragging backwards (right to left) or Rescale() returns to the model's own ranges, as
// does a change of the axes' titles or scales, and no zoom out goes past them. A click without a
// drag is handed back in chart values, telling whether it hit a drawn series or the background.
// The labels of marker bars that would overlap are set one below the other; of tick labels that
// would overlap, only every one that stands clear of the one before is drawn.
class ChartView : public QWidget {
    Q_OBJECT
public:
    explicit ChartView(const ChartModel* model, QWidget* parent = nullptr);

    // Redraws when the model was repainted since the last draw (or always when forced).
    void Refresh(bool force = false);
    // Undoes the zoom.
    void Rescale();
    // Each axis shows twice its span about its middle (on a log axis, in its logarithm), within the
    // model's own ranges.
    void ZoomOut();
    // The name the save dialogs propose (without directory and extension); empty: none.
    void SetProposedName(const QString& name) { proposedName_ = name; }
    // The user's zoom is in force.
    bool Zoomed() const { return zoomed_; }
    bool SaveImage(const QString& fileName);
    // Writes the visible series as tab-separated text (ChartDataText); empty, or what failed.
    QString SaveData(const QString& fileName) const;
    // The save dialogs of "Save image…" and "Save data…", then the file; failures in a message box.
    void AskAndSaveImage();
    void AskAndSaveData();
    // The value of a widget pixel on the bottom and left axes.
    QPointF ValueAt(const QPoint& pixel) const;
    // The widget pixel of a chart value.
    QPoint PixelOf(double x, double y) const;
    // The plot as the model is now (a redraw put off while hidden is made first).
    QCustomPlot* Plot() const
    {
        CatchUp();
        return plot_;
    }
    // Number of plottables drawn for active series (markers not counted).
    int DrawnCurves() const
    {
        CatchUp();
        return drawnCurves_;
    }

signals:
    void seriesClicked(double x, double y);
    void backgroundClicked(double x, double y);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Draw();
    // Draws a redraw put off while the chart was hidden.
    void CatchUp() const;
    void ApplyRanges();
    void OnPress(QMouseEvent* event);
    void OnRelease(QMouseEvent* event);
    void OnRectangle(const QRect& rect);
    void OnWheel(QWheelEvent* event);
    // The model's own ranges of the bottom and left axes, as Rescale() would show them.
    std::pair<QCPRange, QCPRange> FullRanges();
    // Keeps a zoomed range within the model's own; the zoom ends where it covers them.
    void KeepWithinFullRanges();
    // The legend right of or under the axes, for a model that keeps it off its curves.
    void PlaceLegendOutside();
    // After a layout: the tick labels were thinned for the axes' length before it, so a changed
    // length draws once more.
    void CheckLabelLength();
    // The empty chart's text in lines that fit its width.
    void WrapEmptyText();
    void ShowContextMenu(const QPoint& pos);
    // Rows for the marker labels, so that no two overlap at the current ranges and size.
    void PlaceMarkerLabels();
    // What the axes are (titles, scales): a zoom stays only while they stay.
    std::string AxesKey() const;

    struct MarkerLabel {
        QCPItemText* text;
        double x, y; // where the label hangs: the top of its bar, in chart values
        QCPAxis* valueAxis;
    };

    const ChartModel* model_;
    QCustomPlot* plot_;
    uint64_t drawn_ = UINT64_MAX;
    // A redraw was asked for while the chart was hidden (a tab not shown, a view not yet shown):
    // drawing charts nobody sees made every refresh of a long run cost as much as all tabs' curves.
    bool stale_ = false;
    int drawnCurves_ = 0;
    QPoint pressPos_;
    bool titleAdded_ = false;
    bool zoomed_ = false;
    std::string axesKey_;
    std::vector<MarkerLabel> markerLabels_;
    bool legendOutside_ = false;
    QCPItemText* emptyText_ = nullptr; // the empty chart's text while shown
    QSize labelledFor_; // the axis rectangle's size the last labels were thinned for
    QString proposedName_;
};

} // namespace morvane
