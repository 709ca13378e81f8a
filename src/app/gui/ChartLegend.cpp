#include "app/gui/ChartLegend.h"

#include "app/gui/SeriesPlottable.h"
#include "app/gui/Namespace.h"

namespace dedezuviv::gui {

TLegendCheckItem::TLegendCheckItem(QCPLegend* legend, QCPAbstractPlottable* plottable)
    : QCPPlottableLegendItem(legend, plottable)
{
    setSelectable(false);
}

bool TLegendCheckItem::Checked() const { return mPlottable->visible(); }

void TLegendCheckItem::Toggle()
{
    mPlottable->setVisible(!mPlottable->visible());
    mParentPlot->replot();
}

int TLegendCheckItem::BoxSize() const { return QFontMetrics(mFont).height() - 3; }

void TLegendCheckItem::draw(QCPPainter* painter)
{
    if (!mPlottable)
        return;
    const QRect area = mRect;
    const int box = BoxSize();
    const QRect boxRect(area.left(), area.center().y() - box / 2, box, box);
    painter->setPen(QPen(Qt::black, 0));
    painter->setBrush(Qt::white);
    painter->drawRect(boxRect);
    if (Checked()) {
        painter->setPen(QPen(Qt::black, 2));
        const QPolygonF tick({QPointF(boxRect.left() + box * 0.2, boxRect.top() + box * 0.5),
                              QPointF(boxRect.left() + box * 0.42, boxRect.top() + box * 0.75),
                              QPointF(boxRect.left() + box * 0.82, boxRect.top() + box * 0.22)});
        painter->drawPolyline(tick);
    }
    const QSize icon = mParentLegend->iconSize();
    const QRect iconRect(boxRect.right() + 4, area.center().y() - icon.height() / 2, icon.width(), icon.height());
    painter->save();
    painter->setClipRect(iconRect, Qt::IntersectClip);
    if (auto* series = qobject_cast<TSeriesPlottable*>(mPlottable))
        series->DrawLegendSymbol(painter, iconRect);
    painter->restore();
    painter->setFont(mFont);
    painter->setPen(QPen(mPlottable->pen().color()));
    const QRect textRect(iconRect.right() + mParentLegend->iconTextPadding(), area.top(),
                         area.right() - iconRect.right() - mParentLegend->iconTextPadding(), area.height());
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, mPlottable->name());
}

QSize TLegendCheckItem::minimumOuterSizeHint() const
{
    const QFontMetrics metrics(mFont);
    const QSize icon = mParentLegend->iconSize();
    const int width = BoxSize() + 4 + icon.width() + mParentLegend->iconTextPadding() +
                      metrics.horizontalAdvance(mPlottable ? mPlottable->name() : QString()) + 2;
    const int height = qMax(metrics.height(), icon.height());
    return QSize(width + mMargins.left() + mMargins.right(), height + mMargins.top() + mMargins.bottom());
}

}  // namespace dedezuviv::gui
