// The rules that turn a reading into the two charts: series classes and axes, legend texts, the
// stacking of on/off traces and the axis ranges, the automatic increment, the hint texts and the
// plot dialog's choices.
#include "base/FormatSettings.h"
#include "evaluation/ChartRules.h"
#include "evaluation/PlotSelections.h"
#include "model/Project.h"

#include <gtest/gtest.h>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::evaluation;

namespace {

TEST(ChartRulesTest, SeriesGoToTheChartAndAxisTheirTitleNames)
{
    EXPECT_TRUE(IsDigitalSeries("Brenner (Relais)"));
    EXPECT_TRUE(IsDigitalSeries("Sommer (Eingang)"));
    EXPECT_TRUE(IsDigitalSeries("Stufe (Zustand)"));
    // A plain name with one of the words counts as well, in any letter case.
    EXPECT_TRUE(IsDigitalSeries("Relaistest (Wert)"));
    EXPECT_TRUE(IsDigitalSeries("eingangsfühler (Temperatur)"));
    EXPECT_FALSE(IsDigitalSeries("Kessel (Temperatur)"));
    EXPECT_FALSE(IsDigitalSeries("Starts (Zähler)"));

    EXPECT_TRUE(IsTemperatureAxisSeries("Kessel (Temperatur)"));
    EXPECT_TRUE(IsTemperatureAxisSeries("Temperaturdifferenz (Wert)"));
    // A counter is analog but belongs to the right axis.
    EXPECT_FALSE(IsTemperatureAxisSeries("Starts (Zähler)"));
    EXPECT_FALSE(IsTemperatureAxisSeries("Modulation (Wert)"));
}

TEST(ChartRulesTest, LegendTitlesAreThePlainNameCutOrPaddedToFifteenCharacters)
{
    EXPECT_EQ(LegendTitle("Vorlauftemperatur12 (Temperatur)"), "Vorlauftemperat");
    EXPECT_EQ(LegendTitle("Puff (Temperatur)"), "Puff           ");
    // Umlauts count as one character each.
    EXPECT_EQ(LegendTitle("Rücklaufstrang Süd (Temperatur)"), "Rücklaufstrang ");
    EXPECT_EQ(LegendTitle("Außen (Temperatur)"), "Außen          ");
    EXPECT_EQ(LegendTitle(""), std::string(15, ' '));
}

TEST(ChartRulesTest, DigitalTracesAreStackedAndTheAxesRangesFollow)
{
    EXPECT_FLOAT_EQ(0 * DigitalScale + DigitalOffset(0), 0.0f);
    EXPECT_FLOAT_EQ(1 * DigitalScale + DigitalOffset(0), 0.8f);
    EXPECT_FLOAT_EQ(0 * DigitalScale + DigitalOffset(1), -1.0f);
    EXPECT_FLOAT_EQ(1 * DigitalScale + DigitalOffset(2), -1.2f);

    double lower = 0, upper = 0;
    DigitalAxisRange(1, lower, upper);
    EXPECT_DOUBLE_EQ(lower, -0.1);
    EXPECT_DOUBLE_EQ(upper, 1.1);
    DigitalAxisRange(3, lower, upper);
    EXPECT_DOUBLE_EQ(lower, -2.1);
    EXPECT_DOUBLE_EQ(upper, 1.1);

    TemperatureAxisRange(true, -12.5, 60, lower, upper);
    EXPECT_DOUBLE_EQ(lower, -17.5);
    EXPECT_DOUBLE_EQ(upper, 65);
    TemperatureAxisRange(false, 3, 4, lower, upper);
    EXPECT_DOUBLE_EQ(lower, -5);
    EXPECT_DOUBLE_EQ(upper, 5);
}

TEST(ChartRulesTest, TheAutomaticIncrementKeepsAllSeriesUnderThirtyMillionPoints)
{
    const TDateTime start = EncodeDateTime(2026, 1, 1, 0, 0, 0);
    // One day, four fields: 86400 / 7,500,000 s, rounded to 0: every record.
    EXPECT_DOUBLE_EQ(AutomaticIncrement(start, start + 1, 4), 86400.0 / 7500000);
    EXPECT_EQ(ReaderIncrement(AutomaticIncrement(start, start + 1, 4)), 0);
    // A year, one field: about 1.05 s, rounded to 1.
    EXPECT_NEAR(AutomaticIncrement(start, start + 365, 1), 1.0512, 1e-4);
    EXPECT_EQ(ReaderIncrement(AutomaticIncrement(start, start + 365, 1)), 1);
    // No fields count as one.
    EXPECT_DOUBLE_EQ(AutomaticIncrement(start, start + 365, 0), AutomaticIncrement(start, start + 365, 1));
    // Halves go to the even neighbour.
    EXPECT_EQ(ReaderIncrement(0.5), 0);
    EXPECT_EQ(ReaderIncrement(1.5), 2);
    EXPECT_EQ(ReaderIncrement(2.5), 2);
    EXPECT_EQ(ReaderIncrement(2.51), 3);
}

TEST(ChartRulesTest, HintTextsShowNameValueUnitAndTime)
{
    SetGermanFormatSettings();
    const TDateTime time = EncodeDateTime(2026, 12, 8, 10, 15, 7);
    EXPECT_EQ(TemperatureHintText("Kessel         ", 55.5, true, time), "Kessel  = 55,50 °C\n\r08.12.26 10:15.07 Uhr");
    // The right axis has no unit; the name runs to its first blank.
    EXPECT_EQ(TemperatureHintText("Warm Wasser    ", 12.345, false, time), "Warm  = 12,35 \n\r08.12.26 10:15.07 Uhr");
    EXPECT_EQ(TemperatureHintText("Langername12345", -3.0, true, time), "Langername12345 = -3,00 °C\n\r08.12.26 10:15.07 Uhr");

    // On values never are whole after the stacking, off values always are.
    EXPECT_EQ(OutputHintText("Brenner        ", 0.8f, time), "Brenner  = ein\n\r08.12.26 10:15.07 Uhr");
    EXPECT_EQ(OutputHintText("Brenner        ", 0.0f, time), "Brenner  = aus\n\r08.12.26 10:15.07 Uhr");
    EXPECT_EQ(OutputHintText("Pumpe          ", -1.0f, time).substr(0, 14), "Pumpe  = aus\n\r");
    EXPECT_EQ(OutputHintText("Pumpe          ", 1 * DigitalScale + DigitalOffset(1), time).substr(0, 14),
              "Pumpe  = ein\n\r");
}

TEST(PlotChoicesTest, TheProjectsSelectionsThenAllTemperatures)
{
    EXPECT_TRUE(PlotChoices(nullptr).empty());
    TProject project;
    project.FieldNames[ftTemperature] = {"Kessel", "", "Aussen"};
    project.FieldSelections.emplace_back("Heizkreis", TNameList{"Kessel (Temperatur)", "Brenner (Relais)"});
    project.FieldSelections.emplace_back("Ohne Liste");
    const std::vector<TPlotChoice> choices = PlotChoices(&project);
    ASSERT_EQ(choices.size(), 3u);
    EXPECT_EQ(choices[0].Name, "Heizkreis");
    EXPECT_EQ(choices[0].Fields, (TNameList{"Kessel (Temperatur)", "Brenner (Relais)"}));
    EXPECT_TRUE(choices[1].Fields.empty());
    EXPECT_EQ(choices[2].Name, "* Alle definierten Temperaturen *");
    EXPECT_EQ(choices[2].Fields, (TNameList{"Aussen (Temperatur)", "Kessel (Temperatur)"}));
    EXPECT_EQ(FindPlotChoice(choices, "Ohne Liste"), 1);
    EXPECT_EQ(FindPlotChoice(choices, "ohne liste"), -1);
}

}  // namespace
