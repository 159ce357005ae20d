#ifndef WINDOWRUN_H
#define WINDOWRUN_H

#include "dialogs.h"
#include "paycardmainwindow.h"

#include <functional>

// Runs a window from start to close, as a user's session does: it loads the
// settings files when it opens and writes them when it closes. Returns what
// the message boxes said on the way; `during` runs while the window lives.
inline QStringList startAndClose(const std::function<void(PayCardMainWindow &)> &during = {})
{
    answerEveryDialog(true);
    {
        PayCardMainWindow window;
        if (during)
            during(window);
    }
    answerEveryDialog(false);
    QStringList texts;
    for (const AnsweredDialog &dialog : takeAnsweredDialogs())
        texts.append(dialog.text);
    return texts;
}

#endif // WINDOWRUN_H
