#include "app/gui/SeriesPlottable.h"

#include <cmath>

TSeriesPlottable::TSeriesPlottable(QCPAxis* keyAxis, QCPAxis* valueAxis, std::unique_ptr<TPlotSeries> series)
    : QCPAbstractPlottable(keyAxis, valueAxis), Data(std::move(series))
{
    setName(QString::fromStdString(Data->Title));
    setSelectable(QCP::stNone);
    setBrush(Qt::NoBrush);
}

void TSeriesPlottable::VisibleRange(size_t& first, size_t& last) const
{
    const QCPRange keys = mKeyAxis->range();
    const size_t count = Data->Count();
    first = Data->LowerBound(keys.lower);
    if (first > 0)
        --first;
    last = Data->UpperBound(keys.upper);
    if (last < count)
        ++last;
}

QVector<QPointF> TSeriesPlottable::LinePoints(size_t first, size_t last) const
{
    QCPAxis* keyAxis = mKeyAxis.data();
    QCPAxis* valueAxis = mValueAxis.data();
    QVector<QPointF> points;
    const double width = keyAxis->axisRect()->width();
    if (static_cast<double>(last - first) <= 2 * width + 2) {
        points.reserve(static_cast<qsizetype>(last - first));
        for (size_t i = first; i < last; ++i)
            points.append(QPointF(keyAxis->coordToPixel(Data->X(i)), valueAxis->coordToPixel(Data->Y(i))));
        return points;
    }
    // One pixel column at a time: its first, lowest, highest and last value.
    points.reserve(static_cast<qsizetype>(4 * width + 16));
    size_t i = first;
    while (i < last) {
        const double column = std::floor(keyAxis->coordToPixel(Data->X(i)));
        size_t end = Data->LowerBound(keyAxis->pixelToCoord(column + 1));
        if (end <= i)
            end = i + 1;
        if (end > last)
            end = last;
        float low = 0, high = 0;
        Data->ValueRange(i, end, low, high);
        const double x = column + 0.5;
        points.append(QPointF(x, valueAxis->coordToPixel(Data->Y(i))));
        if (end - i > 1) {
            points.append(QPointF(x, valueAxis->coordToPixel(low)));
            points.append(QPointF(x, valueAxis->coordToPixel(high)));
            points.append(QPointF(x, valueAxis->coordToPixel(Data->Y(end - 1))));
        }
        i = end;
    }
    return points;
}

void TSeriesPlottable::draw(QCPPainter* painter)
{
    if (!mKeyAxis || !mValueAxis || Data->Count() == 0)
        return;
    size_t first = 0, last = 0;
    VisibleRange(first, last);
    if (first >= last)
        return;
    const QVector<QPointF> points = LinePoints(first, last);
    applyDefaultAntialiasingHint(painter);
    painter->setPen(mPen);
    painter->setBrush(Qt::NoBrush);
    if (points.size() == 1)
        painter->drawPoint(points.first());
    else
        painter->drawPolyline(points.constData(), static_cast<int>(points.size()));

    if (Markers && last - first <= MaxMarkedPoints) {
        QPen markerPen = mPen;
        markerPen.setWidthF(1);
        painter->setPen(markerPen);
        QVector<QLineF> crosses;
        crosses.reserve(static_cast<qsizetype>(2 * (last - first)));
        for (size_t i = first; i < last; ++i) {
            const QPointF p = PointPixel(i);
            crosses.append(QLineF(p.x() - 2, p.y(), p.x() + 2, p.y()));
            crosses.append(QLineF(p.x(), p.y() - 4, p.x(), p.y() + 4));
        }
        painter->drawLines(crosses);
    }
}

void TSeriesPlottable::drawLegendIcon(QCPPainter* painter, const QRectF& rect) const
{
    applyDefaultAntialiasingHint(painter);
    painter->setPen(mPen);
    painter->drawLine(QLineF(rect.left(), rect.center().y(), rect.right(), rect.center().y()));
}

QPointF TSeriesPlottable::PointPixel(size_t index) const
{
    return QPointF(mKeyAxis->coordToPixel(Data->X(index)), mValueAxis->coordToPixel(Data->Y(index)));
}

long long TSeriesPlottable::PointAt(const QPointF& pos, double maxDistance) const
{
    if (!mKeyAxis || !mValueAxis || Data->Count() == 0 || !visible())
        return -1;
    double from = mKeyAxis->pixelToCoord(pos.x() - maxDistance);
    double to = mKeyAxis->pixelToCoord(pos.x() + maxDistance);
    if (from > to)
        std::swap(from, to);
    const size_t first = Data->LowerBound(from);
    const size_t last = Data->UpperBound(to);
    long long best = -1;
    double bestDistance = maxDistance * maxDistance;
    for (size_t i = first; i < last; ++i) {
        const QPointF p = PointPixel(i);
        const double dx = p.x() - pos.x(), dy = p.y() - pos.y();
        const double distance = dx * dx + dy * dy;
        if (distance <= bestDistance) {
            bestDistance = distance;
            best = static_cast<long long>(i);
        }
    }
    return best;
}

double TSeriesPlottable::selectTest(const QPointF&, bool, QVariant*) const { return -1; }

QCPRange TSeriesPlottable::getKeyRange(bool& foundRange, QCP::SignDomain) const
{
    foundRange = Data->Count() > 0;
    if (!foundRange)
        return QCPRange();
    return QCPRange(Data->X(0), Data->X(Data->Count() - 1));
}

QCPRange TSeriesPlottable::getValueRange(bool& foundRange, QCP::SignDomain, const QCPRange& inKeyRange) const
{
    size_t first = 0, last = Data->Count();
    if (inKeyRange != QCPRange()) {
        first = Data->LowerBound(inKeyRange.lower);
        last = Data->UpperBound(inKeyRange.upper);
    }
    float low = 0, high = 0;
    foundRange = Data->ValueRange(first, last, low, high);
    return foundRange ? QCPRange(low, high) : QCPRange();
}
