#include "ui/SedDataViewControls.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

#include "dataview/TSedDataView.h"
#include "ui/ChartView.h"

namespace dataviewcontrols {

QLineEdit* ReadOnlyEdit(QWidget* parent, int minimumWidth)
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

} // namespace dataviewcontrols
