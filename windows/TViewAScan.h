#pragma once
#include <cstdint>
#include <string>

#include "chart/ChartModel.h"
#include "windows/WindowHost.h"

namespace morvane {

class TSimpleShowText;

inline constexpr const char* FileNotFoundMessage = "File not found.";
inline constexpr const char* NotParsedMessage = "File could not be parsed to data points.";

// The single-scan viewer: the points of one scan file as the reader delivers them (radius against
// signal; for intensity files log10(I1/I2)), nothing corrected and nothing written. The program
// makes one at start-up; the main window opens it on the file chosen in its file list.
class TViewAScan {
public:
    explicit TViewAScan(WindowHost* host = nullptr);
    // The host of this window's dialogs and of the text viewer; null: none.
    void SetHost(WindowHost* host);

    std::string Caption = "ViewAScan";
    int32_t Width = 667;
    int32_t Height = 389;
    bool Visible = false;

    std::string ButtonNewFileCaption = "Show Another File";
    std::string ButtonNewFileHint = "Use this button to select another file from the same directory.";
    std::string Button1Caption = "Show Text";
    // Path of the file shown, read-only.
    std::string EditFileName;
    // "Transformed Data": one series, Series1, of the points in file order.
    ChartModel TransformChart;
    // Pointer tools of the chart: "Zoom" (down at start) or "Display X, Y", and the read-out.
    enum class PointerMode { ZoomIn, DisplayXY };
    PointerMode ChartMode = PointerMode::ZoomIn;
    std::string EditDisplayXY;
    // The program's text viewer, opened by "Show Text"; none: the button does nothing.
    TSimpleShowText* TextViewer = nullptr;

    // Draws the file named in EditFileName. A path that names no file says FileNotFoundMessage,
    // a file that gives no point NotParsedMessage; the chart then keeps what it showed. Returns
    // whether the chart now shows the file.
    bool ShowScanFile();
    // "Show Another File": an open dialog on the file shown; a chosen file is shown.
    void ButtonNewFileClick();
    // "Show Text": the text viewer on the file shown.
    void Button1Click();
    void SBZoomInClick() { ChartMode = PointerMode::ZoomIn; }
    void SBDisplayXYClick() { ChartMode = PointerMode::DisplayXY; }
    // A click on the chart, on the curve or beside it, in chart values: in "Display X, Y" mode
    // "X = x  Y = y" (5 significant digits) in EditDisplayXY and in a message.
    void TransformChartClick(double x, double y);

private:
    SilentHost silentHost_;
    WindowHost* host_;
};

} // namespace morvane
