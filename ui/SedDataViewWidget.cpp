#include "ui/SedDataViewWidget.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/ChartView.h"
#include "ui/SedDataViewControls.h"
#include "ui/WaitWorkingWidget.h"

using dataviewcontrols::ReadOnlyEdit;
using dataviewcontrols::SetText;

SedDataViewPrompts::SedDataViewPrompts(SedDataViewWidget& window, Prompts* standIn)
    : QtPrompts(&window, standIn)
    , window_(window)
{
}

void SedDataViewPrompts::RepaintWaitWindow(TWaitWorking& window)
{
    (void)window; // the view's own, which the window binds
    window_.LoadProgress();
}

SedDataViewWidget::SedDataViewWidget(TSedDataView& view, Prompts* standIn, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , prompts_(*this, standIn)
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

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QString::fromStdString(view.LabelDir), this));
    top->addWidget(editFullPath_, 3);
    top->addWidget(new QLabel(tr("Channel"), this));
    top->addWidget(editTargetChannel_);
    top->addSpacing(12);
    top->addWidget(new QLabel(QString::fromStdString(view.Label6), this));
    top->addWidget(checkMW_);
    top->addWidget(editMW_);
    // The molecular-weight span is not bound yet: shown for its value only.
    checkMW_->setEnabled(false);
    editMW_->setReadOnly(true);
    editMW_->setMaximumWidth(90);
    auto* saveImage = new QPushButton(tr("Save image…"), this);
    connect(saveImage, &QPushButton::clicked, this, &SedDataViewWidget::SaveImage);
    top->addWidget(saveImage);

    tabs_->addTab(BuildRawTab(), QString::fromLatin1(TSedDataView::TabCaptions[0]));
    tabs_->addTab(BuildAverageTab(), QString::fromLatin1(TSedDataView::TabCaptions[1]));
    tabs_->addTab(BuildCorrectedTab(), QString::fromLatin1(TSedDataView::TabCaptions[2]));
    tabs_->setCurrentIndex(view.PageControl1ActivePage);
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int i) {
        if (view_)
            view_->PageControl1ActivePage = i;
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(tabs_, 1);

    view.SetPrompts(&prompts_);

    connect(timer1_, &QTimer::timeout, this, &SedDataViewWidget::Timer1Tick);
    timer1_->start(view.Timer1Interval);
    resize(1000, 700);
    Refresh();
}

SedDataViewWidget::~SedDataViewWidget()
{
    if (view_)
        view_->SetPrompts(nullptr);
}

void SedDataViewWidget::Refresh()
{
    if (!view_)
        return;
    const TSedDataView& v = *view_;
    setWindowTitle(QString::fromStdString(v.Caption.empty() ? v.EditTargetChannel : v.Caption));
    SetText(editFullPath_, v.EditFullPath);
    SetText(editTargetChannel_, v.EditTargetChannel);
    checkMW_->setChecked(v.CheckBoxMWGuess);
    SetText(editMW_, v.EditMWGuess);
    SetText(editDisplayXY_, v.EditDisplayXY);
    SetText(editJitter_, v.EditJitter);
    SetText(editMeniscus_, v.EditMeniscus);
    SetText(editFringe_, v.EditIntegralFringe);
    SetText(editPositionWarning_, v.EditPositionWarning);
    sbJitter_->setEnabled(v.SBJitterEnabled);
    sbFringe_->setEnabled(v.SBIntegralFringeEnabled);
    SetText(editPairs_, v.EditNumberOfdcdt);
    SetText(editTimeRange_, v.EditTimeRange);
    SetText(editDisplayAvg_, v.EditDisplayXYAvg);
    SetText(editDisplayCor_, v.EditDisplayXYCor);
    rawChart_->Refresh();
    avgChart_->Refresh();
    corChart_->Refresh();
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
    switch (tabs_->currentIndex()) {
    case 1:
        return avgChart_;
    case 2:
        return corChart_;
    default:
        return rawChart_;
    }
}

void SedDataViewWidget::SaveImage()
{
    const QString file = QFileDialog::getSaveFileName(this, tr("Save image"), QString(), tr("PNG images (*.png)"));
    if (!file.isEmpty())
        CurrentChart()->SaveImage(file);
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
    waitWindow_->hide();
    if (view_) {
        view_->SetPrompts(nullptr);
        view_->FormClose();
        view_ = nullptr;
    }
    emit closed(this);
    event->accept();
}
