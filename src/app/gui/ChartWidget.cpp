#include "app/gui/ChartWidget.h"

#include "app/gui/ChartLegend.h"
#include "app/gui/ChartTitle.h"
#include "app/gui/SeriesPlottable.h"
#include "app/gui/TimeAxisTicker.h"
#include "evaluation/ChartRules.h"
#include "app/gui/Namespace.h"

#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QToolTip>

namespace dedezuviv::gui {

const char* const TChartWidget::FixedHint =
    "Click auf Linie: Wert anzeigen; Click&Rechteck aufziehen: Zoomen/vergrößern; Doppelklick: Reset Zoom; Click "
    "auf Titel: Neuer Plot; Rechts-Click&Drag: Scrollen/verschieben";

namespace {

// The chart's colours, one after the other for its series; all readable on white.
const QColor Palette[] = {QColor(255, 0, 0),   QColor(0, 128, 0),   QColor(0, 0, 255),   QColor(255, 0, 255),
                          QColor(0, 128, 128), QColor(0, 0, 128),   QColor(128, 0, 0),   QColor(128, 128, 0),
                          QColor(128, 0, 128), QColor(128, 128, 128), QColor(0, 160, 0), QColor(0, 0, 0)};

// Orange of the value hint (red 255, green 128, blue 0).
const QColor HintColour(255, 128, 0);

}  // namespace

TChartWidget::TChartWidget(TKind kind, QWidget* parent) : QCustomPlot(parent), ChartKind(kind)
{
    setToolTip(QString::fromUtf8(FixedHint));
    setBackground(Qt::white);
    // Legend entries are the chart's own (with check boxes), added with each series.
    setAutoAddPlottableToLegend(false);
    setNotAntialiasedElements(QCP::aeAll);
    setAntialiasedElements(QCP::aePlottables);
    BuildLayout();

    Hint = new QLabel(this, Qt::ToolTip);
    QPalette palette = Hint->palette();
    palette.setColor(QPalette::Window, HintColour);
    palette.setColor(QPalette::WindowText, Qt::black);
    Hint->setPalette(palette);
    Hint->setAutoFillBackground(true);
    Hint->setMargin(3);
    Hint->hide();
    HintTimer = new QTimer(this);
    HintTimer->setSingleShot(true);
    HintTimer->setInterval(HintReshowMs);
    connect(HintTimer, &QTimer::timeout, this, [this] {
        if (Hint->isVisible())
            ShowHint(HintPos);
    });
}

void TChartWidget::BuildLayout()
{
    plotLayout()->setMargins(QMargins(2, 2, 2, 2));
    plotLayout()->setRowSpacing(2);
    if (ChartKind == TKind::Temperature) {
        TitleElement = new TChartTitle(this, Qt::black);
        plotLayout()->insertRow(0);
        plotLayout()->addElement(0, 0, TitleElement);
    } else {
        // The outputs chart's title (red) exists but is not shown.
        TitleElement = new TChartTitle(this, Qt::red);
        TitleElement->setVisible(false);
    }

    // The legend in its own column to the right of the plot area, 8 pixels from its top.
    QCPAxisRect* area = axisRect();
    const int areaRow = plotLayout()->rowCount() - 1;
    plotLayout()->take(area);
    plotLayout()->simplify();
    auto* body = new QCPLayoutGrid;
    plotLayout()->addElement(areaRow, 0, body);
    body->addElement(0, 0, area);
    auto* side = new QCPLayoutGrid;
    body->addElement(0, 1, side);
    body->setColumnStretchFactor(0, 1);
    body->setColumnStretchFactor(1, 0.001);
    auto* gap = new QCPLayoutElement(this);
    gap->setMinimumSize(0, 8);
    gap->setMaximumSize(QWIDGETSIZE_MAX, 8);
    side->addElement(0, 0, gap);
    area->insetLayout()->take(legend);
    side->addElement(1, 0, legend);
    side->addElement(2, 0, new QCPLayoutElement(this));
    side->setRowStretchFactor(0, 0.001);
    side->setRowStretchFactor(1, 0.001);
    side->setRowStretchFactor(2, 1);
    side->setRowSpacing(0);
    legend->setVisible(true);
    legend->setBorderPen(QPen(Qt::black, 0));
    legend->setIconSize(16, 8);
    legend->setRowSpacing(0);

    xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new TTimeAxisTicker(xAxis)));
    xAxis->setSubTicks(false);
    yAxis2->setVisible(ChartKind == TKind::Temperature);
    for (QCPAxis* axis : {xAxis, yAxis, yAxis2})
        axis->grid()->setPen(QPen(QColor(200, 200, 200), 0, Qt::DotLine));
}

void TChartWidget::ClearSeries()
{
    clearPlottables();
    legend->clearItems();
    NextColour = 0;
}

TSeriesPlottable* TChartWidget::AddSeries(std::unique_ptr<TPlotSeries> series, bool rightAxis)
{
    auto* plottable = new TSeriesPlottable(xAxis, rightAxis ? yAxis2 : yAxis, std::move(series));
    plottable->setPen(QPen(Palette[NextColour++ % std::size(Palette)], 2));
    legend->addItem(new TLegendCheckItem(legend, plottable));
    return plottable;
}

std::vector<TSeriesPlottable*> TChartWidget::SeriesList() const
{
    std::vector<TSeriesPlottable*> list;
    auto* plot = const_cast<TChartWidget*>(this);
    for (int i = 0; i < plot->plottableCount(); ++i)
        if (auto* series = qobject_cast<TSeriesPlottable*>(plot->plottable(i)))
            list.push_back(series);
    return list;
}

void TChartWidget::StoreHomeRanges()
{
    Home.Valid = true;
    Home.Time = xAxis->range();
    Home.Left = yAxis->range();
    Home.Right = yAxis2->range();
}

void TChartWidget::RestoreHomeRanges()
{
    if (!Home.Valid)
        return;
    xAxis->setRange(Home.Time);
    yAxis->setRange(Home.Left);
    yAxis2->setRange(Home.Right);
}

void TChartWidget::SetTimeRange(const QCPRange& range) { xAxis->setRange(range); }

bool TChartWidget::ZoomToRectangle(const QPoint& from, const QPoint& to)
{
    const QRect rect = QRect(from, to).normalized();
    if (rect.width() < MinZoomPixels || rect.height() < MinZoomPixels)
        return false;
    xAxis->setRange(xAxis->pixelToCoord(rect.left()), xAxis->pixelToCoord(rect.right()));
    for (QCPAxis* axis : {yAxis, yAxis2})
        axis->setRange(axis->pixelToCoord(rect.bottom()), axis->pixelToCoord(rect.top()));
    return true;
}

void TChartWidget::ScrollBy(const QPoint& delta)
{
    xAxis->moveRange(xAxis->pixelToCoord(0) - xAxis->pixelToCoord(delta.x()));
    if (ChartKind == TKind::Outputs)
        return;
    for (QCPAxis* axis : {yAxis, yAxis2})
        axis->moveRange(axis->pixelToCoord(0) - axis->pixelToCoord(delta.y()));
}

TLegendCheckItem* TChartWidget::LegendItemAt(const QPointF& pos) const
{
    if (!legend->visible())
        return nullptr;
    for (int i = 0; i < legend->itemCount(); ++i)
        if (auto* item = qobject_cast<TLegendCheckItem*>(legend->item(i)); item && item->outerRect().contains(pos.toPoint()))
            return item;
    return nullptr;
}

bool TChartWidget::IsOnTitle(const QPointF& pos) const
{
    return TitleElement->visible() && TitleElement->layout() != nullptr &&
           TitleElement->outerRect().contains(pos.toPoint());
}

void TChartWidget::mousePressEvent(QMouseEvent* event)
{
    HideHint();
    const QPointF pos = event->position();
    if (event->button() == Qt::LeftButton) {
        if (IsOnTitle(pos)) {
            // A new chart; the click goes no further.
            emit TitleClicked();
            event->accept();
            return;
        }
        if (TLegendCheckItem* item = LegendItemAt(pos)) {
            item->Toggle();
            return;
        }
        if (axisRect()->rect().contains(pos.toPoint())) {
            Zooming = true;
            ZoomStart = ZoomEnd = pos.toPoint();
        }
    } else if (event->button() == Qt::RightButton && axisRect()->rect().contains(pos.toPoint())) {
        Scrolling = true;
        ScrollLast = pos.toPoint();
    }
}

void TChartWidget::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (Zooming) {
        ZoomEnd = pos;
        update();
    } else if (Scrolling) {
        ScrollBy(pos - ScrollLast);
        ScrollLast = pos;
        replot(rpQueuedReplot);
        emit TimeRangeChanged();
    } else if (Hint->isVisible()) {
        HintPos = pos;
        if (!HintTimer->isActive())
            HintTimer->start();
    }
}

void TChartWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (Zooming && event->button() == Qt::LeftButton) {
        Zooming = false;
        if (ZoomToRectangle(ZoomStart, event->position().toPoint())) {
            replot();
            emit TimeRangeChanged();
        }
        update();
    } else if (Scrolling && event->button() == Qt::RightButton) {
        Scrolling = false;
    }
}

void TChartWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    Zooming = false;
    if (axisRect()->rect().contains(event->position().toPoint()))
        emit UndoZoomRequested();
}

void TChartWidget::paintEvent(QPaintEvent* event)
{
    QCustomPlot::paintEvent(event);
    if (!Zooming || (ZoomStart - ZoomEnd).manhattanLength() == 0)
        return;
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(ZoomStart, ZoomEnd).normalized());
}

QString TChartWidget::HintTextAt(const QPointF& pos) const
{
    // Points on the border of the plot area count as well.
    const QRect area = axisRect()->rect().adjusted(-HintDistance, -HintDistance, HintDistance, HintDistance);
    if (!area.contains(pos.toPoint()))
        return QString();
    const TSeriesPlottable* found = nullptr;
    long long foundIndex = -1;
    double bestDistance = HintDistance * HintDistance + 1;
    for (const TSeriesPlottable* series : SeriesList()) {
        const long long index = series->PointAt(pos, HintDistance);
        if (index < 0)
            continue;
        const QPointF p = series->PointPixel(static_cast<size_t>(index));
        const double distance = (p.x() - pos.x()) * (p.x() - pos.x()) + (p.y() - pos.y()) * (p.y() - pos.y());
        if (distance < bestDistance) {
            bestDistance = distance;
            found = series;
            foundIndex = index;
        }
    }
    if (found == nullptr)
        return QString();
    const std::string title = found->name().toStdString();
    const double time = found->Series().X(static_cast<size_t>(foundIndex));
    const double value = found->Series().Y(static_cast<size_t>(foundIndex));
    if (ChartKind == TKind::Outputs)
        return QString::fromStdString(OutputHintText(title, value, time));
    return QString::fromStdString(TemperatureHintText(title, value, found->valueAxis() == yAxis, time));
}

QString TChartWidget::ShownHint() const { return Hint->isVisible() ? Hint->property("hintText").toString() : QString(); }

void TChartWidget::ShowHint(const QPoint& pos)
{
    const QString text = HintTextAt(pos);
    if (text.isEmpty()) {
        HideHint();
        return;
    }
    Hint->setProperty("hintText", text);
    QString shown = text;
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    Hint->setText(shown);
    Hint->adjustSize();
    Hint->move(mapToGlobal(pos + QPoint(12, 16)));
    Hint->show();
    Hint->raise();
}

void TChartWidget::HideHint()
{
    HintTimer->stop();
    Hint->hide();
}

bool TChartWidget::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        HintPos = help->pos();
        if (!HintTextAt(help->pos()).isEmpty()) {
            QToolTip::hideText();
            ShowHint(help->pos());
            return true;
        }
        HideHint();
    } else if (event->type() == QEvent::Leave) {
        HideHint();
    }
    return QCustomPlot::event(event);
}

void TChartWidget::RenderTo(QCPPainter& painter, QSize size) { toPainter(&painter, size.width(), size.height()); }

}  // namespace dedezuviv::gui
