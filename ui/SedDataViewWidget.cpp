#include "ui/SedDataViewWidget.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "follower/GofsOutput.h"
#include "ui/BusyCursor.h"
#include "ui/ChartView.h"
#include "ui/CsTab.h"
#include "ui/SedDataViewControls.h"
#include "ui/WaitWorkingWidget.h"

namespace morvane {

using dataviewcontrols::ReadOnlyEdit;
using dataviewcontrols::SetText;

SedDataViewHost::SedDataViewHost(SedDataViewWidget& window, WindowHost* standIn)
    : QtWindowHost(&window, standIn)
    , window_(window)
{
}

void SedDataViewHost::RepaintWaitWindow(TWaitWorking& window)
{
    (void)window; // the view's own, which the window binds
    window_.LoadProgress();
}

SedDataViewWidget::SedDataViewWidget(TSedDataView& view, WindowHost* standIn, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , host_(*this, standIn)
    , view_(&view)
    , tabs_(new QTabWidget(this))
    , editFullPath_(ReadOnlyEdit(this, 260))
    , editTargetChannel_(ReadOnlyEdit(this, 90))
    , checkMW_(new QCheckBox(this))
    , editMW_(new QLineEdit(this))
    , timer1_(new QTimer(this))
    , waitWindow_(new WaitWorkingWidget(view.WaitWindow, this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    dataviewcontrols::MayCut(editFullPath_);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QString::fromStdString(view.LabelDir), this));
    top->addWidget(editFullPath_, 3);
    top->addWidget(new QLabel(tr("Channel"), this));
    top->addWidget(editTargetChannel_);
    auto* scanCount = new QLabel(this); // what became of the channel's scan files
    scanCount->setObjectName("scanCount");
    top->addWidget(scanCount, 2);
    top->addSpacing(12);
    top->addWidget(new QLabel(QString::fromStdString(view.Label6), this));
    top->addWidget(checkMW_);
    top->addWidget(editMW_);
    editMW_->setReadOnly(true);
    editMW_->setMinimumWidth(60);
    editMW_->setMaximumWidth(120);
    editMW_->setToolTip(tr("Click to enter a molecular weight"));
    connect(checkMW_, &QCheckBox::clicked, this, [this](bool checked) {
        if (!view_)
            return;
        view_->CheckBoxMWGuess = checked;
        Handle(&TSedDataView::CheckBoxMWGuessClick);
    });
    dataviewcontrols::OnClick(editMW_, [this] { Handle(&TSedDataView::EditMWGuessClick); });
    auto* saveImage = new QPushButton(tr("Save image…"), this);
    connect(saveImage, &QPushButton::clicked, this, [this] { CurrentChart()->AskAndSaveImage(); });
    top->addWidget(saveImage);
    auto* saveData = new QPushButton(tr("Save data…"), this);
    saveData->setToolTip(tr("The curves of the chart shown, as tab-separated text"));
    connect(saveData, &QPushButton::clicked, this, [this] { CurrentChart()->AskAndSaveData(); });
    top->addWidget(saveData);

    tabs_->addTab(BuildRawTab(), QString::fromLatin1(TSedDataView::TabCaptions[0]));
    tabs_->addTab(BuildAverageTab(), QString::fromLatin1(TSedDataView::TabCaptions[1]));
    tabs_->addTab(BuildCorrectedTab(), QString::fromLatin1(TSedDataView::TabCaptions[2]));
    tabs_->addTab(BuildExtrapolationTab(), QString::fromLatin1(TSedDataView::TabCaptions[3]));
    tabs_->addTab(BuildTimeCourseTab(), QString::fromLatin1(TSedDataView::TabCaptions[4]));
    csTab_ = new CsTab(*this, tabs_);
    tabs_->addTab(csTab_, QString::fromLatin1(CsPanel::TabCaption));
    // Beside the tabs, where the row has room: the report is of the whole channel, not of a tab.
    auto* report = new QPushButton(tr("Report…"), this);
    report->setObjectName("report");
    report->setToolTip(tr("The run report of this channel: one HTML file to file away or print, with its record"));
    connect(report, &QPushButton::clicked, this, [this] { Handle(&TSedDataView::ButtonReportClick); });
    tabs_->setCornerWidget(report, Qt::TopRightCorner);
    tabs_->setCurrentIndex(view.PageControl1ActivePage);
    lastTab_ = tabs_->currentIndex();
    connect(tabs_, &QTabWidget::currentChanged, this, &SedDataViewWidget::TabChanged);

    openedFrom_ = new QLabel(this);
    openedFrom_->setObjectName("LabelOpenedFrom");
    dataviewcontrols::ShowWhole(openedFrom_);
    openedFrom_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    openedFrom_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(openedFrom_);
    layout->addWidget(tabs_, 1);

    view.SetHost(&host_);

    connect(timer1_, &QTimer::timeout, this, &SedDataViewWidget::Timer1Tick);
    timer1_->start(view.Timer1Interval);
    resize(1000, 700);
    Refresh();
}

SedDataViewWidget::~SedDataViewWidget()
{
    EndSpeciesFitWait();
    if (view_)
        view_->SetHost(nullptr);
}

void SedDataViewWidget::Refresh()
{
    if (!view_)
        return;
    const TSedDataView& v = *view_;
    setWindowTitle(QString::fromStdString(v.Caption.empty() ? v.EditTargetChannel : v.Caption));
    SetText(editFullPath_, v.EditFullPath);
    if (openedFrom_->text().toStdString() != v.LabelOpenedFrom) {
        openedFrom_->setText(QString::fromStdString(v.LabelOpenedFrom));
        openedFrom_->setToolTip(QString::fromStdString(v.LabelOpenedFromHint));
        openedFrom_->setVisible(!v.LabelOpenedFrom.empty());
    }
    if (tabs_->currentIndex() != v.PageControl1ActivePage)
        tabs_->setCurrentIndex(v.PageControl1ActivePage); // the logic chose a tab (a record's)
    SetText(editTargetChannel_, v.EditTargetChannel);
    findChild<QLabel*>("scanCount")->setText(QString::fromStdString(v.LabelScanCount));
    checkMW_->setChecked(v.CheckBoxMWGuess);
    SetText(editMW_, v.EditMWGuess);
    SetText(editDisplayXY_, v.Raw.EditDisplayXY);
    // A position being typed keeps its text until Enter or leaving the edit takes it.
    for (const auto& [edit, text] :
        { std::pair { editMeniscus_, &v.Raw.EditMeniscus }, std::pair { editBottom_, &v.Raw.EditBottom },
            std::pair { editJitter_, &v.Raw.EditJitter }, std::pair { editFringe_, &v.Raw.EditIntegralFringe } })
        if (!edit->isModified())
            SetText(edit, *text);
    editJitter_->setReadOnly(!v.Raw.SBJitterEnabled);
    editFringe_->setReadOnly(!v.Raw.SBIntegralFringeEnabled);
    restored_->setText(QString::fromLatin1(v.Raw.LabelPositionsRestored.c_str()));
    defaults_->setEnabled(v.Raw.ButtonDefaultPositionsEnabled);
    dataviewcontrols::SetWholeText(positionWarning_, QString::fromStdString(v.Raw.EditPositionWarning));
    sbJitter_->setEnabled(v.Raw.SBJitterEnabled);
    sbFringe_->setEnabled(v.Raw.SBIntegralFringeEnabled);
    SetText(editPairs_, v.Results.EditNumberOfdcdt);
    SetText(editTimeRange_, v.Results.EditTimeRange);
    SetText(editDisplayAvg_, v.Results.EditDisplayXYAvg);
    SetText(editDisplayCor_, v.Results.EditDisplayXYCor);
    if (v.Engine) {
        // "Save image…" and "Save data…" propose the chart and the channel.
        const QString of = QString::fromStdString(" for " + FileNameTitle(*v.Engine));
        for (const auto& [chart, name] : { std::pair { rawChart_, "raw scans" }, std::pair { avgChart_, "average" },
                 std::pair { corChart_, "corrected" }, std::pair { extSChart_, "extrapolation" },
                 std::pair { extTimeChart_, "extrapolation time axis" }, std::pair { tcChart_, "time course" },
                 std::pair { convergenceChart_, "convergence" },
                 std::pair { species_[0].residuals, "species residuals" },
                 std::pair { species_[1].residuals, "extrapolated species residuals" } })
            chart->SetProposedName(QString::fromLatin1(name) + of);
    }
    rawChart_->Refresh();
    avgChart_->Refresh();
    corChart_->Refresh();
    RefreshExtrapolationTab();
    RefreshTimeCourseTab();
    RefreshSpecies();
    csTab_->Refresh();
    setEnabled(v.InputEnabled);
    waitWindow_->Refresh(isVisible());
    if (v.Timer1Enabled) {
        if (timer1_->interval() != v.Timer1Interval)
            timer1_->setInterval(v.Timer1Interval);
    } else {
        timer1_->stop();
    }
    if (closePending_ && !v.Loading && !v.InTimer)
        QTimer::singleShot(0, this, &QWidget::close);
}

void SedDataViewWidget::LoadProgress()
{
    if (!view_)
        return;
    setEnabled(view_->InputEnabled);
    waitWindow_->Refresh(isVisible());
    if (waitWindow_->isVisible())
        waitWindow_->repaint();
    // The load runs on this thread: let the windows paint and the timers tick meanwhile (a tick of
    // this view finds it loading and does nothing), but take no user input until it is over.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void SedDataViewWidget::Timer1Tick()
{
    if (!view_)
        return;
    view_->Timer1Timer();
    Refresh();
}

void SedDataViewWidget::Handle(const std::function<void(TSedDataView&)>& handler)
{
    if (!view_)
        return;
    BusyCursor busy;
    handler(*view_);
    Refresh();
}

void SedDataViewWidget::TabChanged(int index)
{
    if (!view_)
        return;
    view_->PageControl1ActivePage = index;
    if (tabs_->widget(lastTab_) == tcChart_->parentWidget() && tabs_->widget(index) != tcChart_->parentWidget())
        view_->TimeCourse.TabTimeCourseExit();
    lastTab_ = index;
    Refresh();
}

void SedDataViewWidget::PrepareScreenshot()
{
    if (!view_)
        return;
    const QString tab = tabs_->tabText(tabs_->currentIndex());
    if (tab == QString::fromLatin1(TSedDataView::TabCaptions[3])
        && view_->Extrapolation.ButtonRefreshExtrapolationEnabled)
        view_->Extrapolation.ButtonRefreshExtrapolationClick();
    if (tab == QString::fromLatin1(TSedDataView::TabCaptions[4]) && view_->TimeCourse.RadioGroupChooseTimeCourse < 0) {
        // The averaged family halfway through the run, drawn over the dc/dt curves it averages.
        view_->TimeCourse.RadioGroupChooseTimeCourse = 1;
        view_->TimeCourse.RadioGroupChooseTimeCourseClick();
        view_->TimeCourse.ScrollBarTime.Position = view_->TimeCourse.ScrollBarTime.Max / 2;
        view_->TimeCourse.ScrollBarTimeChange();
    }
    Refresh();
}

bool SedDataViewWidget::SelectTab(const QString& caption)
{
    for (int i = 0; i < tabs_->count(); ++i) {
        if (tabs_->tabText(i) == caption) {
            tabs_->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

ChartView* SedDataViewWidget::CurrentChart() const
{
    if (tabs_->currentWidget() == csTab_)
        return csTab_->DistributionChart();
    switch (tabs_->currentIndex()) {
    case 1:
        return avgChart_;
    case 2:
        return corChart_;
    case 3:
        return view_ && view_->Extrapolation.ChartExtrapolationVisible ? extTimeChart_ : extSChart_;
    case 4:
        return tcChart_;
    default:
        return rawChart_;
    }
}

void SedDataViewWidget::closeEvent(QCloseEvent* event)
{
    // The load or refresh on the stack still uses the engine: close when it is over.
    if (view_ && (view_->Loading || view_->InTimer)) {
        closePending_ = true;
        event->ignore();
        return;
    }
    timer1_->stop();
    playTimer_->stop();
    EndSpeciesFitWait(); // the view's close below cancels the fit and waits for its thread
    waitWindow_->hide();
    if (view_) {
        view_->SetHost(nullptr);
        view_->FormClose();
        view_ = nullptr;
    }
    emit closed(this);
    event->accept();
}

} // namespace morvane
