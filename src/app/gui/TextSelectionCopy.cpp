#include "app/gui/TextSelectionCopy.h"

#include "app/gui/Namespace.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace dedezuviv::gui {

bool CopyFocusedTextSelection()
{
    QWidget* focus = QApplication::focusWidget();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(focus); plain && plain->textCursor().hasSelection()) {
        plain->copy();
        return true;
    }
    if (auto* rich = qobject_cast<QTextEdit*>(focus); rich && rich->textCursor().hasSelection()) {
        rich->copy();
        return true;
    }
    if (auto* line = qobject_cast<QLineEdit*>(focus); line && line->hasSelectedText()) {
        line->copy();
        return true;
    }
    return false;
}

}  // namespace dedezuviv::gui
