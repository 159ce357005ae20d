#include "benchtest.h"
#include "devicelists.h"
#include "devicetexts.h"
#include "fakedrivers.h"

#include <QRegularExpression>

// Runs where no driver library lies beside it, so the lists hold wrappers
// around in-process fakes and release nothing through a library.
class DeviceListsTest : public QObject
{
    Q_OBJECT

    static std::unique_ptr<QNebPaycard> paycard(FakePaycard *fake) { return std::make_unique<QNebPaycard>(fake); }
    static std::unique_ptr<QNebFptr> fptr(FakeFptr *fake) { return std::make_unique<QNebFptr>(fake); }

    template <class Call>
    static bool throwsDeviceNotFound(Call call)
    {
        try {
            call();
        } catch (const DeviceNotFoundException &e) {
            return QString::fromUtf8(e.what()) == QStringLiteral("Несуществующее устройство");
        }
        return false;
    }

private slots:
    void emptyList_hasNoCurrentDevice()
    {
        PaycardDeviceList list;
        QVERIFY(!list.isReady());
        QCOMPARE(list.count(), 0);
        QVERIFY(throwsDeviceNotFound([&] { list.device(-1); }));
        list.setCurrent(1);
        QCOMPARE(list.current(), -1);
        list.clear();
        FakePaycard fake;
        QCOMPARE(list.add(paycard(&fake)), 1);
    }

    void ids_areNeverReusedUntilClear()
    {
        FakePaycard a, b, c, d;
        PaycardDeviceList list;
        QCOMPARE(list.add(paycard(&a)), 1);
        QCOMPARE(list.add(paycard(&b)), 2);
        QCOMPARE(list.add(paycard(&c)), 3);
        list.remove(3);
        QCOMPARE(list.add(paycard(&d)), 4);
        QCOMPARE(list.ids(), (QList<int>{1, 2, 4}));
        list.remove(99); // absent: nothing happens
        QCOMPARE(list.count(), 3);
        list.clear();
        QCOMPARE(list.count(), 0);
        QCOMPARE(list.current(), -1);
        QCOMPARE(list.add(paycard(&a)), 1);
    }

    void device_lookup_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("found");
        QTest::newRow("current") << -1 << true;
        QTest::newRow("present") << 2 << true;
        QTest::newRow("zero") << 0 << false;
        QTest::newRow("below minus one") << -2 << false;
        QTest::newRow("absent") << 3 << false;
    }

    void device_lookup()
    {
        QFETCH(int, id);
        QFETCH(bool, found);
        FakePaycard a, b;
        PaycardDeviceList list;
        list.add(paycard(&a));
        list.setCurrent(list.add(paycard(&b)));
        if (found)
            QVERIFY(list.device(id)->driverObject() == &b);
        else
            QVERIFY(throwsDeviceNotFound([&] { list.device(id); }));
        QCOMPARE(list.current(), 2);
    }

    void removeCurrent_leavesNoCurrentDeviceUntilSetCurrent()
    {
        FakePaycard a, b;
        PaycardDeviceList list;
        list.add(paycard(&a));
        list.setCurrent(list.add(paycard(&b)));
        list.remove(-1);
        QCOMPARE(list.current(), 2);
        QVERIFY(throwsDeviceNotFound([&] { list.device(-1); }));
        list.setCurrent(2);
        QCOMPARE(list.current(), 2);
        list.setCurrent(1);
        QVERIFY(list.device(-1)->driverObject() == &a);
    }

    void remove_wrapperWithoutDriverObject_throwsAndKeepsEntry()
    {
        PaycardDeviceList list;
        const int id = list.add(list.create()); // no library: the wrapper holds nothing
        QVERIFY(!list.device(id)->driverObject());
        QVERIFY(throwsDeviceNotFound([&] { list.remove(id); }));
        QCOMPARE(list.count(), 1);
        list.clear(); // must not throw, it also runs in the destructor
        QCOMPARE(list.count(), 0);
    }

    void release_withoutLibrary_callsNothingOnTheDriver()
    {
        FakePaycard fake;
        {
            PaycardDeviceList list;
            list.add(paycard(&fake));
        }
        QVERIFY(fake.calls.isEmpty());
    }

    void fptrAdd_withoutWrapper_usesNoId()
    {
        FakeFptr a, b;
        FptrDeviceList list;
        QVERIFY(!list.isReady(0));
        QVERIFY(!list.create(0));
        QCOMPARE(list.add(0, nullptr), -1);
        QCOMPARE(list.add(0, fptr(&a)), 1);
        list.setCurrent(-1);
        QCOMPARE(list.current(), -1);
        list.setCurrent(list.add(1, fptr(&b)));
        QVERIFY(list.device(-1)->driverObject() == &b);
        list.remove(1);
        QCOMPARE(list.ids(), QList<int>{2});
    }

    void deviceDescription_formsTextFromPort_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("expected"); // empty: the date and time
        QTest::newRow("device file") << QStringLiteral("Файл устройства") << "M (ttyS9 B)";
        QTest::newRow("tcp") << "TCP/IP" << "M (10.0.0.1:7000)";
        QTest::newRow("udp") << "UDP/IP" << "M (10.0.0.1:7000)";
        QTest::newRow("com") << "COM3" << "M (COM3 B)";
        QTest::newRow("com in lower case") << "com3" << "";
        QTest::newRow("bluetooth") << "Bluetooth" << "M (00:11:22:33:44:55)";
        QTest::newRow("usb") << "USB:2" << "M (USB:2)";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("tcp with suffix") << "TCP/IP " << "";
    }

    void deviceDescription_formsTextFromPort()
    {
        QFETCH(QString, port);
        QFETCH(QString, expected);
        FakeFptr fake;
        fake.parameters = {{"Model", "5"}, {"Port", "p"}, {"BaudRate", "b"}, {"TTYSuffix", "ttyS9"},
                           {"IPAddress", "10.0.0.1"}, {"IPPort", "7000"}, {"MACAddress", "00:11:22:33:44:55"}};
        fake.parameterValueLists = {{"Model", "4:X;5:M;"}, {"Port", "p:" + port + ";"}, {"BaudRate", "b:B;"}};
        const QString description = deviceDescription<NEB::Fptr::IFptr>(&fake);
        if (expected.isEmpty())
            QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}\\.\\d{2}\\.\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3}$"))
                         .match(description)
                         .hasMatch(),
                     qPrintable(description));
        else
            QCOMPARE(description, expected);
    }

    void deviceDescription_valueWithPercentSign_isNotSubstitutedAgain()
    {
        FakePaycard fake;
        fake.parameters = {{"Model", "m"}, {"Port", "tcp"}, {"IPAddress", "%2"}, {"IPPort", "1"}};
        fake.parameterValueLists = {{"Model", "m:%1;"}, {"Port", "tcp:TCP/IP;"}};
        QCOMPARE(deviceDescription<NEB::PayCard::IPayCard>(&fake), QStringLiteral("%1 (%2:1)"));
    }
};

BENCH_TEST_MAIN(DeviceListsTest)
#include "tst_devicelists.moc"
