// Scenario runs and the command line, in process, against the simulated
// drivers beside the test (bin/). Each run gets a settings folder holding the
// shipped standard devices; it must come out of every run byte for byte.
#include "benchtest.h"
#include "commandline.h"
#include "dialoganswerer.h"
#include "dialogs.h"
#include "driverjournal.h"
#include "paycardmainwindow.h"
#include "scenariorecorder.h"
#include "scenariorunner.h"
#include "settingsfolder.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QXmlStreamReader>

namespace {

// Name and contents of every file in a folder.
QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    const auto entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo &entry : entries) {
        QFile file(entry.absoluteFilePath());
        file.open(QIODevice::ReadOnly);
        files.insert(entry.fileName(), file.readAll());
    }
    return files;
}

struct Run
{
    ScenarioRunner::Outcome outcome = ScenarioRunner::Passed;
    QString out;
    QString err;
    QStringList cases;    // test case names of the report, in order
    QStringList failures; // "case: text" of the failed and errored ones
    QString reportProblem; // why the report is no XML
    bool settingsUnchanged = false;
};

// The program itself, beside the test in bin/, as a build server starts it:
// its exit code (-1 when it crashed or never ended) and what it wrote.
QPair<int, QString> runProgram(const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/vanter9"), arguments);
    // Not a measurement: a program that never ends must not hold the suite.
    if (!process.waitForFinished(120000))
        process.kill();
    process.waitForFinished();
    const bool ended = process.exitStatus() == QProcess::NormalExit;
    // Windows ends console lines with CR LF.
    return {ended ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()).replace(QLatin1String("\r\n"), QLatin1String("\n"))};
}

} // namespace

class TestScenarioRuns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void parse_options_data();
    void parse_options();
    void program_mistypedOption_endsWithUsage();
    void program_malformedInput_exitsUnusableBeforeAnyDriverCall_data();
    void program_malformedInput_exitsUnusableBeforeAnyDriverCall();
    void run_unusableScenario_replacesPreviousReport();
    void run_textsXmlCannotCarry_reportStaysReadable();
    void run_simulatorFiles_stayInTheRunsFolder();
    void run_steps_passOrFailByExpectations_data();
    void run_steps_passOrFailByExpectations();
    void dialogAnswerer_answersAsTheStepSays_data();
    void dialogAnswerer_answersAsTheStepSays();
    void record_cashDeskDay_replaysAndTellsADecline();

private:
    QString settingsFolder(const QByteArray &paycardFile = QByteArray(), const QString &name = QStringLiteral("paycard.cfg"));
    Run run(const QByteArray &scenario, const QString &settings, const QString &reportFile = QString());

    QTemporaryDir directory;
    int folders = 0;
};

void TestScenarioRuns::initTestCase()
{
    QVERIFY(directory.isValid());
}

// A fresh folder with the shipped standard devices; `paycardFile` replaces
// the file `name` when given.
QString TestScenarioRuns::settingsFolder(const QByteArray &paycardFile, const QString &name)
{
    const QString folder = directory.filePath(QStringLiteral("settings%1").arg(++folders));
    QDir().mkpath(folder);
    const QDir shipped(QStringLiteral(SCENARIO_SOURCE_DIR "/settings/standard"));
    for (const QString &name : shipped.entryList(QDir::Files))
        QFile::copy(shipped.filePath(name), QDir(folder).filePath(name));
    if (!paycardFile.isNull()) {
        QFile file(QDir(folder).filePath(name));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(paycardFile);
    }
    return folder;
}

Run TestScenarioRuns::run(const QByteArray &scenario, const QString &settings, const QString &reportFile)
{
    const QString name = QStringLiteral("run%1").arg(++folders);
    QFile file(directory.filePath(name + QStringLiteral(".json")));
    file.open(QIODevice::WriteOnly);
    file.write(scenario);
    file.close();

    ScenarioRunner::Options options;
    options.scenarioFile = file.fileName();
    options.reportFile = reportFile.isEmpty() ? directory.filePath(name + QStringLiteral(".xml")) : reportFile;
    options.settingsDirectory = settings;
    Run result;
    QTextStream out(&result.out);
    QTextStream err(&result.err);
    const auto before = snapshot(settings);
    result.outcome = ScenarioRunner::run(options, out, err);
    result.settingsUnchanged = snapshot(settings) == before;

    QFile report(options.reportFile);
    if (report.open(QIODevice::ReadOnly)) {
        QXmlStreamReader xml(&report);
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("testcase"))
                result.cases.append(xml.attributes().value(QLatin1String("name")).toString());
            if (xml.isStartElement() && (xml.name() == QLatin1String("failure") || xml.name() == QLatin1String("error")))
                result.failures.append(result.cases.last() + QStringLiteral(": ") + xml.readElementText());
        }
        if (xml.hasError())
            result.reportProblem = xml.errorString();
    }
    return result;
}

void TestScenarioRuns::parse_options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("any");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("values"); // journal, run, report, settings

    const QStringList none = {QString(), QString(), QString(), QString()};
    QTest::newRow("nothing: the window as always") << QStringList() << false << QString() << none;
    QTest::newRow("others' arguments: the window as always") << QStringList{QStringLiteral("file.txt")} << false
                                                             << QString() << none;
    QTest::newRow("journal") << QStringList{QStringLiteral("--journal"), QStringLiteral("j.log")} << true << QString()
                             << QStringList{QStringLiteral("j.log"), QString(), QString(), QString()};
    QTest::newRow("run with all") << QStringList{QStringLiteral("--run=s.json"), QStringLiteral("--report"),
                                                 QStringLiteral("r.xml"), QStringLiteral("--settings"), QStringLiteral("d")}
                                  << true << QString()
                                  << QStringList{QString(), QStringLiteral("s.json"), QStringLiteral("r.xml"), QStringLiteral("d")};
    QTest::newRow("report without run") << QStringList{QStringLiteral("--report"), QStringLiteral("r.xml")} << true
                                        << QStringLiteral("--report") << none;
    QTest::newRow("settings without run") << QStringList{QStringLiteral("--settings"), QStringLiteral("d")} << true
                                          << QStringLiteral("--settings") << none;
    QTest::newRow("stray argument") << QStringList{QStringLiteral("--run"), QStringLiteral("s.json"), QStringLiteral("x")}
                                    << true << QStringLiteral("x") << none;
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--run"), QStringLiteral("s.json"), QStringLiteral("--fast")}
                                    << true << QStringLiteral("fast") << none;
    QTest::newRow("record and run") << QStringList{QStringLiteral("--record"), QStringLiteral("r.json"), QStringLiteral("--run"),
                                                   QStringLiteral("s.json")}
                                    << true << QStringLiteral("--record и --run") << none;
    QTest::newRow("journal without file") << QStringList{QStringLiteral("--journal")} << true << QStringLiteral("journal")
                                          << none;
}

void TestScenarioRuns::parse_options()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, any);
    QFETCH(QString, error);
    QFETCH(QStringList, values);

    const CommandLine::Options options = CommandLine::parse(QStringList{QStringLiteral("vanter9")} + arguments);
    QCOMPARE(options.any, any);
    if (!error.isEmpty()) {
        QVERIFY2(options.error.contains(error), qPrintable(options.error));
        return;
    }
    QCOMPARE(options.error, QString());
    QCOMPARE(QStringList({options.journalFile, options.scenarioFile, options.reportFile, options.settingsDirectory}), values);
}

void TestScenarioRuns::program_mistypedOption_endsWithUsage()
{
    const auto [exitCode, err] = runProgram({QStringLiteral("--rnu"), QStringLiteral(SCENARIO_SOURCE_DIR "/paper-out.json")});
    QCOMPARE(exitCode, int(ScenarioRunner::Unusable));
    QVERIFY2(err.contains(QStringLiteral("неизвестный параметр: --rnu\nИспользование: vanter9 ")), qPrintable(err));
}

void TestScenarioRuns::program_malformedInput_exitsUnusableBeforeAnyDriverCall_data()
{
    // Arguments, split at blanks, name {scenario} (the row's file),
    // {settings} (standard devices), {broken} (an unreadable terminal file),
    // {journal}, {held} (a journal this test has open) and {missing} (a
    // folder that does not exist).
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QByteArray>("scenario");
    QTest::addColumn<QString>("message");

    const QString run = QStringLiteral("--run {scenario} --settings {settings} --journal {journal}");
    const QByteArray valid = R"j({"steps": [{"press": "pbtnAuthorization"}]})j";
    QTest::newRow("one dash") << "-run {scenario}" << valid << "неизвестный параметр: -run";
    QTest::newRow("no value") << "--journal --run {scenario}" << valid << "--journal: не указан файл журнала";
    QTest::newRow("report folder missing") << run + " --report {missing}/r.xml" << valid << "{missing}/r.xml: отчет не записать: ";
    QTest::newRow("report is a folder") << run + " --report {settings}" << valid << "{settings}: отчет не записать: ";
    QTest::newRow("journal not opened") << "--run {scenario} --journal {missing}/j" << valid << "{missing}/j: журнал не открыть: ";
    QTest::newRow("journal another program writes") << "--run {scenario} --journal {held}" << valid
                                                    << "{held}: журнал не открыть: в этот файл уже пишет другая запущенная программа";
    QTest::newRow("no settings folder") << "--run {scenario} --settings {missing}" << valid << "{missing}: папка настроек не найдена";
    QTest::newRow("settings file that does not load") << "--run {scenario} --settings {broken} --journal {journal}" << valid
                                                      << "{broken}/paycard.cfg: файл настроек не загружается: ";
    if (QFile::exists(QStringLiteral("/dev/zero")))
        QTest::newRow("endless file") << "--run /dev/zero" << QByteArray() << "/dev/zero: файл больше предела в 16 МиБ";
    QTest::newRow("file over 16 MiB") << run << QByteArray(16 * 1024 * 1024 + 1, ' ') << "файл больше предела в 16 МиБ";
    QTest::newRow("too many steps") << run << "{\"steps\": [{}" + QByteArray(Scenario::MaxSteps * 4, ',').replace(",,,,", ", {}") + "]}"
                                    << "в сценарии 10001 шагов, больше предела в 10000";
    QTest::newRow("bad JSON: line and column") << run << QByteArray("{\n  \"steps\": [\n    {\"press\": }\n  ]\n}")
                                               << QStringLiteral("json: строка 3, столбец ");
    QTest::newRow("not an object") << run << QByteArray("[]") << QStringLiteral("объектом JSON");
    QTest::newRow("no steps") << run << QByteArray("{\"name\": \"x\"}") << QStringLiteral("\"steps\"");
    QTest::newRow("unknown field") << run << QByteArray("{\"steps\": [{\"set\": {\"spinNope\": 1}}]}")
                                   << QStringLiteral("шаг 1: в окне нет поля \"spinNope\"");
    QTest::newRow("unknown button, second step") << run
        << QByteArray("{\"steps\": [{\"press\": \"pbtnAuthorization\"}, {\"press\": \"pbtnPay\"}]}")
        << QStringLiteral("шаг 2: в окне нет кнопки \"pbtnPay\"");
    QTest::newRow("a field is no button") << run << QByteArray("{\"steps\": [{\"press\": \"spinSum\"}]}")
                                          << QStringLiteral("шаг 1: в окне нет кнопки \"spinSum\"");
    QTest::newRow("text for a number") << run << QByteArray("{\"steps\": [{\"set\": {\"spinSum\": \"много\"}}]}")
                                       << QStringLiteral("поле \"spinSum\": ожидается число");
    QTest::newRow("fraction for a whole number") << run << QByteArray("{\"steps\": [{\"set\": {\"spinCharLineLength\": 1.5}}]}")
                                                 << QStringLiteral("ожидается целое число");
    QTest::newRow("number for a check box") << run << QByteArray("{\"steps\": [{\"set\": {\"cbPaycardEnable\": 1}}]}")
                                            << QStringLiteral("ожидается true или false");
    QTest::newRow("number for a text") << run << QByteArray("{\"steps\": [{\"expect\": {\"values\": {\"leTrack2\": 5}}}]}")
                                       << QStringLiteral("ожидается строка");
    QTest::newRow("misspelt key") << run << QByteArray("{\"steps\": [{\"prss\": \"pbtnAuthorization\"}]}")
                                  << QStringLiteral("неизвестный ключ \"prss\"");
    QTest::newRow("bad pattern") << run << QByteArray("{\"steps\": [{\"expect\": {\"errorLabelMatches\": \"([\"}}]}")
                                 << QStringLiteral("errorLabelMatches");
    QTest::newRow("text never captured") << run
        << QByteArray("{\"steps\": [{\"set\": {\"leReferenceNumber\": \"${payment}\"}}]}")
        << QStringLiteral("${payment} не взят");
    QTest::newRow("name not a text") << run << QByteArray(R"j({"steps": [{"name": 5}]})j") << "шаг 1: \"name\" шага должен быть строкой";
    QTest::newRow("empty name") << run << QByteArray(R"j({"steps": [{}, {"expect": {"values": {"": "x"}}}]})j") << "шаг 2: пустое имя поля";
    QTest::newRow("empty name in a dialog") << run << QByteArray(R"j({"steps": [{"dialogs": [{"set": {"": 1}}]}]})j") << "шаг 1: пустое имя поля";
    QTest::newRow("capture without from") << run << QByteArray(R"j({"steps": [{"capture": {"x": {"pattern": "(\\d+)"}}}]})j")
                                          << "шаг 1: \"capture\" x: не указано \"from\"";
    QTest::newRow("capture as a plain text") << run << QByteArray(R"j({"steps": [{"capture": {"x": "teAuthResult"}}]})j")
                                             << "\"capture\" x: нужен объект с \"from\" (имя поля) и \"pattern\"";
    QTest::newRow("key twice in a step") << run << QByteArray("{\"steps\": [5,\n {\"press\": \"\",\n  \"pr\\u0065ss\": \"pbtnRename\"}]}")
                                         << "шаг 2: строка 3, столбец 3: ключ \"press\" повторяется";
    QTest::newRow("key twice at the top") << run << QByteArray(R"j({"steps": [{}], "name": "a", "name": "b"})j")
                                          << "строка 1, столбец 30: ключ \"name\" повторяется";
    QTest::newRow("number too large") << run << QByteArray(R"j({"steps": [{"set": {"spinCharLineLength": 1e10}}]})j")
                                      << "число 10000000000 слишком велико для поля";
}

void TestScenarioRuns::program_malformedInput_exitsUnusableBeforeAnyDriverCall()
{
    QFETCH(QString, arguments);
    QFETCH(QByteArray, scenario);
    QFETCH(QString, message);

    const QString row = directory.filePath(QStringLiteral("row%1").arg(++folders));
    QFile file(row + QStringLiteral(".json"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(scenario) == scenario.size());
    file.close();
    const QString settings = settingsFolder();
    const QMap<QString, QString> paths = {{QStringLiteral("{scenario}"), file.fileName()},
                                          {QStringLiteral("{settings}"), settings},
                                          {QStringLiteral("{broken}"), settingsFolder("<neb_settings_array version=\"2.0\"><object")},
                                          {QStringLiteral("{journal}"), row + QStringLiteral(".jsonl")},
                                          {QStringLiteral("{held}"), row + QStringLiteral(".held.jsonl")},
                                          {QStringLiteral("{missing}"), directory.filePath(QStringLiteral("no/such"))}};
    QStringList words = arguments.split(QLatin1Char(' '));
    for (auto it = paths.begin(); it != paths.end(); ++it) {
        words.replaceInStrings(it.key(), it.value());
        message.replace(it.key(), it.value());
    }
    const auto before = snapshot(settings);
    if (arguments.contains(QLatin1String("{held}")))
        QVERIFY(DriverJournal::start(paths.value(QStringLiteral("{held}"))).isEmpty());

    const auto [exitCode, err] = runProgram(words);
    DriverJournal::stop();
    QCOMPARE(exitCode, int(ScenarioRunner::Unusable));
    QVERIFY2(err.contains(message), qPrintable(err));
    QVERIFY(snapshot(settings) == before);
    QFile journal(paths.value(QStringLiteral("{journal}")));
    QVERIFY2(!journal.open(QIODevice::ReadOnly) || !journal.readAll().contains("\"operation\""), "a driver was called");
}

void TestScenarioRuns::run_unusableScenario_replacesPreviousReport()
{
    const QString report = directory.filePath(QStringLiteral("same-report.xml"));
    QCOMPARE(run(R"j({"steps": [{}]})j", settingsFolder(), report).cases.size(), 1);

    const Run broken = run(R"j({"steps": [{"prss": "pbtnAuthorization"}]})j", settingsFolder(), report);
    QCOMPARE(broken.outcome, ScenarioRunner::Unusable);
    QCOMPARE(broken.cases, QStringList{QStringLiteral("00 сценарий")});
    QCOMPARE(broken.failures.size(), 1);
    QVERIFY2(broken.failures.first().contains(QStringLiteral("неизвестный ключ \"prss\"")), qPrintable(broken.failures.first()));
    QFile file(report);
    QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll().contains("errors=\"1\""));
}

void TestScenarioRuns::run_textsXmlCannotCarry_reportStaysReadable()
{
    // A step name and a field's text with BEL, ESC, NUL, U+FFFE and a lone
    // surrogate; the step fails on its own terms and the next one passes.
    const Run result = run(R"j({"steps": [
        {"name": "шаг \u0007\u001b\u0000\ufffe\ud800", "set": {"leCashierName": "a\u0007\u0000b\ud800"},
         "expect": {"values": {"leCashierName": "ab"}}},
        {"expect": {"errorLabel": ""}}]})j", settingsFolder());
    QCOMPARE(result.reportProblem, QString());
    QCOMPARE(result.outcome, ScenarioRunner::Failed);
    QCOMPARE(result.cases.size(), 2);
    QCOMPARE(result.failures, QStringList{QStringLiteral("01 шаг \uFFFD\uFFFD\uFFFD\uFFFD\uFFFD: leCashierName: \"a\uFFFD\uFFFDb\uFFFD\", ожидалось \"ab\"")});
}

void TestScenarioRuns::run_simulatorFiles_stayInTheRunsFolder()
{
    // A register without a tape file of its own writes its tape beside the
    // settings it was made from.
    const QString settings = settingsFolder(R"x(<?xml version="1.0" encoding="UTF-8"?>
<neb_settings_array version="2.0"><object name="К">SIMFPTR/1;ShowTape=0</object></neb_settings_array>
)x", QStringLiteral("paycard_fptr.cfg"));
    const QString own = settingsDirectory();
    const Run result = run(R"j({"steps": [
        {"set": {"cmbAuthType": 2, "cmbOperationType": 0, "spinSum": 100.00}, "press": "pbtnAuthorization"},
        {"press": "pbtnAuthPrintSlip", "expect": {"errorLabel": ""}}]})j", settings);
    QCOMPARE(result.outcome, ScenarioRunner::Passed);
    QCOMPARE(settingsDirectory(), own);
    QCOMPARE(QDir(own).entryList({QStringLiteral("tape-*"), QStringLiteral("trace-*")}, QDir::Files), QStringList());
    QVERIFY(result.settingsUnchanged);
}

void TestScenarioRuns::run_steps_passOrFailByExpectations_data()
{
    QTest::addColumn<QByteArray>("scenario");
    QTest::addColumn<int>("steps");
    QTest::addColumn<QStringList>("failures"); // start of "case: message" of each failed case

    QTest::newRow("values met") << QByteArray(R"j({"steps": [
        {"name": "Сумма", "set": {"spinSum": 1.05, "cmbOperationType": 1, "leTrack2": "4111111111111111=2512"},
         "expect": {"errorLabel": "", "values": {"spinSum": 1.05, "cmbOperationType": "1 - Возврат",
                    "lbEcrPinpadMode": "Пинпад: выключено", "cmbDevices": "Касса 1"}}}]})j")
                                << 1 << QStringList();
    QTest::newRow("wrong value names its step") << QByteArray(R"j({"steps": [
        {"name": "Сумма", "set": {"spinSum": 5}, "expect": {"values": {"spinSum": 5}}},
        {"name": "Не та сумма", "expect": {"values": {"spinSum": 6}}}]})j")
                                                << 2 << QStringList{QStringLiteral("02 Не та сумма: spinSum: 5")};
    QTest::newRow("error label pattern") << QByteArray(R"j({"steps": [
        {"expect": {"errorLabelMatches": "^\\[-\\d+\\]"}}]})j")
                                         << 1 << QStringList{QStringLiteral("01 шаг 1: errorLabel: \"\" не соответствует")};
    QTest::newRow("disabled button is not pressed") << QByteArray(R"j({"steps": [{"press": "pbtnEcrPortOn"}]})j")
                                                    << 1 << QStringList{QStringLiteral("01 шаг 1: кнопка pbtnEcrPortOn недоступна")};
    QTest::newRow("value out of range") << QByteArray(R"j({"steps": [{"set": {"spinECRReceiptNumber": 10000}}]})j")
                                        << 1 << QStringList{QStringLiteral("01 шаг 1: поле spinECRReceiptNumber: 10000 вне пределов")};
    QTest::newRow("no such combo item") << QByteArray(R"j({"steps": [{"set": {"cmbOperationType": 42}}]})j")
                                        << 1 << QStringList{QStringLiteral("01 шаг 1: поле cmbOperationType: нет пункта 42")};
    QTest::newRow("read-only view") << QByteArray(R"j({"steps": [{"set": {"teAuthResult": "Код ответа: 0"}}]})j")
                                    << 1 << QStringList{QStringLiteral("01 шаг 1: поле teAuthResult: поле только для чтения")};
    QTest::newRow("dialog that never opens") << QByteArray(R"j({"steps": [
        {"press": "pbtnSectionDevices", "dialogs": [{"answer": "accept"}]}]})j")
                                             << 1 << QStringList{QStringLiteral("01 шаг 1: ожидался диалог 1")};
    QTest::newRow("captured text reaches later steps") << QByteArray(R"j({"steps": [
        {"capture": {"mode": {"from": "lbEcrPinpadMode", "pattern": "Пинпад: (\\S+)"}}},
        {"set": {"leCashierName": "Кассир ${mode}"}, "expect": {"values": {"leCashierName": "Кассир выключено"},
                  "contains": {"leCashierName": "${mode}"}}}]})j")
                                                       << 2 << QStringList();
    QTest::newRow("captured value in a spin box") << QByteArray(R"j({"steps": [
        {"capture": {"n": {"from": "cmbDevices", "pattern": "(\\d+)"}}},
        {"set": {"spinECRReceiptNumber": "${n}"}, "expect": {"values": {"spinECRReceiptNumber": "${n}"}}}]})j")
                                                  << 2 << QStringList();
    QTest::newRow("text shown once, card number masked") << QByteArray(R"j({"steps": [
        {"set": {"leTrack2": "4111111111111111=2512"},
         "expect": {"contains": {"leTrack2": ["x", "y"]}, "lines": {"leTrack2": ["z"]}}}]})j")
        << 1 << QStringList{QStringLiteral("01 шаг 1: leTrack2 не содержит \"x\", \"y\"; в поле: \"411111******1111=2512\"\n"
                                           "leTrack2: нет строки \"z\" (в этом порядке); в поле: (текст поля приведен выше)")};
    QTest::newRow("capture that finds nothing") << QByteArray(R"j({"steps": [
        {"capture": {"code": {"from": "teAuthResult", "pattern": "Код ответа: (\\d+)"}}}]})j")
                                                << 1 << QStringList{QStringLiteral("01 шаг 1: teAuthResult: \"\" не соответствует")};
}

void TestScenarioRuns::run_steps_passOrFailByExpectations()
{
    QFETCH(QByteArray, scenario);
    QFETCH(int, steps);
    QFETCH(QStringList, failures);

    const Run result = run(scenario, settingsFolder());
    QVERIFY2(result.settingsUnchanged, "the run changed its settings folder");
    QCOMPARE(result.outcome, failures.isEmpty() ? ScenarioRunner::Passed : ScenarioRunner::Failed);
    QCOMPARE(result.cases.size(), steps);
    QCOMPARE(result.failures.size(), failures.size());
    for (int i = 0; i < failures.size(); ++i)
        QVERIFY2(result.failures.at(i).startsWith(failures.at(i)), qPrintable(result.failures.at(i)));
    QVERIFY2(result.out.contains(QStringLiteral("не пройдено %1").arg(failures.size())), qPrintable(result.out));
}

void TestScenarioRuns::dialogAnswerer_answersAsTheStepSays_data()
{
    QTest::addColumn<QString>("dialog"); // input, question, warning, form
    QTest::addColumn<int>("answers");     // 0 or 1
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("text");   // null: no "text" in the answer
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("result");  // what the dialog gave its caller
    QTest::addColumn<QString>("failure"); // start of the one failure, or empty

    QTest::newRow("input: text accepted") << "input" << 1 << true << "Касса 2" << "Название" << "Касса 2" << "";
    QTest::newRow("input: cancelled") << "input" << 1 << false << "Касса 2" << "" << "cancelled" << "";
    QTest::newRow("question: yes") << "question" << 1 << true << QString() << "^Удаление\n" << "yes" << "";
    QTest::newRow("question: no") << "question" << 1 << false << QString() << "" << "no" << "";
    QTest::newRow("form: fields set, OK") << "form" << 1 << true << QString() << "" << "accepted 7" << "";
    QTest::newRow("unexpected message") << "warning" << 0 << true << QString() << "" << "closed"
                                        << "неожиданный диалог \"Ошибка\" \"Нет бумаги\"";
    QTest::newRow("other dialog than expected") << "warning" << 1 << true << QString() << "Удаление" << "closed"
                                                << "диалог \"Ошибка\" \"Нет бумаги\" не соответствует";
    QTest::newRow("text for a message box") << "warning" << 1 << true << "x" << "" << "closed"
                                            << "диалог \"Ошибка\" \"Нет бумаги\" не запрашивает текст";
}

void TestScenarioRuns::dialogAnswerer_answersAsTheStepSays()
{
    QFETCH(QString, dialog);
    QFETCH(int, answers);
    QFETCH(bool, accept);
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QFETCH(QString, result);
    QFETCH(QString, failure);

    Scenario::DialogAnswer answer;
    answer.accept = accept;
    answer.hasText = !text.isNull();
    answer.text = text;
    answer.pattern = pattern;
    answer.fields = {{QStringLiteral("spinLines"), 7}};
    if (dialog != QLatin1String("form"))
        answer.fields.clear();
    DialogAnswerer answerer;
    answerer.begin(QVector<Scenario::DialogAnswer>(answers, answer));

    QString given;
    if (dialog == QLatin1String("input")) {
        bool ok = false;
        const QString entered = inputText(nullptr, QStringLiteral("Имя"), QStringLiteral("Название:"),
                                          QLineEdit::Normal, QString(), &ok);
        given = ok ? entered : QStringLiteral("cancelled");
    } else if (dialog == QLatin1String("question")) {
        const int button = askQuestion(nullptr, QStringLiteral("Удаление"), QStringLiteral("Удалить?"),
                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        given = button == QMessageBox::Yes ? QStringLiteral("yes") : QStringLiteral("no");
    } else if (dialog == QLatin1String("warning")) {
        showWarning(nullptr, QStringLiteral("Ошибка"), QStringLiteral("Нет бумаги"));
        given = QStringLiteral("closed");
    } else {
        NoHelpButtonDialog form;
        auto *lines = new QSpinBox(&form);
        lines->setObjectName(QStringLiteral("spinLines"));
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &form);
        connect(buttons, &QDialogButtonBox::accepted, &form, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, &form, &QDialog::reject);
        auto *layout = new QVBoxLayout(&form);
        layout->addWidget(lines);
        layout->addWidget(buttons);
        const int code = form.exec();
        given = (code == QDialog::Accepted ? QStringLiteral("accepted %1") : QStringLiteral("rejected %1")).arg(lines->value());
    }
    const QStringList failures = answerer.finish();

    QCOMPARE(given, result);
    if (failure.isEmpty()) {
        QCOMPARE(failures, QStringList());
    } else {
        QCOMPARE(failures.size(), 1);
        QVERIFY2(failures.first().startsWith(failure), qPrintable(failures.first()));
    }
}

void TestScenarioRuns::record_cashDeskDay_replaysAndTellsADecline()
{
    // Protocol 9 talks to its host through the register's pinpad port, which
    // the day brings up first.
    const QByteArray terminal = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<neb_settings_array version=\"2.0\">"
                                "<object name=\"Касса 1\">SIMPAYCARD/1;Protocol=9%1</object></neb_settings_array>\n";
    const QString settings = settingsFolder(QByteArray(terminal).replace("%1", ""));
    const QString file = directory.filePath(QStringLiteral("recorded.json"));
    const QString own = useSettingsDirectory(settings);
    ScenarioRecorder recorder(file);
    QCOMPARE(recorder.start(settings), QString());
    auto window = std::make_unique<PayCardMainWindow>();
    recorder.attach(window.get());
    const auto field = [&window](const char *name) { return window->findChild<QWidget *>(QLatin1String(name)); };
    const auto choose = [&field](const char *combo, int code) {
        auto *box = qobject_cast<QComboBox *>(field(combo));
        box->setCurrentIndex(box->findData(QString::number(code)));
    };
    const auto resultReference = [&field] {
        return QRegularExpression(QStringLiteral("Ссылочный номер: (\\d+)")).match(Scenario::text(field("teAuthResult"))).captured(1);
    };
    int steps = 0;
    // After every step the file is a valid scenario of the steps so far.
    const auto press = [&](const char *button) {
        QTest::mouseClick(window->findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
        QFile written(file);
        Scenario::File scenario;
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(Scenario::parse(written.readAll(), &scenario), QString());
        QCOMPARE(scenario.steps.size(), ++steps);
    };

    press("pbtnEcrPortModeSync");
    press("pbtnEcrPortOn");
    press("pbtnEcrPortGetStatus");
    // Every slip shows the terminal id set in the driver's own dialog.
    DialogAnswerer answerer;
    Scenario::DialogAnswer terminalId;
    terminalId.fields = {{QStringLiteral("leTerminalId"), QStringLiteral("SIM00042")}};
    answerer.begin({terminalId});
    press("pbtnShowPaycardProperties");
    QCOMPARE(answerer.finish(), QStringList());
    qobject_cast<QDoubleSpinBox *>(field("spinSum"))->setValue(100);
    QTest::keyClicks(field("leTrack2"), QStringLiteral("4111111111111111=2912101"));
    press("pbtnAuthorization");
    const QString payment = resultReference();
    press("pbtnAuthPrintSlip");
    choose("cmbOperationType", 1);
    QTest::keyClicks(field("leReferenceNumber"), payment);
    press("pbtnAuthorization");
    const QString refund = resultReference();
    choose("cmbOperationType", 3);
    qobject_cast<QLineEdit *>(field("leReferenceNumber"))->clear();
    QTest::keyClicks(field("leReferenceNumber"), refund);
    press("pbtnAuthorization");
    choose("cmbReportType", 4);
    press("pbtnReportBegin");
    qobject_cast<QDoubleSpinBox *>(field("spinReportSumm"))->setValue(100);
    press("pbtnReportAdd");
    press("pbtnReportEnd");
    press("pbtnReportReset");
    Scenario::DialogAnswer newName;
    newName.hasText = true;
    newName.text = QStringLiteral("Касса 7");
    answerer.begin({newName});
    press("pbtnRename");
    QCOMPARE(answerer.finish(), QStringList());
    window->close();
    window.reset();
    useSettingsDirectory(own);

    // The copied reference numbers are captures; the card number is where it
    // is typed and nowhere else.
    QFile recorded(file);
    QVERIFY(recorded.open(QIODevice::ReadOnly));
    const QByteArray json = recorded.readAll();
    const QJsonArray recordedSteps = QJsonDocument::fromJson(json).object().value(QLatin1String("steps")).toArray();
    QCOMPARE(recordedSteps.size(), steps);
    QCOMPARE(recordedSteps.at(4)["capture"]["reference5"]["pattern"].toString(), QStringLiteral("Ссылочный номер:\\s*(\\d+)"));
    QCOMPARE(recordedSteps.at(6)["set"]["leReferenceNumber"].toString(), QStringLiteral("${reference5}"));
    QCOMPARE(recordedSteps.at(7)["set"]["leReferenceNumber"].toString(), QStringLiteral("${reference7}"));
    QVERIFY(!payment.isEmpty() && !json.contains(payment.toUtf8()) && !json.contains(refund.toUtf8()));
    QCOMPARE(json.count("4111111111111111"), 1);
    QFile start(QDir(ScenarioRecorder::settingsFolder(file)).filePath(QStringLiteral("paycard.cfg")));
    QVERIFY(start.open(QIODevice::ReadOnly));
    QCOMPARE(start.readAll(), QByteArray(terminal).replace("%1", ""));

    const auto [exitCode, output] = runProgram({QStringLiteral("--run"), file, QStringLiteral("--settings"),
                                                ScenarioRecorder::settingsFolder(file)});
    QVERIFY2(exitCode == ScenarioRunner::Passed, qPrintable(output));
    const auto [declined, reasons] = runProgram({QStringLiteral("--run"), file, QStringLiteral("--settings"),
                                                 settingsFolder(QByteArray(terminal).replace("%1", ";OperatorResult=2"))});
    QCOMPARE(declined, int(ScenarioRunner::Failed));
    QVERIFY2(reasons.contains(QStringLiteral("FAIL 05 Авторизация: errorLabel: \"[-210] ")), qPrintable(reasons));
}

BENCH_TEST_MAIN(TestScenarioRuns)
#include "tst_scenarioruns.moc"
