// The data view's tab "Corrected t (dc/dt)": the g(s*) chart and the output of its file, the species
// fit of the newest set (its residuals under the chart, its panel below) and the convergence chart.
#include "ui/SedDataViewWidget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "ui/BusyCursor.h"
#include "ui/ChartView.h"
#include "ui/SedDataViewControls.h"

namespace morvane {

using namespace dataviewcontrols;

QWidget* SedDataViewWidget::BuildCorrectedTab()
{
    auto* tab = new QWidget(this);
    corChart_ = new ChartView(&view_->Results.dcdtChart, tab);
    auto* tools = PointerTools(
        tab, corChart_,
        [this] {
            if (view_)
                view_->Results.SBZoomInCorClick();
        },
        [this] {
            if (view_)
                view_->Results.SBDisplayXYCorClick();
        });
    // A click on a curve reads out as one beside it.
    for (auto clicked : { &ChartView::backgroundClicked, &ChartView::seriesClicked }) {
        connect(corChart_, clicked, this, [this](double x, double y) {
            if (!view_)
                return;
            view_->Results.dcdtChartClickBackground(x, y);
            Refresh();
        });
    }
    editDisplayCor_ = ReadOnlyEdit(tab, 180);
    auto* output = new QPushButton(tr("Output Ascii"), tab);
    connect(output, &QPushButton::clicked, this, [this] {
        if (view_) {
            BusyCursor busy;
            view_->ButtonOutputAsciiClick();
        }
    });
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(output);
    bottom->addStretch();
    bottom->addWidget(new QLabel(tr("X, Y"), tab));
    bottom->addWidget(editDisplayCor_);
    // The chart with its residuals beside the convergence chart; the species panel below, the
    // splitter between them for the user to share the height out.
    QWidget* species = BuildSpeciesPanel(TSedDataView::SpeciesSource::Corrected, tab);
    auto* charts = new QSplitter(Qt::Horizontal, tab);
    auto* fitted = new QSplitter(Qt::Vertical, charts);
    fitted->addWidget(corChart_);
    fitted->addWidget(ResidualChart(TSedDataView::SpeciesSource::Corrected));
    fitted->setStretchFactor(0, 3);
    fitted->setStretchFactor(1, 1);
    charts->addWidget(fitted);
    charts->addWidget(BuildConvergencePanel(charts));
    charts->setStretchFactor(0, 3);
    charts->setStretchFactor(1, 1);
    auto* rows = new QSplitter(Qt::Vertical, tab);
    rows->addWidget(charts);
    rows->addWidget(species);
    rows->setStretchFactor(0, 3);
    rows->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(tools);
    layout->addWidget(rows, 1);
    layout->addLayout(bottom);
    return tab;
}

} // namespace morvane
