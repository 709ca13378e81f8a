// The window's progress window as the core actions drive it (TActionProgress): opened when the
// action's run begins (with "Abbrechen" when the command can be cancelled), closed before the
// action's first message, and at the latest when the command ends, also on an exception.
#pragma once

#include "app/core/ActionProgress.h"
#include "app/gui/ProgressWindow.h"
#include "app/gui/Namespace.h"

namespace dedezuviv::gui {

class TActionLogBox {
public:
    TActionLogBox(TLogBox& box, bool cancelable) : Box(box), Cancelable(cancelable) {}
    ~TActionLogBox() { Close(); }
    TActionLogBox(const TActionLogBox&) = delete;
    TActionLogBox& operator=(const TActionLogBox&) = delete;

    TActionProgress Progress()
    {
        return {.Lines = &Box,
                .CancelRequested = [this] { return Box.CancelRequested(); },
                .Open = [this] { Open(); },
                .Close = [this] { Close(); }};
    }

private:
    void Open()
    {
        Box.Open();
        if (Cancelable)
            Box.SetCancelable(true);
        IsOpen = true;
    }
    void Close()
    {
        if (!IsOpen)
            return;
        IsOpen = false;
        if (Cancelable)
            Box.SetCancelable(false);
        Box.Close();
    }

    TLogBox& Box;
    const bool Cancelable;
    bool IsOpen = false;
};

}  // namespace dedezuviv::gui
