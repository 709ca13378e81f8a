// A chart line that draws a TPlotSeries where it is stored, without copying its points into the chart
// component: only the points of the visible time range are looked at, and where more points than
// pixels are visible it draws, per pixel column, the first, lowest, highest and last value (the
// column's extremes come from the series' block summary, so even a year of points costs about one
// step per column).
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

    // The index of the point nearest to Pos (pixels) within MaxDistance pixels, or -1.
    long long PointAt(const QPointF& pos, double maxDistance) const;
    // The legend's line symbol (for legend entries other than QCustomPlot's own).
    void DrawLegendSymbol(QCPPainter* painter, const QRectF& rect) const { drawLegendIcon(painter, rect); }
    // The pixel position of a point.
    QPointF PointPixel(size_t index) const;

    // A pixel column of the line: its x and the first, lowest, highest and last value's y (all the
    // same for a single point).
    struct TColumn {
        double X, First, Low, High, Last;
    };

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
};

}  // namespace dedezuviv::gui
