// One menu entry as a commands unit declares it: the menu it belongs to, its caption there, its
// shortcut (none when empty) and what it does.
#pragma once

#include "app/gui/Namespace.h"

#include <QKeySequence>
#include <QString>

#include <functional>

namespace dedezuviv::gui {

struct TMenuRow {
    QString Menu;
    QString Caption;
    QKeySequence Shortcut;
    std::function<void()> Handler;
};

}  // namespace dedezuviv::gui
