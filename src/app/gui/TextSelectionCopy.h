// Ctrl+C where the user selected text: the window's Ctrl+C copies the data table, but in a text view
// (terminal, field list) or a text field with a selection the user means that selection.
#pragma once

#include "app/gui/Namespace.h"

namespace dedezuviv::gui {

// Copies the selection of the focused text view or text field to the clipboard; false (nothing
// copied) when the focus is elsewhere or nothing is selected.
bool CopyFocusedTextSelection();

}  // namespace dedezuviv::gui
