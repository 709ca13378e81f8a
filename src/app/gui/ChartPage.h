// The tab "Grafik": the temperature chart above the outputs chart. It distributes the series of a
// reading over the two charts (temperatures on the left axis, other analog values on the right axis,
// inputs, states and relays as stacked on/off traces below), lays the charts out (the outputs chart
// takes the bottom quarter, or is hidden when there is nothing digital), sets axes and titles, and
// keeps the two time axes in step when either chart is zoomed, scrolled or reset.
#pragma once

#include "evaluation/PlotSeries.h"
#include "app/gui/Namespace.h"

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QCPPainter;

namespace dedezuviv::gui {

class TChartWidget;

struct TPlotLook {
    bool Markers = false;  // "Marker anzeigen"
    bool Look3D = false;   // "3D-Look verwenden": thin lines
};

class TChartPage : public QWidget {
    Q_OBJECT
public:
    explicit TChartPage(QWidget* parent = nullptr);

    TChartWidget* ChartFormStd = nullptr;
    TChartWidget* ChartFormRelais = nullptr;

    // Replaces the series of both charts by those of a reading (in the order of its fields) and sets
    // up axes, titles and layout for the named selection.
    void ShowSeries(std::vector<std::unique_ptr<TPlotSeries>> series, const std::string& selectionName,
                    const TPlotLook& look);
    // The empty state: no series, the title asks for a chart, the axes hidden; the outputs chart
    // (whose traces would belong to the chart that is gone) is emptied and hidden too.
    void ClearChart();
    bool IsEmpty() const { return Empty; }

    // Whether the outputs chart is part of the layout (it holds digital series).
    bool OutputsShown() const;
    // The heights of the two charts for a tab height: round(0.75 h) and round(0.25 h), or h and 0.
    static void ChartHeights(int height, bool outputsShown, int& top, int& bottom);

    // Renders the tab as it is laid out, at the given size (both charts, one above the other).
    void Render(QCPPainter& painter, QSize size);

    // Undoes the zoom of both charts; the time axes follow the chart given.
    void Chart_UndoZoom(TChartWidget* chart);
    // Sets both time axes to the visible period of the chart given.
    void Chart_Zoom(TChartWidget* chart);

signals:
    // A click on a chart's title: a new chart.
    void NewChartRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ArrangeCharts();
    // Gives both plot areas the same left and right edges, so a time lies above the same time.
    void AlignPlotAreas();
    void SetUpTimeAxis(TChartWidget* chart, double first, double last, bool haveData);

    bool Empty = true;
};

}  // namespace dedezuviv::gui
