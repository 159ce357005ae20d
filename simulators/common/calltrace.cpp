#include "calltrace.h"

#include "simdevice.h"

#include <QDateTime>
#include <QFile>

namespace Sim {
namespace {

// Long texts (settings strings, slips) are cut in the trace; the trace is for
// reading the sequence of calls, not for archiving data.
const int MaxTracedText = 300;

} // namespace

CallTrace::CallTrace(const SimDevice &device, const char *operation, const QString &arguments)
    : device(device), operation(operation), arguments(arguments)
{
    started = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    timer.start();
}

CallTrace::~CallTrace()
{
    if (!device.tracing())
        return;
    QString line = started + QLatin1Char(' ') + QLatin1String(operation) + QLatin1Char('(')
                   + arguments + QStringLiteral(") -> ") + QString::number(result);
    if (!output.isEmpty())
        line += QStringLiteral(", ") + output;
    if (result < 0) {
        line += QStringLiteral(" [%1] %2").arg(device.lastError().code)
                    .arg(device.lastError().description);
        if (device.lastError().badParam)
            line += QStringLiteral(" (%1)").arg(device.lastError().badParamDescription);
    }
    line += QStringLiteral(" {%1 ms}\n").arg(timer.elapsed());
    // Opened per call: the file is never left open between calls, and a
    // trace that cannot be written must not break the call it describes.
    QFile file(device.traceFilePath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(line.toUtf8());
}

int CallTrace::operator()(int value)
{
    result = value;
    return value;
}

int CallTrace::withInt(int value, const int *out)
{
    result = value;
    if (value >= 0 && out)
        output = QStringLiteral("out=%1").arg(*out);
    return value;
}

int CallTrace::withDouble(int value, const double *out)
{
    result = value;
    if (value >= 0 && out)
        output = QStringLiteral("out=%1").arg(*out, 0, 'f', 2);
    return value;
}

int CallTrace::withText(int value, const wchar_t *buffer, int size)
{
    result = value;
    if (value >= 0 && buffer && size > 0) {
        // Bounded by the buffer the host gave: the driver wrote a NUL in it.
        int length = 0;
        while (length < size && buffer[length] != L'\0')
            ++length;
        output = QStringLiteral("out=")
                 + traceArgument(QString::fromWCharArray(buffer, length));
    }
    return value;
}

QString traceArgument(const wchar_t *text)
{
    if (!text)
        return QStringLiteral("null");
    return traceArgument(fromWideQ(text));
}

QString traceArgument(const QString &text)
{
    QString shown = maskCardNumbers(text.left(MaxTracedText));
    shown.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    shown.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    if (text.size() > MaxTracedText)
        shown += QStringLiteral("…(%1)").arg(text.size());
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

} // namespace Sim
