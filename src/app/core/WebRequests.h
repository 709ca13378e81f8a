// The parameters of the web view's API requests: times, field lists by selection or by name, the
// increment and the export format, checked and turned into the core actions' requests.
#pragma once

#include "base/DateTime.h"
#include "model/Fields.h"
#include "app/core/Namespace.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace dedezuviv::model {
class TProject;
}  // namespace dedezuviv::model

namespace dedezuviv::app {

// A request's query parameters: the value of a name, or none.
using TQueryParameter = std::function<std::optional<std::string>(const std::string& name)>;

// A time: "YYYY-MM-DDTHH:MM[:SS]" (local civil time) or seconds of civil time since 1970.
std::optional<TDateTime> ParseWebTime(const std::string& text);

struct TWebRange {
    TNameList Fields;
    TDateTime Start = 0, End = 0;
    int64_t IncrementSeconds = 0;
};

// "selection" (a stored selection's name, or the entry of all temperatures) or "fields" (qualified
// names separated by commas), "from", "to" and "increment" (seconds, 0 or none: automatic). False with
// a German reason.
bool ParseWebRange(const TProject& project, const TQueryParameter& query, TWebRange& range, std::string& error);

// A whole number within [Low, High]; none when the text is anything else.
std::optional<int64_t> ParseWebInteger(const std::string& text, int64_t low, int64_t high);

}  // namespace dedezuviv::app
