#pragma once
#include <QPoint>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "chart/ChartModel.h"

class QCPAxis;
class QCPItemText;
class QCustomPlot;
class QMouseEvent;

// Draws a ChartModel with QCustomPlot. Dragging a rectangle zooms into it, and the zoom stays while
// the model is redrawn (a live refresh); dragging backwards (right to left) or Rescale() returns to
// the model's own ranges, as does a change of the axes' titles or scales. A click without a drag
// is handed back in chart values, telling whether it hit a drawn series or the background. The
// labels of marker bars that would overlap are set one below the other.
class ChartView : public QWidget {
    Q_OBJECT
public:
    explicit ChartView(const ChartModel* model, QWidget* parent = nullptr);

    // Redraws when the model was repainted since the last draw (or always when forced).
    void Refresh(bool force = false);
    // Undoes the zoom.
    void Rescale();
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
    QCustomPlot* Plot() const { return plot_; }
    // Number of plottables drawn for active series (markers not counted).
    int DrawnCurves() const { return drawnCurves_; }

signals:
    void seriesClicked(double x, double y);
    void backgroundClicked(double x, double y);

private:
    void Draw();
    void ApplyRanges();
    void OnPress(QMouseEvent* event);
    void OnRelease(QMouseEvent* event);
    void OnRectangle(const QRect& rect);
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
    int drawnCurves_ = 0;
    QPoint pressPos_;
    bool titleAdded_ = false;
    bool zoomed_ = false;
    std::string axesKey_;
    std::vector<MarkerLabel> markerLabels_;
};
