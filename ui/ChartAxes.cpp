// The axes of a ChartView: tickers whose labels read apart.
#include "ui/ChartAxes.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <qcustomplot.h>
#include <string>
#include <vector>

#include "chart/TickLabels.h"

namespace morvane {

namespace {

// Blanks each label that would overlap the one drawn before it along the axis, at the axis's
// present length: the ticks stay, and every label drawn stands clear of its neighbours.
void ThinLabels(const QCPAxis* axis, const QVector<double>& ticks, QVector<QString>& labels)
{
    const QFontMetrics metrics(axis->tickLabelFont());
    const bool turned = std::abs(std::remainder(axis->tickLabelRotation(), 180.0)) > 45;
    const bool alongWidth = (axis->orientation() == Qt::Horizontal) != turned;
    std::vector<qsizetype> order(static_cast<size_t>(labels.size()));
    std::iota(order.begin(), order.end(), qsizetype { 0 });
    std::sort(order.begin(), order.end(),
        [&](qsizetype a, qsizetype b) { return axis->coordToPixel(ticks[a]) < axis->coordToPixel(ticks[b]); });
    constexpr double Gap = 6; // pixels between two labels
    double end = -1e300;
    for (const qsizetype i : order) {
        if (labels[i].isEmpty())
            continue;
        // A power of ten ("1.5e-4") is drawn a little wider than its text.
        const double extent = alongWidth ? metrics.horizontalAdvance(labels[i]) * 1.15 + 4 : metrics.height();
        const double middle = axis->coordToPixel(ticks[i]);
        if (middle - extent / 2 < end + Gap) {
            labels[i].clear();
            continue;
        }
        end = middle + extent / 2;
    }
}

// Labels from TickLabels: one notation per axis, the digits the ticks need to read apart, the
// user's decimal point; none that would overlap. (A label such as "1.5e-4" is drawn as a power of ten.)
template <typename Ticker> class Labelled : public Ticker {
public:
    Labelled(bool logarithmic, const QCPAxis* axis)
        : logarithmic_(logarithmic)
        , axis_(axis)
    {
    }

protected:
    QVector<QString> createLabelVector(const QVector<double>& ticks, const QLocale& locale, QChar, int) override
    {
        const std::vector<std::string> labels
            = TickLabels(std::vector<double>(ticks.begin(), ticks.end()), logarithmic_);
        QVector<QString> out;
        out.reserve(static_cast<qsizetype>(labels.size()));
        for (const std::string& label : labels)
            out.push_back(QString::fromStdString(label).replace('.', locale.decimalPoint()));
        ThinLabels(axis_, ticks, out);
        return out;
    }

private:
    bool logarithmic_;
    const QCPAxis* axis_;
};

// Ticks of a logarithmic axis at the values a reader of s* expects: 1, 2 and 5 of each decade
// (every whole value 1..9 when the range spans less than about a decade), whatever the base the
// model's scale was given in; the base changes nothing on the screen but where powers would fall.
class ReadableLogTicker : public Labelled<QCPAxisTicker> {
public:
    explicit ReadableLogTicker(const QCPAxis* axis)
        : Labelled<QCPAxisTicker>(true, axis)
    {
    }

protected:
    QVector<double> createTickVector(double, const QCPRange& range) override
    {
        QVector<double> ticks = Steps(range, { 1, 2, 5 });
        if (ticks.size() < 3)
            ticks = Steps(range, { 1, 2, 3, 4, 5, 6, 7, 8, 9 });
        return ticks;
    }
    QVector<double> createSubTickVector(int, const QVector<double>&) override { return {}; }

private:
    static QVector<double> Steps(const QCPRange& range, std::initializer_list<double> mantissas)
    {
        QVector<double> ticks;
        if (!(range.lower > 0) || !(range.upper > range.lower))
            return ticks;
        for (int e = static_cast<int>(std::floor(std::log10(range.lower))); e <= std::ceil(std::log10(range.upper));
             ++e) {
            for (double m : mantissas) {
                // Rounded through text so that 0.1 * 3 is 0.3 and labels carry no noise digits.
                const double v = QString::number(m * std::pow(10.0, e), 'g', 6).toDouble();
                if (v >= range.lower && v <= range.upper)
                    ticks.push_back(v);
            }
        }
        return ticks;
    }
};

} // namespace

void ApplyAxis(QCPAxis* axis, const ChartAxis& model)
{
    axis->setVisible(model.Visible);
    axis->setLabel(QString::fromStdString(model.Title));
    axis->setTickLabelRotation(model.LabelAngle);
    if (model.Logarithmic) {
        axis->setScaleType(QCPAxis::stLogarithmic);
        axis->setTicker(QSharedPointer<QCPAxisTicker>(new ReadableLogTicker(axis)));
    } else {
        axis->setScaleType(QCPAxis::stLinear);
        if (model.Increment > 0) {
            QSharedPointer<QCPAxisTickerFixed> ticker(new Labelled<QCPAxisTickerFixed>(false, axis));
            ticker->setTickStep(model.Increment);
            // Whole multiples of the step once a zoom out would crowd it.
            ticker->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
            ticker->setTickCount(16);
            axis->setTicker(ticker);
        } else {
            axis->setTicker(QSharedPointer<QCPAxisTicker>(new Labelled<QCPAxisTicker>(false, axis)));
        }
    }
    // The labels come from the tickers; "b" draws their exponents as powers of ten.
    axis->setNumberFormat("gbc");
}

} // namespace morvane
