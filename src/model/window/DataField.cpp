#include "model/window/DataField.h"
#include "model/Namespace.h"

namespace dedezuviv::model {

bool TDataField::SameSettings(const TDataField& other) const
{
    return Fieldname == other.Fieldname && UnitStr == other.UnitStr && CaptionStr == other.CaptionStr &&
           UseFieldnameAsCaption == other.UseFieldnameAsCaption && UseDefaultUnit == other.UseDefaultUnit &&
           ActivateMin == other.ActivateMin && ActivateMax == other.ActivateMax && MinVal == other.MinVal &&
           MaxVal == other.MaxVal && BoldFont == other.BoldFont && ItalicFont == other.ItalicFont &&
           FontColor == other.FontColor && MinFontColor == other.MinFontColor &&
           MaxFontColor == other.MaxFontColor;
}

}  // namespace dedezuviv::model
