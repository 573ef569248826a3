#pragma once
// The small control builders that the data view's tabs share.
#include <QString>
#include <functional>
#include <string>

class ChartView;
class QHBoxLayout;
class QLineEdit;
class QToolButton;
class QWidget;

namespace dataviewcontrols {

QLineEdit* ReadOnlyEdit(QWidget* parent, int minimumWidth = 80);
QToolButton* ToolButton(const QString& text, QWidget* parent, bool checkable);
// Sets the edit's text only when it differs, so an unchanged edit keeps its cursor and selection.
void SetText(QLineEdit* edit, const std::string& text);
// Rescale, zoom and "Display X, Y" for one chart; the two mode buttons are exclusive.
QHBoxLayout* PointerTools(QWidget* parent, ChartView* chart, std::function<void()> zoom, std::function<void()> display);

} // namespace dataviewcontrols
