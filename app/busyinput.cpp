#include "busyinput.h"

#include "driverjournal.h"

#include <QCoreApplication>
#include <QEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QMetaObject>

#include <algorithm>
#include <iterator>

namespace {

bool busy = false;

const QEvent::Type inputTypes[] = {
    QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
    QEvent::KeyPress,         QEvent::KeyRelease,         QEvent::ShortcutOverride,
    QEvent::Wheel,            QEvent::TouchBegin,         QEvent::TouchUpdate,
    QEvent::TouchEnd,
};

bool isUserInput(QEvent::Type type)
{
    return std::find(std::begin(inputTypes), std::end(inputTypes), type) != std::end(inputTypes);
}

// Eats the mouse and key input that was queued while the bench waited.
class InputDropper : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override { return isUserInput(event->type()); }
};

// Runs once control is back in an event loop, that is after the slot whose
// driver calls made the window wait. The input that arrived meanwhile is
// still queued; it is delivered now, through the dropper.
void endBusy()
{
    InputDropper dropper;
    qApp->installEventFilter(&dropper);
    // Timers stay queued: only input is wanted, from the window system and
    // posted. Posted events are sent by type, since this runs as one of them
    // and the event loop does not dispatch them again from inside.
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers | QEventLoop::X11ExcludeTimers);
    for (const QEvent::Type type : inputTypes)
        QCoreApplication::sendPostedEvents(nullptr, type);
    qApp->removeEventFilter(&dropper);
    QGuiApplication::restoreOverrideCursor();
    busy = false;
}

// Called before every driver call: cheap after the first of a slot.
void beginBusy()
{
    if (busy)
        return;
    busy = true;
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    QMetaObject::invokeMethod(qApp, &endBusy, Qt::QueuedConnection);
}

} // namespace

void installBusyInput()
{
    DriverCall::busyHook = beginBusy;
}
