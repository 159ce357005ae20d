#include "scenariorunner.h"

#include "paycardmainwindow.h"
#include "dialoganswerer.h"
#include "scenario.h"
#include "startup.h"

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

struct CaseResult
{
    QString name;
    QStringList failures;
    double seconds = 0;
};

QStringList checkExpectations(PayCardMainWindow *window, const Scenario::Expectations &expect)
{
    QStringList failures;
    const auto widget = [window](const QString &name) { return window->findChild<QWidget *>(name); };
    const QString errorText = Scenario::text(widget(QStringLiteral("errorLabel")));
    if (expect.hasErrorLabel && errorText != expect.errorLabel)
        failures.append(tr("errorLabel: %1, ожидалось %2").arg(Scenario::describe(errorText), Scenario::describe(expect.errorLabel)));
    if (!expect.errorLabelPattern.isEmpty() && !QRegularExpression(expect.errorLabelPattern).match(errorText).hasMatch())
        failures.append(tr("errorLabel: %1 не соответствует %2").arg(Scenario::describe(errorText), Scenario::describe(expect.errorLabelPattern)));
    for (const auto &value : expect.values) {
        const QWidget *field = widget(value.first);
        if (!Scenario::sameValue(field, value.second))
            failures.append(tr("%1: %2, ожидалось %3")
                                .arg(value.first, Scenario::describe(Scenario::value(field)), Scenario::describe(value.second)));
    }
    for (const auto &match : expect.matches) {
        const QString text = Scenario::text(widget(match.first));
        if (!QRegularExpression(match.second).match(text).hasMatch())
            failures.append(tr("%1: %2 не соответствует %3").arg(match.first, Scenario::describe(text), Scenario::describe(match.second)));
    }
    for (const auto &contains : expect.contains) {
        const QString text = Scenario::text(widget(contains.first));
        for (const QString &part : contains.second) {
            if (!text.contains(part))
                failures.append(tr("%1 не содержит %2").arg(contains.first, Scenario::describe(part)));
        }
    }
    for (const auto &lines : expect.lines) {
        const QStringList shown = Scenario::text(widget(lines.first)).split(QLatin1Char('\n'));
        int from = 0;
        for (const QString &line : lines.second) {
            const int found = shown.indexOf(line, from);
            if (found < 0) {
                failures.append(tr("%1: нет строки %2 (в этом порядке)").arg(lines.first, Scenario::describe(line)));
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
        const QRegularExpressionMatch match = QRegularExpression(capture.pattern).match(text);
        if (match.hasMatch())
            variables->insert(capture.name, match.captured(1));
        else
            failures.append(tr("%1: %2 не соответствует %3, ${%4} не взят")
                                .arg(capture.from, Scenario::describe(text), Scenario::describe(capture.pattern), capture.name));
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

bool writeReport(const QString &fileName, const QString &suite, const QString &className,
                 const QVector<CaseResult> &cases, QString *error)
{
    int failures = 0;
    double seconds = 0;
    for (const CaseResult &result : cases) {
        failures += result.failures.isEmpty() ? 0 : 1;
        seconds += result.seconds;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    xml.writeStartElement(QStringLiteral("testsuite"));
    xml.writeAttribute(QStringLiteral("name"), suite);
    xml.writeAttribute(QStringLiteral("tests"), QString::number(cases.size()));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(failures));
    xml.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("time"), QString::number(seconds, 'f', 3));
    xml.writeAttribute(QStringLiteral("timestamp"), QDateTime::currentDateTime().toString(Qt::ISODate));
    for (const CaseResult &result : cases) {
        xml.writeStartElement(QStringLiteral("testcase"));
        xml.writeAttribute(QStringLiteral("classname"), className);
        xml.writeAttribute(QStringLiteral("name"), result.name);
        xml.writeAttribute(QStringLiteral("time"), QString::number(result.seconds, 'f', 3));
        if (!result.failures.isEmpty()) {
            xml.writeStartElement(QStringLiteral("failure"));
            xml.writeAttribute(QStringLiteral("message"), result.failures.first());
            xml.writeCharacters(result.failures.join(QLatin1Char('\n')));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    if (xml.hasError() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

Outcome run(const Options &options, QTextStream &out, QTextStream &err)
{
    QFile file(options.scenarioFile);
    if (!file.open(QIODevice::ReadOnly)) {
        err << tr("%1: %2").arg(options.scenarioFile, file.errorString()) << Qt::endl;
        return Unusable;
    }
    Scenario::File scenario;
    const QString error = Scenario::parse(file.readAll(), &scenario);
    file.close();
    if (!error.isEmpty()) {
        err << tr("%1: %2").arg(options.scenarioFile, error) << Qt::endl;
        return Unusable;
    }
    const QString className = QFileInfo(options.scenarioFile).completeBaseName();
    if (scenario.name.isEmpty())
        scenario.name = className;

    const QString source = options.settingsDirectory.isEmpty() ? settingsDirectory() : options.settingsDirectory;
    if (!QFileInfo(source).isDir()) {
        err << tr("%1: папка настроек не найдена").arg(source) << Qt::endl;
        return Unusable;
    }
    QTemporaryDir workingSettings;
    QString copyError;
    if (!workingSettings.isValid() || !copySettings(source, workingSettings.path(), &copyError)) {
        err << (copyError.isEmpty() ? workingSettings.errorString() : copyError) << Qt::endl;
        return Unusable;
    }
    const QString ownSettings = settingsDirectory();
    useSettingsDirectory(workingSettings.path());

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
    useSettingsDirectory(ownSettings);

    int failed = 0;
    for (const CaseResult &result : cases) {
        if (result.failures.isEmpty()) {
            out << tr("  ok   %1").arg(result.name) << Qt::endl;
        } else {
            ++failed;
            out << tr("  FAIL %1: %2").arg(result.name, result.failures.join(QStringLiteral("; "))) << Qt::endl;
        }
    }
    out << tr("%1: шагов %2, пройдено %3, не пройдено %4")
               .arg(scenario.name)
               .arg(cases.size())
               .arg(cases.size() - failed)
               .arg(failed)
        << Qt::endl;

    if (!options.reportFile.isEmpty()) {
        QString reportError;
        if (!writeReport(options.reportFile, scenario.name, className, cases, &reportError)) {
            err << tr("%1: отчет не записан: %2").arg(options.reportFile, reportError) << Qt::endl;
            return Unusable;
        }
    }
    return failed == 0 ? Passed : Failed;
}

} // namespace ScenarioRunner
