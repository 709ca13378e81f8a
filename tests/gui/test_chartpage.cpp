// The tab "Grafik" offscreen: distribution of series over the two charts and axes, the layout, the
// axis ranges, legend texts and check boxes, the hint over points, zoom and scroll with the time axes
// kept in step, the undo of the zoom, the title click and the empty state.
#include "GuiTestSupport.h"

#include "app/gui/ChartLegend.h"
#include "app/gui/ChartPage.h"
#include "app/gui/ChartTitle.h"
#include "app/gui/ChartWidget.h"
#include "app/gui/SeriesPlottable.h"
#include "base/FormatSettings.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

using namespace dedezuviv::base;
using namespace dedezuviv::gui;

namespace {

const TDateTime Start = EncodeDateTime(2026, 12, 8, 10, 0, 0);

// A series of Count points one minute apart with the given values, repeated.
std::unique_ptr<TPlotSeries> Series(const std::string& title, const std::vector<float>& values, size_t count = 60)
{
    auto series = std::make_unique<TPlotSeries>(title, nullptr);
    for (size_t i = 0; i < count; ++i)
        series->AddXY(Start + static_cast<double>(i) / 1440.0, values[i % values.size()]);
    return series;
}

// A series with points at the given minutes after Start.
std::unique_ptr<TPlotSeries> SeriesAt(const std::string& title, const std::vector<double>& minutes,
                                      const std::vector<float>& values)
{
    auto series = std::make_unique<TPlotSeries>(title, nullptr);
    for (size_t i = 0; i < minutes.size(); ++i)
        series->AddXY(Start + minutes[i] / 1440.0, values[i]);
    return series;
}

// The rows of one pixel column of the chart's plot area drawn in a colour (antialiased edges count).
std::vector<int> RowsInColour(TChartWidget& chart, double time, const QColor& colour)
{
    chart.replot(QCustomPlot::rpImmediateRefresh);
    const QImage image = chart.grab().toImage();
    const int x = qRound(chart.xAxis->coordToPixel(time));
    const QRect area = chart.axisRect()->rect();
    std::vector<int> rows;
    for (int y = area.top() + 1; y < area.bottom(); ++y) {
        const QColor pixel = image.pixelColor(x, y);
        if (std::abs(pixel.red() - colour.red()) < 60 && std::abs(pixel.green() - colour.green()) < 60 &&
            std::abs(pixel.blue() - colour.blue()) < 60)
            rows.push_back(y);
    }
    return rows;
}

template <typename... T>
std::vector<std::unique_ptr<TPlotSeries>> Make(T... series)
{
    std::vector<std::unique_ptr<TPlotSeries>> list;
    (list.push_back(std::move(series)), ...);
    return list;
}

void Mouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void Drag(QWidget* widget, QPoint from, QPoint to, Qt::MouseButton button)
{
    Mouse(widget, QEvent::MouseButtonPress, from, button);
    Mouse(widget, QEvent::MouseMove, (from + to) / 2, Qt::NoButton);
    Mouse(widget, QEvent::MouseMove, to, Qt::NoButton);
    Mouse(widget, QEvent::MouseButtonRelease, to, button);
}

struct ChartPageTest : ::testing::Test {
    std::unique_ptr<TChartPage> Page;

    void SetUp() override
    {
        SetGermanFormatSettings();
        Page = std::make_unique<TChartPage>();
        Page->resize(800, 600);
        Page->show();
    }

    TChartWidget& Std() { return *Page->ChartFormStd; }
    TChartWidget& Relais() { return *Page->ChartFormRelais; }
    QPoint Center(TChartWidget& chart) { return chart.axisRect()->rect().center(); }
};

TEST_F(ChartPageTest, TemperaturesAloneFillTheTabOnTheLeftAxisWidenedByFive)
{
    Page->ShowSeries(Make(Series("Kessel (Temperatur)", {50, 60}), Series("Außen (Temperatur)", {-12.5f, -2})),
                     "Temperaturen", {});
    EXPECT_FALSE(Page->OutputsShown());
    EXPECT_TRUE(Relais().isHidden());
    EXPECT_EQ(Std().height(), 600);
    ASSERT_EQ(Std().SeriesList().size(), 2u);
    for (TSeriesPlottable* series : Std().SeriesList())
        EXPECT_EQ(series->valueAxis(), Std().yAxis);
    EXPECT_DOUBLE_EQ(Std().yAxis->range().lower, -17.5);
    EXPECT_DOUBLE_EQ(Std().yAxis->range().upper, 65);
    EXPECT_EQ(Std().Title()->text(), QStringLiteral("Grafik für Auswahl \"Temperaturen\""));
    EXPECT_EQ(Std().yAxis->label(), QStringLiteral("Temperatur"));
    EXPECT_EQ(Std().yAxis2->label(), QStringLiteral("Wert"));
    EXPECT_EQ(Std().xAxis->label(), QStringLiteral("Zeit"));
    EXPECT_TRUE(Std().yAxis->labelFont().bold());
    EXPECT_FALSE(Std().xAxis->labelFont().bold());
    // The time axis spans the data.
    EXPECT_DOUBLE_EQ(Std().xAxis->range().lower, Start);
    EXPECT_DOUBLE_EQ(Std().xAxis->range().upper, Start + 59.0 / 1440);
    // Legend texts: plain names cut or padded to 15 characters.
    EXPECT_EQ(Std().SeriesList()[0]->name(), QStringLiteral("Kessel         "));
    EXPECT_EQ(Std().SeriesList()[1]->name(), QStringLiteral("Außen          "));
}

TEST_F(ChartPageTest, AnInfiniteValueLeavesTheAxisOnTheRealData)
{
    const float inf = std::numeric_limits<float>::infinity();
    Page->ShowSeries(Make(Series("Kessel (Temperatur)", {50, inf, 60}), Series("Außen (Temperatur)", {-12.5f, -2, -inf})),
                     "Temperaturen", {});
    EXPECT_DOUBLE_EQ(Std().yAxis->range().lower, -17.5);
    EXPECT_DOUBLE_EQ(Std().yAxis->range().upper, 65);
    // Drawn without the infinite points (a picture is made without trouble).
    EXPECT_FALSE(Std().toPixmap(400, 300).isNull());
}

TEST_F(ChartPageTest, OneRelayTakesTheBottomQuarterBetweenZeroAndEightTenths)
{
    Page->ShowSeries(Make(Series("Kessel (Temperatur)", {55}), Series("Brenner (Relais)", {0, 1})), "Brenner", {});
    ASSERT_TRUE(Page->OutputsShown());
    EXPECT_EQ(Std().height(), 450);
    EXPECT_EQ(Relais().height(), 150);
    EXPECT_EQ(Relais().y(), 450);
    EXPECT_DOUBLE_EQ(Relais().yAxis->range().lower, -0.1);
    EXPECT_DOUBLE_EQ(Relais().yAxis->range().upper, 1.1);
    EXPECT_EQ(Relais().yAxis->label(), QStringLiteral("Zustand"));
    ASSERT_EQ(Relais().SeriesList().size(), 1u);
    const TPlotSeries& trace = Relais().SeriesList()[0]->Series();
    EXPECT_FLOAT_EQ(trace.Y(0), 0.0f);
    EXPECT_FLOAT_EQ(trace.Y(1), 0.8f);
    // The axis shows no numbers: two labels of blanks at 0 and 1.
    auto ticker = qSharedPointerDynamicCast<QCPAxisTickerText>(Relais().yAxis->ticker());
    ASSERT_TRUE(ticker);
    EXPECT_EQ(ticker->ticks().value(0), QStringLiteral("     "));
    EXPECT_EQ(ticker->ticks().value(1), QStringLiteral("     "));

    // The hint over a point says "ein" or "aus", with the time.
    TSeriesPlottable* plottable = Relais().SeriesList()[0];
    const QString off = Relais().HintTextAt(plottable->PointPixel(0));
    const QString on = Relais().HintTextAt(plottable->PointPixel(1));
    EXPECT_EQ(off, QStringLiteral("Brenner  = aus\n\r08.12.26 10:00.00 Uhr"));
    EXPECT_EQ(on, QStringLiteral("Brenner  = ein\n\r08.12.26 10:01.00 Uhr"));
    EXPECT_TRUE(Relais().HintTextAt(QPointF(Relais().axisRect()->left() + 3, Relais().axisRect()->top() + 3)).isEmpty());
}

TEST_F(ChartPageTest, ThreeDigitalTracesAreStackedDownwards)
{
    Page->ShowSeries(Make(Series("Sommer (Eingang)", {1}), Series("Stufe (Zustand)", {0, 1}),
                          Series("Pumpe (Relais)", {1, 0})),
                     "Digital", {});
    // No analog series: the temperature chart still takes the top.
    EXPECT_TRUE(Page->OutputsShown());
    ASSERT_EQ(Relais().SeriesList().size(), 3u);
    float low = 0, high = 0;
    Relais().SeriesList()[0]->Series().ValueRange(low, high);
    EXPECT_FLOAT_EQ(high, 0.8f);
    Relais().SeriesList()[1]->Series().ValueRange(low, high);
    EXPECT_FLOAT_EQ(low, -1.0f);
    EXPECT_FLOAT_EQ(high, -0.2f);
    Relais().SeriesList()[2]->Series().ValueRange(low, high);
    EXPECT_FLOAT_EQ(low, -2.0f);
    EXPECT_FLOAT_EQ(high, -1.2f);
    EXPECT_DOUBLE_EQ(Relais().yAxis->range().lower, -2.1);
    EXPECT_DOUBLE_EQ(Relais().yAxis->range().upper, 1.1);
}

TEST_F(ChartPageTest, ACounterGoesToTheRightAxisAndItsHintHasNoUnit)
{
    Page->ShowSeries(Make(Series("Kessel (Temperatur)", {55.5f}), Series("Starts (Zähler)", {1234, 1240})), "Mix", {});
    ASSERT_EQ(Std().SeriesList().size(), 2u);
    TSeriesPlottable* counter = Std().SeriesList()[1];
    EXPECT_EQ(counter->valueAxis(), Std().yAxis2);
    EXPECT_DOUBLE_EQ(Std().yAxis2->range().lower, 1234);
    EXPECT_DOUBLE_EQ(Std().yAxis2->range().upper, 1240);
    EXPECT_EQ(Std().HintTextAt(counter->PointPixel(1)), QStringLiteral("Starts  = 1240,00 \n\r08.12.26 10:01.00 Uhr"));
    TSeriesPlottable* kessel = Std().SeriesList()[0];
    EXPECT_EQ(Std().HintTextAt(kessel->PointPixel(30)), QStringLiteral("Kessel  = 55,50 °C\n\r08.12.26 10:30.00 Uhr"));
}

TEST_F(ChartPageTest, ZoomAndScrollKeepBothTimeAxesInStepAndADoubleClickResetsBoth)
{
    Page->ShowSeries(Make(Series("Kessel (Temperatur)", {50, 60}), Series("Brenner (Relais)", {0, 1})), "B", {});
    const QCPRange home = Std().xAxis->range();
    const QCPRange homeStates = Relais().yAxis->range();

    // A rectangle smaller than 20 pixels does nothing.
    const QPoint c = Center(Relais());
    Drag(&Relais(), c, c + QPoint(30, 15), Qt::LeftButton);
    EXPECT_EQ(Relais().xAxis->range(), home);

    // Zooming the outputs chart (dragged up-left) zooms the temperature chart's time axis too.
    Drag(&Relais(), c + QPoint(100, 30), c - QPoint(100, 30), Qt::LeftButton);
    const QCPRange zoomed = Relais().xAxis->range();
    EXPECT_LT(zoomed.size(), home.size() * 0.6);
    EXPECT_EQ(Std().xAxis->range(), zoomed);

    // Zooming the temperature chart moves the outputs chart along.
    const QPoint s = Center(Std());
    Drag(&Std(), s - QPoint(50, 50), s + QPoint(50, 50), Qt::LeftButton);
    EXPECT_EQ(Relais().xAxis->range(), Std().xAxis->range());
    EXPECT_LT(Std().xAxis->range().size(), zoomed.size());

    // Scrolling with the right button: both directions above, horizontally only below.
    const QCPRange statesBefore = Relais().yAxis->range();
    const QCPRange leftBefore = Std().yAxis->range();
    Drag(&Relais(), c, c + QPoint(40, 25), Qt::RightButton);
    EXPECT_EQ(Relais().yAxis->range(), statesBefore);
    EXPECT_EQ(Std().xAxis->range(), Relais().xAxis->range());
    Drag(&Std(), s, s + QPoint(-40, 30), Qt::RightButton);
    EXPECT_NE(Std().yAxis->range(), leftBefore);
    EXPECT_EQ(Std().xAxis->range(), Relais().xAxis->range());

    // A double click in either plot area undoes the zoom of both.
    Mouse(&Relais(), QEvent::MouseButtonDblClick, c, Qt::LeftButton);
    EXPECT_EQ(Std().xAxis->range(), home);
    EXPECT_EQ(Relais().xAxis->range(), home);
    EXPECT_DOUBLE_EQ(Std().yAxis->range().lower, 45);
    EXPECT_EQ(Relais().yAxis->range(), homeStates);
}

TEST_F(ChartPageTest, LegendCheckBoxesShowAndHideSeriesAndTheTitleAsksForANewChart)
{
    Page->ShowSeries(Make(Series("Kessel (Temperatur)", {50}), Series("Vorlauf (Temperatur)", {40})), "T", {});
    Std().replot();
    ASSERT_EQ(Std().legend->itemCount(), 2);
    auto* item = qobject_cast<TLegendCheckItem*>(Std().legend->item(1));
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->Checked());
    const QPoint onItem = item->outerRect().center();
    EXPECT_EQ(Std().LegendItemAt(onItem), item);
    Mouse(&Std(), QEvent::MouseButtonPress, onItem, Qt::LeftButton);
    Mouse(&Std(), QEvent::MouseButtonRelease, onItem, Qt::LeftButton);
    EXPECT_FALSE(item->Checked());
    EXPECT_FALSE(Std().SeriesList()[1]->visible());
    // A hidden series has no hint.
    EXPECT_TRUE(Std().HintTextAt(Std().SeriesList()[1]->PointPixel(10)).isEmpty());
    Mouse(&Std(), QEvent::MouseButtonPress, onItem, Qt::LeftButton);
    EXPECT_TRUE(Std().SeriesList()[1]->visible());

    int requests = 0;
    QObject::connect(Page.get(), &TChartPage::NewChartRequested, [&requests] { ++requests; });
    const QPoint onTitle = Std().Title()->outerRect().center();
    const QCPRange before = Std().xAxis->range();
    Drag(&Std(), onTitle, onTitle + QPoint(200, 200), Qt::LeftButton);
    EXPECT_EQ(requests, 1);
    // The click went no further: no zoom.
    EXPECT_EQ(Std().xAxis->range(), before);
}

TEST_F(ChartPageTest, TheEmptyStateAsksForAChartAndHidesTheAxes)
{
    Page->ShowSeries(Make(Series("Kessel (Temperatur)", {50}), Series("Brenner (Relais)", {1})), "B", {});
    Page->ClearChart();
    EXPECT_TRUE(Page->IsEmpty());
    EXPECT_TRUE(Std().SeriesList().empty());
    EXPECT_EQ(Std().Title()->text(), QStringLiteral("- Keine Grafik ausgewählt -\nMit Click auf diesen Text oder durch "
                                                    "Menüpunkt \"Grafik erzeugen\" neue Grafik erzeugen!"));
    EXPECT_FALSE(Std().xAxis->visible());
    EXPECT_FALSE(Std().yAxis->visible());
    EXPECT_FALSE(Std().yAxis2->visible());
    EXPECT_FALSE(Page->OutputsShown());
    EXPECT_EQ(Std().height(), 600);

    // The next chart shows the axes again.
    Page->ShowSeries(Make(Series("Kessel (Temperatur)", {50})), "K", {});
    EXPECT_TRUE(Std().xAxis->visible());
    EXPECT_TRUE(Std().yAxis->visible());
    EXPECT_TRUE(Std().yAxis2->visible());
}

TEST_F(ChartPageTest, SixHoursWithoutRecordsLeaveAGapInTheLine)
{
    // An hour of records every minute at 20 °C, six hours without any, an hour at 60 °C.
    std::vector<double> minutes;
    std::vector<float> values;
    for (int m = 0; m < 60; ++m) {
        minutes.push_back(m);
        values.push_back(20);
    }
    for (int m = 420; m < 480; ++m) {
        minutes.push_back(m);
        values.push_back(60);
    }
    Page->ShowSeries(Make(SeriesAt("Kessel (Temperatur)", minutes, values)), "K", {});
    const QColor colour = Std().SeriesList()[0]->pen().color();
    // Where there are records the line is drawn; across the gap no pixel of it.
    EXPECT_FALSE(RowsInColour(Std(), Start + 30.0 / 1440, colour).empty());
    EXPECT_FALSE(RowsInColour(Std(), Start + 450.0 / 1440, colour).empty());
    for (double m : {90.0, 240.0, 390.0})
        EXPECT_TRUE(RowsInColour(Std(), Start + m / 1440, colour).empty()) << m;
}

TEST_F(ChartPageTest, ARelayIsDrawnAsStepsAndAStateInItsOwnBand)
{
    // Points an hour apart: off, off, on, on. Halfway between the second and third point the burner
    // was still off.
    Page->ShowSeries(Make(SeriesAt("Brenner (Relais)", {0, 60, 120, 180}, {0, 0, 1, 1}),
                          SeriesAt("Stufe (Zustand)", {0, 60, 120, 180}, {0, 1, 2, 1})),
                     "B", {});
    TSeriesPlottable* burner = Relais().SeriesList()[0];
    EXPECT_TRUE(burner->HasSteps());
    const std::vector<int> rows = RowsInColour(Relais(), Start + 90.0 / 1440, burner->pen().color());
    ASSERT_FALSE(rows.empty());
    const double off = Relais().yAxis->coordToPixel(0);
    for (int y : rows)
        EXPECT_LE(std::abs(y - off), 3) << y;

    // The state 0/1/2 stays between -1 and -0.2, below the relay's band.
    float low = 0, high = 0;
    Relais().SeriesList()[1]->Series().ValueRange(low, high);
    EXPECT_FLOAT_EQ(low, -1.0f);
    EXPECT_FLOAT_EQ(high, -0.2f);
    EXPECT_FLOAT_EQ(Relais().SeriesList()[1]->Series().Y(1), -0.6f);
    EXPECT_EQ(Relais().HintTextAt(Relais().SeriesList()[1]->PointPixel(1)).section(QLatin1Char('\n'), 0, 0),
              QStringLiteral("Stufe  = ein"));
}

TEST_F(ChartPageTest, TheRightAxisWithoutSeriesShowsNoNumbers)
{
    Page->ShowSeries(Make(Series("Starts (Zähler)", {0, 10000})), "Z", {});
    EXPECT_TRUE(Std().yAxis2->tickLabels());
    // The next chart has nothing on the right axis: no numbers of the chart before.
    Page->ShowSeries(Make(Series("Kessel (Temperatur)", {50})), "K", {});
    EXPECT_TRUE(Std().yAxis2->visible());
    EXPECT_FALSE(Std().yAxis2->tickLabels());
    EXPECT_FALSE(Std().yAxis2->ticks());
    EXPECT_EQ(Std().yAxis2->label(), QStringLiteral("Wert"));
}

TEST_F(ChartPageTest, TimeLabelsKeepTheirSpacingAfterTheChartShrinks)
{
    Page->resize(1600, 600);
    Page->ShowSeries(Make(Series("Kessel (Temperatur)", {50, 60}, 600)), "K", {});
    // The labels as drawn by the resize itself, before any later redraw.
    Page->resize(500, 600);
    const QVector<double> ticks = Std().xAxis->tickVector();
    ASSERT_GE(ticks.size(), 2);
    const int labelWidth = QFontMetrics(Std().xAxis->tickLabelFont()).horizontalAdvance(QStringLiteral("08.12.26 10:00.00"));
    for (qsizetype i = 1; i < ticks.size(); ++i)
        EXPECT_GE(Std().xAxis->coordToPixel(ticks[i]) - Std().xAxis->coordToPixel(ticks[i - 1]), labelWidth + 10)
            << i;
}

TEST_F(ChartPageTest, ALongTitleIsCutToTheChartWidth)
{
    Page->resize(640, 480);
    Page->ShowSeries(Make(Series("Kessel (Temperatur)", {50})),
                     "Eine sehr lange Auswahl mit vielen Feldern aus dem ganzen Haus und dem Keller", {});
    Std().replot(QCustomPlot::rpImmediateRefresh);
    const QString shown = Std().Title()->ShownText();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_LE(Std().Title()->outerRect().right(), Std().width());
    Page->ClearChart();
    Std().replot(QCustomPlot::rpImmediateRefresh);
    EXPECT_LE(Std().Title()->outerRect().right(), Std().width());
    EXPECT_FALSE(Std().legend->visible());
}

TEST_F(ChartPageTest, MarkersAndThinLinesFollowTheDialog)
{
    Page->ShowSeries(Make(Series("Kessel (Temperatur)", {50})), "K", {true, true});
    TSeriesPlottable* series = Std().SeriesList()[0];
    EXPECT_TRUE(series->HasMarkers());
    EXPECT_EQ(series->pen().width(), 0);
    Page->ShowSeries(Make(Series("Kessel (Temperatur)", {50})), "K", {false, false});
    EXPECT_FALSE(Std().SeriesList()[0]->HasMarkers());
    EXPECT_EQ(Std().SeriesList()[0]->pen().width(), 2);
}

}  // namespace
