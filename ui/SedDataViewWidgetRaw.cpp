// The data view's tab "Raw Data c(r)": the raw-data chart, its tools and marker read-outs.
#include "ui/SedDataViewWidget.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

#include "ui/BusyCursor.h"
#include "ui/ChartView.h"
#include "ui/SedDataViewControls.h"

namespace morvane {

using namespace dataviewcontrols;

namespace {

// "Find meniscus" and "Accept" in the tool row, what the search found in a row of its own under it
// (wrapped, whole; also its tooltip). The proposal changes only through these buttons, so they keep
// their own controls up to date.
void AddMeniscusProposalControls(QHBoxLayout* tools, QVBoxLayout* rows, QWidget* tab,
    const std::function<TSedDataView*()>& view, const std::function<void()>& refresh)
{
    auto* find = new QPushButton(QString::fromLatin1(RawTab::FindMeniscusCaption), tab);
    find->setObjectName("ButtonFindMeniscus");
    auto* found = new QLabel(tab);
    found->setObjectName("EditMeniscusProposal");
    ShowWhole(found);
    found->setTextInteractionFlags(Qt::TextSelectableByMouse);
    found->hide();
    auto* accept = new QPushButton(QString::fromLatin1(RawTab::AcceptMeniscusCaption), tab);
    accept->setObjectName("ButtonAcceptMeniscus");
    accept->setEnabled(false);
    auto show = [found, accept](const TSedDataView& v) {
        SetWholeText(found, QString::fromStdString(v.Raw.EditMeniscusProposal));
        found->setVisible(!v.Raw.EditMeniscusProposal.empty());
        accept->setEnabled(v.Raw.ButtonAcceptMeniscusEnabled);
    };
    QObject::connect(find, &QPushButton::clicked, tab, [view, refresh, show] {
        if (TSedDataView* v = view()) {
            BusyCursor busy;
            v->Raw.ButtonFindMeniscusClick();
            show(*v);
            refresh();
        }
    });
    QObject::connect(accept, &QPushButton::clicked, tab, [view, refresh, show] {
        if (TSedDataView* v = view()) {
            BusyCursor busy;
            v->Raw.ButtonAcceptMeniscusClick();
            show(*v);
            refresh();
        }
    });
    tools->addWidget(find);
    tools->addWidget(accept);
    rows->addWidget(found);
}

} // namespace

QWidget* SedDataViewWidget::BuildRawTab()
{
    auto* tab = new QWidget(this);
    rawChart_ = new ChartView(&view_->Raw.Chart1, tab);
    auto* tools = new QHBoxLayout;
    auto* rescale = ToolButton(tr("Rescale"), tab, false);
    rescale->setToolTip(QString::fromLatin1(TSedDataView::RescaleHint));
    connect(rescale, &QToolButton::clicked, rawChart_, &ChartView::Rescale);
    tools->addWidget(rescale);
    auto* zoomOut = ToolButton(tr("Zoom out"), tab, false);
    zoomOut->setToolTip(tr("Twice the span about the middle (the wheel zooms about the pointer)"));
    connect(zoomOut, &QToolButton::clicked, rawChart_, &ChartView::ZoomOut);
    tools->addWidget(zoomOut);
    auto* group = new QButtonGroup(tab);
    const struct {
        const char* text;
        TSedDataView::RawMode mode;
    } modes[] = {
        { "Zoom", TSedDataView::RawMode::ZoomIn },
        { "Jitter Adjust", TSedDataView::RawMode::Jitter },
        { "Meniscus", TSedDataView::RawMode::Meniscus },
        { "Display X, Y", TSedDataView::RawMode::DisplayXY },
        { "Set Integral Fringe Position", TSedDataView::RawMode::IntegralFringe },
    };
    for (const auto& m : modes) {
        auto* b = ToolButton(tr(m.text), tab, true);
        b->setChecked(m.mode == view_->Raw.RawChartMode);
        group->addButton(b);
        tools->addWidget(b);
        const auto mode = m.mode;
        connect(b, &QToolButton::clicked, this, [this, mode] {
            if (view_)
                view_->Raw.SBGroup1Click(mode);
        });
        if (m.mode == TSedDataView::RawMode::Jitter)
            sbJitter_ = b;
        if (m.mode == TSedDataView::RawMode::IntegralFringe)
            sbFringe_ = b;
    }
    tools->addStretch();
    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(tools);
    AddMeniscusProposalControls(
        tools, layout, tab, [this] { return view_; }, [this] { Refresh(); });
    connect(rawChart_, &ChartView::seriesClicked, this, [this](double x, double y) {
        if (!view_)
            return;
        BusyCursor busy;
        view_->Raw.Chart1ClickSeries(x, y);
        Refresh();
    });
    connect(rawChart_, &ChartView::backgroundClicked, this, [this](double x, double y) {
        if (!view_)
            return;
        BusyCursor busy;
        view_->Raw.Chart1ClickBackground(x, y);
        Refresh();
    });

    editDisplayXY_ = ReadOnlyEdit(tab, 180);
    QHBoxLayout* positions = BuildPositionRow(tab);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(tr("X, Y"), tab));
    bottom->addWidget(editDisplayXY_, 2);
    bottom->addStretch(1);
    auto* choose = new QPushButton(tr("Choose Display"), tab);
    connect(choose, &QPushButton::clicked, this, [this] {
        if (!view_)
            return;
        view_->Raw.ButtonChooseScansClick();
        Refresh();
    });
    bottom->addWidget(choose);
    auto* exportFiles = new QPushButton(tr("ExportFiles"), tab);
    exportFiles->setObjectName("ButtonExportFiles");
    connect(exportFiles, &QPushButton::clicked, this, [this] {
        if (!view_)
            return;
        BusyCursor busy;
        view_->ButtonExportFilesClick();
        Refresh();
    });
    // At the end of the tool row: the row of fields below has no room left.
    tools->addWidget(exportFiles);

    layout->addWidget(rawChart_, 1);
    layout->addLayout(positions);
    layout->addLayout(bottom);
    return tab;
}

QHBoxLayout* SedDataViewWidget::BuildPositionRow(QWidget* tab)
{
    auto* positions = new QHBoxLayout;
    const struct {
        const char* label;
        TSedDataView::Position which;
        const char* name;
        QLineEdit** edit;
    } edits[] = {
        { "Meniscus", TSedDataView::Position::Meniscus, "EditMeniscus", &editMeniscus_ },
        { "Bottom", TSedDataView::Position::Bottom, "EditBottom", &editBottom_ },
        { "Jitter", TSedDataView::Position::Jitter, "EditJitter", &editJitter_ },
        { "Integral Fringe", TSedDataView::Position::Fringe, "EditIntegralFringe", &editFringe_ },
    };
    for (const auto& e : edits) {
        auto* edit = new QLineEdit(tab);
        edit->setObjectName(e.name);
        edit->setMinimumWidth(70);
        edit->setMaximumWidth(90);
        edit->setToolTip(tr("Radius in cm: type it and press Enter, or click it on the chart in its mode"));
        *e.edit = edit;
        const auto which = e.which;
        connect(edit, &QLineEdit::editingFinished, this, [this, edit, which] {
            if (!view_ || !edit->isModified())
                return;
            edit->setModified(false);
            BusyCursor busy;
            view_->Raw.EditPositionDone(which, edit->text().toStdString());
            Refresh();
        });
        positions->addWidget(new QLabel(tr(e.label), tab));
        positions->addWidget(edit);
    }
    restored_ = new QLabel(tab);
    restored_->setObjectName("LabelPositionsRestored");
    restored_->setStyleSheet("color: #a05000; font-weight: bold");
    restored_->setToolTip(tr("The positions last used for this run and channel, remembered from an earlier launch"));
    positions->addWidget(restored_);
    defaults_ = new QPushButton(QString::fromLatin1(RawTab::DefaultPositionsCaption), tab);
    defaults_->setObjectName("ButtonDefaultPositions");
    defaults_->setToolTip(tr("Back to the default positions of the settings"));
    connect(defaults_, &QPushButton::clicked, this,
        [this] { Handle([](TSedDataView& view) { view.Raw.ButtonDefaultPositionsClick(); }); });
    positions->addWidget(defaults_);
    // What is wrong with the positions against the data: wrapped, whole, also as the tooltip.
    positionWarning_ = new QLabel(tab);
    positionWarning_->setObjectName("EditPositionWarning");
    ShowWhole(positionWarning_);
    positionWarning_->setStyleSheet("color: darkred");
    positionWarning_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    positions->addWidget(positionWarning_, 1);
    return positions;
}

} // namespace morvane
