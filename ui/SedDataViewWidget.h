#pragma once
#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "dataview/TSedDataView.h"
#include "ui/QtWindowHost.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QShortcut;
class QSpinBox;
class QTableWidget;
class QTabWidget;
class QTimer;

namespace morvane {

class ChartView;
class CsTab;
class SedDataViewWidget;
class WaitWorkingWidget;

// A data view's dialogs and windows: its wait window shows the load's progress while the load
// holds the user-interface thread.
class SedDataViewHost : public QtWindowHost {
public:
    SedDataViewHost(SedDataViewWidget& window, WindowHost* standIn);
    void RepaintWaitWindow(TWaitWorking& window) override;

private:
    SedDataViewWidget& window_;
};

// The data view window: builds the controls, forwards events to a TSedDataView and copies its
// fields back into the controls. The view object belongs to the main window's logic; while the
// window is open, the view's requests go to the window's own host.
class SedDataViewWidget : public QWidget {
    Q_OBJECT
public:
    // standIn: answers the dialogs instead of real ones (tests).
    explicit SedDataViewWidget(TSedDataView& view, WindowHost* standIn = nullptr, QWidget* parent = nullptr);
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

    // ---- Extrapolation and time-course tabs ----
    ChartView* ExtrapolationSChart() const { return extSChart_; }
    ChartView* ExtrapolationTimeChart() const { return extTimeChart_; }
    ChartView* TimeCourseChart() const { return tcChart_; }
    // The playback timer's tick: the logic's TimerPlayBackTimer, then the controls.
    void PlayBackTick();
    // Makes the shown tab worth a picture: the extrapolation computed, the time course showing the
    // newest corrected set when no family was chosen.
    void PrepareScreenshot();

    // ---- Species panels and the convergence chart ----
    // "Fit species", the species table and the residual chart of the corrected or extrapolated curve.
    QPushButton* FitSpeciesButton(TSedDataView::SpeciesSource source) const;
    QTableWidget* SpeciesTable(TSedDataView::SpeciesSource source) const;
    ChartView* ResidualChart(TSedDataView::SpeciesSource source) const;
    ChartView* ConvergenceChart() const { return convergenceChart_; }
    QLabel* ConvergenceVerdict() const { return convergenceVerdict_; }
    // "Fit species" runs off the window thread: a busy cursor, after ShowProgressAfterMs a busy bar
    // with "Cancel" (Esc too). The fit's timer tick: shows the result once the fit has ended.
    static constexpr int ShowProgressAfterMs = 300;
    void SpeciesFitTick();
    // Waits for the running fit and shows it (a screenshot of a fit, a test).
    void FinishSpeciesFit();
    // The running fit's progress row (bar, "Cancel") of the panel, and its state text.
    QWidget* SpeciesFitProgress(TSedDataView::SpeciesSource source) const;
    // The c(s) tab (ui/CsTab.h).
    CsTab* CsTabWidget() const { return csTab_; }

signals:
    void closed(SedDataViewWidget* widget);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // One builder per tab, each in its own file SedDataViewWidget<Tab>.cpp.
    QWidget* BuildRawTab();
    // The raw tab's position fields (typed radii), the restored mark, "Defaults" and the warning.
    QHBoxLayout* BuildPositionRow(QWidget* tab);
    QWidget* BuildAverageTab();
    QWidget* BuildCorrectedTab();
    QWidget* BuildExtrapolationTab();
    QWidget* BuildTimeCourseTab();
    void RefreshExtrapolationTab();
    void RefreshTimeCourseTab();
    // The species controls of one curve (SedDataViewWidgetSpecies.cpp); its residual chart is placed
    // by the tab, under the curve's chart.
    QWidget* BuildSpeciesPanel(TSedDataView::SpeciesSource source, QWidget* parent);
    QWidget* BuildConvergencePanel(QWidget* parent);
    void RefreshSpecies();
    // The cursor, the tick and Esc while a fit runs; all undone when it has ended.
    void BeginSpeciesFit(bool busyCursor = true);
    void EndSpeciesFitWait();
    // Runs a handler of the logic, then refreshes the controls; nothing once the window was closed.
    void Handle(const std::function<void(TSedDataView&)>& handler);
    void TabChanged(int index);
    // Shows the progress of a load and lets the window paint while the load goes on.
    void LoadProgress();
    friend class SedDataViewHost;

    SedDataViewHost host_;
    TSedDataView* view_;
    QTabWidget* tabs_;
    QLineEdit* editFullPath_;
    QLabel* openedFrom_ = nullptr;
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
    QLineEdit* editBottom_ = nullptr;
    QLabel* restored_ = nullptr;
    QPushButton* defaults_ = nullptr;
    QLabel* positionWarning_ = nullptr;
    QAbstractButton* sbJitter_ = nullptr;
    QAbstractButton* sbFringe_ = nullptr;
    QLineEdit* editPairs_ = nullptr;
    QLineEdit* editTimeRange_ = nullptr;
    QLineEdit* editDisplayAvg_ = nullptr;
    QLineEdit* editDisplayCor_ = nullptr;

    // Extrapolation tab.
    ChartView* extSChart_ = nullptr;
    ChartView* extTimeChart_ = nullptr;
    QRadioButton* extViews_[2] = { nullptr, nullptr };
    QScrollBar* extEnd_ = nullptr;
    QScrollBar* extStart_ = nullptr;
    QLineEdit* editExtDescribe_ = nullptr;
    QLineEdit* editExtStart_ = nullptr;
    QSpinBox* extStride_ = nullptr;
    QLineEdit* editExtStride_ = nullptr;
    QPushButton* refreshExt_ = nullptr;
    QLineEdit* editDisplayExt_ = nullptr;

    // Time-course tab.
    ChartView* tcChart_ = nullptr;
    QRadioButton* tcFamilies_[3] = { nullptr, nullptr, nullptr };
    QScrollBar* tcTime_ = nullptr;
    QAbstractButton* tcPlay_ = nullptr;
    QAbstractButton* tcPause_ = nullptr;
    QSpinBox* tcSpeed_ = nullptr;
    QLineEdit* editTcSpeed_ = nullptr;
    QLineEdit* editTcTime_ = nullptr;
    QLineEdit* editTcLabel_ = nullptr;
    QPushButton* tcOutput_ = nullptr;
    QLineEdit* editDisplayTc_ = nullptr;
    QTimer* playTimer_ = nullptr;

    // Species panels, by TSedDataView::SpeciesSource, and the convergence chart.
    struct SpeciesControls {
        QSpinBox* species = nullptr;
        QComboBox* model = nullptr;
        QLineEdit* vbar = nullptr;
        QLineEdit* density = nullptr;
        QLineEdit* viscosity = nullptr;
        QCheckBox* refit = nullptr; // the corrected curve's only
        QPushButton* fit = nullptr;
        QPushButton* save = nullptr; // the corrected curve's only
        QLabel* description = nullptr;
        QTableWidget* table = nullptr;
        QLabel* notes = nullptr;
        ChartView* residuals = nullptr;
        QWidget* progress = nullptr; // the running fit's busy bar and "Cancel"
        QLabel* state = nullptr; // "Fitting 3 species...", "Fit cancelled"
        std::vector<std::vector<std::string>> shownRows; // what the table shows
    };
    SpeciesControls species_[2];
    ChartView* convergenceChart_ = nullptr;
    QLabel* convergenceVerdict_ = nullptr;
    QTimer* fitTimer_ = nullptr; // ticks while a fit runs
    QShortcut* fitEscape_ = nullptr;
    QElapsedTimer fitClock_;
    bool fitCursor_ = false; // the busy cursor is ours to restore
    CsTab* csTab_ = nullptr;
    int lastTab_ = 0;
    QTimer* timer1_;
    WaitWorkingWidget* waitWindow_;
    // A close asked for while a load or refresh ran; done when it is over.
    bool closePending_ = false;
};

} // namespace morvane
