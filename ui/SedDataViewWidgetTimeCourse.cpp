// The data view's tab "Time Course": the family to replay, its chart, the scroll bar through its
// sets, play and pause with their speed, the shown set's time and label, and the output of a
// corrected set.
#include "ui/SedDataViewWidget.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/ChartView.h"
#include "ui/SedDataViewControls.h"

using namespace dataviewcontrols;

QWidget* SedDataViewWidget::BuildTimeCourseTab()
{
    auto* tab = new QWidget(this);
    tcChart_ = new ChartView(&view_->TimeCourseChart, tab);
    auto* tools = PointerTools(
        tab, tcChart_,
        [this] {
            if (view_)
                view_->SBTZoominClick(TSedDataView::PointerMode::ZoomIn);
        },
        [this] {
            if (view_)
                view_->SBTZoominClick(TSedDataView::PointerMode::DisplayXY);
        });
    // A click on a curve reads out as one beside it.
    for (auto clicked : { &ChartView::backgroundClicked, &ChartView::seriesClicked }) {
        connect(tcChart_, clicked, this, [this](double x, double y) {
            if (!view_)
                return;
            view_->TimeCourseChartClickBackground(x, y);
            Refresh();
        });
    }
    auto* families = new QButtonGroup(tab);
    for (int i = 0; i < 3; ++i) {
        tcFamilies_[i] = new QRadioButton(QString::fromLatin1(TSedDataView::TimeCourseItems[i]), tab);
        families->addButton(tcFamilies_[i], i);
        tools->insertWidget(i, tcFamilies_[i]);
    }
    connect(families, &QButtonGroup::idClicked, this, [this](int id) {
        if (!view_)
            return;
        view_->RadioGroupChooseTimeCourse = id;
        Handle(&TSedDataView::RadioGroupChooseTimeCourseClick);
    });
    auto* refreshData = new QPushButton(tr("Refresh Data"), tab);
    connect(
        refreshData, &QPushButton::clicked, this, [this] { Handle(&TSedDataView::ButtonRefreshPlaybackDataClick); });
    tools->insertWidget(3, refreshData);
    tools->insertSpacing(4, 16);

    tcTime_ = new QScrollBar(Qt::Horizontal, tab);
    tcTime_->setPageStep(1);
    connect(tcTime_, &QScrollBar::valueChanged, this, [this](int v) {
        if (!view_)
            return;
        view_->ScrollBarTime.Position = v;
        Handle(&TSedDataView::ScrollBarTimeChange);
    });
    tcPlay_ = ToolButton(tr("Play"), tab, true);
    tcPause_ = ToolButton(tr("Pause"), tab, true);
    auto* playGroup = new QButtonGroup(tab);
    playGroup->addButton(tcPlay_);
    playGroup->addButton(tcPause_);
    connect(tcPlay_, &QAbstractButton::clicked, this, [this] { Handle(&TSedDataView::SBPlayClick); });
    connect(tcPause_, &QAbstractButton::clicked, this, [this] { Handle(&TSedDataView::SBPauseClick); });
    tcSpeed_ = new QSpinBox(tab);
    tcSpeed_->setWrapping(false);
    connect(tcSpeed_, &QSpinBox::valueChanged, this, [this](int v) {
        if (!view_)
            return;
        view_->UpDownPlaySpeed.SetPosition(v);
        Handle(&TSedDataView::UpDownPlaySpeedClick);
    });
    editTcSpeed_ = ReadOnlyEdit(tab, 50);
    editTcTime_ = ReadOnlyEdit(tab, 160);
    editTcLabel_ = ReadOnlyEdit(tab, 200);
    editDisplayTc_ = ReadOnlyEdit(tab, 180);
    tcOutput_ = new QPushButton(tr("Output Ascii"), tab);
    connect(tcOutput_, &QPushButton::clicked, this, [this] { Handle(&TSedDataView::ButtonTCOutputAsciiClick); });

    auto* player = new QHBoxLayout;
    player->addWidget(tcPlay_);
    player->addWidget(tcPause_);
    player->addWidget(tcTime_, 1);
    player->addWidget(new QLabel(QString::fromStdString(view_->Label1), tab));
    player->addWidget(tcSpeed_);
    player->addWidget(editTcSpeed_);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(editTcTime_, 1);
    bottom->addWidget(editTcLabel_, 2);
    bottom->addWidget(tcOutput_);
    bottom->addWidget(new QLabel(tr("X, Y"), tab));
    bottom->addWidget(editDisplayTc_, 1);

    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(tools);
    layout->addWidget(tcChart_, 1);
    layout->addLayout(player);
    layout->addLayout(bottom);

    playTimer_ = new QTimer(this);
    connect(playTimer_, &QTimer::timeout, this, &SedDataViewWidget::PlayBackTick);
    return tab;
}

void SedDataViewWidget::PlayBackTick()
{
    if (!view_)
        return;
    view_->TimerPlayBackTimer();
    Refresh();
}

void SedDataViewWidget::RefreshTimeCourseTab()
{
    const TSedDataView& v = *view_;
    const int family = v.RadioGroupChooseTimeCourse;
    if (family >= 0 && family < 3 && !tcFamilies_[family]->isChecked())
        tcFamilies_[family]->setChecked(true);
    SetScrollBar(tcTime_, v.ScrollBarTime);
    SetUpDown(tcSpeed_, v.UpDownPlaySpeed);
    tcPlay_->setChecked(v.SBPlayDown);
    tcPause_->setChecked(!v.SBPlayDown);
    SetText(editTcSpeed_, v.EditPlayBackSpeed);
    SetText(editTcTime_, v.EditTimeCourse1);
    SetText(editTcLabel_, v.EditTimeCourse2);
    editTcLabel_->setToolTip(QString::fromStdString(v.EditTimeCourse2Hint));
    if (tcOutput_->isHidden() == v.ButtonTCOutputAsciiVisible)
        tcOutput_->setVisible(v.ButtonTCOutputAsciiVisible);
    SetText(editDisplayTc_, v.EditTDisplayXY);
    tcChart_->Refresh();
    if (!v.TimerPlayBack.Enabled || v.Closed)
        playTimer_->stop();
    else if (!playTimer_->isActive() || playTimer_->interval() != v.TimerPlayBack.Interval)
        playTimer_->start(v.TimerPlayBack.Interval);
}
