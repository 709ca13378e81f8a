#include "app/gui/ChartTitle.h"
#include "app/gui/Namespace.h"

namespace dedezuviv::gui {

TChartTitle::TChartTitle(QCustomPlot* plot, const QColor& textColor) : QCPTextElement(plot)
{
    QFont font = this->font();
    font.setPixelSize(13);
    font.setBold(true);
    setFont(font);
    setTextColor(textColor);
    setMargins(QMargins(4, 3, 4, 3));
}

void TChartTitle::draw(QCPPainter* painter)
{
    const QRect panel = mOuterRect.adjusted(2, 1, -2, -1);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QBrush(QColor(192, 192, 192), Qt::HorPattern));
    painter->drawRect(panel);
    // Lowered bevel: dark above and left, light below and right.
    painter->setPen(QPen(QColor(128, 128, 128), 0));
    painter->drawLine(panel.topLeft(), panel.topRight());
    painter->drawLine(panel.topLeft(), panel.bottomLeft());
    painter->setPen(QPen(Qt::white, 0));
    painter->drawLine(panel.bottomLeft(), panel.bottomRight());
    painter->drawLine(panel.topRight(), panel.bottomRight());
    painter->setFont(mainFont());
    painter->setPen(QPen(mainTextColor()));
    painter->drawText(mRect, Qt::AlignCenter, ShownText());
}

QString TChartTitle::ShownText() const
{
    const QFontMetrics metrics(mainFont());
    QStringList lines = mText.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = metrics.elidedText(line, Qt::ElideRight, mRect.width());
    return lines.join(QLatin1Char('\n'));
}

QSize TChartTitle::minimumOuterSizeHint() const
{
    // The height of all lines; any width, since lines are cut to fit.
    QSize size = QCPTextElement::minimumOuterSizeHint();
    size.setWidth(mMargins.left() + mMargins.right() + 16);
    return size;
}

}  // namespace dedezuviv::gui
