#include "benchtest.h"
#include "devicelists.h"
#include "dialoganswerer.h"
#include "dialogs.h"
#include "paycardmainwindow.h"
#include "scriptedwindow.h"
#include "squeezedlabel.h"
#include "settingsfolder.h"

#include <QDoubleSpinBox>
#include <QTextEdit>

// The device page as a user meets it, with the simulated drivers beside the
// program: devices made through the terminal's own settings dialog survive a
// restart, and the register's ports are brought up from the port buttons.
class DevicePageSimulatedTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PayCardMainWindow> window;

    void start()
    {
        window = std::make_unique<PayCardMainWindow>();
        QVERIFY(takeAnsweredDialogs().isEmpty());
    }

    void restart()
    {
        window.reset();
        start();
    }

    QComboBox *devices() { return child<QComboBox>(window.get(), "cmbDevices"); }

    QStringList itemTexts()
    {
        QStringList texts;
        for (int i = 0; i < devices()->count(); ++i)
            texts.append(devices()->itemText(i));
        return texts;
    }

    void click(const char *name) { QTest::mouseClick(child<QAbstractButton>(window.get(), name), Qt::LeftButton); }

    // "Добавить ПС" with the protocol chosen in the terminal's own dialog,
    // which is then accepted or cancelled.
    void addThroughDialog(int protocol, bool accept = true)
    {
        Scenario::DialogAnswer answer;
        answer.accept = accept;
        answer.fields = {{QStringLiteral("cmbProtocol"), protocol}};
        DialogAnswerer answerer;
        answerer.begin({answer});
        click("pbtnAdd");
        QCOMPARE(answerer.finish(), QStringList());
    }

    // A payment of one rouble, the other fields as the page starts, from the
    // authorization button; the error it leaves in the status bar, empty
    // once it completed.
    QString pay()
    {
        click("pbtnSectionAuthorization");
        child<QDoubleSpinBox>(window.get(), "spinSum")->setValue(1.0);
        click("pbtnAuthorization");
        return errorText(window.get());
    }

private slots:
    // Dialogs of the bench itself; those of the drivers are answered from
    // outside.
    void initTestCase() { answerEveryDialog(true); }

    void init()
    {
        QFile::remove(settingsDirectory() + QStringLiteral("paycard.cfg"));
        QFile::remove(settingsDirectory() + QStringLiteral("paycard_fptr.cfg"));
        start();
        QCOMPARE(itemTexts(), QStringList{"Стандартный"});
    }

    void cleanup() { window.reset(); }

    void add_throughDriverDialog_keptOnlyWhenAccepted_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QStringList>("afterRestart");
        QTest::newRow("accepted") << int(QMessageBox::Ok)
                                  << QStringList{"Стандартный", "Со сроком карты через порт ККТ"};
        QTest::newRow("cancelled") << int(QMessageBox::Cancel) << QStringList{"Стандартный"};
    }
    void add_throughDriverDialog_keptOnlyWhenAccepted()
    {
        QFETCH(int, button);
        QFETCH(QStringList, afterRestart);
        addThroughDialog(9, button == QMessageBox::Ok);
        QCOMPARE(itemTexts(), afterRestart);
        QCOMPARE(devices()->currentIndex(), afterRestart.size() - 1);
        QCOMPARE(window->fptrDeviceList()->ids(), window->paycardDeviceList()->ids());
        QCOMPARE(errorText(window.get()), QString());
        restart();
        QCOMPARE(itemTexts(), afterRestart);
    }

    void renameAndRemove_keptAfterRestart()
    {
        addThroughDialog(8);
        addThroughDialog(10);
        devices()->setCurrentIndex(0);
        queueDialogAnswer(QMessageBox::Ok, QStringLiteral("Касса у входа"));
        click("pbtnRename");
        QCOMPARE(takeAnsweredDialogs().size(), 1);
        QCOMPARE(child<SqueezedLabel>(window.get(), "lbCurrentPayCardName")->fullText(), QStringLiteral("Касса у входа"));
        devices()->setCurrentIndex(1);
        click("pbtnRemove");
        QCOMPARE(itemTexts(), (QStringList{"Касса у входа", "Краткий через порт ККТ и модем"}));
        restart();
        QCOMPARE(itemTexts(), (QStringList{"Касса у входа", "Краткий через порт ККТ и модем"}));
        QCOMPARE(window->fptrDeviceList()->count(), 2);
    }

    void protocol9_paysOnlyThroughInitialisedPoweredPinpadPort_data()
    {
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QString>("payment"); // the start of the error text; empty: paid
        QTest::addColumn<QString>("pinpadLabel");
        QTest::newRow("nothing done") << QStringList() << "[-234]" << "Пинпад: выключено";
        QTest::newRow("power without initialising") << QStringList{"pbtnEcrPortOn"} << "[-234]" << "Пинпад: выключено";
        QTest::newRow("initialised, unpowered") << QStringList{"pbtnEcrPortModeSync"} << "[-235]" << "Пинпад: синхронно";
        QTest::newRow("synchronous and powered")
            << QStringList{"pbtnEcrPortModeSync", "pbtnEcrPortOn"} << "" << "Пинпад: синхронно";
        QTest::newRow("asynchronous and powered")
            << QStringList{"pbtnEcrPortModeAsync", "pbtnEcrPortOn"} << "" << "Пинпад: асинхронно";
        QTest::newRow("powered off again")
            << QStringList{"pbtnEcrPortModeSync", "pbtnEcrPortOn", "pbtnEcrPortOff"} << "[-235]" << "Пинпад: синхронно";
    }
    void protocol9_paysOnlyThroughInitialisedPoweredPinpadPort()
    {
        QFETCH(QStringList, buttons);
        QFETCH(QString, payment);
        QFETCH(QString, pinpadLabel);
        addThroughDialog(9);
        QVERIFY(child(window.get(), "gbEcrPortMode")->isEnabled());
        child<QComboBox>(window.get(), "cmbEcrPortType")->setCurrentIndex(0);
        for (const QString &button : buttons)
            click(button.toLatin1().constData());
        QCOMPARE(child<SqueezedLabel>(window.get(), "lbEcrPinpadMode")->fullText(), pinpadLabel);
        QCOMPARE(child<SqueezedLabel>(window.get(), "lbEcrModemMode")->fullText(), QStringLiteral("Модем: выключено"));
        const QString result = pay();
        QVERIFY2(payment.isEmpty() ? result.isEmpty() : result.startsWith(payment), qPrintable(result));
    }

    void modemPort_modeLabelAndStatusFollowButtons()
    {
        addThroughDialog(10);
        child<QComboBox>(window.get(), "cmbEcrPortType")->setCurrentIndex(1);
        click("pbtnEcrPortModeAsync");
        click("pbtnEcrPortOn");
        QCOMPARE(child<SqueezedLabel>(window.get(), "lbEcrModemMode")->fullText(), QStringLiteral("Модем: асинхронно"));
        QCOMPARE(child<SqueezedLabel>(window.get(), "lbEcrPinpadMode")->fullText(), QStringLiteral("Пинпад: выключено"));
        click("pbtnEcrPortGetStatus");
        QVERIFY2(child<QTextEdit>(window.get(), "teStatus")->toPlainText().startsWith(QStringLiteral("Модем инициализируется\n")),
                 qPrintable(child<QTextEdit>(window.get(), "teStatus")->toPlainText()));
        QCOMPARE(errorText(window.get()), QString());
        // The register's own dialog leaves the port in the mode the user set.
        DialogAnswerer answerer;
        answerer.begin({Scenario::DialogAnswer()});
        click("pbtnShowEcrProperties");
        QCOMPARE(answerer.finish(), QStringList());
        QCOMPARE(errorText(window.get()), QString());
        QCOMPARE(child<SqueezedLabel>(window.get(), "lbEcrModemMode")->fullText(), QStringLiteral("Модем: асинхронно"));
    }
};

BENCH_TEST_MAIN(DevicePageSimulatedTest)
#include "tst_devicepagesim.moc"
