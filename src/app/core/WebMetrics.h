// /metrics of the web view in the Prometheus text format: every named numeric field of the last record
// as a gauge (counters as counters) with its type and name as labels, the records acknowledged, the
// link state and the web view's own figures.
#pragma once

#include "app/core/WebLiveFeed.h"
#include "app/core/Namespace.h"

#include <cstdint>
#include <string>

namespace dedezuviv::app {

struct TWebServerFigures {
    int EventClients = 0;      // open live-event streams
    uint64_t Requests = 0;     // requests answered
    uint64_t Refused = 0;      // requests refused for a missing or wrong token
};

std::string MetricsText(const TWebCounters& counters, const TWebServerFigures& server);

// The text as a label value: backslash, double quote and line feed escaped.
std::string MetricLabelValue(const std::string& text);

}  // namespace dedezuviv::app
