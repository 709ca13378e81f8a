#include "model/window/TableCells.h"

#include "model/FieldValue.h"
#include "model/Fields.h"
#include "model/ValueText.h"
#include "model/Namespace.h"

namespace dedezuviv::model {

namespace {

// Integer kinds and floats take part in the limit checks.
bool NumericValue(const TFieldValue& value, double& number)
{
    if (value.Kind == vkFloat) {
        number = value.FloatValue;
        return true;
    }
    if (value.Kind == vkInteger || value.Kind == vkHex) {
        number = value.IntValue;
        return true;
    }
    return false;
}

}  // namespace

std::string CellDisplayText(TDataField& field, const TProject* project, const TDecodedRecord& record)
{
    field.DisplayColor = field.FontColor;
    std::string valueText;
    int fieldType = -1;
    if (!field.Fieldname.empty()) {
        TFieldValue value;
        GetFieldValue(project, record, field.Fieldname, fieldType, value);
        valueText = ValueToText(value);
        double number = 0;
        if (NumericValue(value, number)) {
            if (field.ActivateMin && number < field.MinVal)
                field.DisplayColor = field.MinFontColor;
            if (field.ActivateMax && number > field.MaxVal)
                field.DisplayColor = field.MaxFontColor;
        }
    }
    std::string caption;
    if (field.UseFieldnameAsCaption) {
        if (!field.Fieldname.empty())
            caption = PlainFieldName(field.Fieldname) + ": ";
    } else {
        caption = field.CaptionStr;
    }
    std::string unit;
    if (!field.UseDefaultUnit)
        unit = field.UnitStr;
    else if (!field.Fieldname.empty() && fieldType >= 0 && fieldType < FieldTypeCount)
        unit = FieldTypeUnits[fieldType];
    return caption + valueText + unit;
}

}  // namespace dedezuviv::model
