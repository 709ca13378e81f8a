// The window's one dialog of a kind, made at first use with the window as its parent. It is freed
// with its window, so a new window (the tests make one per test) gets a new dialog.
#pragma once

#include "app/gui/Namespace.h"

#include <QPointer>
#include <QWidget>

namespace dedezuviv::gui {

template <typename TDialog>
TDialog& WindowDialog(QWidget& window)
{
    static QPointer<TDialog> dialog;
    if (dialog.isNull() || dialog->parent() != &window)
        dialog = new TDialog(&window);
    return *dialog;
}

}  // namespace dedezuviv::gui
