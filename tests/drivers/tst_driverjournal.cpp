// The driver call journal. Wrapper calls go to the recording fakes, whose own
// record is what the journal must repeat; factory calls go to the test driver
// libraries beside the test.
#include "benchtest.h"
#include "devicelists.h"
#include "cardnumbers.h"
#include "driverjournal.h"
#include "fakedrivers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <functional>

using NEB::Fptr::IFptr;
using NEB::PayCard::IPayCard;

using PaycardCalls = std::function<void(QNebPaycard &wrapper, FakePaycard &fake)>;
Q_DECLARE_METATYPE(PaycardCalls)

namespace {

const QString CardNumber = QStringLiteral("4111111111111111");

QVector<QJsonObject> readJournal(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QVector<QJsonObject> lines;
    bool first = true;
    while (!file.atEnd()) {
        QJsonParseError error;
        const QJsonDocument line = QJsonDocument::fromJson(file.readLine(), &error);
        if (error.error != QJsonParseError::NoError)
            qFatal("journal line is no JSON: %s", qPrintable(error.errorString()));
        // One start, one run line, before the calls.
        if (first != (line.object().value(QLatin1String("run")) == QLatin1String("start")))
            qFatal("the run line is not the first line, or not the only one");
        if (!first)
            lines.append(line.object());
        first = false;
    }
    return lines;
}

// A journal line as the fakes write their record: "operation(arg, arg)".
QString asFakeCall(const QJsonObject &line)
{
    QStringList arguments;
    for (const QJsonValue &argument : line.value(QLatin1String("arguments")).toArray())
        arguments.append(argument.isString() ? argument.toString() : QString::number(argument.toDouble()));
    return line.value(QLatin1String("operation")).toString() + QLatin1Char('(') + arguments.join(QStringLiteral(", "))
           + QLatin1Char(')');
}

} // namespace

class TestDriverJournal : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { DriverJournal::stop(); }

    void maskCardNumbers_keepsFirstSixAndLastFour_data();
    void maskCardNumbers_keepsFirstSixAndLastFour();
    void wrapperCalls_journalledAsTheDriverSawThem_data();
    void wrapperCalls_journalledAsTheDriverSawThem();
    void factoryCalls_nameLibraryAndDevice();
    void start_unopenableFile_reportsAndStaysOff();
    void lines_inTheFileBeforeCloseAndACrashLeavesNoGap();

private:
    QTemporaryDir directory;
};

void TestDriverJournal::maskCardNumbers_keepsFirstSixAndLastFour_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("masked");
    QTest::newRow("16 digits") << CardNumber << QStringLiteral("411111******1111");
    QTest::newRow("13 digits") << QStringLiteral("4222222222222") << QStringLiteral("422222***2222");
    QTest::newRow("19 digits") << QStringLiteral("6200000000000000005") << QStringLiteral("620000*********0005");
    QTest::newRow("grouped by blanks") << QStringLiteral("Карта 4111 1111 1111 1111.")
                                       << QStringLiteral("Карта 4111 11** **** 1111.");
    QTest::newRow("track 2") << QStringLiteral(";4111111111111111=2512101?") << QStringLiteral(";411111******1111=2512101?");
    QTest::newRow("two numbers") << QStringLiteral("5500000000000004/4111111111111111")
                                 << QStringLiteral("550000******0004/411111******1111");
    QTest::newRow("12 digits: a reference") << QStringLiteral("261208000001") << QStringLiteral("261208000001");
    QTest::newRow("20 digits: no card") << QStringLiteral("12345678901234567890") << QStringLiteral("12345678901234567890");
    QTest::newRow("two blanks between groups") << QStringLiteral("4111  1111 1111 1111")
                                               << QStringLiteral("4111  11** **** 1111");
    QTest::newRow("hyphens") << QStringLiteral("4111-1111-1111-1111") << QStringLiteral("4111-11**-****-1111");
    QTest::newRow("three blanks part groups") << QStringLiteral("4111   1111 1111 1111")
                                              << QStringLiteral("4111   1111 1111 1111");
    QTest::newRow("card, then a year") << QStringLiteral("4111 1111 1111 1111 2025")
                                       << QStringLiteral("4111 11** **** 1111 2025");
    QTest::newRow("reference, line break, time") << QStringLiteral("261210000003\n00:22:19")
                                                 << QStringLiteral("261210000003\n00:22:19");
    QTest::newRow("never across a line break") << QStringLiteral("4111 1111\n1111 1111")
                                               << QStringLiteral("4111 1111\n1111 1111");
    QTest::newRow("already masked") << QStringLiteral("411111******1111") << QStringLiteral("411111******1111");
}

void TestDriverJournal::maskCardNumbers_keepsFirstSixAndLastFour()
{
    QFETCH(QString, text);
    QFETCH(QString, masked);
    QCOMPARE(maskCardNumbers(text), masked);
}

void TestDriverJournal::wrapperCalls_journalledAsTheDriverSawThem_data()
{
    QTest::addColumn<PaycardCalls>("calls");

    QTest::newRow("setters and actions") << PaycardCalls([](QNebPaycard &w, FakePaycard &) {
        w.invoke(&IPayCard::setOperationType, 2);
        w.invoke(&IPayCard::setSum, 1.05);
        w.writeString(&IPayCard::setTrack2, CardNumber + QStringLiteral("=25121011234"));
        w.writeString(&IPayCard::setCurrencyCode, QStringLiteral("643"));
        w.writeParameter(QStringLiteral("SearchDir"), QStringLiteral("/bench/"));
        w.invoke(&IPayCard::authorize);
    });
    QTest::newRow("getters") << PaycardCalls([](QNebPaycard &w, FakePaycard &fake) {
        fake.strings.insert(QStringLiteral("cardNumber"), CardNumber);
        fake.ints.insert(QStringLiteral("responseCode"), 51);
        fake.doubles.insert(QStringLiteral("commission"), 12.5);
        fake.parameters.insert(QStringLiteral("Protocol"), QStringLiteral("9"));
        QCOMPARE(w.readString(&IPayCard::cardNumber), CardNumber);
        QCOMPARE(w.readInt(&IPayCard::responseCode), 51);
        QCOMPARE(w.readDouble(&IPayCard::commission), 12.5);
        QCOMPARE(w.readParameter(QStringLiteral("Protocol")), QStringLiteral("9"));
    });
    QTest::newRow("failure fetched by checkResult") << PaycardCalls([](QNebPaycard &w, FakePaycard &fake) {
        fake.results.insert(QStringLiteral("authorize"), -1);
        fake.failWith(-210, QStringLiteral("Отказ"), QStringLiteral("Сумма"));
        QVERIFY_EXCEPTION_THROWN(w.invoke(&IPayCard::authorize), Exception);
    });
    QTest::newRow("value read in two passes") << PaycardCalls([](QNebPaycard &w, FakePaycard &fake) {
        fake.strings.insert(QStringLiteral("slipText"), QString(1500, QLatin1Char('x')));
        QCOMPARE(w.readString(&IPayCard::slipText).size(), 1500);
    });
    QTest::newRow("bare object: parameter label") << PaycardCalls([](QNebPaycard &w, FakePaycard &fake) {
        fake.parameterValueLists.insert(QStringLiteral("Protocol"), QStringLiteral("0:Стандартный;9:Через ККТ;"));
        fake.parameters.insert(QStringLiteral("Protocol"), QStringLiteral("9"));
        QCOMPARE(readParameterValueLabel(w.driverObject(), L"Protocol"), QStringLiteral("Через ККТ"));
    });
    QTest::newRow("result ignored on purpose") << PaycardCalls([](QNebPaycard &w, FakePaycard &fake) {
        static int owner;
        fake.results.insert(QStringLiteral("setOwnerWindow"), -1);
        QCOMPARE(w.call(&IPayCard::setOwnerWindow, &owner), -1);
    });
}

void TestDriverJournal::wrapperCalls_journalledAsTheDriverSawThem()
{
    QFETCH(PaycardCalls, calls);
    const QString fileName = directory.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".log"));

    // Off first: the calls the driver sees without a journal.
    FakePaycard unjournalled;
    QNebPaycard plain(&unjournalled);
    calls(plain, unjournalled);

    QVERIFY(DriverJournal::start(fileName).isEmpty());
    FakePaycard fake;
    QNebPaycard wrapper(&fake);
    calls(wrapper, fake);
    DriverJournal::stop();

    // The journal changes neither the calls nor their order...
    QCOMPARE(fake.calls, unjournalled.calls);
    // ...and repeats exactly them, with card numbers masked.
    const QVector<QJsonObject> lines = readJournal(fileName);
    QStringList journalled;
    for (const QJsonObject &line : lines) {
        journalled.append(asFakeCall(line));
        QCOMPARE(line.value(QLatin1String("library")).toString(), QStringLiteral("paycard"));
        QVERIFY(line.contains(QLatin1String("result")));
        QVERIFY(line.value(QLatin1String("duration_us")).toDouble() >= 0);
        QVERIFY2(QDateTime::fromString(line.value(QLatin1String("time")).toString(), Qt::ISODateWithMs).isValid(),
                 qPrintable(line.value(QLatin1String("time")).toString()));
    }
    QStringList expected;
    for (const QString &call : fake.calls)
        expected.append(maskCardNumbers(call));
    QCOMPARE(journalled, expected);

    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY2(!QString::fromUtf8(file.readAll()).contains(CardNumber), "a card number reached the journal unmasked");
}

void TestDriverJournal::factoryCalls_nameLibraryAndDevice()
{
    const QString fileName = directory.filePath(QStringLiteral("factories.log"));
    QVERIFY(DriverJournal::start(fileName).isEmpty());
    {
        PaycardDeviceList paycards;
        const int id = paycards.add(paycards.create());
        paycards.device(id)->readString(&IPayCard::deviceSettings);
        paycards.remove(id);

        FptrDeviceList registers;
        registers.add(1, registers.create(1));
    }
    DriverJournal::stop();

    const QVector<QJsonObject> lines = readJournal(fileName);
    QStringList seen;
    for (const QJsonObject &line : lines) {
        seen.append(QStringLiteral("%1 %2 %3").arg(line.value(QLatin1String("library")).toString(),
                                                   line.value(QLatin1String("operation")).toString())
                        .arg(line.value(QLatin1String("device")).toInt()));
    }
    QCOMPARE(seen, QStringList({QStringLiteral("paycard CreatePayCardInterface 0"),
                                QStringLiteral("paycard deviceSettings 1"),
                                QStringLiteral("paycard ReleasePayCardInterface 1"),
                                QStringLiteral("rcpprn CreateFptrInterface 0"),
                                QStringLiteral("rcpprn ReleaseFptrInterface 1")}));
    QCOMPARE(lines.at(0).value(QLatin1String("arguments")).toArray(), QJsonArray({3}));
    QCOMPARE(lines.at(3).value(QLatin1String("arguments")).toArray(), QJsonArray({15}));
    // The released object is the one created.
    QCOMPARE(lines.at(2).value(QLatin1String("arguments")).toArray().first(), lines.at(0).value(QLatin1String("value")));
    QCOMPARE(lines.at(1).value(QLatin1String("value")).toString(), QStringLiteral("version 3"));
}

void TestDriverJournal::start_unopenableFile_reportsAndStaysOff()
{
    QVERIFY(!DriverJournal::start(directory.filePath(QStringLiteral("missing/folder/journal.log"))).isEmpty());
    QVERIFY(!DriverJournal::active());
}

void TestDriverJournal::lines_inTheFileBeforeCloseAndACrashLeavesNoGap()
{
    const QString fileName = directory.filePath(QStringLiteral("open.log"));
    const QString crashed = directory.filePath(QStringLiteral("crashed.log"));
    QVERIFY(DriverJournal::start(fileName).isEmpty());
    FakePaycard fake;
    QNebPaycard wrapper(&fake);
    // A line longer than the file grows by at a time, then an ordinary one.
    wrapper.writeString(&IPayCard::setTrack2, QString(600000, QChar(0x44f)));
    wrapper.invoke(&IPayCard::authorize);
    // The file as a crash now would leave it.
    QFile open(fileName);
    QVERIFY(open.open(QIODevice::ReadOnly));
    const QByteArray before = open.readAll();
    open.close();
    QVERIFY(before.contains("\"operation\":\"authorize\""));
    QFile copy(crashed);
    QVERIFY(copy.open(QIODevice::WriteOnly) && copy.write(before) == before.size());
    copy.close();
    DriverJournal::stop();

    QCOMPARE(readJournal(fileName).size(), 2);
    QVERIFY(DriverJournal::start(crashed).isEmpty());
    wrapper.invoke(&IPayCard::authorize);
    DriverJournal::stop();
    QVERIFY(copy.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList operations;
    while (!copy.atEnd()) {
        const QJsonObject line = QJsonDocument::fromJson(copy.readLine()).object();
        operations.append(line.value(QLatin1String(line.contains(QLatin1String("run")) ? "run" : "operation")).toString());
    }
    QCOMPARE(operations, QStringList({QStringLiteral("start"), QStringLiteral("setTrack2"), QStringLiteral("authorize"),
                                      QStringLiteral("start"), QStringLiteral("authorize")}));
}

BENCH_TEST_MAIN(TestDriverJournal)
#include "tst_driverjournal.moc"
