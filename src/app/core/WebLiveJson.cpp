#include "app/core/WebLiveJson.h"

#include "base/JsonText.h"
#include "model/FieldValue.h"
#include "model/Fields.h"
#include "model/Project.h"
#include "model/ValueText.h"
#include "model/window/DataTable.h"
#include "model/window/TableCells.h"
#include "app/core/Namespace.h"

#include <cstdio>

namespace dedezuviv::app {

namespace {

std::string ColorText(TCellColor color)
{
    // Red in the lowest byte, as the window stores it.
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    return text;
}

void AppendItem(std::string& out, const std::string& name, const TFieldValue& value, const std::string& unit)
{
    out += "{\"name\":";
    AppendJsonString(out, name);
    out += ",\"text\":";
    AppendJsonString(out, ValueToText(value));
    out += ",\"unit\":";
    AppendJsonString(out, unit);
    out += '}';
}

// The window's field list: the system fields, then every type with its values in record order.
void AppendFieldList(std::string& out, const TProject* project, const TDecodedRecord& record)
{
    out += "[{\"caption\":\"Systemfelder\",\"items\":[";
    for (size_t i = 0; i < SystemFields.size(); ++i) {
        int type = -1;
        TFieldValue value;
        GetFieldValue(project, record, SystemFields[i], type, value);
        if (i > 0)
            out += ',';
        AppendItem(out, SystemFields[i], value, "");
    }
    out += "]}";
    for (int type = 0; type < FieldTypeCount; ++type) {
        out += ",{\"caption\":";
        AppendJsonString(out, "Felder vom Typ " + FieldTypeCaptions[type]);
        out += ",\"items\":[";
        const TNameList& names = project->FieldNames[type];
        for (int p = 0; p < record.Counts[type]; ++p) {
            if (p > 0)
                out += ',';
            AppendItem(out, p < static_cast<int>(names.size()) ? names[p] : "Feld " + std::to_string(p),
                       record.Values[type][p], FieldTypeUnits[type]);
        }
        out += "]}";
    }
    out += ']';
}

}  // namespace

std::string WebTimeText(TDateTime time)
{
    if (time == 0)
        return {};
    const TDateTimeParts parts = DecodeDateTime(time);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", parts.Year, parts.Month, parts.Day,
                  parts.Hour, parts.Minute, parts.Second);
    return text;
}

std::string WebRecordJson(const TProject* project, const TDataTable& table, const TDecodedRecord& record,
                          uint64_t records)
{
    std::string out = "{\"time\":";
    AppendJsonString(out, WebTimeText(record.Header.RT));
    out += ",\"records\":" + std::to_string(records) + ",\"cells\":[";
    bool first = true;
    if (project)
        table.ForEachCell([&](int col, int row, const TDataField& stored) {
            TDataField field = stored;
            const std::string text = CellDisplayText(field, project, record);
            out += first ? "" : ",";
            first = false;
            out += "{\"col\":" + std::to_string(col) + ",\"row\":" + std::to_string(row) + ",\"text\":";
            AppendJsonString(out, text);
            out += ",\"color\":\"" + ColorText(field.DisplayColor) + "\"";
            out += std::string(",\"bold\":") + (field.BoldFont ? "true" : "false");
            out += std::string(",\"italic\":") + (field.ItalicFont ? "true" : "false") + "}";
        });
    out += "],\"fields\":";
    if (project)
        AppendFieldList(out, project, record);
    else
        out += "[]";
    out += '}';
    return out;
}

std::string WebLiveJson(const TProject* project, const TWebLoggingState& state, const std::string& recordJson)
{
    std::string out = "{\"project\":";
    AppendJsonString(out, project ? project->GetName() : std::string());
    out += std::string(",\"logging\":{\"active\":") + (state.Active ? "true" : "false");
    out += std::string(",\"lineLost\":") + (state.LineLost ? "true" : "false");
    out += std::string(",\"recording\":") + (state.Recording ? "true" : "false");
    out += ",\"port\":";
    AppendJsonString(out, state.Port);
    out += "},\"record\":" + recordJson + "}";
    return out;
}

}  // namespace dedezuviv::app
