#pragma once
#include "recomposewindow/Trecompose.h"
#include "settingswindow/TMorvaneSettings.h"
#include "ui/CompareWindow.h"
#include "ui/MainWindowWidget.h"
#include "ui/ScanSelectorDialog.h"
#include "ui/SettingsDialog.h"
#include "ui/SimpleShowTextWindow.h"
#include "ui/ViewAScanWindow.h"
#include "ui/WaitWorkingWidget.h"
#include "windows/TMorvaneCompare.h"
#include "windows/TScanSelector.h"
#include "windows/TSimpleShowText.h"
#include "windows/TViewAScan.h"
#include "windows/TWaitWorking.h"

namespace morvane {

// The program's start-up: the windows made once, in this order, and held until the program ends.
// Only the main window is shown. The viewers' windows and the comparison window have it as parent,
// so that closing it ends the program even while one of them is open; the recompose tool's window is made for each opening
// (the tool itself starts afresh each time). Data views, with their own scan selector and wait
// window, are made by each launch.
class ProgramWindows {
public:
    static constexpr const char* ApplicationName = "MorVane";

    // standIn: answers the dialogs instead of real ones (tests); null for real dialogs.
    explicit ProgramWindows(WindowHost* standIn = nullptr);
    // The main window outlives the comparison window: it forgets it first.
    ~ProgramWindows();

    MainWindowWidget Main;
    Trecompose Recompose;
    TScanSelector ScanSelector;
    ScanSelectorDialog ScanSelectorWindow;
    TWaitWorking WaitWindow;
    WaitWorkingWidget WaitWindowWidget;
    TViewAScan ScanViewer;
    ViewAScanWindow ScanViewerWindow;
    TSimpleShowText TextViewer;
    SimpleShowTextWindow TextViewerWindow;
    TMorvaneCompare Comparison;
    CompareWindow ComparisonWindow;
    TMorvaneSettings Settings;
    SettingsDialog SettingsWindow;
};

} // namespace morvane
