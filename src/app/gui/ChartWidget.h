// One time chart of the tab "Grafik": a title (optional), the plot area with a time axis below and
// value axes left and right, and a legend with check boxes on the right. The user zooms by dragging a
// rectangle with the left button, scrolls by dragging with the right button, undoes the zoom with a
// double click, shows and hides series in the legend, and asks for a new chart by clicking the title.
// Over a point the hint shows its value and time in orange.
#pragma once

#include "evaluation/PlotSeries.h"
#include "app/gui/Namespace.h"

#include <qcustomplot.h>

#include <memory>
#include <vector>

class QLabel;
class QTimer;

namespace dedezuviv::gui {

class TChartTitle;
class TLegendCheckItem;
class TSeriesPlottable;

class TChartWidget : public QCustomPlot {
    Q_OBJECT
public:
    enum class TKind { Temperature, Outputs };

    static const char* const FixedHint;
    static constexpr int MinZoomPixels = 20;
    static constexpr int HintDistance = 4;
    static constexpr int HintReshowMs = 200;

    TChartWidget(TKind kind, QWidget* parent);

    TKind Kind() const { return ChartKind; }
    TChartTitle* Title() const { return TitleElement; }
    QCPLegend* Legend() const { return legend; }

    // Removes (and frees) every series and its legend entry.
    void ClearSeries();
    // Adds a series on the left or right value axis, in the next colour of the chart's palette, with
    // a legend entry.
    TSeriesPlottable* AddSeries(std::unique_ptr<TPlotSeries> series, bool rightAxis);
    std::vector<TSeriesPlottable*> SeriesList() const;

    // The ranges a plot set up; the undo of a zoom returns to them.
    void StoreHomeRanges();
    void RestoreHomeRanges();
    // The visible time range.
    QCPRange TimeRange() const { return xAxis->range(); }
    void SetTimeRange(const QCPRange& range);

    // Zooms to the rectangle between two pixel positions (any corner first); false when it is smaller
    // than MinZoomPixels in either direction.
    bool ZoomToRectangle(const QPoint& from, const QPoint& to);
    // Scrolls by a pixel distance (horizontal only on the outputs chart).
    void ScrollBy(const QPoint& delta);

    // The hint for a position: the value text over a point, else empty (the fixed hint applies).
    QString HintTextAt(const QPointF& pos) const;
    // The orange hint currently shown (empty when none).
    QString ShownHint() const;
    QLabel* HintLabel() const { return Hint; }

    // Renders the chart into a painter at the given size (the picture code's way in).
    void RenderTo(QCPPainter& painter, QSize size);

    // The legend entry at a position, or nullptr.
    TLegendCheckItem* LegendItemAt(const QPointF& pos) const;
    bool IsOnTitle(const QPointF& pos) const;

signals:
    // A zoom or a scroll changed the visible period.
    void TimeRangeChanged();
    void UndoZoomRequested();
    void TitleClicked();

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void ShowHint(const QPoint& pos);
    void HideHint();
    void BuildLayout();

    TKind ChartKind;
    TChartTitle* TitleElement = nullptr;
    int NextColour = 0;

    // Left-button rectangle, right-button scroll.
    bool Zooming = false;
    QPoint ZoomStart, ZoomEnd;
    bool Scrolling = false;
    QPoint ScrollLast;

    struct THomeRanges {
        bool Valid = false;
        QCPRange Time, Left, Right;
    } Home;

    QLabel* Hint = nullptr;
    QTimer* HintTimer = nullptr;
    QPoint HintPos;
};

}  // namespace dedezuviv::gui
