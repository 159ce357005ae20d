#include "fakedrivers.h"

#include <algorithm>
#include <climits>
#include <limits>

using namespace AbsurdDriver;

namespace {

template <class T, std::size_t N>
T next(unsigned &turn, const T (&values)[N])
{
    return values[turn++ % N];
}

// Characters a driver should never send: a lone surrogate, a non-character,
// the extremes of the type (short of the NUL where it is unsigned, as on
// Windows, since a NUL only ends the text), a control character, markup and a
// line break.
const wchar_t garbage[] = {wchar_t(0xD800), wchar_t(0xFFFF), WCHAR_MAX, wchar_t(WCHAR_MIN == 0 ? 1 : WCHAR_MIN), wchar_t(0x01),
                           L'<', L'&', L'\n', L'Ж'};

} // namespace

int AbsurdAnswers::result(int honest)
{
    if (has(ThrowsInt))
        throw 42;
    if (has(GarbageResults)) {
        static const int codes[] = {INT_MIN, -1, -2147483647, -10052};
        return next(turn, codes);
    }
    if (has(SilentFailures))
        return -1;
    // A positive answer, such as an accepted settings dialog, grows absurd too.
    return honest > 0 && has(GarbageNumbers) ? INT_MAX : honest;
}

int AbsurdAnswers::number(const QString &operation, int honest)
{
    // The reason of a failure is never a garbage number, so a test knows
    // what the bench must show of it.
    if (operation == QLatin1String("resultCode"))
        return has(GarbageResults) ? INT_MIN : honest;
    if (operation == QLatin1String("badParam"))
        return has(GarbageResults) ? -1 : honest;
    static const int absurd[] = {INT_MIN, INT_MAX, -1, 6, 9, 0x7fff, -10051, 10053, 0};
    return has(GarbageNumbers) ? next(turn, absurd) : honest;
}

double AbsurdAnswers::number(double honest)
{
    static const double absurd[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                                    -std::numeric_limits<double>::infinity(), 1e308, -1e308,
                                    std::numeric_limits<double>::denorm_min()};
    return has(GarbageNumbers) ? next(turn, absurd) : honest;
}

int AbsurdAnswers::text(const std::wstring &value, wchar_t *buffer, int size)
{
    int honest = int(value.size());
    if (buffer && size > 0) {
        if (has(Unterminated)) {
            for (int i = 0; i < size; ++i)
                buffer[i] = std::size_t(i) < value.size() ? value[std::size_t(i)] : garbage[std::size_t(i) % std::size(garbage)];
            honest = size;
        } else {
            const std::size_t copied = std::min(value.size(), std::size_t(size - 1));
            value.copy(buffer, copied);
            buffer[copied] = L'\0';
        }
    }
    if (has(NegativeLengths)) {
        static const int lengths[] = {INT_MIN, -1};
        return next(turn, lengths);
    }
    if (has(HugeLengths))
        return INT_MAX;
    if (has(LengthPastBuffer))
        return size < INT_MAX ? std::max(size, 0) + 1 : INT_MAX;
    return honest;
}

void FakeDriverScript::failWith(int code, const QString &description, const QString &badParamDescription)
{
    ints.insert(QStringLiteral("resultCode"), code);
    strings.insert(QStringLiteral("resultDescription"), description);
    ints.insert(QStringLiteral("badParam"), badParamDescription.isEmpty() ? 0 : 1);
    strings.insert(QStringLiteral("badParamDescription"), badParamDescription);
}

QStringList FakeDriverScript::callsOf(const QString &operation) const
{
    const QString prefix = operation + QLatin1Char('(');
    QStringList matching;
    for (const QString &call : calls) {
        if (call.startsWith(prefix))
            matching.append(call);
    }
    return matching;
}

QString FakeDriverScript::pointerText(const void *pointer)
{
    return QStringLiteral("0x%1").arg(quintptr(pointer), 0, 16);
}

void FakeDriverScript::note(const QString &operation, const QStringList &arguments)
{
    const QString call = operation + QLatin1Char('(') + arguments.join(QStringLiteral(", ")) + QLatin1Char(')');
    calls.append(call);
    if (onCall)
        onCall(call);
}

// Looked up after the call is noted, so an onCall hook can script the very
// call it sees.
int FakeDriverScript::scripted(const QString &operation, const QString &key, int unscripted) const
{
    if (!key.isEmpty() && results.contains(key))
        return results.value(key);
    return results.value(operation, unscripted);
}

int FakeDriverScript::record(const QString &operation, const QStringList &arguments, const QString &key)
{
    note(operation, arguments);
    const int result = scripted(operation, key, 0);
    return absurdly() ? absurd->result(result) : result;
}

int FakeDriverScript::answerString(const QString &operation, const QString &value, wchar_t *buffer, int size,
                                   const QStringList &arguments, const QString &key)
{
    QStringList recorded = arguments;
    recorded.append(QString::number(size));
    reads.insert(operation);
    note(operation, recorded);
    if (absurdly())
        return absurd->text((value.isEmpty() ? QStringLiteral("абсурд ") + operation : value).toStdWString(), buffer,
                            size);
    const std::wstring wide = value.toStdWString();
    const int length = int(wide.size());
    if (buffer && size > 0) {
        if (noTerminator.contains(operation)) {
            std::copy_n(wide.begin(), std::min(length, size), buffer);
        } else {
            const int copied = std::min(length, size - 1);
            std::copy_n(wide.begin(), copied, buffer);
            buffer[copied] = wchar_t(0);
        }
    }
    return scripted(operation, key, length);
}

int FakeDriverScript::answerInt(const QString &operation, int *value)
{
    reads.insert(operation);
    const int result = record(operation);
    if (value && absurdly())
        *value = absurd->number(operation, ints.value(operation));
    else if (value && ints.contains(operation))
        *value = ints.value(operation);
    return result;
}

int FakeDriverScript::answerDouble(const QString &operation, double *value)
{
    reads.insert(operation);
    const int result = record(operation);
    if (value && absurdly())
        *value = absurd->number(doubles.value(operation));
    else if (value && doubles.contains(operation))
        *value = doubles.value(operation);
    return result;
}

int FakeDriverScript::answerNamed(const QString &operation, const QHash<QString, QString> &table,
                                  const wchar_t *name, wchar_t *buffer, int size)
{
    const QString key = text(name);
    return answerString(operation, table.value(key), buffer, size, {key},
                        operation + QLatin1Char(':') + key);
}

QString FakeDriverScript::text(const wchar_t *wide)
{
    return wide ? QString::fromWCharArray(wide) : QString();
}
