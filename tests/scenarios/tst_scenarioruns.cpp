// Scenario runs and the command line, in process, against the simulated
// drivers beside the test (bin/). Each run gets a settings folder holding the
// shipped standard devices; it must come out of every run byte for byte.
#include "benchtest.h"
#include "commandline.h"
#include "dialoganswerer.h"
#include "dialogs.h"
#include "scenariorunner.h"

#include <QDialogButtonBox>
#include <QSpinBox>
#include <QVBoxLayout>

#include <QDir>
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
    QStringList failures; // "case: message" of the failed ones
    bool settingsUnchanged = false;
};

} // namespace

class TestScenarioRuns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void parse_options_data();
    void parse_options();
    void run_malformedScenario_exitsUnusableWithPlace_data();
    void run_malformedScenario_exitsUnusableWithPlace();
    void run_steps_passOrFailByExpectations_data();
    void run_steps_passOrFailByExpectations();
    void run_unreadableSettings_failsStartUpAndKeepsFile();
    void commandLine_journalThatCannotBeOpened_isShownAndRunGoesOn();
    void dialogAnswerer_answersAsTheStepSays_data();
    void dialogAnswerer_answersAsTheStepSays();

private:
    QString settingsFolder(const QByteArray &paycardFile = QByteArray());
    Run run(const QByteArray &scenario, const QString &settings);

    QTemporaryDir directory;
    int folders = 0;
};

void TestScenarioRuns::initTestCase()
{
    QVERIFY(directory.isValid());
}

// A fresh folder with the shipped standard devices; `paycardFile` replaces
// the terminal's file when given.
QString TestScenarioRuns::settingsFolder(const QByteArray &paycardFile)
{
    const QString folder = directory.filePath(QStringLiteral("settings%1").arg(++folders));
    QDir().mkpath(folder);
    const QDir shipped(QStringLiteral(SCENARIO_SOURCE_DIR "/settings/standard"));
    for (const QString &name : shipped.entryList(QDir::Files))
        QFile::copy(shipped.filePath(name), QDir(folder).filePath(name));
    if (!paycardFile.isNull()) {
        QFile file(QDir(folder).filePath(QStringLiteral("paycard.cfg")));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(paycardFile);
    }
    return folder;
}

Run TestScenarioRuns::run(const QByteArray &scenario, const QString &settings)
{
    const QString name = QStringLiteral("run%1").arg(++folders);
    QFile file(directory.filePath(name + QStringLiteral(".json")));
    file.open(QIODevice::WriteOnly);
    file.write(scenario);
    file.close();

    ScenarioRunner::Options options;
    options.scenarioFile = file.fileName();
    options.reportFile = directory.filePath(name + QStringLiteral(".xml"));
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
            if (xml.isStartElement() && xml.name() == QLatin1String("failure"))
                result.failures.append(result.cases.last() + QStringLiteral(": ")
                                       + xml.attributes().value(QLatin1String("message")).toString());
        }
        if (xml.hasError())
            qWarning("report is no XML: %s", qPrintable(xml.errorString()));
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

void TestScenarioRuns::run_malformedScenario_exitsUnusableWithPlace_data()
{
    QTest::addColumn<QByteArray>("scenario");
    QTest::addColumn<QString>("message");

    QTest::newRow("bad JSON: line and column") << QByteArray("{\n  \"steps\": [\n    {\"press\": }\n  ]\n}")
                                               << QStringLiteral("json: строка 3, столбец ");
    QTest::newRow("not an object") << QByteArray("[]") << QStringLiteral("объектом JSON");
    QTest::newRow("no steps") << QByteArray("{\"name\": \"x\"}") << QStringLiteral("\"steps\"");
    QTest::newRow("unknown field") << QByteArray("{\"steps\": [{\"set\": {\"spinNope\": 1}}]}")
                                   << QStringLiteral("шаг 1: в окне нет поля \"spinNope\"");
    QTest::newRow("unknown button, second step")
        << QByteArray("{\"steps\": [{\"press\": \"pbtnAuthorization\"}, {\"press\": \"pbtnPay\"}]}")
        << QStringLiteral("шаг 2: в окне нет кнопки \"pbtnPay\"");
    QTest::newRow("a field is no button") << QByteArray("{\"steps\": [{\"press\": \"spinSum\"}]}")
                                          << QStringLiteral("шаг 1: в окне нет кнопки \"spinSum\"");
    QTest::newRow("text for a number") << QByteArray("{\"steps\": [{\"set\": {\"spinSum\": \"много\"}}]}")
                                       << QStringLiteral("поле \"spinSum\": ожидается число");
    QTest::newRow("fraction for a whole number") << QByteArray("{\"steps\": [{\"set\": {\"spinCharLineLength\": 1.5}}]}")
                                                 << QStringLiteral("ожидается целое число");
    QTest::newRow("number for a check box") << QByteArray("{\"steps\": [{\"set\": {\"cbPaycardEnable\": 1}}]}")
                                            << QStringLiteral("ожидается true или false");
    QTest::newRow("number for a text") << QByteArray("{\"steps\": [{\"expect\": {\"values\": {\"leTrack2\": 5}}}]}")
                                       << QStringLiteral("ожидается строка");
    QTest::newRow("misspelt key") << QByteArray("{\"steps\": [{\"prss\": \"pbtnAuthorization\"}]}")
                                  << QStringLiteral("неизвестный ключ \"prss\"");
    QTest::newRow("bad pattern") << QByteArray("{\"steps\": [{\"expect\": {\"errorLabelMatches\": \"([\"}}]}")
                                 << QStringLiteral("errorLabelMatches");
    QTest::newRow("text never captured")
        << QByteArray("{\"steps\": [{\"set\": {\"leReferenceNumber\": \"${payment}\"}}]}")
        << QStringLiteral("${payment} не взят");
}

void TestScenarioRuns::run_malformedScenario_exitsUnusableWithPlace()
{
    QFETCH(QByteArray, scenario);
    QFETCH(QString, message);

    const Run result = run(scenario, settingsFolder());
    QCOMPARE(result.outcome, ScenarioRunner::Unusable);
    QVERIFY2(result.err.contains(message), qPrintable(result.err));
    QVERIFY2(result.err.contains(QStringLiteral(".json: ")), qPrintable(result.err));
    QVERIFY(result.cases.isEmpty());
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

void TestScenarioRuns::run_unreadableSettings_failsStartUpAndKeepsFile()
{
    // The load warning is a failure of the run; the unreadable file is kept
    // aside in the run's own copy, not beside the original.
    const Run result = run(R"j({"steps": [{"expect": {"values": {"cmbDevices": "Стандартный"}}}]})j",
                           settingsFolder("<neb_settings_array version=\"2.0\"><object"));
    QVERIFY2(result.settingsUnchanged, "the run changed its settings folder");
    QCOMPARE(result.outcome, ScenarioRunner::Failed);
    QCOMPARE(result.cases, QStringList({QStringLiteral("00 запуск"), QStringLiteral("01 шаг 1")}));
    QCOMPARE(result.failures.size(), 1);
    QVERIFY2(result.failures.first().contains(QStringLiteral("Ошибка загрузки настроек")), qPrintable(result.failures.first()));
}

void TestScenarioRuns::commandLine_journalThatCannotBeOpened_isShownAndRunGoesOn()
{
    QFile scenario(directory.filePath(QStringLiteral("journal.json")));
    QVERIFY(scenario.open(QIODevice::WriteOnly));
    scenario.write(R"j({"steps": [{"expect": {"errorLabelMatches": "^Журнал вызовов драйверов не ведется: "}}]})j");
    scenario.close();
    const QString settings = settingsFolder();
    const QStringList arguments = {QStringLiteral("vanter9"), QStringLiteral("--run"), scenario.fileName(),
                                   QStringLiteral("--settings"), settings, QStringLiteral("--journal")};

    QCOMPARE(CommandLine::run(arguments + QStringList{directory.filePath(QStringLiteral("no/such/folder/j.log"))}), 0);

    // An open journal is written and shows nothing in the label.
    const QString journal = directory.filePath(QStringLiteral("j.log"));
    QCOMPARE(CommandLine::run(arguments + QStringList{journal}), int(ScenarioRunner::Failed));
    QFile written(journal);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.readAll().contains("\"operation\":\"CreatePayCardInterface\""));
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

BENCH_TEST_MAIN(TestScenarioRuns)
#include "tst_scenarioruns.moc"
