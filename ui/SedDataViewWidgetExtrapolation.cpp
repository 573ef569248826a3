// The data view's tab "Extrapolation": the two views of the extrapolation to infinite time (one
// chart shown at a time), the range of sets, the stride of the "time axis" view and the button
// that runs the computation.
#include "ui/SedDataViewWidget.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/ChartView.h"
#include "ui/SedDataViewControls.h"

namespace morvane {

using namespace dataviewcontrols;

namespace {

QScrollBar* HorizontalScrollBar(QWidget* parent)
{
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setPageStep(1);
    bar->setMinimumWidth(200);
    return bar;
}

} // namespace

QWidget* SedDataViewWidget::BuildExtrapolationTab()
{
    auto* tab = new QWidget(this);
    extSChart_ = new ChartView(&view_->Extrapolation.ChartSExtrapolation, tab);
    extTimeChart_ = new ChartView(&view_->Extrapolation.ChartExtrapolation, tab);
    auto* tools = PointerTools(
        tab, std::vector<ChartView*> { extSChart_, extTimeChart_ },
        [this] {
            if (view_)
                view_->Extrapolation.SBZoomInExtClick();
        },
        [this] {
            if (view_)
                view_->Extrapolation.SBDisplayXYExtClick();
        });
    // A click on a curve reads out as one beside it.
    for (ChartView* chart : { extSChart_, extTimeChart_ }) {
        for (auto clicked : { &ChartView::backgroundClicked, &ChartView::seriesClicked }) {
            connect(chart, clicked, this, [this](double x, double y) {
                if (!view_)
                    return;
                view_->Extrapolation.ChartExtrapolationClickBackground(x, y);
                Refresh();
            });
        }
    }

    tools->addWidget(new QLabel(QString::fromStdString(view_->Extrapolation.StaticText1), tab));
    auto* views = new QButtonGroup(tab);
    for (int i = 0; i < 2; ++i) {
        extViews_[i] = new QRadioButton(QString::fromLatin1(ExtrapolationTab::ExtrapolationViewItems[i]), tab);
        views->addButton(extViews_[i], i);
        tools->addWidget(extViews_[i]);
    }
    connect(views, &QButtonGroup::idClicked, this, [this](int id) {
        if (!view_)
            return;
        view_->Extrapolation.RadioGroupExtapolationView = id;
        Handle([](TSedDataView& view) { view.Extrapolation.RadioGroupExtapolationViewClick(); });
    });
    tools->addSpacing(16);
    refreshExt_ = new QPushButton(QString::fromLatin1(ExtrapolationTab::RefreshExtrapolationCaption), tab);
    connect(refreshExt_, &QPushButton::clicked, this,
        [this] { Handle([](TSedDataView& view) { view.Extrapolation.ButtonRefreshExtrapolationClick(); }); });
    tools->addWidget(refreshExt_);
    auto* output = new QPushButton(tr("Output Ascii"), tab);
    output->setToolTip(tr("The extrapolation of the chosen sets as a text file, with its record beside it"));
    connect(output, &QPushButton::clicked, this, [this] { Handle(&TSedDataView::ButtonOutputExtrapolationClick); });
    tools->addWidget(output);

    extEnd_ = HorizontalScrollBar(tab);
    extStart_ = HorizontalScrollBar(tab);
    connect(extEnd_, &QScrollBar::valueChanged, this, [this](int v) {
        if (!view_)
            return;
        view_->Extrapolation.ScrollBarExtrapolation.Position = v;
        Handle([](TSedDataView& view) { view.Extrapolation.ScrollBarExtrapolationChange(); });
    });
    connect(extStart_, &QScrollBar::valueChanged, this, [this](int v) {
        if (!view_)
            return;
        view_->Extrapolation.ScrollBarStartExtrapolation.Position = v;
        Handle([](TSedDataView& view) { view.Extrapolation.ScrollBarStartExtrapolationChange(); });
    });
    extStride_ = new QSpinBox(tab);
    extStride_->setWrapping(false);
    connect(extStride_, &QSpinBox::valueChanged, this, [this](int v) {
        if (!view_)
            return;
        view_->Extrapolation.UpDownExtrapolationGraphNumber.SetPosition(v);
        Handle([](TSedDataView& view) { view.Extrapolation.UpDownExtrapolationGraphNumberClick(); });
    });
    editExtDescribe_ = ReadOnlyEdit(tab, 220);
    editExtStart_ = ReadOnlyEdit(tab, 220);
    editExtStride_ = ReadOnlyEdit(tab, 50);
    editDisplayExt_ = ReadOnlyEdit(tab, 180);

    auto* range = new QGridLayout;
    range->addWidget(new QLabel(QString::fromStdString(view_->Extrapolation.Label4), tab), 0, 0);
    range->addWidget(extEnd_, 0, 1);
    range->addWidget(editExtDescribe_, 0, 2);
    range->addWidget(new QLabel(QString::fromStdString(view_->Extrapolation.Label3), tab), 0, 3);
    range->addWidget(extStride_, 0, 4);
    range->addWidget(editExtStride_, 0, 5);
    range->addWidget(new QLabel(QString::fromStdString(view_->Extrapolation.Label2), tab), 1, 0);
    range->addWidget(extStart_, 1, 1);
    range->addWidget(editExtStart_, 1, 2);
    range->addWidget(new QLabel(tr("X, Y"), tab), 1, 3);
    range->addWidget(editDisplayExt_, 1, 4, 1, 2);
    range->setColumnStretch(1, 2);
    range->setColumnStretch(2, 1);

    QWidget* species = BuildSpeciesPanel(TSedDataView::SpeciesSource::Extrapolated, tab);
    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(tools);
    layout->addWidget(extSChart_, 3);
    layout->addWidget(extTimeChart_, 3);
    layout->addWidget(ResidualChart(TSedDataView::SpeciesSource::Extrapolated), 1);
    layout->addLayout(range);
    layout->addWidget(species, 1);
    return tab;
}

void SedDataViewWidget::RefreshExtrapolationTab()
{
    const TSedDataView& v = *view_;
    SetUpDown(extStride_, v.Extrapolation.UpDownExtrapolationGraphNumber);
    SetScrollBar(extEnd_, v.Extrapolation.ScrollBarExtrapolation);
    SetScrollBar(extStart_, v.Extrapolation.ScrollBarStartExtrapolation);
    if (v.Extrapolation.RadioGroupExtapolationView >= 0 && v.Extrapolation.RadioGroupExtapolationView < 2)
        extViews_[v.Extrapolation.RadioGroupExtapolationView]->setChecked(true);
    if (extSChart_->isHidden() == v.Extrapolation.ChartSExtrapolationVisible)
        extSChart_->setVisible(v.Extrapolation.ChartSExtrapolationVisible);
    if (extTimeChart_->isHidden() == v.Extrapolation.ChartExtrapolationVisible)
        extTimeChart_->setVisible(v.Extrapolation.ChartExtrapolationVisible);
    refreshExt_->setEnabled(v.Extrapolation.ButtonRefreshExtrapolationEnabled);
    SetText(editExtDescribe_, v.Extrapolation.EditExtrapolationDescribe);
    SetText(editExtStart_, v.Extrapolation.EditExtrapolationStartSet);
    SetText(editExtStride_, v.Extrapolation.EditExtSetsToShow);
    SetText(editDisplayExt_, v.Extrapolation.EditDisplayXYExt);
    extSChart_->Refresh();
    extTimeChart_->Refresh();
}

} // namespace morvane
