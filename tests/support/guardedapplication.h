#ifndef GUARDEDAPPLICATION_H
#define GUARDEDAPPLICATION_H

#include <QApplication>
#include <QStringList>

#include <exception>

// An application that stops any exception on its way from an event handler
// into the event loop and keeps what it said, so that a test can fail on it
// instead of the process ending. Clicks sent with QTest and queued slot calls
// both pass through notify().
class GuardedApplication : public QApplication
{
public:
    GuardedApplication(int &argc, char **argv) : QApplication(argc, argv) {}

    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception &e) {
            escaped.append(QString::fromUtf8(e.what()));
        } catch (...) {
            escaped.append(QStringLiteral("(not a std::exception)"));
        }
        return false;
    }

    // What escaped since the last call, and forgets it.
    static QStringList takeEscaped()
    {
        auto *app = dynamic_cast<GuardedApplication *>(instance());
        if (!app)
            qFatal("the test's application is no GuardedApplication");
        QStringList taken;
        taken.swap(app->escaped);
        return taken;
    }

private:
    QStringList escaped;
};

#endif // GUARDEDAPPLICATION_H
