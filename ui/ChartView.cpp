#include "ui/ChartView.h"

#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <qcustomplot.h>

#include "chart/ChartData.h"
#include "scanfiles/FileSystem.h"
#include "ui/ChartAxes.h"

namespace morvane {

namespace {

QColor ToQColor(ChartColour c) { return QColor(c.Red, c.Green, c.Blue); }

// Vertical error bars of +-Error at each point, hung on an invisible graph of the points (the
// bars need a plottable that holds their positions; it keeps them in ascending x).
QCPAbstractPlottable* AddErrorBars(QCustomPlot* plot, QCPAxis* valueAxis, const ChartSeries& s)
{
    std::vector<size_t> order(s.Points.size());
    std::iota(order.begin(), order.end(), size_t { 0 });
    std::stable_sort(order.begin(), order.end(), [&s](size_t a, size_t b) { return s.Points[a].X < s.Points[b].X; });
    QVector<double> xs, ys, errors;
    for (size_t i : order) {
        xs.push_back(s.Points[i].X);
        ys.push_back(s.Points[i].Y);
        errors.push_back(s.Points[i].Error);
    }
    QCPGraph* positions = plot->addGraph(plot->xAxis, valueAxis);
    positions->setData(xs, ys, true);
    positions->setLineStyle(QCPGraph::lsNone);
    positions->removeFromLegend();
    auto* bars = new QCPErrorBars(plot->xAxis, valueAxis);
    bars->setDataPlottable(positions);
    bars->setData(errors);
    bars->setWhiskerWidth(5);
    return bars;
}

// The text in lines of at most `width` pixels, broken between words.
QString Wrapped(const QString& text, const QFontMetrics& metrics, int width)
{
    QStringList lines;
    QString line;
    for (const QString& word : text.split(' ', Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + ' ' + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
            lines << line;
            line = word;
        } else {
            line = longer;
        }
    }
    lines << line;
    return lines.join('\n');
}

} // namespace

ChartView::ChartView(const ChartModel* model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , plot_(new QCustomPlot(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(plot_);
    plot_->setSelectionRectMode(QCP::srmCustom);
    plot_->selectionRect()->setPen(QPen(Qt::black, 1, Qt::DashLine));
    plot_->selectionRect()->setBrush(QBrush(QColor(0, 0, 255, 30)));
    plot_->setContextMenuPolicy(Qt::CustomContextMenu);
    plot_->setMinimumSize(300, 200);
    connect(plot_->selectionRect(), &QCPSelectionRect::accepted, this,
        [this](const QRect& rect, QMouseEvent*) { OnRectangle(rect); });
    connect(plot_, &QCustomPlot::mousePress, this, &ChartView::OnPress);
    connect(plot_, &QCustomPlot::mouseRelease, this, &ChartView::OnRelease);
    connect(plot_, &QWidget::customContextMenuRequested, this, &ChartView::ShowContextMenu);
    connect(plot_, &QCustomPlot::mouseWheel, this, &ChartView::OnWheel);
    connect(plot_, &QCustomPlot::afterLayout, this, &ChartView::PlaceMarkerLabels);
    connect(plot_, &QCustomPlot::afterLayout, this, &ChartView::CheckLabelLength);
    Refresh(true);
}

void ChartView::Refresh(bool force)
{
    if (!force && !stale_ && drawn_ == model_->Changed)
        return;
    // Drawn when shown (showEvent) or looked at (Plot(), DrawnCurves(), a save).
    if (!isVisible()) {
        stale_ = true;
        return;
    }
    stale_ = false;
    Draw();
    drawn_ = model_->Changed;
}

void ChartView::CatchUp() const
{
    if (!stale_)
        return;
    auto* self = const_cast<ChartView*>(this);
    self->stale_ = false;
    self->Draw();
    self->drawn_ = model_->Changed;
}

void ChartView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    CatchUp();
}

std::string ChartView::AxesKey() const
{
    std::string key;
    for (const ChartAxis* a : { &model_->Bottom, &model_->Left, &model_->Right })
        key += a->Title + (a->Logarithmic ? "\1log\1" : "\1lin\1");
    return key;
}

void ChartView::Draw()
{
    plot_->clearPlottables();
    plot_->clearItems();
    emptyText_ = nullptr;
    markerLabels_.clear();
    if (const std::string key = AxesKey(); key != axesKey_) {
        axesKey_ = key;
        zoomed_ = false; // another kind of chart: the old zoom means nothing there
    }
    if (!model_->Title.empty() && !titleAdded_) {
        plot_->plotLayout()->insertRow(0);
        auto* title = new QCPTextElement(plot_, QString::fromStdString(model_->Title), QFont("sans", 10, QFont::Bold));
        plot_->plotLayout()->addElement(0, 0, title);
        titleAdded_ = true;
    }
    ApplyAxis(plot_->xAxis, model_->Bottom);
    ApplyAxis(plot_->yAxis, model_->Left);
    ApplyAxis(plot_->yAxis2, model_->Right);
    // The right axis only carries series that ask for it (the marker bars); it shows when visible.
    bool rightUsed = false;
    for (const ChartSeries& s : model_->Series)
        rightUsed = rightUsed || (s.Active && s.OnRightAxis);
    plot_->yAxis2->setVisible(rightUsed && model_->Right.Visible);
    if (model_->Legend != ChartModel::LegendPlace::Inside)
        PlaceLegendOutside();

    drawnCurves_ = 0;
    std::vector<const ChartSeries*> order;
    for (const ChartSeries& s : model_->Series)
        order.push_back(&s);
    std::stable_partition(order.begin(), order.end(), [](const ChartSeries* s) { return !s->InFront; });
    for (const ChartSeries* series : order) {
        const ChartSeries& s = *series;
        if (!s.Active || s.Points.empty())
            continue;
        QCPAxis* valueAxis = s.OnRightAxis ? plot_->yAxis2 : plot_->yAxis;
        const QColor colour = ToQColor(s.Colour);
        if (s.Kind == SeriesKind::Bars) {
            // Thin marker bars, each in its own colour, with their labels at the top.
            for (const ChartPoint& p : s.Points) {
                const QColor c = p.OwnColour ? ToQColor(p.Colour) : colour;
                auto* line = new QCPItemLine(plot_);
                line->start->setAxes(plot_->xAxis, valueAxis);
                line->end->setAxes(plot_->xAxis, valueAxis);
                line->start->setCoords(p.X, 0);
                line->end->setCoords(p.X, p.Y);
                line->setPen(QPen(c, std::max(s.LineWidth, 1)));
                if (s.ShowMarks && !p.Label.empty()) {
                    auto* text = new QCPItemText(plot_);
                    text->position->setAxes(plot_->xAxis, valueAxis);
                    text->position->setCoords(p.X, p.Y * 0.98);
                    text->setPositionAlignment(Qt::AlignTop | Qt::AlignLeft);
                    text->setPadding(QMargins(3, 0, 0, 0));
                    text->setText(QString::fromStdString(p.Label));
                    text->setColor(c);
                    text->setBrush(QBrush(QColor(255, 255, 255, 210)));
                    text->setFont(QFont("sans", 8));
                    markerLabels_.push_back({ text, p.X, p.Y * 0.98, valueAxis });
                }
            }
            continue;
        }
        QVector<double> xs, ys;
        xs.reserve(static_cast<qsizetype>(s.Points.size()));
        ys.reserve(static_cast<qsizetype>(s.Points.size()));
        for (const ChartPoint& p : s.Points) {
            xs.push_back(p.X);
            ys.push_back(p.Y);
        }
        QCPAbstractPlottable* plottable;
        if (s.Kind == SeriesKind::ErrorBars) {
            plottable = AddErrorBars(plot_, valueAxis, s);
        } else if (s.XAscending) {
            QCPGraph* g = plot_->addGraph(plot_->xAxis, valueAxis);
            g->setData(xs, ys);
            if (s.Kind == SeriesKind::Points) {
                g->setLineStyle(QCPGraph::lsNone);
                g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssSquare, colour, colour, 5));
            }
            plottable = g;
        } else {
            auto* c = new QCPCurve(plot_->xAxis, valueAxis);
            c->setData(xs, ys);
            plottable = c;
        }
        plottable->setPen(QPen(colour, s.LineWidth));
        plottable->setName(QString::fromStdString(s.Title));
        if (!s.InLegend)
            plottable->removeFromLegend();
        ++drawnCurves_;
    }
    plot_->legend->setVisible(model_->LegendVisible && plot_->legend->itemCount() > 0);
    // An empty chart shows its axis titles and its text, not the numbers of a made-up range.
    for (QCPAxis* axis : { plot_->xAxis, plot_->yAxis }) {
        axis->setTicks(drawnCurves_ > 0);
        axis->setTickLabels(drawnCurves_ > 0);
        axis->grid()->setVisible(drawnCurves_ > 0);
    }
    if (drawnCurves_ == 0 && !model_->EmptyText.empty()) {
        emptyText_ = new QCPItemText(plot_);
        emptyText_->position->setType(QCPItemPosition::ptAxisRectRatio);
        emptyText_->position->setCoords(0.5, 0.45);
        emptyText_->setPositionAlignment(Qt::AlignCenter);
        emptyText_->setFont(QFont("sans", 12));
        emptyText_->setColor(QColor(90, 90, 90));
        emptyText_->setClipToAxisRect(false);
        WrapEmptyText();
    }
    if (zoomed_) {
        // The user's zoom outlives the redraw; only the axes the user cannot zoom follow the model.
        const QCPRange x = plot_->xAxis->range(), y = plot_->yAxis->range();
        ApplyRanges();
        plot_->xAxis->setRange(x);
        plot_->yAxis->setRange(y);
    } else {
        ApplyRanges();
    }
    plot_->replot();
}

void ChartView::PlaceMarkerLabels()
{
    std::vector<size_t> order(markerLabels_.size());
    std::iota(order.begin(), order.end(), size_t { 0 });
    std::stable_sort(
        order.begin(), order.end(), [this](size_t a, size_t b) { return markerLabels_[a].x < markerLabels_[b].x; });
    std::vector<double> rowEnds; // right edge in pixels of the last label of each row
    for (size_t i : order) {
        const MarkerLabel& m = markerLabels_[i];
        // A marker zoomed out of sight takes its label along (it would hang over the axis).
        m.text->setVisible(plot_->xAxis->range().contains(m.x));
        if (!m.text->visible())
            continue;
        const QFontMetrics metrics(m.text->font());
        const QMargins pad = m.text->padding();
        const double left = plot_->xAxis->coordToPixel(m.x);
        const double right = left + pad.left() + metrics.horizontalAdvance(m.text->text()) + pad.right() + 2;
        size_t row = 0;
        while (row < rowEnds.size() && rowEnds[row] > left)
            ++row;
        if (row == rowEnds.size())
            rowEnds.push_back(right);
        else
            rowEnds[row] = right;
        m.text->position->setTypeY(QCPItemPosition::ptAbsolute);
        const double top = m.valueAxis->coordToPixel(m.y);
        m.text->position->setCoords(m.x, top + static_cast<double>(row) * (metrics.height() + 2));
    }
}

void ChartView::ApplyRanges()
{
    plot_->rescaleAxes(true);
    const struct {
        QCPAxis* axis;
        const ChartAxis& model;
    } axes[] = { { plot_->xAxis, model_->Bottom }, { plot_->yAxis, model_->Left }, { plot_->yAxis2, model_->Right } };
    for (const auto& a : axes) {
        if (!a.model.Automatic) {
            a.axis->setRange(a.model.Minimum, a.model.Maximum);
        } else if (a.model.Logarithmic) {
            const QCPRange r = a.axis->range();
            if (r.lower > 0 && r.upper > r.lower)
                a.axis->setRange(r.lower / 1.1, r.upper * 1.1);
        } else {
            const QCPRange r = a.axis->range();
            const double pad = (r.upper - r.lower) * 0.03;
            if (pad > 0)
                a.axis->setRange(r.lower - pad, r.upper + pad);
        }
    }
}

void ChartView::Rescale()
{
    CatchUp();
    zoomed_ = false;
    ApplyRanges();
    plot_->replot();
}

std::pair<QCPRange, QCPRange> ChartView::FullRanges()
{
    const QCPRange x = plot_->xAxis->range(), y = plot_->yAxis->range(), y2 = plot_->yAxis2->range();
    ApplyRanges();
    const std::pair<QCPRange, QCPRange> full { plot_->xAxis->range(), plot_->yAxis->range() };
    plot_->xAxis->setRange(x);
    plot_->yAxis->setRange(y);
    plot_->yAxis2->setRange(y2);
    return full;
}

void ChartView::KeepWithinFullRanges()
{
    const auto [fullX, fullY] = FullRanges();
    bool covered = true;
    for (const auto& [axis, full] : { std::pair { plot_->xAxis, fullX }, std::pair { plot_->yAxis, fullY } }) {
        const QCPRange r = axis->range();
        const QCPRange kept(std::max(r.lower, full.lower), std::min(r.upper, full.upper));
        covered = covered && kept.lower <= full.lower && kept.upper >= full.upper;
        axis->setRange(kept);
    }
    zoomed_ = !covered;
}

void ChartView::ZoomOut()
{
    CatchUp();
    if (!zoomed_)
        return;
    for (QCPAxis* axis : { plot_->xAxis, plot_->yAxis }) {
        const QCPRange r = axis->range();
        if (axis->scaleType() == QCPAxis::stLogarithmic && r.lower > 0)
            axis->scaleRange(2, std::sqrt(r.lower * r.upper));
        else
            axis->scaleRange(2, r.center());
    }
    KeepWithinFullRanges();
    plot_->replot();
}

void ChartView::OnWheel(QWheelEvent* event)
{
    const QPointF at = event->position();
    const double steps = event->angleDelta().y() / 120.0;
    if (drawnCurves_ == 0 || steps == 0 || !plot_->axisRect()->rect().contains(at.toPoint()))
        return;
    // One notch shows 85 % of the span, the value under the pointer staying where it is.
    const double factor = std::pow(0.85, steps);
    plot_->xAxis->scaleRange(factor, plot_->xAxis->pixelToCoord(at.x()));
    plot_->yAxis->scaleRange(factor, plot_->yAxis->pixelToCoord(at.y()));
    zoomed_ = true;
    if (factor > 1)
        KeepWithinFullRanges();
    plot_->replot();
    event->accept();
}

void ChartView::PlaceLegendOutside()
{
    if (legendOutside_)
        return;
    const int row = titleAdded_ ? 1 : 0; // the axis rectangle's
    if (model_->Legend == ChartModel::LegendPlace::Below) {
        // Under the axis title, one entry below the other (a narrow chart has no room for a row),
        // as wide as its entries, in the middle.
        auto* under = new QCPLayoutGrid;
        plot_->plotLayout()->addElement(row + 1, 0, under);
        under->addElement(0, 0, new QCPLayoutElement(plot_));
        under->addElement(0, 1, plot_->legend);
        under->addElement(0, 2, new QCPLayoutElement(plot_));
        under->setColumnStretchFactor(1, 0.001);
        under->setMargins(QMargins(0, 0, 0, 2));
        plot_->plotLayout()->setRowStretchFactor(row + 1, 0.001);
    } else {
        // Beside the axis rectangle, at its top; the cell below takes the rest of the height.
        auto* side = new QCPLayoutGrid;
        plot_->plotLayout()->addElement(row, 1, side);
        side->addElement(0, 0, plot_->legend);
        side->addElement(1, 0, new QCPLayoutElement(plot_));
        side->setRowStretchFactor(0, 0.001);
        side->setMargins(QMargins(0, 10, 6, 0));
        plot_->plotLayout()->setColumnStretchFactor(1, 0.001);
    }
    legendOutside_ = true;
}

void ChartView::CheckLabelLength()
{
    const QSize size = plot_->axisRect()->rect().size();
    if (size == labelledFor_)
        return;
    labelledFor_ = size;
    WrapEmptyText();
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void ChartView::WrapEmptyText()
{
    if (emptyText_)
        emptyText_->setText(Wrapped(QString::fromStdString(model_->EmptyText), QFontMetrics(emptyText_->font()),
            std::max(plot_->width() - 60, 200)));
}

bool ChartView::SaveImage(const QString& fileName)
{
    Refresh();
    CatchUp();
    return plot_->savePng(fileName, plot_->width(), plot_->height());
}

QPointF ChartView::ValueAt(const QPoint& pixel) const
{
    CatchUp();
    const QPoint p = plot_->mapFrom(this, pixel);
    return QPointF(plot_->xAxis->pixelToCoord(p.x()), plot_->yAxis->pixelToCoord(p.y()));
}

QPoint ChartView::PixelOf(double x, double y) const
{
    CatchUp();
    const QPoint p(static_cast<int>(std::lround(plot_->xAxis->coordToPixel(x))),
        static_cast<int>(std::lround(plot_->yAxis->coordToPixel(y))));
    return plot_->mapTo(this, p);
}

void ChartView::OnPress(QMouseEvent* event) { pressPos_ = event->pos(); }

void ChartView::OnRelease(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || (event->pos() - pressPos_).manhattanLength() > 3)
        return;
    if (!plot_->axisRect()->rect().contains(event->pos()))
        return;
    const double x = plot_->xAxis->pixelToCoord(event->pos().x());
    const double y = plot_->yAxis->pixelToCoord(event->pos().y());
    if (plot_->plottableAt(event->pos(), false))
        emit seriesClicked(x, y);
    else
        emit backgroundClicked(x, y);
}

void ChartView::OnRectangle(const QRect& rect)
{
    // A rectangle drawn backwards asks for the whole chart again.
    if (rect.width() < 0) {
        Rescale();
        return;
    }
    const QRect r = rect.normalized();
    if (r.width() < 4 || r.height() < 4)
        return;
    plot_->xAxis->setRange(plot_->xAxis->pixelToCoord(r.left()), plot_->xAxis->pixelToCoord(r.right()));
    plot_->yAxis->setRange(plot_->yAxis->pixelToCoord(r.bottom()), plot_->yAxis->pixelToCoord(r.top()));
    zoomed_ = true;
    plot_->replot();
}

QString ChartView::SaveData(const QString& fileName) const
{
    if (const std::string refusal = ScanOverwriteRefusal(fileName.toStdString()); !refusal.empty())
        return QString::fromStdString(refusal);
    return QString::fromStdString(WriteFileAtomically(fileName.toStdString(), ChartDataText(*model_)));
}

namespace {

// The file a save dialog chose, with `suffix` added to a name without one; empty when cancelled.
QString AskSaveFile(
    QWidget* parent, const QString& title, const QString& filter, const QString& suffix, const QString& proposed)
{
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    if (!proposed.isEmpty())
        dialog.selectFile(proposed + "." + suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

void ChartView::AskAndSaveImage()
{
    const QString file = AskSaveFile(this, tr("Save image"), tr("PNG images (*.png)"), "png", proposedName_);
    if (!file.isEmpty() && !SaveImage(file))
        QMessageBox::warning(this, tr("Save image"), tr("Could not write %1.").arg(file));
}

void ChartView::AskAndSaveData()
{
    if (model_->ActiveSeries().empty()) {
        QMessageBox::information(this, tr("Save data"), tr("The chart shows no curve yet."));
        return;
    }
    const QString file
        = AskSaveFile(this, tr("Save data"), tr("Text Files (*.txt);;All Files (*)"), "txt", proposedName_);
    if (file.isEmpty())
        return;
    const QString failure = SaveData(file);
    if (!failure.isEmpty())
        QMessageBox::warning(this, tr("Save data"), failure);
}

void ChartView::ShowContextMenu(const QPoint& pos)
{
    QMenu menu(this);
    menu.addAction(tr("Zoom out"), this, &ChartView::ZoomOut)->setEnabled(zoomed_);
    menu.addAction(tr("Rescale"), this, &ChartView::Rescale);
    menu.addAction(tr("Save image…"), this, &ChartView::AskAndSaveImage);
    menu.addAction(tr("Save data…"), this, &ChartView::AskAndSaveData);
    menu.exec(plot_->mapToGlobal(pos));
}

} // namespace morvane
