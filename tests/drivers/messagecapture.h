#ifndef MESSAGECAPTURE_H
#define MESSAGECAPTURE_H

#include <QStringList>
#include <QtGlobal>

// Collects the debug lines written while it lives, so a test can tell what
// was logged and, as important, that nothing was.
class MessageCapture
{
public:
    MessageCapture() : previous(qInstallMessageHandler(&MessageCapture::collect)) { active() = this; }
    ~MessageCapture()
    {
        qInstallMessageHandler(previous);
        active() = nullptr;
    }
    MessageCapture(const MessageCapture &) = delete;
    MessageCapture &operator=(const MessageCapture &) = delete;

    QStringList debugLines;

private:
    static MessageCapture *&active()
    {
        static MessageCapture *capture = nullptr;
        return capture;
    }

    static void collect(QtMsgType type, const QMessageLogContext &, const QString &message)
    {
        if (active() && type == QtDebugMsg)
            active()->debugLines.append(message);
    }

    QtMessageHandler previous;
};

#endif // MESSAGECAPTURE_H
