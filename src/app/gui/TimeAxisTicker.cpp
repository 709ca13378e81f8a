#include "app/gui/TimeAxisTicker.h"

#include "base/FormatSettings.h"
#include "evaluation/ChartRules.h"
#include "app/gui/Namespace.h"

#include <cmath>

namespace dedezuviv::gui {

namespace {

constexpr double SecondsPerDay = 86400.0;
constexpr int MinLabelGap = 10;

// Steps in seconds that keep the labels on whole clock and calendar units.
constexpr double Steps[] = {1,     2,     5,      10,     15,     30,      60,      120,     300,      600,
                            900,   1800,  3600,   7200,   10800,  21600,   43200,   86400,   172800,   604800,
                            1209600, 2592000, 7776000, 15552000, 31536000};

}  // namespace

QString TTimeAxisTicker::Label(double time) { return QString::fromStdString(FormatDateTime(ChartTimeFormat, time)); }

int TTimeAxisTicker::LabelsThatFit() const
{
    if (Axis == nullptr || Axis->axisRect() == nullptr)
        return 5;
    const QFontMetrics metrics(Axis->tickLabelFont());
    const int labelWidth = metrics.horizontalAdvance(QStringLiteral("00.00.00 00:00.00")) + MinLabelGap;
    // Ticks are made before the layout places the plot area at a new size; the plot area of a resized
    // chart is the one of the last layout grown or shrunk with the chart, margins kept.
    const QCPAxisRect* area = Axis->axisRect();
    const QRect viewport = Axis->parentPlot()->viewport();
    const QRect laidOut = Axis->parentPlot()->plotLayout()->outerRect();
    const int length = Axis->orientation() == Qt::Horizontal ? area->width() + viewport.width() - laidOut.width()
                                                             : area->height() + viewport.height() - laidOut.height();
    return qMax(2, length / qMax(1, labelWidth));
}

double TTimeAxisTicker::getTickStep(const QCPRange& range)
{
    const double wanted = range.size() * SecondsPerDay / LabelsThatFit();
    for (double step : Steps)
        if (step >= wanted)
            return step / SecondsPerDay;
    // Beyond a year: whole years.
    return std::ceil(wanted / Steps[std::size(Steps) - 1]) * Steps[std::size(Steps) - 1] / SecondsPerDay;
}

int TTimeAxisTicker::getSubTickCount(double) { return 0; }

QString TTimeAxisTicker::getTickLabel(double tick, const QLocale&, QChar, int) { return Label(tick); }

QVector<double> TTimeAxisTicker::createTickVector(double tickStep, const QCPRange& range)
{
    QVector<double> ticks;
    if (tickStep <= 0 || !std::isfinite(range.lower) || !std::isfinite(range.upper))
        return ticks;
    // Whole multiples of the step in whole seconds, so that rounding never puts a label at 10:14.59.
    const double stepSeconds = std::round(tickStep * SecondsPerDay);
    const double first = std::ceil(std::round(range.lower * SecondsPerDay * 1000) / 1000 / stepSeconds);
    for (double n = first;; n += 1) {
        const double tick = n * stepSeconds / SecondsPerDay;
        if (tick > range.upper || ticks.size() > 1000)
            break;
        ticks.append(tick);
    }
    return ticks;
}

}  // namespace dedezuviv::gui
