#include "ui/MainWindowWidget.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "scanfiles/ChannelWavelength.h"
#include "ui/BusyCursor.h"
#include "ui/CompareWindow.h"
#include "ui/SedDataViewWidget.h"

namespace morvane {

namespace {

QLineEdit* ReadOnly(QWidget* parent, const QString& hint = QString())
{
    auto* e = new QLineEdit(parent);
    e->setReadOnly(true);
    e->setToolTip(hint);
    return e;
}

// `shown`: the items the list shows, kept beside it so that a refresh compares them without
// reading the list (a run's directory may hold tens of thousands of files).
void Fill(QListWidget* list, std::vector<std::string>& shown, const std::vector<std::string>& items, int32_t selected)
{
    if (items != shown) {
        // Items that stay stay, so that a list that only grows (the files of a run in progress)
        // keeps where the user scrolled to.
        size_t kept = 0;
        while (kept < shown.size() && kept < items.size() && shown[kept] == items[kept])
            ++kept;
        while (list->count() > static_cast<int>(kept))
            delete list->takeItem(list->count() - 1);
        for (size_t i = kept; i < items.size(); ++i)
            list->addItem(QString::fromStdString(items[i]));
        shown = items;
    }
    if (list->currentRow() != selected)
        list->setCurrentRow(selected);
}

} // namespace

MainWindowHost::MainWindowHost(MainWindowWidget& window, WindowHost* standIn)
    : QtWindowHost(&window, standIn)
    , window_(window)
{
}

void MainWindowHost::ShowDataView(TSedDataView& view) { window_.OpenView(view); }

void MainWindowHost::ShowMessage(const std::string& text)
{
    for (const auto& [view, widget] : window_.widgets_) {
        (void)view;
        widget->Refresh();
    }
    QtWindowHost::ShowMessage(text);
}

MainWindowWidget::MainWindowWidget(WindowHost* standIn, QWidget* parent)
    : QMainWindow(parent)
    , host_(*this, standIn)
    , form_(std::make_unique<TMorvaneForm>(&host_))
    , timer1_(new QTimer(this))
{
    setWindowTitle(QString::fromStdString(form_->Caption));
    BuildControls();
    connect(timer1_, &QTimer::timeout, this, &MainWindowWidget::Timer1Tick);
    timer1_->start(form_->Timer1.Interval);
    resize(900, 620);
    Refresh();
}

MainWindowWidget::~MainWindowWidget()
{
    // The views' windows go first: they refer to views the logic owns.
    auto widgets = widgets_;
    widgets_.clear();
    for (auto& [view, widget] : widgets) {
        (void)view;
        widget->disconnect(this);
        delete widget;
    }
}

void MainWindowWidget::closeEvent(QCloseEvent* event)
{
    timer1_->stop();
    const auto widgets = widgets_;
    for (const auto& [view, widget] : widgets) {
        (void)view;
        widget->close();
    }
    event->accept();
}

void MainWindowWidget::BuildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);

    auto* fileMenu = menuBar()->addMenu(tr("&File"));
    QAction* open = fileMenu->addAction(tr("&Open analysis…"), this, [this] {
        std::vector<TSedDataView*> views;
        {
            BusyCursor busy; // the record's scan files are checked
            views = form_->OpenAnalysisClick();
        }
        ShowViews(views);
    });
    open->setToolTip(tr("A data view of the run and channel of an output's record (.json), with its parameters"));
    fileMenu->addAction(tr("&Exit"), this, &QWidget::close);
    auto* actionMenu = menuBar()->addMenu(tr("&Action"));
    actionMenu->addAction(tr("&Recompose"), this, [this] {
        form_->Recompose1Click();
        Refresh();
    });
    actionMenu->menuAction()->setVisible(form_->Action1Visible);
    auto* viewMenu = menuBar()->addMenu(tr("&View Data"));
    viewMenu->addAction(tr("&Scans"), this, [this] { Launch(); });
    auto* settingsMenu = menuBar()->addMenu(tr("&Settings"));
    QAction* programSettings = settingsMenu->addAction(tr("&Program Settings"), this, [this] {
        form_->S11Click();
        Refresh();
    });
    programSettings->setVisible(form_->ProgramSettings1Visible);
    settingsMenu->menuAction()->setVisible(form_->ProgramSettings1Visible);

    auto* setRoot = new QPushButton(tr("Set root input directory"), central);
    setRoot->setToolTip(
        tr("The root directory is the XLIDATA directory or the directory that contains this directory"));
    connect(setRoot, &QPushButton::clicked, this, [this] {
        form_->btnSetInputDirClick();
        Refresh();
    });
    editInputDir_ = ReadOnly(central, tr("Choose directory via dialog"));
    auto* refreshDirs = new QPushButton(tr("Refresh Subdirectories"), central);
    refreshDirs->setToolTip(tr("Refresh the scan directories (use this when you start a new scan group)"));
    connect(refreshDirs, &QPushButton::clicked, this, [this] {
        const std::string failure = form_->ButtonRefreshSubdirectoriesClick();
        if (!failure.empty())
            ShowMessage(QString::fromStdString(failure));
        Refresh();
    });

    listDataDirs_ = new QListWidget(central);
    listDataDirs_->setObjectName("runs");
    connect(listDataDirs_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (refreshing_)
            return;
        form_->ListBoxDataDirsItemIndex = listDataDirs_->row(item);
        const std::string failure = form_->ListBoxDataDirsClick();
        if (!failure.empty())
            ShowMessage(QString::fromStdString(failure));
        Refresh();
    });
    editDataDir_ = ReadOnly(central, tr("Where the data files are"));

    channels_ = new QGroupBox(tr("Channels"), central);
    channelGrid_ = new QGridLayout(channels_);
    channelGrid_->setColumnStretch(8, 1);
    channelButtons_ = new QButtonGroup(this);
    channelButtons_->setExclusive(true);
    connect(channelButtons_, &QButtonGroup::idClicked, this, [this](int id) {
        form_->RadioGroupChannelsItemIndex = id;
        form_->RadioGroupChannelsClick();
        Refresh();
    });

    listFiles_ = new QListWidget(central);
    listFiles_->setObjectName("files");
    connect(listFiles_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (refreshing_ || row < 0)
            return;
        form_->FileListBox1Change(row);
        Refresh();
    });
    auto* refreshFiles = new QPushButton(tr("Refresh File List"), central);
    connect(refreshFiles, &QPushButton::clicked, this, [this] {
        form_->ButtonRefreshFileListClick();
        Refresh();
    });
    editDateTimeDir_ = ReadOnly(central);
    auto* showFile = new QPushButton(tr("Show This File"), central);
    showFile->setToolTip(tr("Draw the chosen file's points in the scan viewer"));
    connect(showFile, &QPushButton::clicked, this, [this] {
        form_->ButtonShowFileClick();
        Refresh();
    });

    auto* launch = new QPushButton(tr("Launch a Window"), central);
    connect(launch, &QPushButton::clicked, this, [this] { Launch(); });
    auto* focus = new QPushButton(tr("Focus on this window"), central);
    connect(focus, &QPushButton::clicked, this, [this] { FocusView(form_->ButtonFocusWindowClick()); });
    auto* comparison = new QPushButton(tr("Show Comparison"), central);
    comparison->setToolTip(tr("Overlay the g(s*) curves of open windows"));
    connect(comparison, &QPushButton::clicked, this, [this] {
        form_->ButtonLaunchComparisonClick();
        Refresh();
    });
    listOpenWindows_ = new QListWidget(central);
    connect(listOpenWindows_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!refreshing_)
            form_->ListBoxOpenWindowsItemIndex = row;
    });
    connect(listOpenWindows_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        FocusView(form_->ListBoxOpenWindowsDblClick(listOpenWindows_->row(item)));
        Refresh();
    });

    auto* rootRow = new QHBoxLayout;
    rootRow->addWidget(setRoot);
    rootRow->addWidget(editInputDir_, 1);
    rootRow->addWidget(refreshDirs);
    auto* dirRow = new QHBoxLayout;
    dirRow->addWidget(new QLabel(tr("Chosen Data Directory"), central));
    dirRow->addWidget(editDataDir_, 1);
    auto* left = new QVBoxLayout;
    left->addWidget(listDataDirs_, 1);
    left->addWidget(new QLabel(tr("Files"), central));
    left->addWidget(listFiles_, 1);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(refreshFiles);
    fileRow->addWidget(showFile);
    left->addLayout(fileRow);
    left->addWidget(editDateTimeDir_);
    auto* right = new QVBoxLayout;
    right->addWidget(channels_);
    auto* launchRow = new QHBoxLayout;
    launchRow->addWidget(launch);
    launchRow->addWidget(focus);
    launchRow->addWidget(comparison);
    launchRow->addStretch();
    right->addLayout(launchRow);
    right->addWidget(new QLabel(tr("List of open windows -->"), central));
    right->addWidget(listOpenWindows_, 1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 2);
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(rootRow);
    layout->addLayout(dirRow);
    layout->addLayout(columns, 1);
}

void MainWindowWidget::RebuildChannels()
{
    const auto& items = form_->RadioGroupChannelsItems;
    if (items != shownChannels_) {
        for (QAbstractButton* b : channelButtons_->buttons()) {
            channelButtons_->removeButton(b);
            delete b;
        }
        for (size_t i = 0; i < items.size(); ++i) {
            auto* b = new QRadioButton(QString::fromStdString(items[i]), channels_);
            channelButtons_->addButton(b, static_cast<int>(i));
            channelGrid_->addWidget(b, static_cast<int>(i / 8), static_cast<int>(i % 8));
        }
        shownChannels_ = items;
    }
    const int selected = form_->RadioGroupChannelsItemIndex;
    if (QAbstractButton* b = channelButtons_->button(selected)) {
        b->setChecked(true);
    } else if (QAbstractButton* checked = channelButtons_->checkedButton()) {
        channelButtons_->setExclusive(false);
        checked->setChecked(false);
        channelButtons_->setExclusive(true);
    }
}

void MainWindowWidget::Refresh()
{
    refreshing_ = true;
    const TMorvaneForm& f = *form_;
    editInputDir_->setText(QString::fromStdString(f.EditInputDir));
    editDataDir_->setText(QString::fromStdString(f.EditDataDir));
    editDateTimeDir_->setText(QString::fromStdString(f.EditDateTimeDir));
    Fill(listDataDirs_, shownDataDirs_, f.ListBoxDataDirs, f.ListBoxDataDirsItemIndex);
    Fill(listFiles_, shownFiles_, f.FileListBox1Items, f.FileListBox1ItemIndex);
    std::vector<std::string> names;
    for (const OpenWindowEntry& e : f.ListBoxOpenWindows)
        names.push_back(e.Name);
    Fill(listOpenWindows_, shownOpenWindows_, names, f.ListBoxOpenWindowsItemIndex);
    RebuildChannels();
    if (comparisonWindow_)
        comparisonWindow_->Refresh();
    refreshing_ = false;
}

QString MainWindowWidget::SetRoot(const QString& root)
{
    form_->EditInputDir = root.toStdString();
    form_->RadioGroupChannelsItems.clear();
    form_->RadioGroupChannelsItemIndex = -1;
    const std::string failure = form_->ScanRootDir(form_->EditInputDir);
    Refresh();
    return QString::fromStdString(failure);
}

bool MainWindowWidget::SelectChannel(const QString& entry)
{
    const auto& items = form_->RadioGroupChannelsItems;
    // The entry itself, else (a plain entry of a cell scanned at several wavelengths) its first wavelength's.
    for (const bool plain : { false, true }) {
        for (size_t i = 0; i < items.size(); ++i) {
            const std::string item = plain ? EntryWithoutWavelength(items[i]) : items[i];
            if (QString::fromStdString(item).compare(entry, Qt::CaseInsensitive) == 0) {
                form_->RadioGroupChannelsItemIndex = static_cast<int32_t>(i);
                form_->RadioGroupChannelsClick();
                Refresh();
                return true;
            }
        }
    }
    return false;
}

SedDataViewWidget* MainWindowWidget::Launch()
{
    TSedDataView* view = nullptr;
    {
        BusyCursor busy; // the first load
        view = form_->ButtonLaunchClick();
    }
    Refresh();
    SedDataViewWidget* w = WidgetOf(view);
    if (!w)
        return nullptr;
    w->Refresh();
    w->show();
    return w;
}

std::vector<SedDataViewWidget*> MainWindowWidget::OpenAnalysis(const QString& record)
{
    std::vector<TSedDataView*> views;
    {
        BusyCursor busy;
        views = form_->OpenAnalysis(record.toStdString());
    }
    return ShowViews(views);
}

std::vector<SedDataViewWidget*> MainWindowWidget::ShowViews(const std::vector<TSedDataView*>& views)
{
    Refresh();
    std::vector<SedDataViewWidget*> shown;
    for (TSedDataView* view : views) {
        if (SedDataViewWidget* w = WidgetOf(view)) {
            w->Refresh();
            w->show();
            shown.push_back(w);
        }
    }
    return shown;
}

SedDataViewWidget* MainWindowWidget::WidgetOf(const TSedDataView* view) const
{
    const auto it = widgets_.find(view);
    return it == widgets_.end() ? nullptr : it->second;
}

void MainWindowWidget::FocusView(const TSedDataView* view)
{
    SedDataViewWidget* w = WidgetOf(view);
    if (!w)
        return;
    if (w->isMinimized())
        w->showNormal();
    w->raise();
    w->activateWindow();
}

void MainWindowWidget::Timer1Tick()
{
    form_->Tick();
    Refresh();
}

void MainWindowWidget::UseComparisonWindow(CompareWindow* window)
{
    comparisonWindow_ = window;
    host_.UseComparisonWindow(window);
    form_->ComparisonWindow = window ? &window->Compare() : nullptr;
}

void MainWindowWidget::OpenView(TSedDataView& view)
{
    auto* w = new SedDataViewWidget(view, host_.StandIn());
    widgets_[&view] = w;
    connect(w, &SedDataViewWidget::closed, this, [this](SedDataViewWidget* closed) {
        std::erase_if(widgets_, [closed](const auto& entry) { return entry.second == closed; });
        Refresh();
    });
    w->show();
}

void MainWindowWidget::ShowMessage(const QString& text) { host_.ShowMessage(text.toStdString()); }

} // namespace morvane
