#include "ui/SedDataViewWidget.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

#include "ui/ChartView.h"
#include "ui/ScanSelectorDialog.h"
#include "ui/WaitWorkingWidget.h"

namespace {

QLineEdit* ReadOnlyEdit(QWidget* parent, int minimumWidth = 80)
{
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setMinimumWidth(minimumWidth);
    return edit;
}

QToolButton* ToolButton(const QString& text, QWidget* parent, bool checkable)
{
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setCheckable(checkable);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
}

void SetText(QLineEdit* edit, const std::string& text)
{
    const QString q = QString::fromStdString(text);
    if (edit->text() != q)
        edit->setText(q);
}

// Rescale, zoom and "Display X, Y" for one chart; the two mode buttons are exclusive.
QHBoxLayout* PointerTools(QWidget* parent, ChartView* chart, std::function<void()> zoom, std::function<void()> display)
{
    auto* row = new QHBoxLayout;
    auto* rescale = ToolButton(QObject::tr("Rescale"), parent, false);
    rescale->setToolTip(QString::fromLatin1(TSedDataView::RescaleHint));
    QObject::connect(rescale, &QToolButton::clicked, chart, &ChartView::Rescale);
    auto* zoomButton = ToolButton(QObject::tr("Zoom"), parent, true);
    auto* displayButton = ToolButton(QObject::tr("Display X, Y"), parent, true);
    zoomButton->setChecked(true);
    auto* group = new QButtonGroup(parent);
    group->addButton(zoomButton);
    group->addButton(displayButton);
    QObject::connect(zoomButton, &QToolButton::clicked, parent, zoom);
    QObject::connect(displayButton, &QToolButton::clicked, parent, display);
    row->addWidget(rescale);
    row->addWidget(zoomButton);
    row->addWidget(displayButton);
    row->addStretch();
    return row;
}

} // namespace

SedDataViewWidget::SedDataViewWidget(TSedDataView& view, QWidget* parent)
    : QWidget(parent, Qt::Window)
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

    view.WaitWindow.OnRepaint = [this] { LoadProgress(); };
    view.ShowScanSelector = [this](TScanSelector& selector) {
        ScanSelectorDialog dialog(selector, this);
        dialog.exec();
    };

    connect(timer1_, &QTimer::timeout, this, &SedDataViewWidget::Timer1Tick);
    timer1_->start(view.Timer1Interval);
    resize(1000, 700);
    Refresh();
}

SedDataViewWidget::~SedDataViewWidget()
{
    if (view_) {
        view_->WaitWindow.OnRepaint = nullptr;
        view_->ShowScanSelector = nullptr;
    }
}

QWidget* SedDataViewWidget::BuildRawTab()
{
    auto* tab = new QWidget(this);
    rawChart_ = new ChartView(&view_->Chart1, tab);
    auto* tools = new QHBoxLayout;
    auto* rescale = ToolButton(tr("Rescale"), tab, false);
    rescale->setToolTip(QString::fromLatin1(TSedDataView::RescaleHint));
    connect(rescale, &QToolButton::clicked, rawChart_, &ChartView::Rescale);
    tools->addWidget(rescale);
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
        b->setChecked(m.mode == view_->RawChartMode);
        group->addButton(b);
        tools->addWidget(b);
        const auto mode = m.mode;
        connect(b, &QToolButton::clicked, this, [this, mode] {
            if (view_)
                view_->SBGroup1Click(mode);
        });
        if (m.mode == TSedDataView::RawMode::Jitter)
            sbJitter_ = b;
        if (m.mode == TSedDataView::RawMode::IntegralFringe)
            sbFringe_ = b;
    }
    tools->addStretch();
    connect(rawChart_, &ChartView::seriesClicked, this, [this](double x, double y) {
        if (!view_)
            return;
        view_->Chart1ClickSeries(x, y);
        Refresh();
    });
    connect(rawChart_, &ChartView::backgroundClicked, this, [this](double x, double y) {
        if (!view_)
            return;
        view_->Chart1ClickBackground(x, y);
        Refresh();
    });

    editDisplayXY_ = ReadOnlyEdit(tab, 180);
    editJitter_ = ReadOnlyEdit(tab);
    editMeniscus_ = ReadOnlyEdit(tab);
    editFringe_ = ReadOnlyEdit(tab);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(tr("X, Y"), tab));
    bottom->addWidget(editDisplayXY_, 2);
    bottom->addWidget(new QLabel(tr("Meniscus"), tab));
    bottom->addWidget(editMeniscus_);
    bottom->addWidget(new QLabel(tr("Jitter"), tab));
    bottom->addWidget(editJitter_);
    bottom->addWidget(new QLabel(tr("Integral Fringe"), tab));
    bottom->addWidget(editFringe_);
    auto* choose = new QPushButton(tr("Choose Display"), tab);
    connect(choose, &QPushButton::clicked, this, [this] {
        if (!view_)
            return;
        view_->ButtonChooseScansClick();
        Refresh();
    });
    bottom->addWidget(choose);

    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(tools);
    layout->addWidget(rawChart_, 1);
    layout->addLayout(bottom);
    return tab;
}

QWidget* SedDataViewWidget::BuildAverageTab()
{
    auto* tab = new QWidget(this);
    avgChart_ = new ChartView(&view_->ChartAverage, tab);
    auto* tools = PointerTools(
        tab, avgChart_,
        [this] {
            if (view_)
                view_->SBZoomInAvgClick();
        },
        [this] {
            if (view_)
                view_->SBDisplayXYAvgClick();
        });
    connect(avgChart_, &ChartView::backgroundClicked, this, [this](double x, double y) {
        if (!view_)
            return;
        view_->ChartAverageClickBackground(x, y);
        Refresh();
    });
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
    connect(corChart_, &ChartView::backgroundClicked, this, [this](double x, double y) {
        if (!view_)
            return;
        view_->dcdtChartClickBackground(x, y);
        Refresh();
    });
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
        view_->WaitWindow.OnRepaint = nullptr;
        view_->ShowScanSelector = nullptr;
        view_->FormClose();
        view_ = nullptr;
    }
    emit closed(this);
    event->accept();
}
