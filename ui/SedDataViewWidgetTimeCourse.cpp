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

namespace morvane {

using namespace dataviewcontrols;

QWidget* SedDataViewWidget::BuildTimeCourseTab()
{
    auto* tab = new QWidget(this);
    tcChart_ = new ChartView(&view_->TimeCourse.TimeCourseChart, tab);
    auto* tools = PointerTools(
        tab, tcChart_,
        [this] {
            if (view_)
                view_->TimeCourse.SBTZoominClick(TSedDataView::PointerMode::ZoomIn);
        },
        [this] {
            if (view_)
                view_->TimeCourse.SBTZoominClick(TSedDataView::PointerMode::DisplayXY);
        });
    // A click on a curve reads out as one beside it.
    for (auto clicked : { &ChartView::backgroundClicked, &ChartView::seriesClicked }) {
        connect(tcChart_, clicked, this, [this](double x, double y) {
            if (!view_)
                return;
            view_->TimeCourse.TimeCourseChartClickBackground(x, y);
            Refresh();
        });
    }
    auto* families = new QButtonGroup(tab);
    for (int i = 0; i < 3; ++i) {
        tcFamilies_[i] = new QRadioButton(QString::fromLatin1(TimeCourseTab::TimeCourseItems[i]), tab);
        families->addButton(tcFamilies_[i], i);
        tools->insertWidget(i, tcFamilies_[i]);
    }
    connect(families, &QButtonGroup::idClicked, this, [this](int id) {
        if (!view_)
            return;
        view_->TimeCourse.RadioGroupChooseTimeCourse = id;
        Handle([](TSedDataView& view) { view.TimeCourse.RadioGroupChooseTimeCourseClick(); });
    });
    auto* refreshData = new QPushButton(tr("Refresh Data"), tab);
    connect(refreshData, &QPushButton::clicked, this,
        [this] { Handle([](TSedDataView& view) { view.TimeCourse.ButtonRefreshPlaybackDataClick(); }); });
    tools->insertWidget(3, refreshData);
    tools->insertSpacing(4, 16);

    tcTime_ = new QScrollBar(Qt::Horizontal, tab);
    tcTime_->setPageStep(1);
    connect(tcTime_, &QScrollBar::valueChanged, this, [this](int v) {
        if (!view_)
            return;
        view_->TimeCourse.ScrollBarTime.Position = v;
        Handle([](TSedDataView& view) { view.TimeCourse.ScrollBarTimeChange(); });
    });
    tcPlay_ = ToolButton(tr("Play"), tab, true);
    tcPause_ = ToolButton(tr("Pause"), tab, true);
    auto* playGroup = new QButtonGroup(tab);
    playGroup->addButton(tcPlay_);
    playGroup->addButton(tcPause_);
    connect(tcPlay_, &QAbstractButton::clicked, this,
        [this] { Handle([](TSedDataView& view) { view.TimeCourse.SBPlayClick(); }); });
    connect(tcPause_, &QAbstractButton::clicked, this,
        [this] { Handle([](TSedDataView& view) { view.TimeCourse.SBPauseClick(); }); });
    tcSpeed_ = new QSpinBox(tab);
    tcSpeed_->setWrapping(false);
    connect(tcSpeed_, &QSpinBox::valueChanged, this, [this](int v) {
        if (!view_)
            return;
        view_->TimeCourse.UpDownPlaySpeed.SetPosition(v);
        Handle([](TSedDataView& view) { view.TimeCourse.UpDownPlaySpeedClick(); });
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
    player->addWidget(new QLabel(QString::fromStdString(view_->TimeCourse.Label1), tab));
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
    view_->TimeCourse.TimerPlayBackTimer();
    Refresh();
}

void SedDataViewWidget::RefreshTimeCourseTab()
{
    const TSedDataView& v = *view_;
    const int family = v.TimeCourse.RadioGroupChooseTimeCourse;
    if (family >= 0 && family < 3 && !tcFamilies_[family]->isChecked())
        tcFamilies_[family]->setChecked(true);
    SetScrollBar(tcTime_, v.TimeCourse.ScrollBarTime);
    SetUpDown(tcSpeed_, v.TimeCourse.UpDownPlaySpeed);
    tcPlay_->setChecked(v.TimeCourse.SBPlayDown);
    tcPause_->setChecked(!v.TimeCourse.SBPlayDown);
    SetText(editTcSpeed_, v.TimeCourse.EditPlayBackSpeed);
    SetText(editTcTime_, v.TimeCourse.EditTimeCourse1);
    SetText(editTcLabel_, v.TimeCourse.EditTimeCourse2);
    editTcLabel_->setToolTip(QString::fromStdString(v.TimeCourse.EditTimeCourse2Hint));
    if (tcOutput_->isHidden() == v.TimeCourse.ButtonTCOutputAsciiVisible)
        tcOutput_->setVisible(v.TimeCourse.ButtonTCOutputAsciiVisible);
    SetText(editDisplayTc_, v.TimeCourse.EditTDisplayXY);
    tcChart_->Refresh();
    if (!v.TimeCourse.TimerPlayBack.Enabled || v.Closed)
        playTimer_->stop();
    else if (!playTimer_->isActive() || playTimer_->interval() != v.TimeCourse.TimerPlayBack.Interval)
        playTimer_->start(v.TimeCourse.TimerPlayBack.Interval);
}

} // namespace morvane
