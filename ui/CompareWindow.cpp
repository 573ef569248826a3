#include "ui/CompareWindow.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/ChartView.h"
#include "ui/SedDataViewControls.h"

namespace morvane {

using dataviewcontrols::SetText;
using dataviewcontrols::ToolButton;

CompareWindow::CompareWindow(TMorvaneCompare& compare, WindowHost* standIn, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , compare_(compare)
    , host_(this, standIn)
    , list_(new QListWidget(this))
    , editRefreshTime_(new QLineEdit(this))
    , buttonRefresh_(new QPushButton(QString::fromStdString(compare.ButtonRefreshCaption), this))
    , editDisplayXY_(new QLineEdit(this))
    , regular_(new QRadioButton(QString::fromStdString(compare.RadioButtonUnNormalizedCaption), this))
    , normalized_(new QRadioButton(QString::fromStdString(compare.RadioButtonNormalizedCaption), this))
    , chart_(new ChartView(&compare.dcdtChart, this))
    , note_(new QLabel(this))
    , timerBusyViews_(new QTimer(this))
{
    compare_.SetHost(&host_);
    BuildControls();
    connect(timerBusyViews_, &QTimer::timeout, this, [this] {
        compare_.TimerBusyViewsTimer();
        Refresh();
    });
    resize(compare.Width, compare.Height);
    Refresh();
}

CompareWindow::~CompareWindow() { compare_.SetHost(nullptr); }

void CompareWindow::BuildControls()
{
    list_->setSelectionMode(QAbstractItemView::MultiSelection);
    // The names end in the channel: a narrow list shows their ends, the tool tip the whole name.
    list_->setTextElideMode(Qt::ElideLeft);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setMinimumWidth(170);
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
        if (refreshing_)
            return;
        auto& entries = compare_.ListBoxOpenWindows;
        for (int i = 0; i < list_->count() && i < static_cast<int>(entries.size()); ++i)
            entries[static_cast<size_t>(i)].Selected = list_->item(i)->isSelected();
    });
    editRefreshTime_->setReadOnly(true);
    connect(buttonRefresh_, &QPushButton::clicked, this, [this] {
        setEnabled(false);
        compare_.ButtonRefreshClick();
        Refresh();
    });

    auto* rescale = ToolButton(tr("Rescale"), this, false);
    rescale->setToolTip(QString::fromLatin1(TMorvaneCompare::RescaleHint));
    connect(rescale, &QToolButton::clicked, chart_, &ChartView::Rescale);
    auto* zoom = ToolButton(tr("Zoom"), this, true);
    auto* display = ToolButton(QString::fromStdString(compare_.SBDisplayXYCorCaption), this, true);
    auto* pointer = new QButtonGroup(this);
    pointer->addButton(zoom);
    pointer->addButton(display);
    zoom->setChecked(compare_.CorMode == TMorvaneCompare::PointerMode::ZoomIn);
    display->setChecked(compare_.CorMode == TMorvaneCompare::PointerMode::DisplayXY);
    connect(zoom, &QToolButton::clicked, this, [this] { compare_.SBZoomInCorClick(); });
    connect(display, &QToolButton::clicked, this, [this] { compare_.SBDisplayXYCorClick(); });
    editDisplayXY_->setReadOnly(true);
    editDisplayXY_->setMinimumWidth(180);
    // A click close to a curve reads out the same as one beside it.
    for (auto signal : { &ChartView::backgroundClicked, &ChartView::seriesClicked }) {
        connect(chart_, signal, this, [this](double x, double y) {
            compare_.dcdtChartClickBackground(x, y);
            Refresh();
        });
    }

    auto* scale = new QButtonGroup(this);
    scale->addButton(regular_);
    scale->addButton(normalized_);
    connect(regular_, &QRadioButton::clicked, this, [this] {
        compare_.RadioButtonUnNormalizedClick();
        Refresh();
    });
    connect(normalized_, &QRadioButton::clicked, this, [this] {
        compare_.RadioButtonNormalizedClick();
        Refresh();
    });

    note_->setWordWrap(true);
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QString::fromStdString(compare_.Label2), this));
    left->addWidget(list_, 1);
    left->addWidget(editRefreshTime_);
    left->addWidget(buttonRefresh_);
    left->addWidget(new QLabel(QString::fromStdString(compare_.Label1), this));
    auto* output = new QPushButton(tr("Output Ascii"), this);
    output->setToolTip(tr("The selected curves as a text file, with its record beside it"));
    connect(output, &QPushButton::clicked, this, [this] { compare_.ButtonOutputAsciiClick(); });
    left->addWidget(output);
    auto* tools = new QHBoxLayout;
    tools->addWidget(rescale);
    tools->addWidget(zoom);
    tools->addWidget(display);
    tools->addWidget(editDisplayXY_);
    tools->addStretch();
    tools->addWidget(regular_);
    tools->addWidget(normalized_);
    auto* right = new QVBoxLayout;
    right->addLayout(tools);
    right->addWidget(chart_, 1);
    right->addWidget(note_);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right, 3);
}

void CompareWindow::Refresh()
{
    refreshing_ = true;
    const TMorvaneCompare& c = compare_;
    setWindowTitle(QString::fromStdString(c.Caption));
    const auto& entries = c.ListBoxOpenWindows;
    bool same = list_->count() == static_cast<int>(entries.size());
    for (int i = 0; same && i < list_->count(); ++i)
        same = list_->item(i)->text().toStdString() == entries[static_cast<size_t>(i)].Text;
    if (!same) {
        list_->clear();
        for (const ComparisonEntry& e : entries) {
            list_->addItem(QString::fromStdString(e.Text));
            list_->item(list_->count() - 1)->setToolTip(QString::fromStdString(e.Text));
        }
    }
    for (int i = 0; i < list_->count(); ++i)
        list_->item(i)->setSelected(entries[static_cast<size_t>(i)].Selected);
    SetText(editRefreshTime_, c.EditRefreshTime);
    SetText(editDisplayXY_, c.EditDisplayXYCor);
    regular_->setChecked(!c.RadioButtonNormalizedChecked);
    normalized_->setChecked(c.RadioButtonNormalizedChecked);
    note_->setText(QString::fromStdString(c.LabelNote));
    note_->setVisible(!c.LabelNote.empty());
    chart_->Refresh();
    setEnabled(c.InputEnabled);
    if (c.TimerBusyViews.Enabled && !timerBusyViews_->isActive())
        timerBusyViews_->start(c.TimerBusyViews.Interval);
    else if (!c.TimerBusyViews.Enabled)
        timerBusyViews_->stop();
    refreshing_ = false;
}

} // namespace morvane
