// The main-thread hand-off for the window: workers queue their events, the Qt event loop runs them.
#pragma once

#include "base/MainThread.h"
#include "app/gui/Namespace.h"

namespace dedezuviv::gui {

class TQtDispatcher : public TTaskQueueDispatcher {
public:
    // Lets pending window events run and then the queued worker tasks.
    void ProcessMessages() override;

protected:
    void WakeMainThread() override;
};

}  // namespace dedezuviv::gui
