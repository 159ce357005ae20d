#include "scenario.h"
#include "squeezedlabel.h"
#include "ui_paycardmainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSet>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimeEdit>

#include <algorithm>
#include <cmath>

namespace Scenario {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Scenario", text);
}

const char TimeFormat[] = "HH:mm:ss";

bool isWholeNumber(const QJsonValue &value)
{
    const double number = value.toDouble();
    return value.isDouble() && std::isfinite(number) && std::floor(number) == number
           && std::fabs(number) <= 2147483647.0;
}

QTime parseTime(const QString &text)
{
    const QTime time = QTime::fromString(text, QLatin1String(TimeFormat));
    return time.isValid() ? time : QTime::fromString(text, QStringLiteral("HH:mm"));
}

// What is wrong with a value for a whole-number field, or nothing.
QString wholeNumberProblem(const QJsonValue &value)
{
    if (isWholeNumber(value))
        return QString();
    if (!value.isDouble())
        return tr("ожидается целое число");
    const double number = value.toDouble();
    if (std::isfinite(number) && std::floor(number) != number)
        return tr("ожидается целое число, а не %1").arg(describe(value));
    return tr("число %1 слишком велико для поля: оно вмещает целые от -2147483648 до 2147483647")
        .arg(describe(value));
}

// A text that a captured value is put into when the step runs.
bool refersToVariable(const QJsonValue &value)
{
    return value.isString() && value.toString().contains(QLatin1String("${"));
}

// A number field given a text (a captured value put in): the number it reads
// as, or the text itself, which then fails the type check.
QJsonValue asTyped(const QWidget *widget, const QJsonValue &value)
{
    if (!value.isString() || !(qobject_cast<const QSpinBox *>(widget) || qobject_cast<const QDoubleSpinBox *>(widget)))
        return value;
    bool ok = false;
    const double number = QLocale::c().toDouble(value.toString().trimmed(), &ok);
    return ok ? QJsonValue(number) : value;
}

QString checkType(const QWidget *widget, const QJsonValue &value, bool forSetting, bool variablesAllowed)
{
    if (variablesAllowed && qobject_cast<const QAbstractSpinBox *>(widget) && refersToVariable(value))
        return QString();
    if (qobject_cast<const QCheckBox *>(widget))
        return value.isBool() ? QString() : tr("ожидается true или false");
    if (qobject_cast<const QSpinBox *>(widget))
        return wholeNumberProblem(value);
    if (qobject_cast<const QDoubleSpinBox *>(widget))
        return value.isDouble() ? QString() : tr("ожидается число");
    if (qobject_cast<const QTimeEdit *>(widget))
        return parseTime(value.toString()).isValid() ? QString() : tr("ожидается время \"ЧЧ:ММ:СС\"");
    if (qobject_cast<const QDateEdit *>(widget))
        return QDate::fromString(value.toString(), Qt::ISODate).isValid() ? QString()
                                                                          : tr("ожидается дата \"ГГГГ-ММ-ДД\"");
    if (qobject_cast<const QComboBox *>(widget))
        return isWholeNumber(value) || value.isString() ? QString() : tr("ожидается код (число) или текст пункта");
    if (qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QTextEdit *>(widget)
        || qobject_cast<const QPlainTextEdit *>(widget) || (!forSetting && qobject_cast<const QLabel *>(widget)))
        return value.isString() ? QString() : tr("ожидается строка");
    return forSetting ? tr("это поле не заполняется") : tr("у этого элемента нет значения");
}

// The message for an object name the window does not have; an empty name
// would match whichever widget came first.
QString noSuchField(const QString &name)
{
    return name.isEmpty() ? tr("пустое имя поля") : tr("в окне нет поля \"%1\"").arg(name);
}

// The line and column of a byte offset, counted from 1; columns in
// characters, so a Cyrillic text does not shift them.
QPair<int, int> lineAndColumn(const QByteArray &json, int offset)
{
    const QByteArray before = json.left(offset);
    const int lineStart = before.lastIndexOf('\n') + 1;
    return {before.count('\n') + 1, QString::fromUtf8(before.mid(lineStart)).size() + 1};
}

// QJsonDocument keeps the last of two equal keys in an object without a
// word, so a step that says "press" twice would silently run the second.
// Called once the text is known to be valid JSON, which keeps the scan
// simple: strings, and the brackets and commas of objects and arrays;
// nesting is bounded by the JSON reader. Names the step when the key is
// inside one.
QString duplicateKey(const QByteArray &json)
{
    struct Level
    {
        bool object;
        bool expecting; // a key in an object, an item in an array
        int items;      // of an array, counted as they begin
        QString lastKey;
        QSet<QString> keys;
    };
    QVector<Level> levels;
    for (int i = 0; i < json.size(); ++i) {
        const char c = json.at(i);
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
            continue;
        if (!levels.isEmpty() && !levels.last().object && levels.last().expecting && c != ']') {
            ++levels.last().items;
            levels.last().expecting = false;
        }
        if (c == '{' || c == '[') {
            levels.append({c == '{', true, 0, QString(), {}});
        } else if (c == '}' || c == ']') {
            levels.removeLast();
        } else if (c == ',') {
            levels.last().expecting = true;
        } else if (c == '"') {
            const int start = i;
            for (++i; json.at(i) != '"'; ++i) {
                if (json.at(i) == '\\')
                    ++i;
            }
            Level &level = levels.last();
            if (!level.object || !level.expecting)
                continue;
            level.expecting = false;
            const QByteArray quoted = json.mid(start, i - start + 1);
            const QString key = quoted.contains('\\')
                                    ? QJsonDocument::fromJson('[' + quoted + ']').array().first().toString()
                                    : QString::fromUtf8(quoted.mid(1, quoted.size() - 2));
            level.lastKey = key;
            if (!level.keys.contains(key)) {
                level.keys.insert(key);
                continue;
            }
            const auto position = lineAndColumn(json, start);
            const QString error = tr("строка %1, столбец %2: ключ \"%3\" повторяется в одном объекте")
                                      .arg(position.first).arg(position.second).arg(key);
            const bool inStep = levels.size() >= 3 && levels.at(0).lastKey == QLatin1String("steps") && !levels.at(1).object;
            return inStep ? tr("шаг %1: %2").arg(levels.at(1).items).arg(error) : error;
        }
    }
    return QString();
}

bool validPattern(const QString &pattern)
{
    return QRegularExpression(pattern).isValid();
}

// Checks a scenario against a bare copy of the window's form: the names and
// kinds of its widgets are all a file may refer to, and building the form
// starts no driver.
class Parser
{
public:
    Parser()
    {
        form.setupUi(&host);
        // Made by the window itself, not by the form.
        auto *label = new QLabel(&host);
        label->setObjectName(QStringLiteral("errorLabel"));
    }

    QString parse(const QJsonObject &root, File *scenario)
    {
        if (const QString unknown = unknownKey(root, {"name", "description", "steps"}); !unknown.isEmpty())
            return tr("неизвестный ключ сценария \"%1\"").arg(unknown);
        const QJsonValue name = root.value(QLatin1String("name"));
        if (!name.isUndefined() && !name.isString())
            return tr("\"name\" сценария должен быть строкой");
        scenario->name = name.toString();
        const QJsonValue steps = root.value(QLatin1String("steps"));
        if (!steps.isArray() || steps.toArray().isEmpty())
            return tr("в сценарии нет непустого массива \"steps\"");
        const QJsonArray list = steps.toArray();
        if (list.size() > MaxSteps)
            return tr("в сценарии %1 шагов, больше предела в %2").arg(list.size()).arg(MaxSteps);
        for (int i = 0; i < list.size(); ++i) {
            Step step;
            step.number = i + 1;
            const QString error = parseStep(list.at(i), &step);
            if (!error.isEmpty())
                return tr("шаг %1: %2").arg(step.number).arg(error);
            scenario->steps.append(step);
        }
        return QString();
    }

private:
    static QString unknownKey(const QJsonObject &object, std::initializer_list<const char *> known)
    {
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (std::none_of(known.begin(), known.end(), [&it](const char *key) { return it.key() == QLatin1String(key); }))
                return it.key();
        }
        return QString();
    }

    QWidget *widget(const QString &name) const { return name.isEmpty() ? nullptr : host.findChild<QWidget *>(name); }

    QString parseStep(const QJsonValue &value, Step *step)
    {
        if (!value.isObject())
            return tr("шаг должен быть объектом");
        const QJsonObject object = value.toObject();
        if (const QString unknown = unknownKey(object, {"name", "set", "press", "dialogs", "expect", "capture"});
            !unknown.isEmpty())
            return tr("неизвестный ключ \"%1\"").arg(unknown);
        const QJsonValue name = object.value(QLatin1String("name"));
        if (!name.isUndefined() && !name.isString())
            return tr("\"name\" шага должен быть строкой");
        step->name = name.toString();
        if (step->name.isEmpty())
            step->name = tr("шаг %1").arg(step->number);

        QString error = parseFields(object.value(QLatin1String("set")), &step->fields, true);
        if (!error.isEmpty())
            return error;
        if (object.contains(QLatin1String("press"))) {
            const QJsonValue press = object.value(QLatin1String("press"));
            if (!press.isString())
                return tr("\"press\" должен быть строкой: имя кнопки");
            step->press = press.toString();
            if (!qobject_cast<QAbstractButton *>(widget(step->press)))
                return tr("в окне нет кнопки \"%1\"").arg(step->press);
        }
        const QJsonValue dialogs = object.value(QLatin1String("dialogs"));
        if (!dialogs.isUndefined() && !dialogs.isArray())
            return tr("\"dialogs\" должен быть массивом");
        for (const QJsonValue &answer : dialogs.toArray()) {
            DialogAnswer dialog;
            if (!(error = parseDialog(answer, &dialog)).isEmpty())
                return error;
            step->dialogs.append(dialog);
        }
        if (!(error = parseExpectations(object.value(QLatin1String("expect")), &step->expect)).isEmpty())
            return error;
        if (!(error = checkVariables(object)).isEmpty())
            return error;
        return parseCaptures(object.value(QLatin1String("capture")), &step->captures);
    }

    // Every ${name} a step uses must have been captured by an earlier step.
    QString checkVariables(const QJsonObject &step) const
    {
        static const QRegularExpression reference(QStringLiteral("\\$\\{([^}]*)\\}"));
        const QString text = QString::fromUtf8(QJsonDocument(step).toJson(QJsonDocument::Compact));
        QRegularExpressionMatchIterator it = reference.globalMatch(text);
        while (it.hasNext()) {
            const QString name = it.next().captured(1);
            if (!captured.contains(name))
                return tr("${%1} не взят ни одним из прежних шагов").arg(name);
        }
        return QString();
    }

    QString parseCaptures(const QJsonValue &value, QVector<Capture> *captures)
    {
        if (value.isUndefined())
            return QString();
        if (!value.isObject())
            return tr("\"capture\" должен быть объектом");
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!it.value().isObject())
                return tr("\"capture\" %1: нужен объект с \"from\" (имя поля) и \"pattern\" (выражение с группой)")
                    .arg(it.key());
            const QJsonObject capture = it.value().toObject();
            if (const QString unknown = unknownKey(capture, {"from", "pattern"}); !unknown.isEmpty())
                return tr("\"capture\" %1: неизвестный ключ \"%2\"").arg(it.key(), unknown);
            const Capture entry{it.key(), capture.value(QLatin1String("from")).toString(),
                                capture.value(QLatin1String("pattern")).toString()};
            if (!capture.value(QLatin1String("from")).isString())
                return tr("\"capture\" %1: не указано \"from\", имя поля, из которого взять текст").arg(entry.name);
            if (!widget(entry.from))
                return tr("\"capture\" %1: %2").arg(entry.name, noSuchField(entry.from));
            const QRegularExpression pattern(entry.pattern);
            if (!pattern.isValid() || pattern.captureCount() < 1)
                return tr("\"capture\" %1: нужно верное регулярное выражение с группой").arg(entry.name);
            captures->append(entry);
            captured.insert(entry.name);
        }
        return QString();
    }

    // Fields of the window (checked here) or of a dialog (checked when it
    // is open, as nothing is known of it before).
    QString parseFields(const QJsonValue &value, Fields *fields, bool ofWindow)
    {
        if (value.isUndefined())
            return QString();
        if (!value.isObject())
            return tr("\"set\" должен быть объектом");
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (it.key().isEmpty())
                return noSuchField(it.key());
            if (ofWindow) {
                const QWidget *field = widget(it.key());
                if (!field)
                    return noSuchField(it.key());
                const QString error = checkValueType(field, it.value(), true);
                if (!error.isEmpty())
                    return tr("поле \"%1\": %2").arg(it.key(), error);
            }
            fields->append({it.key(), it.value()});
        }
        return QString();
    }

    QString parseDialog(const QJsonValue &value, DialogAnswer *dialog)
    {
        if (!value.isObject())
            return tr("ответ на диалог должен быть объектом");
        const QJsonObject object = value.toObject();
        if (const QString unknown = unknownKey(object, {"answer", "text", "set", "expect"}); !unknown.isEmpty())
            return tr("неизвестный ключ ответа на диалог \"%1\"").arg(unknown);
        const QString answer = object.value(QLatin1String("answer")).toString(QStringLiteral("accept"));
        if (answer != QLatin1String("accept") && answer != QLatin1String("cancel"))
            return tr("ответ на диалог \"answer\" бывает \"accept\" или \"cancel\"");
        dialog->accept = answer == QLatin1String("accept");
        const QJsonValue text = object.value(QLatin1String("text"));
        if (!text.isUndefined() && !text.isString())
            return tr("\"text\" ответа на диалог должен быть строкой");
        dialog->hasText = text.isString();
        dialog->text = text.toString();
        const QJsonValue pattern = object.value(QLatin1String("expect"));
        if (!pattern.isUndefined() && !pattern.isString())
            return tr("\"expect\" ответа на диалог должен быть строкой: регулярное выражение");
        dialog->pattern = pattern.toString();
        if (!validPattern(dialog->pattern))
            return tr("неверное регулярное выражение \"%1\"").arg(dialog->pattern);
        return parseFields(object.value(QLatin1String("set")), &dialog->fields, false);
    }

    QString parseNamedTexts(const QJsonValue &value, const char *key, QVector<QPair<QString, QStringList>> *out)
    {
        if (value.isUndefined())
            return QString();
        if (!value.isObject())
            return tr("\"%1\" должен быть объектом").arg(QLatin1String(key));
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!widget(it.key()))
                return noSuchField(it.key());
            QStringList texts;
            const QJsonArray items = it.value().isArray() ? it.value().toArray() : QJsonArray{it.value()};
            for (const QJsonValue &item : items) {
                if (!item.isString())
                    return tr("\"%1\" для \"%2\": ожидаются строки").arg(QLatin1String(key), it.key());
                texts.append(item.toString());
            }
            out->append({it.key(), texts});
        }
        return QString();
    }

    QString parseExpectations(const QJsonValue &value, Expectations *expect)
    {
        if (value.isUndefined())
            return QString();
        if (!value.isObject())
            return tr("\"expect\" должен быть объектом");
        const QJsonObject object = value.toObject();
        if (const QString unknown = unknownKey(object, {"errorLabel", "errorLabelMatches", "values", "matches",
                                                        "contains", "lines", "enabled"});
            !unknown.isEmpty())
            return tr("неизвестная проверка \"%1\"").arg(unknown);

        const QJsonValue label = object.value(QLatin1String("errorLabel"));
        if (!label.isUndefined() && !label.isString())
            return tr("\"errorLabel\" должен быть строкой");
        expect->hasErrorLabel = label.isString();
        expect->errorLabel = label.toString();
        const QJsonValue labelPattern = object.value(QLatin1String("errorLabelMatches"));
        if (!labelPattern.isUndefined() && (!labelPattern.isString() || !validPattern(labelPattern.toString())))
            return tr("\"errorLabelMatches\" должен быть верным регулярным выражением");
        expect->errorLabelPattern = labelPattern.toString();

        const QJsonValue values = object.value(QLatin1String("values"));
        if (!values.isUndefined() && !values.isObject())
            return tr("\"values\" должен быть объектом");
        const QJsonObject valueObject = values.toObject();
        for (auto it = valueObject.begin(); it != valueObject.end(); ++it) {
            const QWidget *field = widget(it.key());
            if (!field)
                return noSuchField(it.key());
            const QString error = checkValueType(field, it.value(), false);
            if (!error.isEmpty())
                return tr("поле \"%1\": %2").arg(it.key(), error);
            expect->values.append({it.key(), it.value()});
        }

        QVector<QPair<QString, QStringList>> patterns;
        QString error = parseNamedTexts(object.value(QLatin1String("matches")), "matches", &patterns);
        if (!error.isEmpty())
            return error;
        for (const auto &pattern : patterns) {
            if (pattern.second.size() != 1 || !validPattern(pattern.second.first()))
                return tr("\"matches\" для \"%1\": нужно одно верное регулярное выражение").arg(pattern.first);
            expect->matches.append({pattern.first, pattern.second.first()});
        }
        if (!(error = parseNamedTexts(object.value(QLatin1String("contains")), "contains", &expect->contains)).isEmpty())
            return error;
        if (!(error = parseNamedTexts(object.value(QLatin1String("lines")), "lines", &expect->lines)).isEmpty())
            return error;

        const QJsonValue enabled = object.value(QLatin1String("enabled"));
        if (!enabled.isUndefined() && !enabled.isObject())
            return tr("\"enabled\" должен быть объектом");
        const QJsonObject enabledObject = enabled.toObject();
        for (auto it = enabledObject.begin(); it != enabledObject.end(); ++it) {
            if (!widget(it.key()))
                return noSuchField(it.key());
            if (!it.value().isBool())
                return tr("\"enabled\" для \"%1\": ожидается true или false").arg(it.key());
            expect->enabled.append({it.key(), it.value().toBool()});
        }
        return QString();
    }

    QMainWindow host;
    Ui::PayCardMainWindow form;
    QSet<QString> captured;
};

} // namespace

QString parse(const QByteArray &json, File *scenario)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        const auto position = lineAndColumn(json, error.offset);
        return tr("строка %1, столбец %2: %3").arg(position.first).arg(position.second).arg(error.errorString());
    }
    if (!document.isObject())
        return tr("сценарий должен быть объектом JSON");
    const QString duplicate = duplicateKey(json);
    return duplicate.isEmpty() ? Parser().parse(document.object(), scenario) : duplicate;
}

QString substitute(QString text, const QHash<QString, QString> &variables)
{
    for (auto it = variables.begin(); it != variables.end(); ++it)
        text.replace(QStringLiteral("${%1}").arg(it.key()), it.value());
    return text;
}

QString checkValueType(const QWidget *widget, const QJsonValue &value, bool forSetting)
{
    return checkType(widget, value, forSetting, true);
}

QString setValue(QWidget *widget, const QJsonValue &given)
{
    const QJsonValue value = asTyped(widget, given);
    const QString typeError = checkType(widget, value, true, false);
    if (!typeError.isEmpty())
        return typeError;
    if (!widget->isEnabled())
        return tr("поле недоступно");
    // Views the window fills itself take no typing.
    const auto *line = qobject_cast<const QLineEdit *>(widget);
    const auto *text = qobject_cast<const QTextEdit *>(widget);
    const auto *plain = qobject_cast<const QPlainTextEdit *>(widget);
    if ((line && line->isReadOnly()) || (text && text->isReadOnly()) || (plain && plain->isReadOnly()))
        return tr("поле только для чтения");
    if (auto *box = qobject_cast<QCheckBox *>(widget)) {
        box->setChecked(value.toBool());
    } else if (auto *spin = qobject_cast<QSpinBox *>(widget)) {
        const int number = value.toInt();
        if (number < spin->minimum() || number > spin->maximum())
            return tr("%1 вне пределов %2..%3").arg(number).arg(spin->minimum()).arg(spin->maximum());
        spin->setValue(number);
    } else if (auto *spin = qobject_cast<QDoubleSpinBox *>(widget)) {
        const double number = value.toDouble();
        if (number < spin->minimum() || number > spin->maximum())
            return tr("%1 вне пределов %2..%3").arg(number).arg(spin->minimum()).arg(spin->maximum());
        spin->setValue(number);
    } else if (auto *edit = qobject_cast<QTimeEdit *>(widget)) {
        edit->setTime(parseTime(value.toString()));
    } else if (auto *edit = qobject_cast<QDateEdit *>(widget)) {
        edit->setDate(QDate::fromString(value.toString(), Qt::ISODate));
    } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        // A number is an item's code (a device's id in the device list), a
        // text the item's text as shown.
        int index = -1;
        for (int i = 0; i < combo->count() && index < 0; ++i) {
            if (value.isString() ? combo->itemText(i) == value.toString()
                                 : combo->itemData(i).toString() == QString::number(value.toInt()))
                index = i;
        }
        if (index < 0)
            return tr("нет пункта %1").arg(describe(value));
        combo->setCurrentIndex(index);
    } else if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        edit->setText(value.toString());
    } else if (auto *edit = qobject_cast<QTextEdit *>(widget)) {
        edit->setPlainText(value.toString());
    } else if (auto *edit = qobject_cast<QPlainTextEdit *>(widget)) {
        edit->setPlainText(value.toString());
    }
    return QString();
}

QJsonValue value(const QWidget *widget)
{
    if (auto *box = qobject_cast<const QCheckBox *>(widget))
        return box->isChecked();
    if (auto *spin = qobject_cast<const QSpinBox *>(widget))
        return spin->value();
    if (auto *spin = qobject_cast<const QDoubleSpinBox *>(widget))
        return spin->value();
    if (auto *edit = qobject_cast<const QTimeEdit *>(widget))
        return edit->time().toString(QLatin1String(TimeFormat));
    if (auto *edit = qobject_cast<const QDateEdit *>(widget))
        return edit->date().toString(Qt::ISODate);
    return text(widget);
}

QString text(const QWidget *widget)
{
    // What the label would show were it wide enough.
    if (auto *label = qobject_cast<const SqueezedLabel *>(widget))
        return label->fullText();
    if (auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (auto *edit = qobject_cast<const QLineEdit *>(widget))
        return edit->text();
    if (auto *edit = qobject_cast<const QTextEdit *>(widget))
        return edit->toPlainText();
    if (auto *edit = qobject_cast<const QPlainTextEdit *>(widget))
        return edit->toPlainText();
    if (auto *combo = qobject_cast<const QComboBox *>(widget))
        return combo->currentText();
    if (auto *spin = qobject_cast<const QAbstractSpinBox *>(widget))
        return spin->text();
    if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    return QString();
}

bool sameValue(const QWidget *widget, const QJsonValue &given)
{
    const QJsonValue expected = asTyped(widget, given);
    if (auto *spin = qobject_cast<const QDoubleSpinBox *>(widget))
        return std::fabs(spin->value() - expected.toDouble()) < 0.5 * std::pow(10.0, -spin->decimals());
    if (auto *combo = qobject_cast<const QComboBox *>(widget)) {
        if (expected.isString())
            return combo->currentText() == expected.toString();
        return combo->currentIndex() >= 0 && combo->currentData().toString() == QString::number(expected.toInt());
    }
    if (auto *edit = qobject_cast<const QTimeEdit *>(widget))
        return edit->time() == parseTime(expected.toString());
    return value(widget) == expected;
}

QString describe(const QJsonValue &value)
{
    if (value.isString())
        return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    return QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
}

QRegularExpression compiled(const QString &pattern)
{
    static QHash<QString, QRegularExpression> expressions;
    auto found = expressions.constFind(pattern);
    if (found == expressions.cend())
        found = expressions.insert(pattern, QRegularExpression(pattern));
    return *found;
}

} // namespace Scenario
