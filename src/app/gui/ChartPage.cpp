#include "app/gui/ChartPage.h"

#include "app/gui/ChartTitle.h"
#include "app/gui/ChartWidget.h"
#include "app/gui/SeriesPlottable.h"
#include "app/gui/StandardFont.h"
#include "evaluation/ChartGaps.h"
#include "evaluation/ChartRules.h"
#include "app/gui/Namespace.h"

#include <cmath>
#include <limits>
#include <memory>

namespace dedezuviv::gui {

namespace {

const QString EmptyTitle = QStringLiteral(
    "- Keine Grafik ausgewählt -\nMit Click auf diesen Text oder durch Menüpunkt \"Grafik erzeugen\" neue Grafik "
    "erzeugen!");

QFont AxisTitleFont(bool bold)
{
    QFont font = StandardFont().Font;
    font.setBold(bold);
    return font;
}

// The extremes of the values of all series on one axis.
bool AxisDataRange(TChartWidget* chart, QCPAxis* axis, double& low, double& high)
{
    bool found = false;
    low = std::numeric_limits<double>::infinity();
    high = -low;
    for (TSeriesPlottable* series : chart->SeriesList()) {
        float min = 0, max = 0;
        if (series->valueAxis() != axis || !series->Series().ValueRange(min, max))
            continue;
        found = true;
        low = std::min(low, static_cast<double>(min));
        high = std::max(high, static_cast<double>(max));
    }
    return found;
}

}  // namespace

TChartPage::TChartPage(QWidget* parent) : QWidget(parent)
{
    ChartFormStd = new TChartWidget(TChartWidget::TKind::Temperature, this);
    ChartFormRelais = new TChartWidget(TChartWidget::TKind::Outputs, this);
    for (TChartWidget* chart : {ChartFormStd, ChartFormRelais}) {
        connect(chart, &TChartWidget::TimeRangeChanged, this, [this, chart] { Chart_Zoom(chart); });
        connect(chart, &TChartWidget::UndoZoomRequested, this, [this, chart] { Chart_UndoZoom(chart); });
        connect(chart, &TChartWidget::TitleClicked, this, &TChartPage::NewChartRequested);
    }
    ClearChart();
}

bool TChartPage::OutputsShown() const { return !ChartFormRelais->isHidden(); }

void TChartPage::ChartHeights(int height, bool outputsShown, int& top, int& bottom)
{
    if (!outputsShown) {
        top = height;
        bottom = 0;
        return;
    }
    top = static_cast<int>(std::lround(0.75 * height));
    bottom = static_cast<int>(std::lround(0.25 * height));
}

void TChartPage::ArrangeCharts()
{
    int top = 0, bottom = 0;
    ChartHeights(height(), OutputsShown(), top, bottom);
    ChartFormStd->setGeometry(0, 0, width(), top);
    if (OutputsShown())
        ChartFormRelais->setGeometry(0, top, width(), bottom);
    // A chart on a tab in the background gets its resize event only when shown; its drawing area is
    // set now, so that what is drawn before (and saved, or rendered without a window) has its size.
    ChartFormStd->setViewport(QRect(0, 0, width(), top));
    if (OutputsShown())
        ChartFormRelais->setViewport(QRect(0, 0, width(), bottom));
}

void TChartPage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ArrangeCharts();
    // Legends, margins and time labels laid out again at the final size (a chart drawn while the tab
    // was in the background had the tab's earlier size).
    AlignPlotAreas();
}

void TChartPage::ClearChart()
{
    Empty = true;
    ChartFormStd->ClearSeries();
    ChartFormStd->Title()->setText(EmptyTitle);
    for (QCPAxis* axis : {ChartFormStd->xAxis, ChartFormStd->yAxis, ChartFormStd->yAxis2})
        axis->setVisible(false);
    // No series, no legend (an empty box would stand at the right edge).
    ChartFormStd->legend->setVisible(false);
    ChartFormRelais->ClearSeries();
    ChartFormRelais->hide();
    ArrangeCharts();
    AlignPlotAreas();
}

void TChartPage::SetUpTimeAxis(TChartWidget* chart, double first, double last, bool haveData)
{
    QCPAxis* axis = chart->xAxis;
    axis->setVisible(true);
    axis->setTickLabels(true);
    axis->setLabel(QStringLiteral("Zeit"));
    axis->setLabelFont(AxisTitleFont(false));
    axis->setTickLabelFont(StandardFont().Font);
    if (haveData)
        axis->setRange(first, last > first ? last : first + 1.0 / 1440);
}

void TChartPage::ShowSeries(std::vector<std::unique_ptr<TPlotSeries>> series, const std::string& selectionName,
                            const TPlotLook& look)
{
    ChartFormStd->ClearSeries();
    ChartFormRelais->ClearSeries();
    Empty = false;

    int digitalCount = 0;
    double first = std::numeric_limits<double>::infinity(), last = -first;
    // The series of one reading share their times, and so their line breaks.
    const TTimeColumn* breaksOf = nullptr;
    std::shared_ptr<const std::vector<size_t>> breaks;
    for (std::unique_ptr<TPlotSeries>& entry : series) {
        const std::string title = entry->Title;
        if (entry->Count() > 0) {
            first = std::min(first, entry->X(0));
            last = std::max(last, entry->X(entry->Count() - 1));
        }
        if (!breaks || entry->TimeColumn().get() != breaksOf) {
            breaksOf = entry->TimeColumn().get();
            breaks = std::make_shared<const std::vector<size_t>>(LineBreaks(*entry->TimeColumn(), entry->Count()));
        }
        TSeriesPlottable* plottable = nullptr;
        if (IsDigitalSeries(title)) {
            float low = 0, high = 0;
            entry->ValueRange(low, high);
            entry->ScaleValues(DigitalBandFactor(high), DigitalOffset(digitalCount));
            ++digitalCount;
            plottable = ChartFormRelais->AddSeries(std::move(entry), false);
            plottable->SetSteps(true);
        } else {
            plottable = ChartFormStd->AddSeries(std::move(entry), !IsTemperatureAxisSeries(title));
        }
        plottable->SetLineBreaks(breaks);
        plottable->SetMarkers(look.Markers);
        QPen pen = plottable->pen();
        pen.setWidth(look.Look3D ? 0 : 2);
        plottable->setPen(pen);
        plottable->setName(QString::fromStdString(LegendTitle(title)));
    }

    ChartFormRelais->setVisible(digitalCount > 0);
    ArrangeCharts();

    const bool haveData = first <= last;
    for (TChartWidget* chart : {ChartFormStd, ChartFormRelais}) {
        SetUpTimeAxis(chart, first, last, haveData);
        chart->legend->setVisible(true);
        chart->legend->setFont(StandardFont().Font);
    }

    ChartFormStd->Title()->setText(QStringLiteral("Grafik für Auswahl \"%1\"").arg(QString::fromStdString(selectionName)));

    QCPAxis* left = ChartFormStd->yAxis;
    left->setVisible(true);
    left->setTickLabels(true);
    left->setLabel(QStringLiteral("Temperatur"));
    left->setLabelFont(AxisTitleFont(true));
    left->setTickLabelFont(StandardFont().Font);
    double low = 0, high = 0;
    const bool leftData = AxisDataRange(ChartFormStd, left, low, high);
    double lower = 0, upper = 0;
    TemperatureAxisRange(leftData, low, high, lower, upper);
    left->setRange(lower, upper);

    QCPAxis* right = ChartFormStd->yAxis2;
    right->setVisible(true);
    right->setLabel(QStringLiteral("Wert"));
    right->setLabelFont(AxisTitleFont(true));
    right->setTickLabelFont(StandardFont().Font);
    // Without a series of its own the axis shows no numbers (they would be those of an earlier chart).
    const bool rightData = AxisDataRange(ChartFormStd, right, low, high);
    right->setTickLabels(rightData);
    right->setTicks(rightData);
    if (rightData)
        right->setRange(low, high);

    QCPAxis* states = ChartFormRelais->yAxis;
    DigitalAxisRange(digitalCount, lower, upper);
    states->setVisible(true);
    states->setRange(lower, upper);
    auto ticker = QSharedPointer<QCPAxisTickerText>::create();
    ticker->addTick(0, QStringLiteral("     "));
    ticker->addTick(1, QStringLiteral("     "));
    states->setTicker(ticker);
    states->setLabel(QStringLiteral("Zustand"));
    states->setLabelFont(AxisTitleFont(true));

    for (TChartWidget* chart : {ChartFormStd, ChartFormRelais})
        chart->StoreHomeRanges();
    AlignPlotAreas();
}

void TChartPage::AlignPlotAreas()
{
    const std::initializer_list<TChartWidget*> charts = {ChartFormStd, ChartFormRelais};
    for (TChartWidget* chart : charts) {
        chart->axisRect()->setAutoMargins(QCP::msAll);
        chart->legend->setMinimumSize(0, 0);
        chart->replot();
    }
    if (!OutputsShown())
        return;
    int left = 0, right = 0, legendWidth = 0;
    for (TChartWidget* chart : charts) {
        left = std::max(left, chart->axisRect()->margins().left());
        right = std::max(right, chart->axisRect()->margins().right());
        legendWidth = std::max(legendWidth, chart->legend->outerRect().width());
    }
    for (TChartWidget* chart : charts) {
        chart->axisRect()->setAutoMargins(QCP::msTop | QCP::msBottom);
        chart->axisRect()->setMargins(QMargins(left, 0, right, 0));
        chart->legend->setMinimumSize(legendWidth, 0);
        chart->replot();
    }
}

void TChartPage::Chart_Zoom(TChartWidget* chart)
{
    const QCPRange range = chart->TimeRange();
    for (TChartWidget* other : {ChartFormStd, ChartFormRelais}) {
        other->SetTimeRange(range);
        if (other != chart)
            other->replot(QCustomPlot::rpQueuedReplot);
    }
}

void TChartPage::Chart_UndoZoom(TChartWidget* chart)
{
    for (TChartWidget* each : {ChartFormStd, ChartFormRelais})
        each->RestoreHomeRanges();
    Chart_Zoom(chart);
    for (TChartWidget* each : {ChartFormStd, ChartFormRelais})
        each->replot();
}

void TChartPage::Render(QCPPainter& painter, QSize size)
{
    int top = 0, bottom = 0;
    ChartHeights(size.height(), OutputsShown(), top, bottom);
    ChartFormStd->RenderTo(painter, QSize(size.width(), top));
    if (OutputsShown()) {
        painter.save();
        painter.translate(0, top);
        ChartFormRelais->RenderTo(painter, QSize(size.width(), bottom));
        painter.restore();
    }
}

}  // namespace dedezuviv::gui
