#ifndef WINDOWRUN_H
#define WINDOWRUN_H

#include "modalwatcher.h"
#include "paycardmainwindow.h"

#include <functional>

// Runs a window from start to close, as a user's session does: it loads the
// settings files when it opens and writes them when it closes. Returns what
// the message boxes said on the way; `during` runs while the window lives.
inline QStringList startAndClose(const std::function<void(PayCardMainWindow &)> &during = {})
{
    ModalWatcher watcher;
    {
        PayCardMainWindow window;
        if (during)
            during(window);
    }
    return watcher.texts;
}

#endif // WINDOWRUN_H
