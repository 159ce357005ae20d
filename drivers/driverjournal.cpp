#include "driverjournal.h"
#include "cardnumbers.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>

DriverJournal *DriverJournal::current = nullptr;
void (*DriverCall::busyHook)() = nullptr;

namespace {

QByteArray jsonString(const QString &text)
{
    const QString masked = ::maskCardNumbers(text);
    QByteArray out;
    out.reserve(masked.size() + 2);
    out += '"';
    for (const QChar c : masked) {
        switch (c.unicode()) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c.unicode() < 0x20)
                out += "\\u" + QByteArray::number(c.unicode(), 16).rightJustified(4, '0');
            else
                out += QString(c).toUtf8();
        }
    }
    out += '"';
    return out;
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
    journal->file.setFileName(fileName);
    if (!journal->file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        const QString reason = journal->file.errorString();
        delete journal;
        return reason;
    }
    QByteArray line = "{\"time\":\"" + QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toLatin1()
                      + "\",\"run\":\"start\",\"version\":\"" PAYCARD_BENCH_VERSION "\",";
    line += scenario.isEmpty() ? QByteArray("\"window\":true") : "\"scenario\":" + jsonString(scenario);
    journal->file.write(line + "}\n");
    journal->file.flush();
    current = journal;
    return QString();
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

DriverJournal::Entry::Entry(const void *driverObject, const char *libraryName, const char *operationName)
    : time(QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toLatin1())
    , object(driverObject)
    , library(libraryName)
    , operation(operationName)
{
    timer.start();
}

void DriverJournal::Entry::describe(int number)
{
    if (buffer) {
        value = jsonString(bufferText(buffer, number));
        buffer = nullptr;
    }
    arguments.append(QByteArray::number(number));
}

void DriverJournal::Entry::describe(double number)
{
    arguments.append(jsonNumber(number));
}

void DriverJournal::Entry::describe(const wchar_t *text)
{
    arguments.append(text ? jsonString(QString::fromWCharArray(text)) : QByteArray("null"));
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
    arguments.append(pointerText(pointer));
}

void DriverJournal::write(const Entry &entry)
{
    const Known device = known.value(entry.object);
    QByteArray line;
    line.reserve(256);
    line += "{\"time\":\"" + entry.time + "\",\"library\":\"";
    line += device.library ? device.library : entry.library;
    line += '"';
    if (device.id > 0) {
        line += ",\"device\":" + QByteArray::number(device.id);
        const QString name = deviceNamer ? deviceNamer(entry.library, device.id) : QString();
        if (!name.isEmpty())
            line += ",\"name\":" + jsonString(name);
    }
    line += ",\"operation\":\"";
    line += entry.operation ? entry.operation : "?";
    line += "\",\"arguments\":[" + entry.arguments.join(',') + ']';
    if (entry.hasResult)
        line += ",\"result\":" + QByteArray::number(entry.result);
    if (!entry.value.isNull())
        line += ",\"value\":" + entry.value;
    line += ",\"duration_us\":" + QByteArray::number(entry.elapsed / 1000) + "}\n";
    file.write(line);
    file.flush();
}
