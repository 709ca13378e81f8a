#include "app/gui/StandardFont.h"

#include <QFontDatabase>

TStandardFont& StandardFont()
{
    static TStandardFont font{QFontDatabase::systemFont(QFontDatabase::GeneralFont), 0};
    return font;
}

QColor ColorFromValue(int32_t value)
{
    const auto v = static_cast<uint32_t>(value);
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}
