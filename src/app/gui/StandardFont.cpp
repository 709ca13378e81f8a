#include "app/gui/StandardFont.h"

#include <QFontDatabase>

TStandardFont& StandardFont()
{
    static TStandardFont font{QFontDatabase::systemFont(QFontDatabase::GeneralFont), 0};
    return font;
}
