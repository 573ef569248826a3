#pragma once
#include "settings/TMorvaneSettings.h"
#include "ui/MainWindowWidget.h"
#include "ui/ScanSelectorDialog.h"
#include "ui/SettingsDialog.h"
#include "ui/WaitWorkingWidget.h"
#include "windows/TScanSelector.h"
#include "windows/TWaitWorking.h"

// The program's start-up: the windows made once, in this order, and held until the program ends.
// Only the main window is shown; data views, with their own scan selector and wait window, are
// made by each launch.
class ProgramWindows {
public:
    static constexpr const char* ApplicationName = "MorVane";

    // standIn: answers the dialogs instead of real ones (tests); null for real dialogs.
    explicit ProgramWindows(Prompts* standIn = nullptr);

    MainWindowWidget Main;
    TScanSelector ScanSelector;
    ScanSelectorDialog ScanSelectorWindow;
    TWaitWorking WaitWindow;
    WaitWorkingWidget WaitWindowWidget;
    TMorvaneSettings Settings;
    SettingsDialog SettingsWindow;
};
