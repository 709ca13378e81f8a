#include "evaluation/ChartRules.h"

#include "base/FormatSettings.h"
#include "model/Fields.h"
#include "protocol/RecordDecoder.h"
#include "evaluation/Namespace.h"

#include <cmath>
#include <cstdio>

namespace dedezuviv::evaluation {

const char* const ChartTimeFormat = "dd.mm.yy hh:nn.ss";
const char* const AllTemperaturesSelection = "* Alle definierten Temperaturen *";

namespace {

std::string AsciiUpper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool TitleContainsType(const std::string& title, TFieldType type)
{
    return AsciiUpper(title).find(AsciiUpper(FieldTypeCaptions[type])) != std::string::npos;
}

// Bytes of the UTF-8 character that starts with Lead (1 for a stray byte).
size_t CharacterLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    if (lead >= 0xE0)
        return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

std::string HintName(const std::string& title)
{
    const size_t blank = title.find(' ');
    return blank == std::string::npos ? title : title.substr(0, blank + 1);
}

std::string HintTimeLine(TDateTime time) { return "\n\r" + FormatDateTime(ChartTimeFormat, time) + " Uhr"; }

}  // namespace

bool IsDigitalSeries(const std::string& title)
{
    return TitleContainsType(title, ftInput) || TitleContainsType(title, ftState) || TitleContainsType(title, ftOutput);
}

bool IsTemperatureAxisSeries(const std::string& title) { return TitleContainsType(title, ftTemperature); }

std::string LegendTitle(const std::string& qualifiedName)
{
    const std::string plain = PlainFieldName(qualifiedName);
    std::string result;
    int characters = 0;
    size_t pos = 0;
    while (pos < plain.size() && characters < LegendTitleLength) {
        size_t length = CharacterLength(static_cast<unsigned char>(plain[pos]));
        if (pos + length > plain.size())
            length = plain.size() - pos;
        result.append(plain, pos, length);
        pos += length;
        ++characters;
    }
    result.append(static_cast<size_t>(LegendTitleLength - characters), ' ');
    return result;
}

float DigitalOffset(int index) { return -static_cast<float>(index); }

float DigitalBandFactor(float maxValue) { return maxValue > 1 ? DigitalScale / maxValue : DigitalScale; }

void DigitalAxisRange(int seriesCount, double& lower, double& upper)
{
    lower = (1.0 - seriesCount) - 0.1;
    upper = 1.1;
}

void TemperatureAxisRange(bool hasData, double dataMin, double dataMax, double& lower, double& upper)
{
    if (!hasData)
        dataMin = dataMax = 0;
    lower = dataMin - 5;
    upper = dataMax + 5;
}

double AutomaticIncrement(TDateTime start, TDateTime end, int fieldCount)
{
    const int64_t fields = fieldCount < 1 ? 1 : fieldCount;
    return (end - start) * 86400.0 / static_cast<double>(MaxChartPoints / fields);
}

int64_t ReaderIncrement(double seconds)
{
    if (!std::isfinite(seconds))
        return 0;
    return static_cast<int64_t>(std::nearbyint(seconds));
}

std::string TemperatureHintText(const std::string& title, double value, bool leftAxis, TDateTime time)
{
    char number[64];
    std::snprintf(number, sizeof(number), "%.2f", value);
    for (char* c = number; *c; ++c)
        if (*c == '.')
            *c = FormatSettings().DecimalSeparator;
    return HintName(title) + " = " + number + " " + (leftAxis ? "°C" : "") + HintTimeLine(time);
}

std::string OutputHintText(const std::string& title, double drawnValue, TDateTime time)
{
    const bool on = drawnValue != std::trunc(drawnValue);
    return HintName(title) + " = " + (on ? "ein" : "aus") + HintTimeLine(time);
}

}  // namespace dedezuviv::evaluation
