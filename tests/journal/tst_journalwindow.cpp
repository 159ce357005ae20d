// The journal of a bench session: the window driven by object name over the
// recording fakes, which write down every call they receive. The journal
// must hold exactly those calls, in their order, card numbers masked.
#include "benchtest.h"
#include "benchwindow.h"
#include "cardnumbers.h"
#include "commandline.h"
#include "driverjournal.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTemporaryDir>

namespace {

const QString CardNumber = QStringLiteral("4111111111111111");

// Journal lines of one library as the fakes write their record.
QStringList journalled(const QString &fileName, const QString &library, QVector<int> *devices)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList calls;
    while (!file.atEnd()) {
        const QJsonObject line = QJsonDocument::fromJson(file.readLine()).object();
        if (line.value(QLatin1String("library")).toString() != library)
            continue;
        QStringList arguments;
        for (const QJsonValue &argument : line.value(QLatin1String("arguments")).toArray())
            arguments.append(argument.isString() ? argument.toString() : QString::number(argument.toDouble()));
        calls.append(line.value(QLatin1String("operation")).toString() + QLatin1Char('(')
                     + arguments.join(QStringLiteral(", ")) + QLatin1Char(')'));
        devices->append(line.value(QLatin1String("device")).toInt());
    }
    return calls;
}

QStringList masked(const QStringList &calls)
{
    QStringList result;
    for (const QString &call : calls)
        result.append(maskCardNumbers(call));
    return result;
}

QList<QByteArray> journalLines(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>();
}

// "id name" of the terminals named in the journal's lines from line `from` on.
QStringList namedDevices(const QString &fileName, int from)
{
    const QList<QByteArray> lines = journalLines(fileName);
    QStringList devices;
    for (int i = from; i < lines.size(); ++i) {
        const QJsonObject entry = QJsonDocument::fromJson(lines.at(i)).object();
        if (entry.value(QLatin1String("library")).toString() == QLatin1String("paycard"))
            devices.append(QStringLiteral("%1 %2").arg(entry.value(QLatin1String("device")).toInt())
                               .arg(entry.value(QLatin1String("name")).toString()));
    }
    devices.removeDuplicates();
    return devices;
}

} // namespace

class JournalWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { DriverJournal::stop(); }
    void session_journalHoldsExactlyTheCallsTheDriversSaw_data();
    void session_journalHoldsExactlyTheCallsTheDriversSaw();
    void line_namesItsTerminalAfterRenameAndRemoval();

private:
    QTemporaryDir directory;
};

void JournalWindowTest::session_journalHoldsExactlyTheCallsTheDriversSaw_data()
{
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<bool>("declined");
    QTest::newRow("payment and its slip printed") << QStringList{"pbtnAuthorization", "pbtnAuthPrintSlip"} << false;
    QTest::newRow("declined payment") << QStringList{"pbtnAuthorization"} << true;
    QTest::newRow("report") << QStringList{"pbtnReportBegin", "pbtnReportAdd", "pbtnReportEnd", "pbtnReportPrintSlip"}
                            << false;
}

void JournalWindowTest::session_journalHoldsExactlyTheCallsTheDriversSaw()
{
    QFETCH(QStringList, buttons);
    QFETCH(bool, declined);

    // Opened first, as the program does, so the devices are known by id.
    const QString fileName = directory.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".log"));
    QVERIFY(DriverJournal::start(fileName).isEmpty());
    FakeBench bench;
    bench.addPaycard(&bench.paycard);
    bench.addFptr(&bench.fptr);
    FakePaycard &terminal = bench.paycard;
    terminal.strings.insert(QStringLiteral("cardNumber"), CardNumber);
    terminal.strings.insert(QStringLiteral("slipText"), QStringLiteral("Карта %1 ОДОБРЕНО").arg(CardNumber));
    terminal.ints.insert(QStringLiteral("charLineLength"), 12);
    if (declined) {
        terminal.results.insert(QStringLiteral("authorize"), -210);
        terminal.failWith(-210, QStringLiteral("Отказ по карте %1").arg(CardNumber));
    }
    bench.child<QLineEdit>("leTrack2")->setText(QStringLiteral(";%1=2512?").arg(CardNumber));
    bench.child<QDoubleSpinBox>("spinSum")->setValue(100.51);

    for (const QString &button : buttons)
        bench.click(qPrintable(button));
    DriverJournal::stop();

    QVERIFY(!terminal.calls.isEmpty());
    QVector<int> devices;
    QCOMPARE(journalled(fileName, QStringLiteral("paycard"), &devices), masked(terminal.calls));
    QCOMPARE(journalled(fileName, QStringLiteral("fptr"), &devices), masked(bench.fptr.calls));
    // Both fakes were the first device of their lists.
    QVERIFY(std::all_of(devices.begin(), devices.end(), [](int id) { return id == 1; }));

    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY2(!file.readAll().contains(CardNumber.toUtf8()), "a card number reached the journal unmasked");
}

void JournalWindowTest::line_namesItsTerminalAfterRenameAndRemoval()
{
    const QString fileName = directory.filePath(QStringLiteral("names.log"));
    QVERIFY(DriverJournal::start(fileName).isEmpty());
    FakeBench bench;
    FakePaycard second;
    bench.addPaycard(&bench.paycard);
    bench.addPaycard(&second);
    auto *devices = bench.child<QComboBox>("cmbDevices");
    devices->addItem(QStringLiteral("Первая"), 1);
    devices->addItem(QStringLiteral("Вторая"), 2);
    CommandLine::attachJournal(bench.window.get(), QString());
    PaycardDeviceList *list = bench.window->paycardDeviceList();
    const auto authorizeOn = [&](int id) {
        const int from = int(journalLines(fileName).size()) - 1;
        list->setCurrent(id);
        bench.click("pbtnAuthorization");
        return namedDevices(fileName, from);
    };

    QCOMPARE(authorizeOn(1), QStringList{"1 Первая"});
    devices->setItemText(1, QStringLiteral("Касса у окна"));
    QCOMPARE(authorizeOn(2), QStringList{"2 Касса у окна"});
    devices->removeItem(0);
    QCOMPARE(authorizeOn(1), QStringList{"1 "});
    QCOMPARE(authorizeOn(2), QStringList{"2 Касса у окна"});
}

BENCH_TEST_MAIN(JournalWindowTest)
#include "tst_journalwindow.moc"
