#pragma once
#include <QMainWindow>
#include <QString>
#include <map>
#include <memory>

#include "mainwindow/TMorvaneForm.h"
#include "ui/QtWindowHost.h"

class QButtonGroup;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QTimer;

namespace morvane {

class CompareWindow;
class MainWindowWidget;
class SedDataViewWidget;

// The main window's dialogs and windows: a new data view becomes one of its windows.
class MainWindowHost : public QtWindowHost {
public:
    MainWindowHost(MainWindowWidget& window, WindowHost* standIn);
    void ShowDataView(TSedDataView& view) override;
    // After the views' windows show what their logic holds now (a message at the end of a launch
    // would otherwise stand over windows still drawn as loading).
    void ShowMessage(const std::string& text) override;

private:
    MainWindowWidget& window_;
};

// The main window: binds a TMorvaneForm (root, data directories, channels, file list, open
// windows) and opens one SedDataViewWidget per launch.
class MainWindowWidget : public QMainWindow {
    Q_OBJECT
public:
    // standIn: answers the dialogs of the main window and its views instead of real ones (tests).
    explicit MainWindowWidget(WindowHost* standIn = nullptr, QWidget* parent = nullptr);
    ~MainWindowWidget() override;

    TMorvaneForm& Form() { return *form_; }
    MainWindowHost& Host() { return host_; }
    // Copies the logic's fields into the controls.
    void Refresh();
    // Scans `root` as if it had been chosen in the dialog; returns the message, empty on success.
    QString SetRoot(const QString& root);
    // Selects the channel entry with this text (a plain entry also its first wavelength's, e.g. "0*.RA1"
    // gives "0*.RA1 280 nm"); false when it is not listed.
    bool SelectChannel(const QString& entry);
    // "Launch a Window": the new view's window (shown), or null.
    SedDataViewWidget* Launch();
    SedDataViewWidget* WidgetOf(const TSedDataView* view) const;
    // "Open analysis…" with the record chosen: the windows of the views it opened (shown).
    std::vector<SedDataViewWidget*> OpenAnalysis(const QString& record);
    // The window's clock tick, as its timer calls it every Timer1.Interval: the channel detection,
    // and within every Timer2.Interval the root's follow (TMorvaneForm::Tick).
    void Timer1Tick();
    // The program's comparison window: "Show Comparison" shows it, and it follows the list of
    // open views with the main window's own list. Null: none.
    void UseComparisonWindow(CompareWindow* window);

protected:
    // Closing the main window ends the program: the data views close with it.
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void RebuildChannels();
    void ShowMessage(const QString& text);
    // Brings the view's window to the front with the keyboard focus.
    void FocusView(const TSedDataView* view);
    // Makes the window of a new view, before its first load, and keeps it in widgets_.
    void OpenView(TSedDataView& view);
    // The windows of views just opened, refreshed and shown.
    std::vector<SedDataViewWidget*> ShowViews(const std::vector<TSedDataView*>& views);
    friend class MainWindowHost;

    MainWindowHost host_;
    std::unique_ptr<TMorvaneForm> form_;
    QLineEdit* editInputDir_;
    QLineEdit* editDataDir_;
    QLineEdit* editDateTimeDir_;
    QListWidget* listDataDirs_;
    QListWidget* listFiles_;
    QListWidget* listOpenWindows_;
    std::vector<std::string> shownDataDirs_, shownFiles_, shownOpenWindows_; // what the lists show
    QGroupBox* channels_;
    QGridLayout* channelGrid_;
    QButtonGroup* channelButtons_;
    std::vector<ChannelEntry> shownChannels_;
    QTimer* timer1_;
    std::map<const TSedDataView*, SedDataViewWidget*> widgets_;
    CompareWindow* comparisonWindow_ = nullptr;
    bool refreshing_ = false;
};

} // namespace morvane
