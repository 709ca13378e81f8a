// One menu entry as a commands unit declares it: the menu it belongs to, its caption there, its
// shortcut (none when empty) and what it does.
#pragma once

#include <QKeySequence>
#include <QString>

#include <functional>
#include "app/gui/Namespace.h"

namespace dedezuviv::gui {

struct TMenuRow {
    QString Menu;
    QString Caption;
    QKeySequence Shortcut;
    std::function<void()> Handler;
};

}  // namespace dedezuviv::gui
