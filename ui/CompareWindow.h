#pragma once
#include <QWidget>

#include "ui/QtWindowHost.h"
#include "windows/TMorvaneCompare.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTimer;

namespace morvane {

class ChartView;

// The comparison window: binds a TMorvaneCompare (the list of open data views with multiple
// selection, "Refresh" and its time, "Regular"/"Normalized", the pointer tools and the chart).
// Its message boxes belong to it.
class CompareWindow : public QWidget {
    Q_OBJECT
public:
    // standIn: answers the dialogs instead of real ones (tests).
    explicit CompareWindow(TMorvaneCompare& compare, WindowHost* standIn = nullptr, QWidget* parent = nullptr);
    ~CompareWindow() override;

    TMorvaneCompare& Compare() const { return compare_; }
    ChartView* Chart() const { return chart_; }
    QListWidget* List() const { return list_; }
    // Copies the logic's fields into the controls (the list and its selection included) and
    // redraws a changed chart.
    void Refresh();

private:
    void BuildControls();

    TMorvaneCompare& compare_;
    QtWindowHost host_;
    QListWidget* list_;
    QLineEdit* editRefreshTime_;
    QPushButton* buttonRefresh_;
    QLineEdit* editDisplayXY_;
    QRadioButton* regular_;
    QRadioButton* normalized_;
    ChartView* chart_;
    QLabel* note_;
    QTimer* timerBusyViews_;
    bool refreshing_ = false;
};

} // namespace morvane
