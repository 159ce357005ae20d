#include "fakedrivers.h"

#include <algorithm>
#include <string>

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

int FakeDriverScript::record(const QString &operation, const QStringList &arguments, const QString &key)
{
    const QString call = operation + QLatin1Char('(') + arguments.join(QStringLiteral(", ")) + QLatin1Char(')');
    calls.append(call);
    if (onCall)
        onCall(call);
    if (!key.isEmpty() && results.contains(key))
        return results.value(key);
    return results.value(operation, 0);
}

int FakeDriverScript::answerString(const QString &operation, const QString &value, wchar_t *buffer, int size,
                                   const QStringList &arguments, const QString &key)
{
    QStringList recorded = arguments;
    recorded.append(QString::number(size));
    const QString resultKey = key.isEmpty() ? operation : key;
    reads.insert(operation);
    const int scriptedResult = record(operation, recorded, key);
    // Looked up after recording, like record's own answer, so an onCall hook
    // can script the very call it sees.
    const bool scripted = results.contains(resultKey) || results.contains(operation);
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
    return scripted ? scriptedResult : length;
}

int FakeDriverScript::answerInt(const QString &operation, int *value)
{
    reads.insert(operation);
    const int result = record(operation);
    if (value && ints.contains(operation))
        *value = ints.value(operation);
    return result;
}

int FakeDriverScript::answerDouble(const QString &operation, double *value)
{
    reads.insert(operation);
    const int result = record(operation);
    if (value && doubles.contains(operation))
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
