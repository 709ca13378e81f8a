// A chart line that draws a TPlotSeries where it is stored, without copying its points into the chart
// component: only the points of the visible time range are looked at, and where more points than
// pixels are visible it draws, per pixel column, the first, lowest, highest and last value (the
// column's extremes come from the series' block summary, so even a year of points costs about one
// step per column). The line is broken where the chart's rules say records are missing, and an on/off
// trace is drawn as steps: a value holds until the next point.
#pragma once

#include "evaluation/PlotSeries.h"
#include "app/gui/Namespace.h"

#include <qcustomplot.h>

#include <memory>
#include <vector>

namespace dedezuviv::gui {

class TSeriesPlottable : public QCPAbstractPlottable {
    Q_OBJECT
public:
    TSeriesPlottable(QCPAxis* keyAxis, QCPAxis* valueAxis, std::unique_ptr<TPlotSeries> series);

    const TPlotSeries& Series() const { return *Data; }
    TPlotSeries& Series() { return *Data; }

    // Upright crosses at the points (2 pixels to each side, 4 up and down), drawn while at most
    // MaxMarkedPoints points are visible.
    void SetMarkers(bool on) { Markers = on; }
    bool HasMarkers() const { return Markers; }
    static constexpr size_t MaxMarkedPoints = 20000;

    // The indices i (ascending) where no line joins point i - 1 to point i; shared by the series of
    // one reading, which share their times.
    void SetLineBreaks(std::shared_ptr<const std::vector<size_t>> breaks) { Breaks = std::move(breaks); }
    bool IsLineBreak(size_t index) const;
    // Steps: from a point the line runs level to the next point's time, then up or down to its value.
    void SetSteps(bool on) { Steps = on; }
    bool HasSteps() const { return Steps; }

    // The index of the point nearest to Pos (pixels) within MaxDistance pixels, or -1.
    long long PointAt(const QPointF& pos, double maxDistance) const;
    // The legend's line symbol (for legend entries other than QCustomPlot's own).
    void DrawLegendSymbol(QCPPainter* painter, const QRectF& rect) const { drawLegendIcon(painter, rect); }
    // The pixel position of a point.
    QPointF PointPixel(size_t index) const;

    // A pixel column of the line: its x and the first, lowest, highest and last value's y (all the
    // same for a single point), and the indices of its first and last point.
    struct TColumn {
        double X, First, Low, High, Last;
        size_t FirstIndex, LastIndex;
    };
    // The pieces of line to draw through the columns: a new piece starts at every line break, and
    // steps add the level run to the next column.
    std::vector<QVector<QPointF>> Polylines(const std::vector<TColumn>& columns) const;

    double selectTest(const QPointF& pos, bool onlySelectable, QVariant* details = nullptr) const override;
    QCPRange getKeyRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth) const override;
    QCPRange getValueRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth,
                           const QCPRange& inKeyRange = QCPRange()) const override;

protected:
    void draw(QCPPainter* painter) override;
    void drawLegendIcon(QCPPainter* painter, const QRectF& rect) const override;

private:
    // The index range [First, Last) of the points to draw for the key axis' range, one point beyond
    // each end included so the line runs to the edges.
    void VisibleRange(size_t& first, size_t& last) const;
    // The points to draw, one per point when there are few, else one per pixel column (Dense).
    std::vector<TColumn> Columns(size_t first, size_t last, bool& dense) const;

    std::unique_ptr<TPlotSeries> Data;
    bool Markers = false;
    bool Steps = false;
    std::shared_ptr<const std::vector<size_t>> Breaks;
};

}  // namespace dedezuviv::gui
