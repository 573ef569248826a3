#include "ui/SedDataViewControls.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <algorithm>

#include "dataview/TSedDataView.h"
#include "ui/ChartView.h"
#include "windows/Controls.h"

namespace morvane {

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

namespace {
    constexpr const char* MayCutProperty = "morvaneMayCut";
    constexpr const char* BaseWidthProperty = "morvaneBaseWidth";
}

int WidthFor(const QLineEdit* edit, const QString& text)
{
    const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
    const QMargins text_ = edit->textMargins(), contents = edit->contentsMargins();
    // 2 pixels of the edit's own margin on each side, and room for the cursor.
    return edit->fontMetrics().horizontalAdvance(text) + 2 * frame + 2 * 2 + text_.left() + text_.right()
        + contents.left() + contents.right() + 2;
}

void MayCut(QLineEdit* edit)
{
    edit->setProperty(MayCutProperty, true);
    QObject::connect(edit, &QLineEdit::textChanged, edit, &QLineEdit::setToolTip);
}

void SetText(QLineEdit* edit, const std::string& text)
{
    const QString q = QString::fromStdString(text);
    if (edit->text() == q)
        return;
    edit->setText(q);
    if (edit->property(MayCutProperty).toBool()) {
        edit->setCursorPosition(0); // a long text shows its start; the tool tip the whole
        return;
    }
    if (!edit->property(BaseWidthProperty).isValid())
        edit->setProperty(BaseWidthProperty, edit->minimumWidth());
    edit->setMinimumWidth(std::max(edit->property(BaseWidthProperty).toInt(), WidthFor(edit, q)));
}

void SetScrollBar(QScrollBar* bar, const ScrollBarControl& c)
{
    const int max = std::max(c.Max, c.Min);
    if (bar->minimum() == c.Min && bar->maximum() == max && bar->value() == c.Position)
        return;
    const QSignalBlocker block(bar);
    bar->setRange(c.Min, max);
    bar->setValue(c.Position);
}

void SetUpDown(QSpinBox* box, const UpDownControl& c)
{
    if (box->minimum() == c.Min && box->maximum() == c.Max && box->value() == c.Position)
        return;
    const QSignalBlocker block(box);
    box->setRange(c.Min, c.Max);
    box->setValue(c.Position);
}

QHBoxLayout* PointerTools(QWidget* parent, ChartView* chart, std::function<void()> zoom, std::function<void()> display)
{
    return PointerTools(parent, std::vector<ChartView*> { chart }, std::move(zoom), std::move(display));
}

QHBoxLayout* PointerTools(
    QWidget* parent, const std::vector<ChartView*>& charts, std::function<void()> zoom, std::function<void()> display)
{
    auto* row = new QHBoxLayout;
    auto* rescale = ToolButton(QObject::tr("Rescale"), parent, false);
    rescale->setToolTip(QString::fromLatin1(TSedDataView::RescaleHint));
    for (ChartView* chart : charts)
        QObject::connect(rescale, &QToolButton::clicked, chart, &ChartView::Rescale);
    auto* zoomOut = ToolButton(QObject::tr("Zoom out"), parent, false);
    zoomOut->setToolTip(QObject::tr("Twice the span about the middle (the wheel zooms about the pointer)"));
    for (ChartView* chart : charts)
        QObject::connect(zoomOut, &QToolButton::clicked, chart, &ChartView::ZoomOut);
    auto* zoomButton = ToolButton(QObject::tr("Zoom"), parent, true);
    auto* displayButton = ToolButton(QObject::tr("Display X, Y"), parent, true);
    zoomButton->setChecked(true);
    auto* group = new QButtonGroup(parent);
    group->addButton(zoomButton);
    group->addButton(displayButton);
    QObject::connect(zoomButton, &QToolButton::clicked, parent, zoom);
    QObject::connect(displayButton, &QToolButton::clicked, parent, display);
    row->addWidget(rescale);
    row->addWidget(zoomOut);
    row->addWidget(zoomButton);
    row->addWidget(displayButton);
    row->addStretch();
    return row;
}

namespace {

    class ClickFilter : public QObject {
    public:
        ClickFilter(QObject* parent, std::function<void()> clicked)
            : QObject(parent)
            , clicked_(std::move(clicked))
        {
        }

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::MouseButtonRelease
                && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                clicked_();
                return true;
            }
            return QObject::eventFilter(watched, event);
        }

    private:
        std::function<void()> clicked_;
    };

} // namespace

void OnClick(QLineEdit* edit, std::function<void()> clicked)
{
    edit->installEventFilter(new ClickFilter(edit, std::move(clicked)));
}

namespace {

    void FitHeight(QLabel* label)
    {
        // A hidden label keeps a width of long ago: its parent's is nearer the one it will get (the
        // resize that follows puts it right).
        int width = label->width();
        if ((!label->isVisible() || width < 100) && label->parentWidget())
            width = label->parentWidget()->width();
        const int height = label->text().isEmpty() ? 0 : label->heightForWidth(std::max(width, 50));
        if (height != label->minimumHeight())
            label->setMinimumHeight(height);
    }

    class WholeTextFilter : public QObject {
    public:
        using QObject::QObject;

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Resize)
                FitHeight(static_cast<QLabel*>(watched));
            return QObject::eventFilter(watched, event);
        }
    };

} // namespace

void ShowWhole(QLabel* label)
{
    label->setWordWrap(true);
    label->installEventFilter(new WholeTextFilter(label));
}

void SetWholeText(QLabel* label, const QString& text)
{
    if (label->text() == text)
        return;
    label->setText(text);
    label->setToolTip(text);
    FitHeight(label);
}

} // namespace dataviewcontrols

} // namespace morvane
