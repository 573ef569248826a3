#include "ui/ProgramWindows.h"

#include <QApplication>

namespace morvane {

ProgramWindows::ProgramWindows(WindowHost* standIn)
    : Main(standIn)
    , ScanSelectorWindow(ScanSelector)
    , WaitWindowWidget(WaitWindow)
    , ScanViewerWindow(ScanViewer, standIn, &Main)
    , TextViewerWindow(TextViewer, standIn, &Main)
    , ComparisonWindow(Comparison, standIn, &Main)
    , SettingsWindow(Settings, &Main, standIn)
{
    QApplication::setApplicationName(ApplicationName);
    Main.Form().SettingsWindow = &Settings;
    Main.Host().UseSettingsWindow(&SettingsWindow);
    Main.Form().RecomposeTool = &Recompose;
    Main.Form().ScanViewer = &ScanViewer;
    ScanViewer.TextViewer = &TextViewer;
    Main.Host().UseViewerWindows(&ScanViewerWindow, &TextViewerWindow);
    ScanViewerWindow.Host().UseViewerWindows(&ScanViewerWindow, &TextViewerWindow);
    Main.UseComparisonWindow(&ComparisonWindow);
}

ProgramWindows::~ProgramWindows()
{
    Main.UseComparisonWindow(nullptr);
}

} // namespace morvane
