// The data view's tab "Corrected t (dc/dt)": the g(s*) chart and the output of its file.
#include "ui/SedDataViewWidget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/ChartView.h"
#include "ui/SedDataViewControls.h"

using namespace dataviewcontrols;

QWidget* SedDataViewWidget::BuildCorrectedTab()
{
    auto* tab = new QWidget(this);
    corChart_ = new ChartView(&view_->dcdtChart, tab);
    auto* tools = PointerTools(
        tab, corChart_,
        [this] {
            if (view_)
                view_->SBZoomInCorClick();
        },
        [this] {
            if (view_)
                view_->SBDisplayXYCorClick();
        });
    // A click on a curve reads out as one beside it.
    for (auto clicked : { &ChartView::backgroundClicked, &ChartView::seriesClicked }) {
        connect(corChart_, clicked, this, [this](double x, double y) {
            if (!view_)
                return;
            view_->dcdtChartClickBackground(x, y);
            Refresh();
        });
    }
    editDisplayCor_ = ReadOnlyEdit(tab, 180);
    auto* output = new QPushButton(tr("Output Ascii"), tab);
    connect(output, &QPushButton::clicked, this, [this] {
        if (view_)
            view_->ButtonOutputAsciiClick();
    });
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(output);
    bottom->addStretch();
    bottom->addWidget(new QLabel(tr("X, Y"), tab));
    bottom->addWidget(editDisplayCor_);
    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(tools);
    layout->addWidget(corChart_, 1);
    layout->addLayout(bottom);
    return tab;
}
