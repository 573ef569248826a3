#pragma once
#include <QWidget>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTimer;

namespace morvane {

class ChartView;
class SedDataViewWidget;

// The c(s) tab of a data view window: binds the view's CsPanel (dataview/CsPanel.h). The fit runs
// in the background; a timer of the tab takes a finished fit in on the window thread.
class CsTab : public QWidget {
    Q_OBJECT
public:
    explicit CsTab(SedDataViewWidget& window, QWidget* parent = nullptr);

    // Copies the panel's fields into the controls and redraws changed charts.
    void Refresh();
    ChartView* DistributionChart() const { return distribution_; }
    ChartView* FitChart() const { return fit_; }
    ChartView* ResidualChart() const { return residuals_; }
    QPushButton* FitButton() const { return fitButton_; }
    QTableWidget* PeakTable() const { return table_; }
    QLabel* Status() const { return status_; }
    // How often a running fit is looked at, ms.
    static constexpr int PollIntervalMs = 200;

private:
    void Poll();

    SedDataViewWidget& window_;
    QLineEdit* sMin_;
    QLineEdit* sMax_;
    QLineEdit* resolution_;
    QCheckBox* fitRatio_;
    QLineEdit* ratio_;
    QLineEdit* confidence_;
    QLineEdit* rMin_;
    QLineEdit* rMax_;
    QCheckBox* fitMeniscus_;
    QCheckBox* timeInvariant_;
    QLineEdit* vbar_;
    QLineEdit* density_;
    QLineEdit* viscosity_;
    QPushButton* fitButton_;
    QLabel* status_;
    ChartView* distribution_;
    ChartView* fit_;
    ChartView* residuals_;
    QTableWidget* table_;
    QLabel* parameters_;
    QLabel* notes_;
    QTimer* poll_;
    std::vector<std::vector<std::string>> shownRows_;
};

} // namespace morvane
