#include "app/core/WebRequests.h"

#include "app/core/WebSeries.h"
#include "evaluation/PlotSelections.h"
#include "model/Project.h"
#include "app/core/Namespace.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace dedezuviv::app {

std::optional<int64_t> ParseWebInteger(const std::string& text, int64_t low, int64_t high)
{
    int64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() || value < low ||
        value > high)
        return std::nullopt;
    return value;
}

std::optional<TDateTime> ParseWebTime(const std::string& text)
{
    if (text.find('-') == std::string::npos || text.find('-') == 0) {
        // Seconds since 1970, from year 1900 to 2200.
        if (const std::optional<int64_t> seconds = ParseWebInteger(text, -2208988800LL, 7258118400LL))
            return WebDateTime(static_cast<double>(*seconds));
        return std::nullopt;
    }
    TDateTimeParts parts{};
    char rest = 0;
    const int fields = std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &parts.Year, &parts.Month, &parts.Day,
                                   &parts.Hour, &parts.Minute, &parts.Second, &rest);
    const bool dateOnly = fields == 3 && text.size() == 10;
    if (!dateOnly && fields != 5 && fields != 6)
        return std::nullopt;
    TDateTime result = 0;
    if (!TryEncodeDateTime(parts, result))
        return std::nullopt;
    return result;
}

bool ParseWebRange(const TProject& project, const TQueryParameter& query, TWebRange& range, std::string& error)
{
    if (const std::optional<std::string> selection = query("selection")) {
        const std::vector<TPlotChoice> choices = PlotChoices(&project);
        const int index = FindPlotChoice(choices, *selection);
        if (index < 0) {
            error = "Auswahl \"" + *selection + "\" gibt es im Projekt nicht.";
            return false;
        }
        range.Fields = choices[static_cast<size_t>(index)].Fields;
    } else if (const std::optional<std::string> fields = query("fields")) {
        range.Fields.clear();
        size_t at = 0;
        while (at <= fields->size()) {
            const size_t end = std::min(fields->find(',', at), fields->size());
            if (end > at)
                range.Fields.push_back(fields->substr(at, end - at));
            at = end + 1;
        }
    }
    if (range.Fields.empty()) {
        error = "Keine Felder gewählt (selection= oder fields=).";
        return false;
    }
    const std::optional<std::string> from = query("from"), to = query("to");
    const std::optional<TDateTime> start = from ? ParseWebTime(*from) : std::nullopt;
    const std::optional<TDateTime> end = to ? ParseWebTime(*to) : std::nullopt;
    if (!start || !end) {
        error = "Zeitraum fehlt oder ist ungültig (from= und to= als JJJJ-MM-TTTHH:MM:SS).";
        return false;
    }
    range.Start = *start;
    range.End = *end;
    range.IncrementSeconds = 0;
    if (const std::optional<std::string> increment = query("increment")) {
        const std::optional<int64_t> seconds = ParseWebInteger(*increment, 0, 31622400);
        if (!seconds) {
            error = "Ungültiger Abstand \"" + *increment + "\" (0 bis 31622400 Sekunden).";
            return false;
        }
        range.IncrementSeconds = *seconds;
    }
    return true;
}

}  // namespace dedezuviv::app
