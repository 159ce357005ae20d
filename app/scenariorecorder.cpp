#include "scenariorecorder.h"

#include "cardnumbers.h"
#include "dialoganswerer.h"
#include "scenario.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStatusBar>
#include <QTextEdit>

#include <algorithm>

namespace {

const char *const SettingsFiles[] = {"paycard.cfg", "paycard_fptr.cfg"};

// Labels of result lines whose values are new in every run, and the name a
// capture of such a value gets. Matched at the start of a line's label,
// whatever the case, so the slip's "Срок действия:" is one of them too.
const struct
{
    const char *label;
    const char *variable;
} ChangingLabels[] = {
    {"Код авторизации", "authCode"},       {"Идентификатор транзакции", "transaction"},
    {"Дата транзакции", "date"},           {"Время транзакции", "time"},
    {"Ссылочный номер", "reference"},      {"Номер слипа", "slip"},
    {"Идентификатор суммы", "amountId"},   {"Идентификатор комиссии", "commissionId"},
    {"Срок действия", "expiry"},
};

// Values that look like a date, a time, a card's expiry or a number of six
// digits or more (reference numbers, authorization codes, transaction ids),
// which a real host gives anew each time. The digits of a masked card number
// are no such value.
const QRegularExpression &changingValue()
{
    static const QRegularExpression expression(QStringLiteral("(?<![\\d*])\\d{6,}(?![\\d*])"
                                                              "|\\b\\d{1,4}[./-]\\d{1,2}[./-]\\d{1,4}\\b"
                                                              "|\\b\\d{1,2}:\\d{2}(?::\\d{2})?\\b"
                                                              "|\\b\\d{2}/\\d{2}\\b"));
    return expression;
}

// "Label: value", the label holding a letter.
const QRegularExpression &labelledLine()
{
    static const QRegularExpression expression(QStringLiteral("^\\s*([^:]{0,40}\\p{L}[^:]{0,40}?)\\s*:\\s*(.*?)\\s*$"));
    return expression;
}

const QRegularExpression &letterOrDigit()
{
    static const QRegularExpression expression(QStringLiteral("[\\p{L}\\d]"));
    return expression;
}

struct Line
{
    QString label;
    QString value;
    bool stable = false;
};

Line examine(const QString &line)
{
    Line result;
    const QRegularExpressionMatch labelled = labelledLine().match(line);
    if (labelled.hasMatch()) {
        result.label = labelled.captured(1);
        result.value = labelled.captured(2);
    }
    const bool changingLabel = !result.label.isEmpty()
                               && std::any_of(std::begin(ChangingLabels), std::end(ChangingLabels), [&result](const auto &entry) {
                                      return result.label.startsWith(QString::fromUtf8(entry.label), Qt::CaseInsensitive);
                                  });
    // A card number in full would have to be written out to be checked.
    result.stable = !changingLabel && !changingValue().match(line).hasMatch() && maskCardNumbers(line) == line;
    return result;
}

bool stableText(const QString &text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    return std::all_of(lines.begin(), lines.end(), [](const QString &line) { return examine(line).stable; });
}

QString variableName(const QString &label)
{
    for (const auto &entry : ChangingLabels) {
        if (label.startsWith(QString::fromUtf8(entry.label), Qt::CaseInsensitive))
            return QLatin1String(entry.variable);
    }
    return QStringLiteral("value");
}

QString literal(const QString &text)
{
    static const QString special = QStringLiteral("\\^$.|?*+()[]{}");
    QString pattern;
    for (const QChar c : text) {
        if (c == QLatin1Char('\n')) {
            pattern += QLatin1String("\\n");
            continue;
        }
        if (special.contains(c))
            pattern += QLatin1Char('\\');
        pattern += c;
    }
    return pattern;
}

// A pattern that matches `text` whatever its changing values, and shows its
// card numbers only as masked: a hidden digit becomes \d.
QString loosePattern(const QString &text)
{
    const QString masked = maskCardNumbers(text);
    const auto part = [&](int from, int to) {
        QString pattern;
        for (int i = from; i < to; ++i) {
            const bool hidden = masked.at(i) == QLatin1Char('*') && masked.size() == text.size() && text.at(i).isDigit();
            pattern += hidden ? QStringLiteral("\\d") : literal(masked.at(i));
        }
        return pattern;
    };
    QString pattern = QStringLiteral("^");
    int at = 0;
    for (auto it = changingValue().globalMatch(masked); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        pattern += part(at, match.capturedStart()) + QLatin1String("[\\d./:-]+");
        at = match.capturedEnd();
    }
    return pattern + part(at, masked.size()) + QLatin1Char('$');
}

bool isReadOnly(const QWidget *widget)
{
    if (auto *edit = qobject_cast<const QLineEdit *>(widget))
        return edit->isReadOnly();
    if (auto *edit = qobject_cast<const QTextEdit *>(widget))
        return edit->isReadOnly();
    if (auto *edit = qobject_cast<const QPlainTextEdit *>(widget))
        return edit->isReadOnly();
    if (auto *spin = qobject_cast<const QAbstractSpinBox *>(widget))
        return spin->isReadOnly();
    return false;
}

// A field a person fills in, which a step sets by name.
bool isField(const QWidget *widget)
{
    const bool kind = qobject_cast<const QCheckBox *>(widget) || qobject_cast<const QAbstractSpinBox *>(widget)
                      || qobject_cast<const QComboBox *>(widget) || qobject_cast<const QLineEdit *>(widget)
                      || qobject_cast<const QTextEdit *>(widget) || qobject_cast<const QPlainTextEdit *>(widget);
    return kind && !isReadOnly(widget);
}

// Several lines the window writes, checked line by line.
bool isView(const QWidget *widget)
{
    return (qobject_cast<const QTextEdit *>(widget) || qobject_cast<const QPlainTextEdit *>(widget)) && isReadOnly(widget);
}

bool hasValue(const QWidget *widget)
{
    return isField(widget) || isReadOnly(widget) || qobject_cast<const QLabel *>(widget);
}

// A field's value as a step sets it: a combo box by its item's code where
// that code is the item's alone, otherwise by the item's text.
QJsonValue fieldValue(const QWidget *widget)
{
    if (auto *combo = qobject_cast<const QComboBox *>(widget)) {
        bool number = false;
        const int code = combo->currentData().toString().toInt(&number);
        if (number && combo->findData(combo->currentData()) == combo->currentIndex())
            return code;
        return combo->currentText();
    }
    return Scenario::value(widget);
}

// The named widgets a scenario can refer to; the toolkit's own parts of a
// widget are named "qt_…".
QVector<QWidget *> namedWidgets(const QWidget *parent)
{
    QVector<QWidget *> named;
    QSet<QString> seen;
    QSet<QString> twice;
    const auto children = parent->findChildren<QWidget *>();
    for (QWidget *child : children) {
        const QString name = child->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            continue;
        if (seen.contains(name))
            twice.insert(name);
        seen.insert(name);
        named.append(child);
    }
    named.erase(std::remove_if(named.begin(), named.end(), [&twice](QWidget *w) { return twice.contains(w->objectName()); }),
                named.end());
    return named;
}

QByteArray compact(const QJsonValue &value)
{
    return QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
}

} // namespace

ScenarioRecorder::ScenarioRecorder(const QString &fileName, QObject *parent)
    : QObject(parent)
    , fileName(fileName)
    , scenarioName(QFileInfo(fileName).completeBaseName())
{
}

ScenarioRecorder::~ScenarioRecorder()
{
    detach();
}

QString ScenarioRecorder::settingsFolder(const QString &fileName)
{
    const QFileInfo file(fileName);
    return file.dir().filePath(file.completeBaseName() + QStringLiteral(".settings"));
}

QString ScenarioRecorder::start(const QString &userSettings)
{
    const QString folder = settingsFolder(fileName);
    if (!QDir().mkpath(folder))
        return tr("%1: папку настроек записи не создать").arg(folder);
    for (const char *file : SettingsFiles) {
        const QString from = QDir(userSettings).filePath(QLatin1String(file));
        const QString to = QDir(folder).filePath(QLatin1String(file));
        // An earlier recording's file would not be the starting point of this one.
        if (QFileInfo::exists(to) && !QFile::remove(to))
            return tr("%1: прежний файл не удалить").arg(to);
        if (QFileInfo::exists(from) && !QFile::copy(from, to))
            return tr("%1: не удалось скопировать в %2").arg(from, folder);
    }
    description = tr("Записан командой vanter9 --record %1; настройки на начало записи в папке %2")
                      .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                           QFileInfo(folder).fileName());
    if (!write())
        return tr("%1: сценарий не записать").arg(fileName);
    return QString();
}

void ScenarioRecorder::attach(QMainWindow *mainWindow)
{
    window = mainWindow;
    for (QWidget *widget : namedWidgets(window))
        widgets.append(widget);
    baseline = snapshot();

    const QMetaMethod acted = metaObject()->method(metaObject()->indexOfSlot("fieldActed()"));
    const QMetaObject *windowClass = window->metaObject();
    for (const QPointer<QWidget> &widget : qAsConst(widgets)) {
        auto *button = qobject_cast<QPushButton *>(widget.data());
        // Checkable buttons choose a page of the window; there is nothing to
        // replay in that.
        if (button && !button->isCheckable()) {
            connect(button, &QAbstractButton::pressed, this, [this, button] { pressed(button); });
            connect(button, &QAbstractButton::clicked, this, [this, button] { clicked(button); });
            continue;
        }
        if (!isField(widget))
            continue;
        // A field the window has a slot for acts at once; the signal is the
        // one the slot is named after, and this connection comes after the
        // window's own, so the step is taken once the slot has run.
        const QString prefix = QStringLiteral("on_%1_").arg(widget->objectName());
        for (int i = windowClass->methodOffset(); i < windowClass->methodCount(); ++i) {
            const QString slot = QString::fromLatin1(windowClass->method(i).methodSignature());
            if (!slot.startsWith(prefix))
                continue;
            const int signal = widget->metaObject()->indexOfSignal(slot.mid(prefix.size()).toLatin1());
            if (signal >= 0 && connect(widget, widget->metaObject()->method(signal), this, acted))
                actingFields.insert(widget->objectName());
        }
    }
    qApp->installEventFilter(this);

    window->setWindowTitle(tr("%1 — запись сценария %2").arg(window->windowTitle(), QFileInfo(fileName).fileName()));
    indicator = new QLabel;
    indicator->setStyleSheet(QStringLiteral("color: #b00020;"));
    window->statusBar()->addPermanentWidget(indicator);
    showState();
}

void ScenarioRecorder::detach()
{
    if (qApp)
        qApp->removeEventFilter(this);
    for (const QPointer<QWidget> &widget : qAsConst(widgets)) {
        if (widget)
            disconnect(widget, nullptr, this, nullptr);
    }
    widgets.clear();
    window = nullptr;
    pending = nullptr;
}

bool ScenarioRecorder::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
        if (auto *dialog = qobject_cast<QDialog *>(watched); dialog && dialog->isWindow() && dialog->isModal())
            seeDialog(dialog);
        break;
    case QEvent::Close:
        if (watched == window)
            detach();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
        // A button pressed and let go elsewhere was never clicked: input
        // reaching the window again, with no dialog in the way, means the
        // press is over.
        if (auto *widget = qobject_cast<QWidget *>(watched);
            pending && widget && window && window->isAncestorOf(widget) && !QApplication::activeModalWidget())
            pending = nullptr;
        break;
    default:
        break;
    }
    return false;
}

ScenarioRecorder::Snapshot ScenarioRecorder::snapshot() const
{
    Snapshot states;
    for (const QPointer<QWidget> &widget : widgets) {
        if (!widget)
            continue;
        State &state = states[widget->objectName()];
        if (hasValue(widget))
            state.value = Scenario::value(widget);
        state.ownEnabled = widget->isEnabledTo(widget->parentWidget());
        state.enabled = widget->isEnabled();
    }
    return states;
}

QJsonObject ScenarioRecorder::changedFields() const
{
    QJsonObject set;
    for (const QPointer<QWidget> &widget : widgets) {
        if (widget && isField(widget) && widget->isEnabled()
            && Scenario::value(widget) != baseline.value(widget->objectName()).value)
            set.insert(widget->objectName(), fieldValue(widget));
    }
    return set;
}

void ScenarioRecorder::pressed(QAbstractButton *button)
{
    if (!window)
        return;
    pending = button;
    pendingSet = changedFields();
    dialogs.clear();
}

void ScenarioRecorder::clicked(QAbstractButton *button)
{
    if (!window || pending != button)
        return;
    pending = nullptr;
    finishStep(button->text().remove(QLatin1Char('&')), button->objectName(), pendingSet);
}

void ScenarioRecorder::fieldActed()
{
    auto *field = qobject_cast<QWidget *>(sender());
    if (!window || pending || !field)
        return;
    const QString name = field->objectName();
    // Signals of fields the slot of another field changes arrive first, from
    // inside that slot; that field still differs from the previous step.
    for (const QString &other : qAsConst(actingFields)) {
        const QWidget *widget = window->findChild<QWidget *>(other);
        if (other != name && !consequences.contains(other) && widget
            && Scenario::value(widget) != baseline.value(other).value) {
            consequences.insert(name);
            return;
        }
    }
    QJsonObject set = changedFields();
    for (const QString &other : qAsConst(consequences))
        set.remove(other);
    consequences.clear();
    const QJsonValue value = fieldValue(field);
    set.insert(name, value);
    const auto *combo = qobject_cast<const QComboBox *>(field);
    finishStep(QStringLiteral("%1 = %2").arg(name, maskCardNumbers(combo ? combo->currentText() : Scenario::describe(value))),
               QString(), set);
}

void ScenarioRecorder::finishStep(const QString &stepName, const QString &press, QJsonObject set)
{
    Step step;
    step.name = stepName;
    step.press = press;
    // Values taken over from earlier steps first: this step's own values are
    // only for the steps after it.
    for (auto it = set.begin(); it != set.end(); ++it) {
        const QWidget *widget = window->findChild<QWidget *>(it.key());
        it.value() = withCaptures(it.value(), qobject_cast<const QAbstractSpinBox *>(widget));
    }
    step.set = set;
    for (SeenDialog &seen : dialogs) {
        if (!seen.finished)
            continue;
        for (const char *key : {"text", "set"}) {
            const QLatin1String member(key);
            if (seen.answer.contains(member))
                seen.answer.insert(member, withCaptures(seen.answer.value(member), false));
        }
        step.dialogs.append(seen.answer);
    }
    dialogs.clear();
    steps.append(step);
    const Snapshot after = snapshot();
    steps.last().expect = expectations(after, set);
    baseline = after;
    write();
}

QJsonObject ScenarioRecorder::expectations(const Snapshot &after, const QJsonObject &set)
{
    QJsonObject expect;
    const QString label = QStringLiteral("errorLabel");
    const QString error = after.value(label).value.toString();
    if (stableText(error))
        expect.insert(label, error);
    else
        expect.insert(QStringLiteral("errorLabelMatches"), loosePattern(error));

    QJsonObject values;
    QJsonObject lines;
    QJsonObject contains;
    QJsonObject enabled;
    for (const QPointer<QWidget> &widget : widgets) {
        if (!widget)
            continue;
        const QString name = widget->objectName();
        const State &before = baseline.value(name);
        const State &now = after.value(name);
        if (name != label && now.ownEnabled != before.ownEnabled)
            enabled.insert(name, now.enabled);
        if (name == label || set.contains(name) || now.value == before.value)
            continue;
        const QString text = now.value.toString();
        if (isView(widget)) {
            if (text.isEmpty())
                values.insert(name, text);
            QStringList whole;
            QStringList parts;
            for (const QString &line : text.split(QLatin1Char('\n'))) {
                const QString trimmed = line.trimmed();
                if (!trimmed.contains(letterOrDigit()) || !examine(line).stable)
                    continue;
                // Lines padded to a slip's width are checked without the
                // blanks, in any order, each once.
                if (trimmed == line)
                    whole.append(line);
                else if (!parts.contains(trimmed))
                    parts.append(trimmed);
            }
            if (!whole.isEmpty())
                lines.insert(name, QJsonArray::fromStringList(whole));
            if (!parts.isEmpty())
                contains.insert(name, QJsonArray::fromStringList(parts));
            addCandidates(name, text);
        } else if (isField(widget) && !qobject_cast<QComboBox *>(widget) && !qobject_cast<QCheckBox *>(widget)) {
            // What a press writes into a field one types into (sample
            // values, a random receipt number) is input for later steps.
            continue;
        } else if (!now.value.isString() || stableText(text)) {
            values.insert(name, now.value);
        } else {
            addCandidates(name, text);
        }
    }
    const QVector<QPair<const char *, QJsonObject>> groups = {
        {"values", values}, {"lines", lines}, {"contains", contains}, {"enabled", enabled}};
    for (const auto &group : groups) {
        if (!group.second.isEmpty())
            expect.insert(QLatin1String(group.first), group.second);
    }
    return expect;
}

// Values of lines left out of the expectations, which a later step may
// take over; each with the pattern that finds it again in the same text.
void ScenarioRecorder::addCandidates(const QString &from, const QString &text)
{
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const Line examined = examine(line);
        if (examined.stable || examined.label.isEmpty() || examined.value.size() < 4)
            continue;
        const QString &value = examined.value;
        const bool digits = std::all_of(value.begin(), value.end(), [](QChar c) { return c.isDigit(); });
        const bool blanks = std::any_of(value.begin(), value.end(), [](QChar c) { return c.isSpace(); });
        const QString group = digits ? QStringLiteral("(\\d+)") : blanks ? QStringLiteral("(.+)") : QStringLiteral("(\\S+)");
        const QString pattern = literal(examined.label) + QStringLiteral(":\\s*") + group;
        if (Scenario::compiled(pattern).match(text).captured(1) == value)
            candidates.append({steps.size() - 1, from, examined.label, value, pattern});
    }
}

// `value` with a value an earlier step showed put as ${name}, and that step
// given the capture. A spin box takes a captured value only as its whole.
QJsonValue ScenarioRecorder::withCaptures(const QJsonValue &value, bool wholeOnly)
{
    if (value.isObject()) {
        QJsonObject fields = value.toObject();
        for (auto it = fields.begin(); it != fields.end(); ++it)
            it.value() = withCaptures(it.value(), false);
        return fields;
    }
    const QString text = value.isDouble() ? QString::number(value.toDouble(), 'f', -1) : value.toString();
    if (text.isEmpty() || value.isBool())
        return value;
    // Whole words only, so 123456 is not found inside 91234567.
    const auto word = [](const Candidate &candidate) {
        return QRegularExpression(QStringLiteral("(?<![\\p{L}\\d])%1(?![\\p{L}\\d])").arg(literal(candidate.value)));
    };
    // The earliest step that showed the value.
    const auto chosen = std::find_if(candidates.cbegin(), candidates.cend(), [&](const Candidate &candidate) {
        return text == candidate.value || (!wholeOnly && value.isString() && text.contains(word(candidate)));
    });
    if (chosen != candidates.cend()) {
        Step &producer = steps[chosen->step];
        const QJsonObject capture{{QStringLiteral("from"), chosen->from}, {QStringLiteral("pattern"), chosen->pattern}};
        const QString base = variableName(chosen->label) + QString::number(chosen->step + 1);
        QString variable = base;
        for (int n = 2; producer.capture.contains(variable) && producer.capture.value(variable) != capture; ++n)
            variable = base + QLatin1Char('_') + QString::number(n);
        producer.capture.insert(variable, capture);
        return QString(text).replace(word(*chosen), QStringLiteral("${%1}").arg(variable));
    }
    return value;
}

void ScenarioRecorder::seeDialog(QDialog *dialog)
{
    if (!window)
        return;
    for (const SeenDialog &seen : qAsConst(dialogs)) {
        if (seen.dialog == dialog && !seen.finished)
            return;
    }
    SeenDialog seen;
    seen.dialog = dialog;
    const QString text = dialogText(dialog);
    seen.pattern = QLatin1Char('^') + literal(dialog->windowTitle()) + QLatin1String("\\n");
    if (stableText(text))
        seen.pattern += literal(text) + QLatin1Char('$');
    // A message box is answered by its button and an input dialog by its
    // text; the widgets they are made of are no fields of the answer.
    if (!qobject_cast<QMessageBox *>(dialog) && !qobject_cast<QInputDialog *>(dialog)) {
        for (const QWidget *field : namedWidgets(dialog)) {
            if (isField(field))
                seen.shown.insert(field->objectName(), Scenario::value(field));
        }
    }
    dialogs.append(seen);
    connect(dialog, &QDialog::finished, this, [this, dialog](int result) { dialogFinished(dialog, result); });
}

void ScenarioRecorder::dialogFinished(QDialog *dialog, int result)
{
    disconnect(dialog, &QDialog::finished, this, nullptr);
    for (SeenDialog &seen : dialogs) {
        if (seen.dialog != dialog || seen.finished)
            continue;
        bool accepted = result == QDialog::Accepted;
        if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
            const QMessageBox::ButtonRole role = box->buttonRole(box->clickedButton());
            accepted = role == QMessageBox::AcceptRole || role == QMessageBox::YesRole;
        }
        seen.finished = true;
        seen.answer.insert(QStringLiteral("answer"), accepted ? QStringLiteral("accept") : QStringLiteral("cancel"));
        if (auto *input = qobject_cast<QInputDialog *>(dialog); input && accepted)
            seen.answer.insert(QStringLiteral("text"), input->textValue());
        QJsonObject set;
        for (auto it = seen.shown.cbegin(); accepted && it != seen.shown.cend(); ++it) {
            const QWidget *field = dialog->findChild<QWidget *>(it.key());
            if (field && Scenario::value(field) != it.value())
                set.insert(it.key(), fieldValue(field));
        }
        if (!set.isEmpty())
            seen.answer.insert(QStringLiteral("set"), set);
        seen.answer.insert(QStringLiteral("expect"), seen.pattern);
    }
}

// The whole file anew, in the order a person reads a step in: what is set,
// pressed, answered, then checked.
bool ScenarioRecorder::write()
{
    QByteArray json = "{\n  \"name\": " + compact(scenarioName) + ",\n  \"description\": " + compact(description)
                      + ",\n  \"steps\": [";
    for (int i = 0; i < steps.size(); ++i) {
        const Step &step = steps.at(i);
        QByteArrayList members{"\"name\": " + compact(step.name)};
        if (!step.set.isEmpty())
            members.append("\"set\": " + compact(step.set));
        if (!step.press.isEmpty())
            members.append("\"press\": " + compact(step.press));
        if (!step.dialogs.isEmpty())
            members.append("\"dialogs\": " + compact(step.dialogs));
        QByteArrayList checks;
        for (auto it = step.expect.begin(); it != step.expect.end(); ++it)
            checks.append(compact(it.key()) + ": " + compact(it.value()));
        members.append("\"expect\": {\n        " + checks.join(",\n        ") + "\n      }");
        if (!step.capture.isEmpty())
            members.append("\"capture\": " + compact(step.capture));
        json += (i > 0 ? ",\n    {\n      " : "\n    {\n      ") + members.join(",\n      ") + "\n    }";
    }
    json += steps.isEmpty() ? "]\n}\n" : "\n  ]\n}\n";

    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly) && file.write(json) == json.size() && file.commit()) {
        showState();
        return true;
    }
    const QString problem = file.errorString();
    file.cancelWriting();
    showState(problem);
    return false;
}

// Not in the error label: that is what the steps check.
void ScenarioRecorder::showState(const QString &problem)
{
    if (!indicator)
        return;
    indicator->setText(problem.isEmpty()
                           ? tr("● Запись: %1, шагов: %2").arg(QFileInfo(fileName).fileName()).arg(steps.size())
                           : tr("● Запись в %1 не сохранена: %2").arg(QFileInfo(fileName).fileName(), problem));
}
