#include "calltrace.h"

#include "cardnumbers.h"
#include "simdevice.h"

#include <QDateTime>
#include <QFile>

namespace Sim {
namespace {

// Long texts (settings strings, slips) are cut in the trace; the trace is for
// reading the sequence of calls, not for archiving data.
const int MaxTracedText = 300;

} // namespace

CallTrace::CallTrace(const SimDevice &device, const char *operation, Arguments arguments)
    : device(device), operation(operation), arguments(std::move(arguments)),
      started(QDateTime::currentMSecsSinceEpoch())
{
    timer.start();
}

CallTrace::~CallTrace()
{
    if (!device.tracing())
        return;
    QString line = QDateTime::fromMSecsSinceEpoch(started).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
                   + QLatin1Char(' ') + QLatin1String(operation) + QLatin1Char('(')
                   + (arguments ? arguments() : QString()) + QStringLiteral(") -> ")
                   + QString::number(result);
    const QString out = outputText();
    if (!out.isEmpty())
        line += QStringLiteral(", ") + out;
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

QString CallTrace::outputText() const
{
    if (result < 0 || !outputValue)
        return QString();
    switch (output) {
    case Output::Int:
        return QStringLiteral("out=%1").arg(*static_cast<const int *>(outputValue));
    case Output::Double:
        return QStringLiteral("out=%1").arg(*static_cast<const double *>(outputValue), 0, 'f', 2);
    case Output::Text: {
        // Bounded by the buffer the host gave: the driver wrote a NUL in it.
        const auto *buffer = static_cast<const wchar_t *>(outputValue);
        int length = 0;
        while (length < outputSize && buffer[length] != L'\0')
            ++length;
        return QStringLiteral("out=") + traceArgument(QString::fromWCharArray(buffer, length));
    }
    case Output::None:
        break;
    }
    return QString();
}

int CallTrace::operator()(int value)
{
    result = value;
    return value;
}

int CallTrace::withInt(int value, const int *out)
{
    result = value;
    output = Output::Int;
    outputValue = out;
    return value;
}

int CallTrace::withDouble(int value, const double *out)
{
    result = value;
    output = Output::Double;
    outputValue = out;
    return value;
}

int CallTrace::withText(int value, const wchar_t *buffer, int size)
{
    result = value;
    if (size > 0) {
        output = Output::Text;
        outputValue = buffer;
        outputSize = size;
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
