#include "scenariorunner.h"

#include "cardnumbers.h"
#include "dialoganswerer.h"
#include "driverjournal.h"
#include "paycardmainwindow.h"
#include "scenario.h"
#include "settingsfile.h"
#include "settingsfolder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonValue>
#include <QLabel>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>
#include <QXmlStreamWriter>

#include <memory>

namespace ScenarioRunner {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Scenario", text);
}

// The name of the case a run that cannot be made is reported as.
const char UnusableCase[] = QT_TRANSLATE_NOOP("Scenario", "00 сценарий");

// Characters of the window's text a failure shows; a slip or a log can run
// to megabytes, which would bury the message.
constexpr int ShownLength = 2000;

struct CaseResult
{
    QString name;
    QStringList failures;
    double seconds = 0;
    bool error = false; // the run could not be made, as opposed to a failed step
};

// A widget's text as a failure shows it: card numbers masked before it is
// cut, so the cut never leaves part of a number unmasked.
QString shown(const QString &text)
{
    const QString masked = maskCardNumbers(text);
    if (masked.size() <= ShownLength)
        return Scenario::describe(masked);
    return tr("%1… (всего символов: %2)").arg(Scenario::describe(masked.left(ShownLength))).arg(masked.size());
}

QStringList checkExpectations(PayCardMainWindow *window, const Scenario::Expectations &expect)
{
    QStringList failures;
    const auto widget = [window](const QString &name) { return window->findChild<QWidget *>(name); };
    // A field's text is shown with its first failure only.
    QSet<QString> shownFields;
    const auto shownOnce = [&shownFields](const QString &field, const QString &text) {
        if (shownFields.contains(field))
            return tr("(текст поля приведен выше)");
        shownFields.insert(field);
        return shown(text);
    };
    const QString label = QStringLiteral("errorLabel");
    const QString errorText = Scenario::text(widget(label));
    if (expect.hasErrorLabel && errorText != expect.errorLabel)
        failures.append(tr("errorLabel: %1, ожидалось %2").arg(shownOnce(label, errorText), Scenario::describe(expect.errorLabel)));
    if (!expect.errorLabelPattern.isEmpty() && !Scenario::compiled(expect.errorLabelPattern).match(errorText).hasMatch())
        failures.append(tr("errorLabel: %1 не соответствует %2").arg(shownOnce(label, errorText), Scenario::describe(expect.errorLabelPattern)));
    for (const auto &value : expect.values) {
        const QWidget *field = widget(value.first);
        if (!Scenario::sameValue(field, value.second)) {
            const QJsonValue actual = Scenario::value(field);
            failures.append(tr("%1: %2, ожидалось %3")
                                .arg(value.first, actual.isString() ? shownOnce(value.first, actual.toString()) : Scenario::describe(actual),
                                     Scenario::describe(value.second)));
        }
    }
    for (const auto &match : expect.matches) {
        const QString text = Scenario::text(widget(match.first));
        if (!Scenario::compiled(match.second).match(text).hasMatch())
            failures.append(tr("%1: %2 не соответствует %3").arg(match.first, shownOnce(match.first, text), Scenario::describe(match.second)));
    }
    for (const auto &contains : expect.contains) {
        const QString text = Scenario::text(widget(contains.first));
        QStringList missing;
        for (const QString &part : contains.second) {
            if (!text.contains(part))
                missing.append(Scenario::describe(part));
        }
        if (!missing.isEmpty())
            failures.append(tr("%1 не содержит %2; в поле: %3")
                                .arg(contains.first, missing.join(QStringLiteral(", ")), shownOnce(contains.first, text)));
    }
    for (const auto &lines : expect.lines) {
        const QString text = Scenario::text(widget(lines.first));
        const QStringList shownLines = text.split(QLatin1Char('\n'));
        int from = 0;
        for (const QString &line : lines.second) {
            const int found = shownLines.indexOf(line, from);
            if (found < 0) {
                failures.append(tr("%1: нет строки %2 (в этом порядке); в поле: %3")
                                    .arg(lines.first, Scenario::describe(line), shownOnce(lines.first, text)));
                break;
            }
            from = found + 1;
        }
    }
    for (const auto &enabled : expect.enabled) {
        if (widget(enabled.first)->isEnabled() != enabled.second)
            failures.append(enabled.second ? tr("%1 недоступен").arg(enabled.first)
                                           : tr("%1 доступен").arg(enabled.first));
    }
    return failures;
}

QJsonValue substituted(const QJsonValue &value, const QHash<QString, QString> &variables)
{
    return value.isString() ? QJsonValue(Scenario::substitute(value.toString(), variables)) : value;
}

void substitute(Scenario::Fields *fields, const QHash<QString, QString> &variables)
{
    for (auto &field : *fields)
        field.second = substituted(field.second, variables);
}

void substitute(QVector<QPair<QString, QStringList>> *texts, const QHash<QString, QString> &variables)
{
    for (auto &entry : *texts) {
        for (QString &text : entry.second)
            text = Scenario::substitute(text, variables);
    }
}

// The step with the texts earlier steps captured put in.
Scenario::Step withVariables(Scenario::Step step, const QHash<QString, QString> &variables)
{
    if (variables.isEmpty())
        return step;
    substitute(&step.fields, variables);
    for (Scenario::DialogAnswer &dialog : step.dialogs) {
        dialog.text = Scenario::substitute(dialog.text, variables);
        dialog.pattern = Scenario::substitute(dialog.pattern, variables);
        substitute(&dialog.fields, variables);
    }
    Scenario::Expectations &expect = step.expect;
    expect.errorLabel = Scenario::substitute(expect.errorLabel, variables);
    expect.errorLabelPattern = Scenario::substitute(expect.errorLabelPattern, variables);
    substitute(&expect.values, variables);
    for (auto &match : expect.matches)
        match.second = Scenario::substitute(match.second, variables);
    substitute(&expect.contains, variables);
    substitute(&expect.lines, variables);
    return step;
}

QStringList capture(PayCardMainWindow *window, const QVector<Scenario::Capture> &captures,
                    QHash<QString, QString> *variables)
{
    QStringList failures;
    for (const Scenario::Capture &capture : captures) {
        const QString text = Scenario::text(window->findChild<QWidget *>(capture.from));
        const QRegularExpressionMatch match = Scenario::compiled(capture.pattern).match(text);
        if (match.hasMatch())
            variables->insert(capture.name, match.captured(1));
        else
            failures.append(tr("%1: %2 не соответствует %3, ${%4} не взят")
                                .arg(capture.from, shown(text), Scenario::describe(capture.pattern), capture.name));
    }
    return failures;
}

CaseResult runStep(PayCardMainWindow *window, DialogAnswerer &answerer, const Scenario::Step &step,
                   QHash<QString, QString> *variables)
{
    CaseResult result;
    result.name = QStringLiteral("%1 %2").arg(step.number, 2, 10, QLatin1Char('0')).arg(step.name);
    QElapsedTimer timer;
    timer.start();
    answerer.begin(step.dialogs);
    for (const auto &field : step.fields) {
        const QString error = Scenario::setValue(window->findChild<QWidget *>(field.first), field.second);
        if (!error.isEmpty())
            result.failures.append(tr("поле %1: %2").arg(field.first, error));
    }
    // What a person could not do, a scenario does not do either.
    if (result.failures.isEmpty() && !step.press.isEmpty()) {
        auto *button = window->findChild<QAbstractButton *>(step.press);
        if (button->isEnabled())
            button->click();
        else
            result.failures.append(tr("кнопка %1 недоступна").arg(step.press));
    }
    result.failures += answerer.finish();
    if (result.failures.isEmpty())
        result.failures = checkExpectations(window, step.expect);
    result.failures += capture(window, step.captures, variables);
    result.seconds = timer.nsecsElapsed() / 1e9;
    return result;
}

// The settings files the window reads, copied to a folder of the run's own,
// so that neither its saving at the end nor the keeping aside of a file it
// could not read touches the originals.
bool copySettings(const QString &from, const QString &to, QString *error)
{
    const QDir source(from);
    const auto files = source.entryInfoList({QStringLiteral("*.cfg")}, QDir::Files);
    for (const QFileInfo &file : files) {
        if (!QFile::copy(file.absoluteFilePath(), QDir(to).filePath(file.fileName()))) {
            *error = tr("не удалось скопировать %1").arg(file.absoluteFilePath());
            return false;
        }
    }
    return true;
}

// The text with every character XML cannot carry (control characters other
// than tab and line breaks, U+FFFE, U+FFFF, halves of surrogate pairs standing
// alone) replaced, so a driver's stray byte cannot cost the whole report.
QString xmlSafe(QString text)
{
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        const ushort u = c.unicode();
        if ((u < 0x20 && u != '\t' && u != '\n' && u != '\r') || u == 0xFFFE || u == 0xFFFF || c.isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

// Writes the JUnit report into a file opened when the run began.
bool writeReport(QSaveFile *file, const QString &suite, const QString &className, const QVector<CaseResult> &cases,
                 QString *error)
{
    int failures = 0;
    int errors = 0;
    double seconds = 0;
    for (const CaseResult &result : cases) {
        (result.error ? errors : failures) += result.failures.isEmpty() ? 0 : 1;
        seconds += result.seconds;
    }
    QXmlStreamWriter xml(file);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    xml.writeStartElement(QStringLiteral("testsuite"));
    xml.writeAttribute(QStringLiteral("name"), xmlSafe(suite));
    xml.writeAttribute(QStringLiteral("tests"), QString::number(cases.size()));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(failures));
    xml.writeAttribute(QStringLiteral("errors"), QString::number(errors));
    xml.writeAttribute(QStringLiteral("time"), QString::number(seconds, 'f', 3));
    xml.writeAttribute(QStringLiteral("timestamp"), QDateTime::currentDateTime().toString(Qt::ISODate));
    for (const CaseResult &result : cases) {
        xml.writeStartElement(QStringLiteral("testcase"));
        xml.writeAttribute(QStringLiteral("classname"), xmlSafe(className));
        xml.writeAttribute(QStringLiteral("name"), xmlSafe(result.name));
        xml.writeAttribute(QStringLiteral("time"), QString::number(result.seconds, 'f', 3));
        if (!result.failures.isEmpty()) {
            xml.writeStartElement(result.error ? QStringLiteral("error") : QStringLiteral("failure"));
            xml.writeAttribute(QStringLiteral("message"), xmlSafe(result.failures.first()));
            xml.writeCharacters(xmlSafe(result.failures.join(QLatin1Char('\n'))));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    if (xml.hasError() || !file->commit()) {
        *error = file->errorString();
        return false;
    }
    return true;
}

// Reads no more than one byte past the limit, so that /dev/zero or a file
// still being written ends the run at once.
QString readScenario(const QString &fileName, QByteArray *json)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    *json = file.read(Scenario::MaxFileSize + 1);
    if (json->size() > Scenario::MaxFileSize)
        return tr("файл больше предела в %1 МиБ").arg(Scenario::MaxFileSize / (1024 * 1024));
    return file.error() == QFileDevice::NoError ? QString() : file.errorString();
}

// The settings files of `folder` that would not load; the window would only
// find out after its first driver calls, and in the run's copy. `empty` tells
// whether the folder holds no settings file at all.
QString checkSettings(const QString &folder, bool *empty)
{
    if (!QFileInfo(folder).isDir())
        return tr("%1: папка настроек не найдена").arg(folder);
    const auto files = QDir(folder).entryInfoList({QStringLiteral("paycard.cfg"), QStringLiteral("paycard_fptr.cfg")},
                                                  QDir::Files);
    *empty = files.isEmpty();
    for (const QFileInfo &info : files) {
        QFile file(info.absoluteFilePath());
        QString error = file.open(QIODevice::ReadOnly) ? QString() : file.errorString();
        if (error.isEmpty())
            error = SettingsFile::read(&file, [](const SettingsFile::Device &) { return QString(); });
        if (!error.isEmpty())
            return tr("%1: файл настроек не загружается: %2").arg(info.absoluteFilePath(), error);
    }
    return QString();
}

} // namespace

Outcome run(const Options &options, QTextStream &out, QTextStream &err)
{
    const QString className = QFileInfo(options.scenarioFile).completeBaseName();
    // Opened first, and held open: a report that cannot be written is known
    // before anything else happens, and any other reason to stop is reported
    // in it rather than leaving the previous run's report in place.
    std::unique_ptr<QSaveFile> report;
    if (!options.reportFile.isEmpty()) {
        report = std::make_unique<QSaveFile>(options.reportFile);
        if (!report->open(QIODevice::WriteOnly)) {
            err << tr("%1: отчет не записать: %2").arg(options.reportFile, report->errorString()) << Qt::endl;
            return Unusable;
        }
    }
    const auto unusable = [&](const QString &problem, const QString &suite) {
        err << problem << Qt::endl;
        QString reportError;
        if (report && !writeReport(report.get(), suite, className, {{tr(UnusableCase), {problem}, 0, true}}, &reportError))
            err << tr("%1: отчет не записан: %2").arg(options.reportFile, reportError) << Qt::endl;
        return Unusable;
    };

    QByteArray json;
    Scenario::File scenario;
    QString error = readScenario(options.scenarioFile, &json);
    if (error.isEmpty())
        error = Scenario::parse(json, &scenario);
    json.clear();
    if (!error.isEmpty())
        return unusable(tr("%1: %2").arg(options.scenarioFile, error), className);
    if (scenario.name.isEmpty())
        scenario.name = className;

    const QString source = options.settingsDirectory.isEmpty() ? settingsDirectory() : options.settingsDirectory;
    bool noSettingsFiles = false;
    if (const QString settingsError = checkSettings(source, &noSettingsFiles); !settingsError.isEmpty())
        return unusable(settingsError, scenario.name);
    QTemporaryDir workingSettings;
    QString copyError;
    if (!workingSettings.isValid() || !copySettings(source, workingSettings.path(), &copyError))
        return unusable(copyError.isEmpty() ? workingSettings.errorString() : copyError, scenario.name);
    if (!options.journalFile.isEmpty()) {
        if (const QString journalError = DriverJournal::start(options.journalFile, options.scenarioFile);
            !journalError.isEmpty())
            return unusable(tr("%1: журнал не открыть: %2").arg(options.journalFile, journalError), scenario.name);
    }
    const QString ownSettings = useSettingsDirectory(workingSettings.path());

    QVector<CaseResult> cases;
    DialogAnswerer answerer;
    // Messages of the device start-up and shut-down are failures of the run,
    // though no step asked for them.
    answerer.begin();
    auto window = std::make_unique<PayCardMainWindow>();
    if (const QStringList failures = answerer.finish(); !failures.isEmpty())
        cases.append({tr("00 запуск"), failures, 0});
    if (options.windowReady)
        options.windowReady(window.get());

    QHash<QString, QString> variables;
    for (const Scenario::Step &step : scenario.steps)
        cases.append(runStep(window.get(), answerer, withVariables(step, variables), &variables));

    answerer.begin();
    window.reset();
    if (const QStringList failures = answerer.finish(); !failures.isEmpty())
        cases.append({tr("%1 завершение").arg(scenario.steps.size() + 1, 2, 10, QLatin1Char('0')), failures, 0});
    if (!options.journalFile.isEmpty())
        DriverJournal::stop();
    useSettingsDirectory(ownSettings);

    int failed = 0;
    for (CaseResult &result : cases) {
        // Driver texts may carry card numbers; the report is published.
        for (QString &failure : result.failures)
            failure = maskCardNumbers(failure);
        if (result.failures.isEmpty()) {
            out << tr("  ok   %1").arg(result.name) << Qt::endl;
        } else {
            ++failed;
            out << tr("  FAIL %1: %2").arg(result.name, result.failures.join(QStringLiteral("; "))) << Qt::endl;
        }
    }
    if (noSettingsFiles)
        out << tr("В папке настроек %1 нет файлов настроек: работали устройства по умолчанию").arg(source) << Qt::endl;
    out << tr("%1: шагов %2, пройдено %3, не пройдено %4")
               .arg(scenario.name)
               .arg(cases.size())
               .arg(cases.size() - failed)
               .arg(failed)
        << Qt::endl;

    QString reportError;
    if (report && !writeReport(report.get(), scenario.name, className, cases, &reportError)) {
        err << tr("%1: отчет не записан: %2").arg(options.reportFile, reportError) << Qt::endl;
        return Unusable;
    }
    return failed == 0 ? Passed : Failed;
}

} // namespace ScenarioRunner
