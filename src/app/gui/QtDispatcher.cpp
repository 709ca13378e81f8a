#include "app/gui/QtDispatcher.h"
#include "app/gui/Namespace.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace dedezuviv::gui {

void TQtDispatcher::ProcessMessages()
{
    QCoreApplication::processEvents();
    RunPendingTasks();
}

void TQtDispatcher::WakeMainThread()
{
    // Called from a worker: a queued call makes the event loop run the tasks soon.
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [this] { RunPendingTasks(); }, Qt::QueuedConnection);
}

}  // namespace dedezuviv::gui
