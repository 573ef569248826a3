// The data view's tab "Average  t (dc/dt)": the averaged dc/dt chart, the pairs used and their time range.
#include "ui/SedDataViewWidget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/ChartView.h"
#include "ui/SedDataViewControls.h"

namespace morvane {

using namespace dataviewcontrols;

QWidget* SedDataViewWidget::BuildAverageTab()
{
    auto* tab = new QWidget(this);
    avgChart_ = new ChartView(&view_->Results.ChartAverage, tab);
    auto* tools = PointerTools(
        tab, avgChart_,
        [this] {
            if (view_)
                view_->Results.SBZoomInAvgClick();
        },
        [this] {
            if (view_)
                view_->Results.SBDisplayXYAvgClick();
        });
    // A click on a curve reads out as one beside it.
    for (auto clicked : { &ChartView::backgroundClicked, &ChartView::seriesClicked }) {
        connect(avgChart_, clicked, this, [this](double x, double y) {
            if (!view_)
                return;
            view_->Results.ChartAverageClickBackground(x, y);
            Refresh();
        });
    }
    editPairs_ = ReadOnlyEdit(tab, 90);
    editTimeRange_ = ReadOnlyEdit(tab, 220);
    editDisplayAvg_ = ReadOnlyEdit(tab, 180);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(tr("ScansUsed"), tab));
    bottom->addWidget(editPairs_);
    bottom->addWidget(new QLabel(tr("Time Range"), tab));
    bottom->addWidget(editTimeRange_, 1);
    bottom->addWidget(new QLabel(tr("X, Y"), tab));
    bottom->addWidget(editDisplayAvg_, 1);
    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(tools);
    layout->addWidget(avgChart_, 1);
    layout->addLayout(bottom);
    return tab;
}

} // namespace morvane
