#include "app/gui/StandardFont.h"
#include "app/gui/Namespace.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPalette>

namespace dedezuviv::gui {

TStandardFont& StandardFont()
{
    static TStandardFont font{QFontDatabase::systemFont(QFontDatabase::GeneralFont), 0};
    return font;
}

namespace {

// The palette colour of a Windows system colour index (COLOR_WINDOW = 5 ... COLOR_INFOBK = 24).
QColor SystemColor(uint32_t index)
{
    const QPalette palette = QApplication::palette();
    switch (index) {
    case 1: case 4: case 12: return palette.color(QPalette::Window);
    case 5: return palette.color(QPalette::Base);
    case 13: return palette.color(QPalette::Highlight);
    case 14: return palette.color(QPalette::HighlightedText);
    case 15: return palette.color(QPalette::Button);
    case 16: return palette.color(QPalette::Dark);
    case 17: return palette.color(QPalette::Disabled, QPalette::WindowText);
    case 18: return palette.color(QPalette::ButtonText);
    case 20: return palette.color(QPalette::Light);
    case 21: return palette.color(QPalette::Shadow);
    case 22: return palette.color(QPalette::Midlight);
    case 23: return palette.color(QPalette::ToolTipText);
    case 24: return palette.color(QPalette::ToolTipBase);
    default: return palette.color(QPalette::WindowText);  // the text colours (menu, window, caption)
    }
}

}  // namespace

QColor ColorFromValue(int32_t value)
{
    const auto v = static_cast<uint32_t>(value);
    if ((v >> 24) == 0xFF)
        return SystemColor(v & 0xFFFFFF);
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

void ApplyStandardFontColor(QWidget& widget)
{
    const QColor color = ColorFromValue(StandardFont().Color);
    QPalette palette = widget.palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Text, color);
        palette.setColor(group, QPalette::WindowText, color);
    }
    widget.setPalette(palette);
}

}  // namespace dedezuviv::gui
