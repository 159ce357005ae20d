#ifndef DRIVERJOURNAL_H
#define DRIVERJOURNAL_H

#include "exception.h"
#include "operationnames.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QString>

namespace NEB {
namespace PayCard {
class IPayCard;
}
namespace Fptr {
class IFptr;
}
} // namespace NEB

// The journal of every call the bench makes into a driver: one JSON object
// per line, appended to a file and in the system's hands as soon as it is
// complete, so that the calls that led to a crash are on disk when it happens.
// A regular file is written through a shared mapping of its end, which is the
// system's own page cache: a line costs a copy, not a system call, and a crash
// of the process loses none of it. Until the file is closed it ends in the
// room not yet filled, NULs that the next run opening it cuts off; one program
// at a time writes it, and a second one is refused.
//
// While no journal is open, active() is null and a driver call pays for that
// one check; nothing is formatted. An open journal only watches: the call,
// its arguments and its order stay what they would have been.
class DriverJournal
{
public:
    static DriverJournal *active() { return current; }

    // Opens `fileName` for appending and makes it the active journal. Returns
    // an empty string, or the reason the file could not be opened (the bench
    // then works on without a journal).
    //
    // The first line written says where this start begins, so that the runs
    // appended to one file can be told apart:
    //   {"time":"…","run":"start","version":"…","scenario":"S.json"}
    // with "window":true instead of "scenario" when the window is started.
    static QString start(const QString &fileName, const QString &scenario = QString());
    static void stop();

    // Names a terminal's lines by its id from now on; an empty name stops
    // naming it. Whoever shows the names tells the journal of every change,
    // so that a line costs one look-up however many devices there are, and
    // the name is masked and quoted here once, not on every line.
    void nameDevice(int id, const QString &name);

    // Device bookkeeping, free while no journal is open. A journal knows the
    // ids of the devices added while it is open, which is why the program
    // opens it before the window makes its devices.
    static void noteDevice(const void *object, int id)
    {
        if (current && object)
            current->known[object].id = id;
    }

    // One call of a driver object's operation; see DriverCall::call.
    template <class I, class Pointer, class... Params>
    int call(I *driver, Pointer operation, Params... args)
    {
        Entry entry(driver, interfaceName(driver), OperationNames::of<I>(operation));
        const int result = (driver->*operation)(args...);
        entry.elapsed = entry.timer.nsecsElapsed();
        entry.result = result;
        entry.hasResult = true;
        (entry.describe(args), ...);
        write(entry);
        return result;
    }

    // A library's create function: the version asked for, the object made.
    template <class I, class Create>
    I *create(const char *library, const QString &symbol, int version, Create createObject)
    {
        Entry entry(nullptr, library, nullptr);
        const QByteArray name = symbol.toUtf8();
        entry.operation = name.constData();
        I *object = createObject();
        entry.elapsed = entry.timer.nsecsElapsed();
        entry.describe(version);
        entry.value = pointerText(object);
        if (object)
            known[object].library = library;
        write(entry);
        return object;
    }

    // A library's release function, given the address of the caller's
    // pointer; the object is forgotten afterwards, its address may come back.
    template <class I, class Release>
    int release(const QString &symbol, I *object, Release releaseObject)
    {
        Entry entry(object, interfaceName(object), nullptr);
        const QByteArray name = symbol.toUtf8();
        entry.operation = name.constData();
        entry.describe(static_cast<const void *>(object));
        const int result = releaseObject();
        entry.elapsed = entry.timer.nsecsElapsed();
        entry.result = result;
        entry.hasResult = true;
        write(entry);
        known.remove(object);
        return result;
    }

private:
    struct Known
    {
        const char *library = nullptr;
        int id = 0;
    };

    // What one call sends and gets back, gathered while it runs.
    struct Entry
    {
        Entry(const void *object, const char *library, const char *operation);

        // Arguments in order; a buffer is taken together with the size that
        // follows it, and pointers to outputs give the value read.
        void describe(int number);
        void describe(double number);
        void describe(const wchar_t *text);
        void describe(wchar_t *buffer);
        void describe(int *output);
        void describe(double *output);
        void describe(const void *pointer);
        void describe(void *pointer) { describe(static_cast<const void *>(pointer)); }
        QByteArray &nextArgument();

        qint64 time; // milliseconds since the epoch
        const void *object;
        const char *library;
        const char *operation;
        QElapsedTimer timer;
        qint64 elapsed = 0;
        int result = 0;
        bool hasResult = false;
        QByteArray arguments; // joined by commas
        QByteArray value;
        wchar_t *buffer = nullptr;
    };

    DriverJournal() { lineBuffer.reserve(512); }
    ~DriverJournal();
    QString open(const QString &fileName); // the reason it failed, or empty
    void write(const Entry &entry);
    void append(QByteArray &line);
    bool mapMore(qint64 needed);
    void unmap();
    static const char *interfaceName(const NEB::PayCard::IPayCard *) { return "paycard"; }
    static const char *interfaceName(const NEB::Fptr::IFptr *) { return "fptr"; }
    static QByteArray pointerText(const void *pointer);
    void appendTime(QByteArray &line, qint64 msecs);

    static DriverJournal *current;
    QFile file;
    QByteArray lineBuffer;
    // Where the lines so far end, and the mapping they are copied into, which
    // reaches past them into room the file was grown by. `mappable` is false
    // for what is no regular file (a pipe, a terminal): one write per line.
    bool mappable = false;
    qint64 length = 0;
    uchar *mapped = nullptr;
    qint64 mappedFrom = 0;
    qint64 mappedSize = 0;
    qint64 mapAgainAt = 0; // after the file could not be grown
    QHash<const void *, Known> known;
    QHash<int, QByteArray> names; // terminal id to its name as a JSON string
    // The local date and time up to the second, formatted once for all the
    // lines written within that second.
    qint64 formattedSecond = -1;
    QByteArray formattedTime;
};

namespace DriverCall {

template <class T>
struct Same
{
    using type = T;
};

// Calls an operation of a driver object, through the journal when one is
// open. The arguments are converted to the operation's own parameter types
// first, so the journal records exactly what the driver receives.
// Told before each driver call, where a window shows that it waits. A
// driver's own settings dialog is not waited on: the user works in it.
extern void (*busyHook)();

template <class I, class... Params>
int call(I *driver, int (NEBAPI I::*operation)(Params...), typename Same<Params>::type... args)
{
    if (busyHook) {
        bool waited = true;
        if constexpr (sizeof...(Params) == 0)
            waited = operation != &I::showProperties;
        if (waited)
            busyHook();
    }
    return guardDriverCall(OperationNames::of<I>(operation), [&] {
        if (DriverJournal *journal = DriverJournal::active())
            return journal->call(driver, operation, args...);
        return (driver->*operation)(args...);
    });
}

} // namespace DriverCall

#endif // DRIVERJOURNAL_H
