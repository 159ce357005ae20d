#include "benchtest.h"
#include "dialogs.h"
#include "paycardmainwindow.h"
#include "scriptedwindow.h"
#include "squeezedlabel.h"

#include <QTextEdit>

// The device page with the terminal library only: no register to talk to.
class DevicePageNoFptrTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptedDrivers> drivers;
    std::unique_ptr<PayCardMainWindow> window;

private slots:
    void initTestCase() { answerEveryDialog(true); }

    void init()
    {
        drivers = std::make_unique<ScriptedDrivers>();
        QCOMPARE(drivers->hooked, QStringList{applicationDirectory() + "paycard"});
        window = std::make_unique<PayCardMainWindow>();
        QVERIFY(takeAnsweredDialogs().isEmpty());
    }

    void cleanup()
    {
        window.reset();
        takeAnsweredDialogs();
        drivers.reset();
    }

    void portSlots_withoutRegisterLibrary_doNothing_data()
    {
        QTest::addColumn<QString>("slot");
        QTest::addColumn<int>("portType");
        for (const char *slot : {"on_pbtnEcrPortModeSync_clicked", "on_pbtnEcrPortModeAsync_clicked",
                                 "on_pbtnEcrPortOn_clicked", "on_pbtnEcrPortOff_clicked",
                                 "on_pbtnEcrPortGetStatus_clicked"}) {
            for (int portType : {0, 1})
                QTest::addRow("%s, port %d", slot, portType) << QString::fromLatin1(slot) << portType;
        }
    }
    void portSlots_withoutRegisterLibrary_doNothing()
    {
        QFETCH(QString, slot);
        QFETCH(int, portType);
        ScriptedDrivers::setProtocol(drivers->paycards.first(), 9);
        child<QComboBox>(window.get(), "cmbEcrPortType")->setCurrentIndex(portType);
        child<QLabel>(window.get(), "errorLabel")->setText(QStringLiteral("раньше"));
        child<QTextEdit>(window.get(), "teStatus")->setPlainText(QStringLiteral("прежнее"));
        const QString pinpadLabel = child<SqueezedLabel>(window.get(), "lbEcrPinpadMode")->fullText();
        const QString modemLabel = child<SqueezedLabel>(window.get(), "lbEcrModemMode")->fullText();
        drivers->journal.clear();
        // Called directly: the buttons themselves are disabled here.
        QVERIFY(QMetaObject::invokeMethod(window.get(), slot.toLatin1().constData()));
        QCOMPARE(drivers->journal, QStringList());
        QCOMPARE(errorText(window.get()), QStringLiteral("раньше"));
        QCOMPARE(child<QTextEdit>(window.get(), "teStatus")->toPlainText(), QStringLiteral("прежнее"));
        QCOMPARE(child<SqueezedLabel>(window.get(), "lbEcrPinpadMode")->fullText(), pinpadLabel);
        QCOMPARE(child<SqueezedLabel>(window.get(), "lbEcrModemMode")->fullText(), modemLabel);
    }

    void portControls_disabledWithoutRegisterLibrary()
    {
        drivers->scriptPaycard = [](FakePaycard *paycard) {
            ScriptedDrivers::setProtocol(paycard, 9);
            paycard->results.insert(QStringLiteral("showProperties"), 1);
        };
        QTest::mouseClick(child<QPushButton>(window.get(), "pbtnAdd"), Qt::LeftButton);
        QCOMPARE(child<QComboBox>(window.get(), "cmbDevices")->count(), 2);
        QCOMPARE(child<QComboBox>(window.get(), "cmbDevices")->currentText(), QStringLiteral("Девятый"));
        QVERIFY(!child(window.get(), "gbEcrPortMode")->isEnabled());
        QVERIFY(!child(window.get(), "cmbEcrPortType")->isEnabled());
        QVERIFY(!child(window.get(), "pbtnShowEcrProperties")->isEnabled());
        QCOMPARE(child<SqueezedLabel>(window.get(), "lbCurrentEcrName")->fullText(), QString());
    }

    void enable_failsWithoutRegister_rollbackReportsMissingDevice()
    {
        FakePaycard *paycard = drivers->paycards.first();
        ScriptedDrivers::setProtocol(paycard, 9);
        drivers->react = [](FakeDriverScript *object, const QString &call) {
            if (call == QLatin1String("P:setDeviceEnabled(1)")) {
                object->results.insert(QStringLiteral("setDeviceEnabled"), -1);
                object->failWith(-3, QStringLiteral("Терминал не включается"));
            } else {
                object->results.remove(QStringLiteral("setDeviceEnabled"));
            }
        };
        drivers->journal.clear();
        QTest::mouseClick(child<QCheckBox>(window.get(), "cbPaycardEnable"), Qt::LeftButton);
        QCOMPARE(drivers->journalOf({"setDeviceEnabled"}),
                 (QStringList{"P:setDeviceEnabled(1)", "P:setDeviceEnabled(0)"}));
        QCOMPARE(errorText(window.get()), QStringLiteral("Несуществующее устройство"));
    }
};

BENCH_TEST_MAIN(DevicePageNoFptrTest)
#include "tst_devicepagenofptr.moc"
