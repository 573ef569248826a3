#pragma once
#include <QWidget>

#include "ui/QtWindowHost.h"
#include "windows/TViewAScan.h"

class QLineEdit;
class QPushButton;

namespace morvane {

class ChartView;

// The single-scan viewer's window: binds a TViewAScan ("Show Another File", the path, "Show Text"
// and the chart of the points). Its dialogs and message boxes belong to it.
class ViewAScanWindow : public QWidget {
    Q_OBJECT
public:
    // standIn: answers the dialogs instead of real ones (tests).
    explicit ViewAScanWindow(TViewAScan& viewer, WindowHost* standIn = nullptr, QWidget* parent = nullptr);
    ~ViewAScanWindow() override;

    TViewAScan& Viewer() const { return viewer_; }
    QtWindowHost& Host() { return host_; }
    ChartView* Chart() const { return chart_; }
    QLineEdit* DisplayXYEdit() const { return editDisplayXY_; }
    // Copies the logic's fields into the controls and redraws a changed chart.
    void Refresh();

private:
    TViewAScan& viewer_;
    QtWindowHost host_;
    QPushButton* buttonNewFile_;
    QLineEdit* editFileName_;
    QPushButton* button1_;
    ChartView* chart_;
    QLineEdit* editDisplayXY_;
};

} // namespace morvane
