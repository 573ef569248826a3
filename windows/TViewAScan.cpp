#include "windows/TViewAScan.h"

#include <filesystem>
#include <system_error>

#include "analysis/NumberText.h"
#include "analysis/Rounding.h"
#include "scanfiles/BeckmanFile.h"
#include "windows/TSimpleShowText.h"

namespace morvane {

TViewAScan::TViewAScan(WindowHost* host)
    : host_(host ? host : &silentHost_)
{
    TransformChart.Title = "Transformed Data";
    TransformChart.LegendVisible = false;
    TransformChart.Bottom.Title = "r";
    TransformChart.Bottom.Increment = 0.1;
    TransformChart.Left.Title = "C(r)";
    TransformChart.Left.LabelFormat = "#.# x10E-#";
    ChartSeries series1;
    series1.Kind = SeriesKind::Line;
    series1.Title = "template";
    series1.Colour = Colours::Red;
    series1.XAscending = true;
    series1.InLegend = false;
    TransformChart.Series.push_back(series1);
}

void TViewAScan::SetHost(WindowHost* host) { host_ = host ? host : &silentHost_; }

bool TViewAScan::ShowScanFile()
{
    // A directory is no file to show, though a search for the path would find it.
    std::error_code ec;
    const auto type = std::filesystem::status(EditFileName, ec).type();
    if (EditFileName.empty() || ec || type == std::filesystem::file_type::not_found
        || type == std::filesystem::file_type::directory) {
        host_->ShowMessage(FileNotFoundMessage);
        return false;
    }
    BeckmanFile reader;
    // A file of no scan kind reads "successfully" without a point: nothing to draw either.
    if (reader.ReadScanFile(EditFileName, IntensityRatio, 0) < 1 || reader.NumberOfPoints < 1) {
        host_->ShowMessage(NotParsedMessage);
        return false;
    }
    ChartSeries& series1 = TransformChart.Series[0];
    series1.Clear();
    series1.Points.reserve(static_cast<size_t>(reader.NumberOfPoints));
    for (int32_t i = 0; i < reader.NumberOfPoints; ++i) {
        const auto k = static_cast<size_t>(i);
        series1.AddColoured(reader.Radius[k], reader.Value[k], "", Colours::Red);
    }
    series1.Active = true;
    TransformChart.Repaint();
    return true;
}

void TViewAScan::ButtonNewFileClick()
{
    FileDialogRequest request;
    request.FileName = EditFileName;
    request.InitialDir = std::filesystem::path(EditFileName).parent_path().string();
    if (!host_->OpenDialog(request))
        return;
    EditFileName = request.FileName;
    ShowScanFile();
}

void TViewAScan::Button1Click()
{
    if (!TextViewer)
        return;
    TextViewer->Visible = false;
    TextViewer->EditFileName = EditFileName;
    // Read again even when the path is the same: the file may have changed since.
    TextViewer->EditFileNameChange();
    TextViewer->Visible = true;
    host_->ShowTextViewer(*TextViewer);
}

void TViewAScan::TransformChartClick(double x, double y)
{
    if (ChartMode != PointerMode::DisplayXY)
        return;
    EditDisplayXY = "X = " + FloatToStr(RoundSignificant(x, 5)) + "  Y = " + FloatToStr(RoundSignificant(y, 5));
    host_->ShowMessage(EditDisplayXY);
}

} // namespace morvane
