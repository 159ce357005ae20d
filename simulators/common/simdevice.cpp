#include "simdevice.h"
#include "cardnumbers.h"
#include "settingsfolder.h"

#include "settingsdialog.h"

#include <QApplication>
#include <QSet>

#include <algorithm>
#include <climits>

namespace Sim {
namespace {

const QString TraceOption = QStringLiteral("Trace");
const int SettingsFormatVersion = 1;
// Free values have no list; this bound keeps a runaway value out of the
// settings files the host writes.
const int MaxFreeValueLength = 4096;

QString escapeField(const QString &text)
{
    // Most values need no escape: hand them back shared, without a copy.
    const bool plain = std::none_of(text.cbegin(), text.cend(), [](QChar c) {
        const ushort u = c.unicode();
        return u == '\\' || u == ';' || u == '=' || u == '\n' || u == '\r';
    });
    if (plain)
        return text;
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case ';': out += QLatin1String("\\;"); break;
        case '=': out += QLatin1String("\\="); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

// Splits at unescaped separators and undoes the escapes; false for a lone
// backslash or an unknown escape, which only a foreign or damaged string has.
bool splitEscaped(const QString &text, QChar separator, int maxParts, QStringList *parts)
{
    parts->clear();
    // Without escapes, as nearly every field is, the parts are plain slices.
    if (!text.contains(QLatin1Char('\\'))) {
        int start = 0;
        for (int i = 0; i < text.size() && parts->size() + 1 < maxParts; ++i) {
            if (text.at(i) == separator) {
                parts->append(text.mid(start, i - start));
                start = i + 1;
            }
        }
        parts->append(text.mid(start));
        return true;
    }
    QString current;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\')) {
            if (++i >= text.size())
                return false;
            switch (text.at(i).unicode()) {
            case '\\': current += QLatin1Char('\\'); break;
            case ';': current += QLatin1Char(';'); break;
            case '=': current += QLatin1Char('='); break;
            case 'n': current += QLatin1Char('\n'); break;
            case 'r': current += QLatin1Char('\r'); break;
            default: return false;
            }
        } else if (c == separator && parts->size() + 1 < maxParts) {
            parts->append(current);
            current.clear();
        } else {
            current += c;
        }
    }
    parts->append(current);
    return true;
}

const QString &sharedValue(const Definition &definition, const QString &value)
{
    if (value == definition.defaultValue)
        return definition.defaultValue;
    for (const ValueChoice &choice : definition.choices) {
        if (choice.value == value)
            return choice.value;
    }
    return value;
}

int nextSerial(const QString &tag)
{
    static QHash<QString, int> counters;
    return ++counters[tag];
}

} // namespace

QVector<ValueChoice> plainChoices(std::initializer_list<const char *> values)
{
    QVector<ValueChoice> choices;
    for (const char *value : values)
        choices.append({QString::fromLatin1(value), QString::fromLatin1(value)});
    return choices;
}

SimDevice::SimDevice(const QString &kind, const QString &fileTag)
    : deviceKind(kind), tag(fileTag), number(nextSerial(fileTag))
{
}

SimDevice::~SimDevice() = default;

QVector<Definition> SimDevice::commonDefinitions()
{
    return {{TraceOption, QStringLiteral("Журнал вызовов драйвера"), QStringLiteral("0"),
             {{QStringLiteral("0"), QStringLiteral("Не вести")}, {QStringLiteral("1"), QStringLiteral("Вести")}},
             true}};
}

void SimDevice::setDefinitions(const QVector<Definition> &definitions)
{
    defs = definitions;
    applied.clear();
    applied.reserve(defs.size());
    for (int i = 0; i < defs.size(); ++i)
        applied.append(defaultValue(i));
    pending = applied;
    traceOn = value(TraceOption) == QLatin1String("1");
    settingsText.clear();
}

QString SimDevice::defaultValue(int index) const
{
    return defs.at(index).defaultValue;
}

int SimDevice::definitionIndex(const QString &name) const
{
    for (int i = 0; i < defs.size(); ++i) {
        if (defs.at(i).name == name)
            return i;
    }
    return -1;
}

QString SimDevice::value(const QString &name) const
{
    const int index = definitionIndex(name);
    return index < 0 ? QString() : applied.at(index);
}

QString SimDevice::label(const QString &name) const
{
    const int index = definitionIndex(name);
    if (index < 0)
        return QString();
    const QString &current = applied.at(index);
    for (const ValueChoice &choice : defs.at(index).choices) {
        if (choice.value == current)
            return choice.label;
    }
    return current;
}

QMap<QString, QString> SimDevice::appliedValues() const
{
    QMap<QString, QString> values;
    for (int i = 0; i < defs.size(); ++i)
        values.insert(defs.at(i).name, applied.at(i));
    return values;
}

QString SimDevice::valueProblem(const QString &, const QString &) const
{
    return QString();
}

QString SimDevice::dialogTitle() const
{
    return QStringLiteral("Настройки имитатора");
}

QString SimDevice::describeResult(int code) const
{
    return SimResult::text(code);
}

QString SimDevice::checkValues(const QMap<QString, QString> &values, QString *badName) const
{
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (badName)
            *badName = it.key();
        const int index = definitionIndex(it.key());
        if (index < 0)
            return QStringLiteral("Параметр «%1» не существует").arg(it.key());
        const Definition &definition = defs.at(index);
        if (!definition.choices.isEmpty()) {
            const bool listed = std::any_of(
                definition.choices.cbegin(), definition.choices.cend(),
                [&](const ValueChoice &choice) { return choice.value == it.value(); });
            if (!listed) {
                return QStringLiteral("Значение «%1» параметра «%2» не входит в список допустимых")
                    .arg(it.value(), it.key());
            }
        } else if (it.value().size() > MaxFreeValueLength) {
            return QStringLiteral("Значение параметра «%1» длиннее %2 символов")
                .arg(it.key()).arg(MaxFreeValueLength);
        }
        QString problem = definition.problem ? definition.problem(it.value()) : QString();
        if (problem.isEmpty())
            problem = valueProblem(it.key(), it.value());
        if (!problem.isEmpty())
            return QStringLiteral("Параметр «%1»: %2").arg(it.key(), problem);
    }
    if (badName)
        badName->clear();
    return QString();
}

void SimDevice::assignValues(const QMap<QString, QString> &values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const int index = definitionIndex(it.key());
        if (index >= 0) {
            // A value parsed from a settings string is a copy of its own; the
            // equal default or listed value is kept instead, shared by every
            // object, so that thousands of objects are released without
            // freeing a string per setting.
            const QString &kept = sharedValue(defs.at(index), it.value());
            applied[index] = kept;
            pending[index] = kept;
        }
    }
    if (pending == applied)
        pending = applied;
    traceOn = value(TraceOption) == QLatin1String("1");
    settingsText.clear();
    settingsApplied();
}

QString SimDevice::settingsString() const
{
    QString text = deviceKind + QLatin1Char('/') + QString::number(SettingsFormatVersion);
    text.reserve(512);
    for (int i = 0; i < defs.size(); ++i) {
        text += QLatin1Char(';');
        text += escapeField(defs.at(i).name);
        text += QLatin1Char('=');
        text += escapeField(applied.at(i));
    }
    return text;
}

bool SimDevice::parseSettings(const QString &text, QMap<QString, QString> *values,
                              QString *reason) const
{
    // Cut at unescaped ';' but keep the escapes: a key or value may hold an
    // escaped '=' that must not be taken for the separator below.
    QStringList rawFields;
    int start = 0;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            ++i;
        } else if (c == QLatin1Char(';')) {
            rawFields.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    rawFields.append(text.mid(start));

    const QString header = rawFields.takeFirst();
    const int slash = header.indexOf(QLatin1Char('/'));
    if (slash < 0 || header.left(slash) != deviceKind) {
        *reason = QStringLiteral("строка не принадлежит этому устройству (ожидается «%1/%2»)")
                      .arg(deviceKind).arg(SettingsFormatVersion);
        return false;
    }
    if (header.mid(slash + 1) != QString::number(SettingsFormatVersion)) {
        *reason = QStringLiteral("неподдерживаемая версия формата «%1»")
                      .arg(header.mid(slash + 1).left(20));
        return false;
    }
    // Start from the defaults, so that a string written before an option
    // existed still loads, with that option at its default.
    QMap<QString, QString> result;
    for (int i = 0; i < defs.size(); ++i)
        result.insert(defs.at(i).name, defaultValue(i));
    QSet<QString> seen;
    for (const QString &raw : qAsConst(rawFields)) {
        QStringList keyValue;
        if (!splitEscaped(raw, QLatin1Char('='), 2, &keyValue)) {
            *reason = QStringLiteral("неверная escape-последовательность в поле «%1»").arg(raw.left(80));
            return false;
        }
        if (keyValue.size() != 2) {
            *reason = QStringLiteral("поле «%1» не имеет вида имя=значение").arg(raw.left(80));
            return false;
        }
        const QString &key = keyValue.at(0);
        if (definitionIndex(key) < 0) {
            *reason = QStringLiteral("неизвестный параметр «%1»").arg(key.left(80));
            return false;
        }
        if (seen.contains(key)) {
            *reason = QStringLiteral("параметр «%1» указан дважды").arg(key);
            return false;
        }
        seen.insert(key);
        QString value = keyValue.at(1);
        for (const ValueChoice &choice : defs.at(definitionIndex(key)).choices) {
            if (choice.formerValues.contains(value))
                value = choice.value;
        }
        result.insert(key, value);
    }
    const QString problem = checkValues(result);
    if (!problem.isEmpty()) {
        *reason = problem;
        return false;
    }
    *values = result;
    return true;
}

QString SimDevice::traceFilePath() const
{
    return settingsDirectory() + QStringLiteral("trace-%1-%2.log").arg(tag).arg(number);
}

int SimDevice::succeed(int result)
{
    error = ErrorState();
    return result;
}

int SimDevice::fail(int code, const QString &detail)
{
    error = ErrorState();
    error.code = code;
    error.description = describeResult(code);
    // Details echo what the host handed over (a reference number, track
    // data), which may hold a card number.
    if (!detail.isEmpty())
        error.description += QStringLiteral(": ") + maskCardNumbers(detail);
    return code < 0 ? code : -1;
}

int SimDevice::failParam(int code, const QString &parameterDescription, const QString &detail)
{
    const int result = fail(code, detail);
    error.badParam = true;
    error.badParamDescription = parameterDescription;
    return result;
}

int SimDevice::needEnabled()
{
    if (enabled)
        return 0;
    return fail(SimResult::DeviceDisabled,
                QStringLiteral("включите устройство, чтобы выполнить операцию"));
}

bool SimDevice::textArgument(const wchar_t *text, const QString &argumentName, QString *out,
                             int *result)
{
    if (!text) {
        *result = failParam(SimResult::NullArgument,
                            QStringLiteral("Аргумент «%1» не задан").arg(argumentName));
        return false;
    }
    bool tooLong = false;
    *out = fromWideQ(text, &tooLong);
    if (tooLong) {
        *result = failParam(SimResult::TextTooLong,
                            QStringLiteral("Аргумент «%1» длиннее %2 символов")
                                .arg(argumentName).arg(MaxInputLength - 1));
        return false;
    }
    return true;
}

int SimDevice::outInt(int *target, int value)
{
    if (!target)
        return failParam(SimResult::NullArgument, QStringLiteral("Не задан адрес результата"));
    *target = value;
    return 0;
}

int SimDevice::outText(const QString &value, wchar_t *buffer, int size)
{
    return copyOut(value, buffer, size);
}

// Common driver operations.

int SimDevice::deviceEnabled(int *value)
{
    return outInt(value, enabled ? 1 : 0);
}

int SimDevice::setDeviceEnabled(int value)
{
    if (value != 0 && value != 1) {
        return failParam(SimResult::InvalidArgument,
                         QStringLiteral("Состояние устройства должно быть 0 или 1, передано %1")
                             .arg(value));
    }
    const bool changed = enabled != (value == 1);
    enabled = value == 1;
    if (changed)
        enabledChanged(enabled);
    return succeed();
}

int SimDevice::resultCode(int *code)
{
    if (!code)
        return SimResult::NullArgument;
    *code = error.code;
    return 0;
}

int SimDevice::resultDescription(wchar_t *buffer, int size)
{
    return copyOut(error.description, buffer, size);
}

int SimDevice::badParam(int *flag)
{
    if (!flag)
        return SimResult::NullArgument;
    *flag = error.badParam ? 1 : 0;
    return 0;
}

int SimDevice::badParamDescription(wchar_t *buffer, int size)
{
    return copyOut(error.badParamDescription, buffer, size);
}

int SimDevice::setOwnerWindow(void *window)
{
    // The host promises a QWidget; QPointer then notices when it goes away.
    owner = static_cast<QWidget *>(window);
    return succeed();
}

int SimDevice::showProperties()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return fail(SimResult::NoGui);
    SettingsDialog dialog(*this, owner.data());
    dialog.setWindowTitle(dialogTitle());
    addSettingsWidgets(dialog);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (accepted)
        assignValues(dialog.values());
    return succeed(accepted ? 1 : 0);
}

int SimDevice::deviceSettings(wchar_t *buffer, int size)
{
    if (settingsText.empty())
        settingsText = toWString(settingsString());
    return copyOut(settingsText, buffer, size);
}

int SimDevice::setDeviceSettings(const wchar_t *settings)
{
    QString text;
    int result = 0;
    if (!textArgument(settings, QStringLiteral("настройки"), &text, &result))
        return result;
    QMap<QString, QString> values;
    QString reason;
    if (!parseSettings(text, &values, &reason)) {
        return failParam(SimResult::InvalidSettings,
                         QStringLiteral("Строка настроек отклонена: %1").arg(reason));
    }
    assignValues(values);
    return succeed();
}

int SimDevice::parameterArgument(const wchar_t *name, QString *key, int *result)
{
    if (!textArgument(name, QStringLiteral("имя параметра"), key, result))
        return -1;
    const int index = definitionIndex(*key);
    if (index < 0) {
        *result = failParam(SimResult::UnknownParameter,
                            QStringLiteral("Параметр «%1» не существует").arg(key->left(80)));
    }
    return index;
}

int SimDevice::parameter(const wchar_t *name, wchar_t *buffer, int size)
{
    QString key;
    int result = 0;
    const int index = parameterArgument(name, &key, &result);
    if (index < 0)
        return result;
    return outText(pending.at(index), buffer, size);
}

int SimDevice::setParameter(const wchar_t *name, const wchar_t *value)
{
    QString key;
    QString text;
    int result = 0;
    const int index = parameterArgument(name, &key, &result);
    if (index < 0 || !textArgument(value, QStringLiteral("значение параметра %1").arg(key), &text, &result))
        return result;
    pending[index] = text;
    return succeed();
}

int SimDevice::parameterValues(const wchar_t *name, wchar_t *buffer, int size)
{
    QString key;
    int result = 0;
    const int index = parameterArgument(name, &key, &result);
    if (index < 0)
        return result;
    QString list;
    for (const ValueChoice &choice : defs.at(index).choices)
        list += choice.value + QLatin1Char(':') + choice.label + QLatin1Char(';');
    return outText(list, buffer, size);
}

int SimDevice::applySettings()
{
    QMap<QString, QString> values;
    for (int i = 0; i < defs.size(); ++i)
        values.insert(defs.at(i).name, pending.at(i));
    QString badName;
    const QString problem = checkValues(values, &badName);
    if (!problem.isEmpty()) {
        // Drop the pending values, so that one bad value does not block every
        // later apply; the applied settings stay as they were.
        pending = applied;
        return failParam(SimResult::InvalidParameterValue, problem);
    }
    assignValues(values);
    return succeed();
}

} // namespace Sim
