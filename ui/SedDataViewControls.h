#pragma once
// The small control builders that the windows share (the data view's tabs first).
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QScrollBar;
class QSpinBox;
class QToolButton;
class QWidget;

namespace morvane {

class ChartView;
struct ScrollBarControl;
struct UpDownControl;

namespace dataviewcontrols {

QLineEdit* ReadOnlyEdit(QWidget* parent, int minimumWidth = 80);
QToolButton* ToolButton(const QString& text, QWidget* parent, bool checkable);
// Sets the edit's text only when it differs, so an unchanged edit keeps its cursor and selection.
// The edit's minimum width grows to fit the text (a number is never cut at the window's minimum
// width), unless the edit was made with MayCut.
void SetText(QLineEdit* edit, const std::string& text);
// An edit for long texts (paths, warnings): it keeps its own minimum width, shows the start of a
// text, and its tool tip shows the whole text.
void MayCut(QLineEdit* edit);
// The width an edit needs to show `text` whole.
int WidthFor(const QLineEdit* edit, const QString& text);
// Range and position from the logic's control, without running the change handlers; nothing is
// touched while they agree (a touched control repaints the window around it).
void SetScrollBar(QScrollBar* bar, const ScrollBarControl& control);
void SetUpDown(QSpinBox* box, const UpDownControl& control);
// Rescale, zoom and "Display X, Y" for one chart; the two mode buttons are exclusive.
QHBoxLayout* PointerTools(QWidget* parent, ChartView* chart, std::function<void()> zoom, std::function<void()> display);
// The same for charts that share one place: Rescale undoes the zoom of all of them.
QHBoxLayout* PointerTools(
    QWidget* parent, const std::vector<ChartView*>& charts, std::function<void()> zoom, std::function<void()> display);
// Calls `clicked` when the user clicks the (read-only) edit.
void OnClick(QLineEdit* edit, std::function<void()> clicked);
// A label whose text is always shown whole: wrapped, and at least as high as its lines need at
// its width (a splitter or a crowded window would otherwise cut it). SetWholeText sets the text
// and the same text as its tooltip.
void ShowWhole(QLabel* label);
void SetWholeText(QLabel* label, const QString& text);

} // namespace dataviewcontrols

} // namespace morvane
