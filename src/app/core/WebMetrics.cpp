#include "app/core/WebMetrics.h"

#include "app/core/WebSeries.h"
#include "app/core/Namespace.h"

#include <cstdio>

namespace dedezuviv::app {

namespace {

std::string Number(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

void Family(std::string& out, const char* name, const char* type, const char* help)
{
    out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

}  // namespace

std::string MetricLabelValue(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out;
}

std::string MetricsText(const TWebCounters& counters, const TWebServerFigures& server)
{
    std::string out;
    const auto fieldLines = [&](bool counter) {
        std::string lines;
        for (const TWebCounters::TGauge& gauge : counters.Fields)
            if (gauge.Counter == counter)
                lines += std::string(counter ? "dedezuviv_field_counter_total" : "dedezuviv_field") + "{type=\"" +
                         MetricLabelValue(gauge.Type) + "\",name=\"" + MetricLabelValue(gauge.Name) + "\"} " +
                         Number(gauge.Value) + "\n";
        return lines;
    };
    Family(out, "dedezuviv_field", "gauge", "Value of a named field in the last record.");
    out += fieldLines(false);
    Family(out, "dedezuviv_field_counter_total", "counter", "Value of a named counter field in the last record.");
    out += fieldLines(true);
    Family(out, "dedezuviv_records_total", "counter", "Records acknowledged since the web view started.");
    out += "dedezuviv_records_total " + std::to_string(counters.Records) + "\n";
    Family(out, "dedezuviv_port_errors_total", "counter",
           "Errors the running serial port reported, failed acknowledgements among them.");
    out += "dedezuviv_port_errors_total " + std::to_string(counters.PortErrors) + "\n";
    Family(out, "dedezuviv_link_up", "gauge", "1 while logging runs with the device present.");
    out += std::string("dedezuviv_link_up ") + (counters.LoggingActive && !counters.LineLost ? "1" : "0") + "\n";
    Family(out, "dedezuviv_last_record_seconds", "gauge",
           "Controller time of the last record, local civil time as seconds since 1970.");
    out += "dedezuviv_last_record_seconds " +
           (counters.LastRecordTime == 0 ? std::string("0") : Number(WebSeconds(counters.LastRecordTime))) + "\n";
    Family(out, "dedezuviv_web_event_clients", "gauge", "Open live-event streams.");
    out += "dedezuviv_web_event_clients " + std::to_string(server.EventClients) + "\n";
    Family(out, "dedezuviv_web_requests_total", "counter", "Requests answered by the web view.");
    out += "dedezuviv_web_requests_total " + std::to_string(server.Requests) + "\n";
    Family(out, "dedezuviv_web_refused_total", "counter", "Requests refused for a missing or wrong token.");
    out += "dedezuviv_web_refused_total " + std::to_string(server.Refused) + "\n";
    return out;
}

}  // namespace dedezuviv::app
