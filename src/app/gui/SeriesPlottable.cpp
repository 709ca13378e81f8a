#include "app/gui/SeriesPlottable.h"
#include "app/gui/Namespace.h"

#include <algorithm>
#include <cmath>

namespace dedezuviv::gui {

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

std::vector<TSeriesPlottable::TColumn> TSeriesPlottable::Columns(size_t first, size_t last, bool& dense) const
{
    QCPAxis* keyAxis = mKeyAxis.data();
    QCPAxis* valueAxis = mValueAxis.data();
    std::vector<TColumn> columns;
    // A chart without room for a plot area draws nothing.
    const double width = keyAxis->axisRect()->width();
    if (width < 1 || keyAxis->axisRect()->height() < 1)
        return columns;
    dense = static_cast<double>(last - first) > 2 * width + 2;
    if (!dense) {
        columns.reserve(last - first);
        for (size_t i = first; i < last; ++i) {
            // A value that is no finite number (infinity from a damaged day file) is left out.
            if (!std::isfinite(Data->Y(i)))
                continue;
            const double y = valueAxis->coordToPixel(Data->Y(i));
            columns.push_back({keyAxis->coordToPixel(Data->X(i)), y, y, y, y, i, i});
        }
        return columns;
    }
    // One pixel column at a time: its first, lowest, highest and last value.
    columns.reserve(static_cast<size_t>(width) + 16);
    size_t i = first;
    while (i < last) {
        const double column = std::floor(keyAxis->coordToPixel(Data->X(i)));
        size_t end = Data->LowerBound(keyAxis->pixelToCoord(column + 1));
        if (end <= i)
            end = i + 1;
        if (end > last)
            end = last;
        float low = 0, high = 0;
        // The range covers finite values only; a column of none is left out.
        if (Data->ValueRange(i, end, low, high)) {
            const float firstY = std::isfinite(Data->Y(i)) ? Data->Y(i) : low;
            const float lastY = std::isfinite(Data->Y(end - 1)) ? Data->Y(end - 1) : high;
            columns.push_back({column, valueAxis->coordToPixel(firstY), valueAxis->coordToPixel(low),
                               valueAxis->coordToPixel(high), valueAxis->coordToPixel(lastY), i, end - 1});
        }
        i = end;
        // Columns advance by at least a pixel; a key axis too short to map the range sanely stops here.
        if (columns.size() > static_cast<size_t>(width) + 8)
            break;
    }
    return columns;
}

namespace {

void AppendColumn(QVector<QPointF>& points, const TSeriesPlottable::TColumn& c)
{
    points.append(QPointF(c.X, c.First));
    if (c.Low != c.First || c.High != c.First || c.Last != c.First) {
        points.append(QPointF(c.X, c.Low));
        points.append(QPointF(c.X, c.High));
        points.append(QPointF(c.X, c.Last));
    }
}

// A line of Width pixels drawn as one-pixel lines side by side: one-pixel lines take the painter's
// fast path, while a wider pen is stroked as a filled outline, which costs far more for long lines.
void DrawWideLine(QCPPainter* painter, const QPen& pen, const QVector<QPointF>& points)
{
    const int width = std::max(1, qRound(pen.widthF()));
    QPen thin = pen;
    thin.setWidth(1);
    painter->setPen(thin);
    for (int k = 0; k < width; ++k) {
        const double shift = k - (width - 1) / 2.0;
        for (const QPointF offset : {QPointF(shift, 0), QPointF(0, shift)}) {
            if (k > 0 && offset == QPointF(0, 0))
                continue;
            QVector<QPointF> moved = points;
            for (QPointF& p : moved)
                p += offset;
            painter->drawPolyline(moved.constData(), static_cast<int>(moved.size()));
            if (width == 1)
                return;
        }
    }
}

}  // namespace

bool TSeriesPlottable::IsLineBreak(size_t index) const
{
    return Breaks && std::binary_search(Breaks->begin(), Breaks->end(), index);
}

std::vector<QVector<QPointF>> TSeriesPlottable::Polylines(const std::vector<TColumn>& columns) const
{
    std::vector<QVector<QPointF>> pieces;
    for (size_t c = 0; c < columns.size(); ++c) {
        const TColumn& column = columns[c];
        if (c == 0 || IsLineBreak(column.FirstIndex)) {
            pieces.emplace_back();
        } else if (Steps) {
            pieces.back().append(QPointF(column.X, columns[c - 1].Last));
        }
        AppendColumn(pieces.back(), column);
    }
    return pieces;
}

void TSeriesPlottable::draw(QCPPainter* painter)
{
    if (!mKeyAxis || !mValueAxis || Data->Count() == 0)
        return;
    size_t first = 0, last = 0;
    VisibleRange(first, last);
    if (first >= last)
        return;
    bool dense = false;
    const std::vector<TColumn> columns = Columns(first, last, dense);
    applyDefaultAntialiasingHint(painter);
    painter->setBrush(Qt::NoBrush);

    if (painter->modes().testFlag(QCPPainter::pmVectorized)) {
        // Pictures keep the line as a line, in pieces of a few dozen points (a wide pen's outline of a
        // long zig-zag is costly to build).
        painter->setPen(mPen);
        for (const QVector<QPointF>& points : Polylines(columns)) {
            if (points.size() == 1)
                painter->drawPoint(points.first());
            constexpr qsizetype Piece = 48;
            for (qsizetype start = 0; start + 1 < points.size(); start += Piece) {
                const qsizetype count = std::min<qsizetype>(Piece + 1, points.size() - start);
                painter->drawPolyline(points.constData() + start, static_cast<int>(count));
            }
        }
    } else if (!dense) {
        // A point between two breaks is a dot one pixel long.
        for (const QVector<QPointF>& points : Polylines(columns))
            DrawWideLine(painter, mPen, points.size() == 1 ? QVector<QPointF>{points[0], points[0] + QPointF(1, 0)} : points);
    } else {
        // More points than pixels: each column's range, stretched to the first value of the next column
        // so that the line runs on, is a filled rectangle of the line's width; all in one call.
        const int width = std::max(1, qRound(mPen.widthF()));
        QVector<QRect> rects;
        rects.reserve(static_cast<qsizetype>(columns.size()));
        for (size_t c = 0; c < columns.size(); ++c) {
            const TColumn& column = columns[c];
            double low = std::min(column.Low, column.High), high = std::max(column.Low, column.High);
            if (c + 1 < columns.size() && !IsLineBreak(columns[c + 1].FirstIndex)) {
                const TColumn& next = columns[c + 1];
                if (next.X - column.X <= 1.5) {
                    low = std::min(low, next.First);
                    high = std::max(high, next.First);
                } else if (Steps) {
                    DrawWideLine(painter, mPen,
                                 {QPointF(column.X, column.Last), QPointF(next.X, column.Last), QPointF(next.X, next.First)});
                } else {
                    DrawWideLine(painter, mPen, {QPointF(column.X, column.Last), QPointF(next.X, next.First)});
                }
            }
            const int top = static_cast<int>(std::floor(low)) - (width - 1) / 2;
            const int bottom = static_cast<int>(std::ceil(high)) + width / 2;
            rects.append(QRect(static_cast<int>(column.X), top, width, bottom - top + 1));
        }
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(Qt::NoPen);
        painter->setBrush(mPen.color());
        painter->drawRects(rects);
        painter->setBrush(Qt::NoBrush);
    }

    if (Markers && last - first <= MaxMarkedPoints) {
        QPen markerPen = mPen;
        markerPen.setWidthF(1);
        painter->setPen(markerPen);
        QVector<QLineF> crosses;
        crosses.reserve(static_cast<qsizetype>(2 * (last - first)));
        for (size_t i = first; i < last; ++i) {
            if (!std::isfinite(Data->Y(i)))
                continue;
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
        if (!std::isfinite(Data->Y(i)))
            continue;
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

}  // namespace dedezuviv::gui
