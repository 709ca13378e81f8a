// The rules by which a reading becomes the two charts, free of any chart component: which chart and
// axis a series goes to, how on/off traces are stacked, the axis ranges, the legend texts, the
// automatic time increment and the texts of the value hint.
#pragma once

#include "base/DateTime.h"
#include "evaluation/Namespace.h"

#include <cstdint>
#include <string>

namespace dedezuviv::evaluation {

// Time labels of the charts and of the hint: day.month.year hour:minute.second, e.g.
// "08.12.26 10:15.07".
extern const char* const ChartTimeFormat;

// The entry of the plot dialog's list that draws every temperature field.
extern const char* const AllTemperaturesSelection;

// Whether a series goes to the outputs chart: its title, upper-cased, contains "EINGANG", "ZUSTAND" or
// "RELAIS" (the display names of the input, state and output types) anywhere.
bool IsDigitalSeries(const std::string& title);
// Whether an analog series goes to the left (temperature) axis: its upper-cased title contains
// "TEMPERATUR". Others go to the right axis.
bool IsTemperatureAxisSeries(const std::string& title);

// The legend text: the first 15 characters of the plain field name, padded with blanks to 15.
std::string LegendTitle(const std::string& qualifiedName);
constexpr int LegendTitleLength = 15;

// On/off traces: the n-th digital series (from 0) draws y as y * 0.8 - n, so the first runs between 0
// (off) and 0.8 (on), the second between -1 and -0.2, and so on.
constexpr float DigitalScale = 0.8f;
float DigitalOffset(int index);
// The factor that puts a trace into its band of height DigitalScale: DigitalScale for on/off values,
// DigitalScale / Max for a state whose values reach Max (a state 0/1/2 runs between 0, 0.4 and 0.8),
// so that no trace reaches into the band of the next.
float DigitalBandFactor(float maxValue);
// The fixed range of the outputs chart's axis for S digital series: (1 - S) - 0.1 to 1.1.
void DigitalAxisRange(int seriesCount, double& lower, double& upper);
// The fixed range of the temperature axis: the data's range widened by 5 on both sides (0 to 0 when
// the axis has no data).
void TemperatureAxisRange(bool hasData, double dataMin, double dataMax, double& lower, double& upper);

// The automatic increment in seconds when the user leaves it at 0: the range's seconds divided by
// (30,000,000 div the number of fields, at least 1), so that all series together get at most about
// 30 million points.
double AutomaticIncrement(TDateTime start, TDateTime end, int fieldCount);
constexpr int64_t MaxChartPoints = 30000000;
// The increment the reader gets: rounded to whole seconds, halves to the even neighbour.
int64_t ReaderIncrement(double seconds);

// The hint over a point of the temperature chart: the series title up to and including its first
// blank, " = ", the value with two decimals and the system's decimal separator, a blank and "°C" on
// the left axis (nothing on the right), then LF CR, the time as the time axis shows it, and " Uhr".
std::string TemperatureHintText(const std::string& title, double value, bool leftAxis, TDateTime time);
// The hint over a point of the outputs chart: the title part as above, " = ", then "ein" when the
// drawn value has a fractional part (an on value after the stacking never is whole), else "aus".
std::string OutputHintText(const std::string& title, double drawnValue, TDateTime time);

}  // namespace dedezuviv::evaluation
