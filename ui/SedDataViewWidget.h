#pragma once
#include <QString>
#include <QWidget>

#include "dataview/TSedDataView.h"
#include "ui/QtPrompts.h"

class ChartView;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class SedDataViewWidget;
class WaitWorkingWidget;

// A data view's dialogs and windows: its wait window shows the load's progress while the load
// holds the user-interface thread.
class SedDataViewPrompts : public QtPrompts {
public:
    SedDataViewPrompts(SedDataViewWidget& window, Prompts* standIn);
    void RepaintWaitWindow(TWaitWorking& window) override;

private:
    SedDataViewWidget& window_;
};

// The data view window: builds the controls, forwards events to a TSedDataView and copies its
// fields back into the controls. The view object belongs to the main window's logic; while the
// window is open, the view's requests go to the window's own prompts.
class SedDataViewWidget : public QWidget {
    Q_OBJECT
public:
    // standIn: answers the dialogs instead of real ones (tests).
    explicit SedDataViewWidget(TSedDataView& view, Prompts* standIn = nullptr, QWidget* parent = nullptr);
    ~SedDataViewWidget() override;

    // Copies the logic's fields into the controls and redraws changed charts.
    void Refresh();
    // Selects the tab whose caption is `caption`; false when there is none.
    bool SelectTab(const QString& caption);
    ChartView* RawChart() const { return rawChart_; }
    ChartView* AverageChart() const { return avgChart_; }
    ChartView* CorrectedChart() const { return corChart_; }
    ChartView* CurrentChart() const;
    // The logic, or null once the window was closed.
    TSedDataView* View() const { return view_; }
    WaitWorkingWidget* WaitWindow() const { return waitWindow_; }
    // The view's refresh tick, as its timer calls it: the logic's Timer1Timer, then the controls.
    void Timer1Tick();

signals:
    void closed(SedDataViewWidget* widget);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // One builder per tab, each in its own file SedDataViewWidget<Tab>.cpp.
    QWidget* BuildRawTab();
    QWidget* BuildAverageTab();
    QWidget* BuildCorrectedTab();
    void SaveImage();
    // Shows the progress of a load and lets the window paint while the load goes on.
    void LoadProgress();
    friend class SedDataViewPrompts;

    SedDataViewPrompts prompts_;
    TSedDataView* view_;
    QTabWidget* tabs_;
    QLineEdit* editFullPath_;
    QLineEdit* editTargetChannel_;
    QCheckBox* checkMW_;
    QLineEdit* editMW_;
    ChartView* rawChart_ = nullptr;
    ChartView* avgChart_ = nullptr;
    ChartView* corChart_ = nullptr;
    QLineEdit* editDisplayXY_ = nullptr;
    QLineEdit* editJitter_ = nullptr;
    QLineEdit* editMeniscus_ = nullptr;
    QLineEdit* editFringe_ = nullptr;
    QLineEdit* editPositionWarning_ = nullptr;
    QAbstractButton* sbJitter_ = nullptr;
    QAbstractButton* sbFringe_ = nullptr;
    QLineEdit* editPairs_ = nullptr;
    QLineEdit* editTimeRange_ = nullptr;
    QLineEdit* editDisplayAvg_ = nullptr;
    QLineEdit* editDisplayCor_ = nullptr;
    QTimer* timer1_;
    WaitWorkingWidget* waitWindow_;
    // A close asked for while a load or refresh ran; done when it is over.
    bool closePending_ = false;
};
