#include "driverjournal.h"
#include "cardnumbers.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#include <qt_windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

DriverJournal *DriverJournal::current = nullptr;
void (*DriverCall::busyHook)() = nullptr;

namespace {

// The room the file grows by at a time for lines to be copied into.
constexpr qint64 RoomSize = 1 << 20;

// The line end the journal has always had: that of a text file of the system.
#ifdef Q_OS_WIN
const char LineEnd[] = "\r\n";
#else
const char LineEnd[] = "\n";
#endif

// Grows the file from `from` to `size` bytes with the disk space taken, so that
// a full disk fails here, not as a fault when a mapped page is first written.
bool allocate(QFile &file, qint64 from, qint64 size)
{
    if (!file.resize(size))
        return false;
#ifdef Q_OS_WIN
    // What the file is extended by is allocated at once.
    Q_UNUSED(from)
    return true;
#else
    // Here what it is extended by is a hole, whose blocks are only found when
    // the pages are written.
    return posix_fallocate(file.handle(), from, size - from) == 0;
#endif
}

// Makes the pages of a fresh room present in one go. Each first write to a
// page would otherwise trap into the system on its own, and those traps were
// the better part of what a line cost. Where the system cannot, the pages
// simply come one by one.
void prefault(uchar *room, qint64 size)
{
#if defined(MADV_POPULATE_WRITE)
    const quintptr pageSize = quintptr(sysconf(_SC_PAGESIZE));
    const quintptr skipped = quintptr(room) % pageSize;
    madvise(room - skipped, size_t(size) + skipped, MADV_POPULATE_WRITE);
#else
    Q_UNUSED(room)
    Q_UNUSED(size)
#endif
}

// Takes the file for this process alone, or fails at once where another has
// it. The system lets the lock go with the process, however it ends.
bool lockAlone(QFile &file)
{
#ifdef Q_OS_WIN
    // A byte far past anything a journal reaches, since a locked range
    // cannot be written by others, not even by this process's other handles.
    OVERLAPPED at = {};
    at.Offset = 0xffffffff;
    at.OffsetHigh = 0x7fffffff;
    return LockFileEx(HANDLE(_get_osfhandle(file.handle())), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY,
                      0, 1, 0, &at);
#else
    return flock(file.handle(), LOCK_EX | LOCK_NB) == 0;
#endif
}

// `text` as a JSON string, card numbers masked. The text is converted once
// and copied in runs between the characters to escape, which are rare,
// instead of character by character.
QByteArray jsonString(const QString &text)
{
    const QByteArray utf8 = ::maskCardNumbers(text).toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out += '"';
    int run = 0;
    for (int i = 0; i < utf8.size(); ++i) {
        const uchar c = uchar(utf8.at(i));
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(utf8.constData() + run, i - run);
        run = i + 1;
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(c));
            out += escaped;
        }
        }
    }
    out.append(utf8.constData() + run, utf8.size() - run);
    out += '"';
    return out;
}

// The same digits as QByteArray::number, without a string of their own.
void appendNumber(QByteArray &out, qint64 number)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, int(end - digits));
}

QByteArray jsonNumber(double number)
{
    if (!std::isfinite(number))
        return "null";
    return QByteArray::number(number, 'g', QLocale::FloatingPointShortest);
}

// A driver's text, up to its first NUL and never past the buffer's size.
QString bufferText(const wchar_t *buffer, int size)
{
    int length = 0;
    while (length < size && buffer[length] != 0)
        ++length;
    return QString::fromWCharArray(buffer, length);
}

} // namespace

QString DriverJournal::start(const QString &fileName, const QString &scenario)
{
    stop();
    auto *journal = new DriverJournal;
    if (const QString reason = journal->open(fileName); !reason.isEmpty()) {
        delete journal;
        return reason;
    }
    QByteArray line = "{\"time\":\"" + QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toLatin1()
                      + "\",\"run\":\"start\",\"version\":\"" PAYCARD_BENCH_VERSION "\",";
    line += scenario.isEmpty() ? QByteArray("\"window\":true") : "\"scenario\":" + jsonString(scenario);
    line += '}';
    journal->append(line);
    current = journal;
    return QString();
}

QString DriverJournal::open(const QString &fileName)
{
    file.setFileName(fileName);
    // Read as well as written, as a mapping that writes needs.
    if (file.open(QIODevice::ReadWrite | QIODevice::Unbuffered) && !file.isSequential()) {
        // Two programs mapping one file would each copy their lines over the
        // other's; one that only appends would have its lines cut off when
        // the other trims its room.
        if (!lockAlone(file))
            return QCoreApplication::translate("DriverJournal", "в этот файл уже пишет другая запущенная программа");
        mappable = true;
        length = file.size();
        // A run that crashed left the room it had not filled as NULs, which
        // no line holds; they go before this run's lines follow.
        const qint64 tail = qMin(length, RoomSize);
        if (tail > 0 && file.seek(length - tail)) {
            const QByteArray end = file.read(tail);
            int kept = end.size();
            while (kept > 0 && end.at(kept - 1) == '\0')
                --kept;
            if (end.size() == tail && kept < tail) {
                length -= tail - kept;
                file.resize(length);
            }
        }
        if (file.seek(length))
            return QString();
        return file.errorString();
    }
    // No regular file, or one that cannot be read: appended to line by line.
    file.close();
    if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return QString();
    return file.errorString();
}

DriverJournal::~DriverJournal()
{
    unmap();
}

// The room after the lines is cut off again, so that the file ends where they do.
void DriverJournal::unmap()
{
    if (!mapped)
        return;
    file.unmap(mapped);
    mapped = nullptr;
    mappedFrom = mappedSize = 0;
    file.resize(length);
}

bool DriverJournal::mapMore(qint64 needed)
{
    unmap();
    const qint64 size = qMax(needed, RoomSize);
    if (allocate(file, length, length + size)) {
        // Asked afresh, as Qt's map checks the mapping against the size it
        // knows, and on Unix its resize does not tell it.
        file.size();
        mapped = file.map(length, size);
        if (mapped) {
            prefault(mapped, size);
            mappedFrom = length;
            mappedSize = size;
            return true;
        }
    }
    file.resize(length);
    mapAgainAt = length + RoomSize;
    return false;
}

// The line is the system's once copied into the mapping: a crash of the
// process leaves it in the file. Where there is no room to be had (a full
// disk) the line goes out in a write of its own, whose failure loses it, as
// every line's did before; the file is grown again once a room's worth has
// been written so, since a failing allocation can cost more than the write.
void DriverJournal::append(QByteArray &line)
{
    line += LineEnd;
    const qint64 size = line.size();
    const bool room = mapped && mappedFrom + mappedSize - length >= size;
    if (room || (mappable && length >= mapAgainAt && mapMore(size))) {
        std::memcpy(mapped + (length - mappedFrom), line.constData(), size_t(size));
        length += size;
        return;
    }
    if (mappable)
        file.seek(length);
    const qint64 written = file.write(line);
    if (written > 0)
        length += written;
}

void DriverJournal::stop()
{
    delete current;
    current = nullptr;
}

QByteArray DriverJournal::pointerText(const void *pointer)
{
    if (!pointer)
        return "null";
    return '"' + QByteArray("0x") + QByteArray::number(quintptr(pointer), 16) + '"';
}

void DriverJournal::nameDevice(int id, const QString &name)
{
    if (name.isEmpty())
        names.remove(id);
    else
        names.insert(id, jsonString(name));
}

// The same text as QDateTime::currentDateTime().toString(Qt::ISODateWithMs),
// which costs a time zone conversion and a format on every line.
void DriverJournal::appendTime(QByteArray &line, qint64 msecs)
{
    const qint64 second = msecs >= 0 ? msecs / 1000 : (msecs - 999) / 1000;
    if (second != formattedSecond || formattedTime.isEmpty()) {
        formattedTime = QDateTime::fromMSecsSinceEpoch(second * 1000).toString(Qt::ISODate).toLatin1();
        formattedSecond = second;
    }
    const int milliseconds = int(msecs - second * 1000);
    const char digits[4] = {'.', char('0' + milliseconds / 100), char('0' + milliseconds / 10 % 10),
                            char('0' + milliseconds % 10)};
    line += formattedTime;
    line.append(digits, 4);
}

DriverJournal::Entry::Entry(const void *driverObject, const char *libraryName, const char *operationName)
    : time(QDateTime::currentMSecsSinceEpoch())
    , object(driverObject)
    , library(libraryName)
    , operation(operationName)
{
    timer.start();
}

QByteArray &DriverJournal::Entry::nextArgument()
{
    if (!arguments.isEmpty())
        arguments += ',';
    return arguments;
}

void DriverJournal::Entry::describe(int number)
{
    if (buffer) {
        value = jsonString(bufferText(buffer, number));
        buffer = nullptr;
    }
    appendNumber(nextArgument(), number);
}

void DriverJournal::Entry::describe(double number)
{
    nextArgument() += jsonNumber(number);
}

void DriverJournal::Entry::describe(const wchar_t *text)
{
    nextArgument() += text ? jsonString(QString::fromWCharArray(text)) : QByteArray("null");
}

void DriverJournal::Entry::describe(wchar_t *output)
{
    buffer = output;
}

void DriverJournal::Entry::describe(int *output)
{
    value = output ? QByteArray::number(*output) : QByteArray("null");
}

void DriverJournal::Entry::describe(double *output)
{
    value = output ? jsonNumber(*output) : QByteArray("null");
}

void DriverJournal::Entry::describe(const void *pointer)
{
    nextArgument() += pointerText(pointer);
}

void DriverJournal::write(const Entry &entry)
{
    const Known device = known.value(entry.object);
    // One buffer for all lines: emptied, it keeps the room it was given.
    QByteArray &line = lineBuffer;
    line.resize(0);
    line += "{\"time\":\"";
    appendTime(line, entry.time);
    line += "\",\"library\":\"";
    line += device.library ? device.library : entry.library;
    line += '"';
    if (device.id > 0) {
        line += ",\"device\":";
        appendNumber(line, device.id);
        // Only terminals are named: a register shares its terminal's id.
        const auto name = std::strcmp(entry.library, "paycard") == 0 ? names.constFind(device.id) : names.cend();
        if (name != names.cend()) {
            line += ",\"name\":";
            line += *name;
        }
    }
    line += ",\"operation\":\"";
    line += entry.operation ? entry.operation : "?";
    line += "\",\"arguments\":[";
    line += entry.arguments;
    line += ']';
    if (entry.hasResult) {
        line += ",\"result\":";
        appendNumber(line, entry.result);
    }
    if (!entry.value.isNull()) {
        line += ",\"value\":";
        line += entry.value;
    }
    line += ",\"duration_us\":";
    appendNumber(line, entry.elapsed / 1000);
    line += '}';
    append(line);
}
