#ifndef FIRSTPAINT_H
#define FIRSTPAINT_H

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

// Ends the event loop once the watched window has painted for the first
// time. The whole window is painted in that one pass (the children follow
// the window in the same flush), so what the process did up to here is what
// a user waits for before the window appears.
class QuitOnFirstPaint : public QObject
{
public:
    explicit QuitOnFirstPaint(QObject *window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QCoreApplication::quit();
        }
        return false;
    }
};

#endif // FIRSTPAINT_H
