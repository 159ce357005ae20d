// Runs from bin/nodrivers, where no driver library exists.
#include "benchtest.h"
#include "driverfactories.h"
#include "messagecapture.h"

#include <QRegularExpression>

class TestNoDriverFactories : public QObject
{
    Q_OBJECT

private slots:
    void construction_withoutLibraries_logsOneLinePerFileAndThrowsNothing();
    void factories_withoutLibraries_notReady_data();
    void factories_withoutLibraries_notReady();
    void paycardCreate_withoutLibrary_givesWrapperWithoutObject();
};

void TestNoDriverFactories::construction_withoutLibraries_logsOneLinePerFileAndThrowsNothing()
{
    MessageCapture log;
    try {
        PaycardFactory paycard;
        FptrFactory fptr;
    } catch (...) {
        QFAIL("a missing library must not throw");
    }
    QCOMPARE(log.debugLines.size(), 3);
    const QStringList files{QStringLiteral("/paycard"), QStringLiteral("/fptr"), QStringLiteral("/rcpprn")};
    for (int i = 0; i < files.size(); ++i) {
        // The directory keeps its trailing separator before the file's own.
        const QRegularExpression line(
            QStringLiteral("^<%1> load error \\[.+\\]$")
                .arg(QRegularExpression::escape(applicationDirectory() + files.at(i))));
        QVERIFY2(line.match(log.debugLines.at(i)).hasMatch(), qPrintable(log.debugLines.at(i)));
    }
}

void TestNoDriverFactories::factories_withoutLibraries_notReady_data()
{
    QTest::addColumn<int>("kind"); // -1: the payment-terminal factory
    QTest::newRow("paycard") << -1;
    QTest::newRow("fptr") << 0;
    QTest::newRow("rcpprn") << 1;
    QTest::newRow("unknown") << 2;
}

void TestNoDriverFactories::factories_withoutLibraries_notReady()
{
    QFETCH(int, kind);
    MessageCapture quiet;
    if (kind < 0) {
        PaycardFactory factory;
        QVERIFY(!factory.isReady());
    } else {
        FptrFactory factory;
        QVERIFY(!factory.isReady(kind));
        QVERIFY(!factory.create(kind));
    }
}

void TestNoDriverFactories::paycardCreate_withoutLibrary_givesWrapperWithoutObject()
{
    MessageCapture quiet;
    PaycardFactory factory;
    std::unique_ptr<QNebPaycard> wrapper = factory.create();
    QVERIFY(wrapper);
    QVERIFY(!wrapper->driverObject());
    try {
        factory.release(wrapper);
        QFAIL("releasing a wrapper without object must throw");
    } catch (const DeviceNotFoundException &e) {
        QCOMPARE(e.message(), QStringLiteral("Несуществующее устройство"));
    }
    QVERIFY(wrapper);
}

BENCH_TEST_MAIN(TestNoDriverFactories)

#include "tst_nodriverfactories.moc"
