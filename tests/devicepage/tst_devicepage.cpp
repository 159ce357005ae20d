#include "benchtest.h"
#include "devicelists.h"
#include "dialogs.h"
#include "paycardmainwindow.h"
#include "scriptedwindow.h"
#include "squeezedlabel.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTextEdit>

// The device page and the port controls against driver libraries whose
// objects are the recording fakes: terminal and register both present.
class DevicePageTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptedDrivers> drivers;
    std::unique_ptr<PayCardMainWindow> window;
    QSet<QString> failing; // tagged calls that fail, with themselves as description

    QComboBox *devices() { return child<QComboBox>(window.get(), "cmbDevices"); }

    void click(const char *name)
    {
        QTest::mouseClick(child<QAbstractButton>(window.get(), name), Qt::LeftButton);
    }

    // Adds a terminal of the protocol through the add button, its dialog
    // accepted, and returns it.
    FakePaycard *addDevice(int protocol, int enabled = 0)
    {
        drivers->scriptPaycard = [protocol, enabled](FakePaycard *paycard) {
            ScriptedDrivers::setProtocol(paycard, protocol);
            paycard->results.insert(QStringLiteral("showProperties"), 1);
            paycard->ints.insert(QStringLiteral("deviceEnabled"), enabled);
        };
        drivers->scriptFptr = [](FakeFptr *fptr) {
            fptr->ints.insert(QStringLiteral("pinpadPortHandle"), 7);
            fptr->ints.insert(QStringLiteral("modemPortHandle"), 8);
        };
        click("pbtnAdd");
        drivers->scriptPaycard = nullptr;
        drivers->scriptFptr = nullptr;
        return drivers->paycards.last();
    }

private slots:
    void initTestCase() { answerEveryDialog(true); }

    void init()
    {
        failing.clear();
        drivers = std::make_unique<ScriptedDrivers>();
        QVERIFY2(drivers->hooked.size() == 2, qPrintable(drivers->hooked.join(QLatin1Char(' '))));
        drivers->react = [this](FakeDriverScript *object, const QString &call) {
            const QString operation = call.mid(2).section(QLatin1Char('('), 0, 0);
            if (failing.contains(call)) {
                object->results.insert(operation, -1);
                object->failWith(-3, call);
            } else {
                // The same operation with other arguments succeeds.
                for (const QString &entry : qAsConst(failing)) {
                    if (entry.mid(2).startsWith(operation + QLatin1Char('(')))
                        object->results.remove(operation);
                }
            }
        };
        window = std::make_unique<PayCardMainWindow>();
        QVERIFY(takeAnsweredDialogs().isEmpty());
        QCOMPARE(devices()->count(), 1);
    }

    void cleanup()
    {
        window.reset();
        takeAnsweredDialogs();
        drivers.reset();
    }

    void add_dialogOutcome_addsOnlyWhenAccepted_data()
    {
        QTest::addColumn<int>("dialogResult");
        QTest::addColumn<int>("failureCode");
        QTest::addColumn<bool>("added");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("accepted") << 1 << 0 << true << QStringList();
        QTest::newRow("cancelled") << 0 << 0 << false << QStringList();
        QTest::newRow("failed without a code") << -1 << 0 << false << QStringList();
        QTest::newRow("failed") << -1 << -7 << false << QStringList{"[-7] Диалог не открылся"};
    }
    void add_dialogOutcome_addsOnlyWhenAccepted()
    {
        QFETCH(int, dialogResult);
        QFETCH(int, failureCode);
        QFETCH(bool, added);
        QFETCH(QStringList, messages);
        const int itemsBefore = devices()->count();
        const int currentBefore = devices()->currentIndex();
        drivers->scriptPaycard = [&](FakePaycard *paycard) {
            ScriptedDrivers::setProtocol(paycard, 9);
            paycard->results.insert(QStringLiteral("showProperties"), dialogResult);
            if (failureCode)
                paycard->failWith(failureCode, QStringLiteral("Диалог не открылся"));
        };
        drivers->journal.clear();
        click("pbtnAdd");

        QStringList texts;
        for (const AnsweredDialog &box : takeAnsweredDialogs()) {
            QCOMPARE(box.title, QStringLiteral("Ошибка"));
            texts.append(box.text);
        }
        QCOMPARE(texts, messages);
        const QStringList setUpThenDialog = {"P:setOwnerWindow", "P:setParameter", "P:applySettings",
                                             "F:setOwnerWindow", "F:setParameter", "F:applySettings",
                                             "P:showProperties"};
        QStringList order;
        for (const QString &entry : drivers->journalOf({"setOwnerWindow", "setParameter", "applySettings", "showProperties"}))
            order.append(entry.section(QLatin1Char('('), 0, 0));
        QCOMPARE(order, setUpThenDialog);

        FakePaycard *paycard = drivers->paycards.last();
        FakeFptr *fptr = drivers->fptrs.last();
        QCOMPARE(devices()->count(), itemsBefore + (added ? 1 : 0));
        QCOMPARE(window->paycardDeviceList()->count(), devices()->count());
        QCOMPARE(window->fptrDeviceList()->count(), devices()->count());
        if (added) {
            QCOMPARE(drivers->released, QList<const void *>());
            QCOMPARE(devices()->currentIndex(), devices()->count() - 1);
            QCOMPARE(devices()->currentText(), QStringLiteral("Девятый"));
            const int id = devices()->currentData().toInt();
            QCOMPARE(window->paycardDeviceList()->current(), id);
            QCOMPARE(window->fptrDeviceList()->current(), id);
            QCOMPARE(static_cast<void *>(window->paycardDeviceList()->device(id)->driverObject()),
                     static_cast<void *>(paycard));
        } else {
            QCOMPARE(devices()->currentIndex(), currentBefore);
            QCOMPARE(drivers->released, (QList<const void *>{paycard, fptr}));
        }
    }

    void properties_callOrder_registerOnlyForPortProtocols_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("protocol");
        QTest::addColumn<QStringList>("calls");
        const QStringList paycardDialog = {"P:showProperties()", "P:setPinpadPort(7)", "P:setModemPort(8)",
                                           "P:setDeviceEnabled(1)"};
        const QStringList fptrDialog = {"F:showProperties()", "P:setPinpadPort(7)", "P:setModemPort(8)",
                                        "P:setDeviceEnabled(1)"};
        QTest::newRow("terminal, protocol 9") << "pbtnShowPaycardProperties" << 9
                                              << paycardDialog + QStringList{"F:setDeviceEnabled(1)"};
        QTest::newRow("terminal, protocol 5") << "pbtnShowPaycardProperties" << 5 << paycardDialog;
        QTest::newRow("register, protocol 8")
            << "pbtnShowEcrProperties" << 8
            << fptrDialog + QStringList{"F:setDeviceEnabled(1)", "F:setPinpadPortMode(0)", "F:setModemPortMode(0)"};
        QTest::newRow("register, protocol 7") << "pbtnShowEcrProperties" << 7 << fptrDialog;
    }
    void properties_callOrder_registerOnlyForPortProtocols()
    {
        QFETCH(QString, button);
        QFETCH(int, protocol);
        QFETCH(QStringList, calls);
        addDevice(protocol, 1);
        QVERIFY(child<QCheckBox>(window.get(), "cbPaycardEnable")->isChecked());
        drivers->journal.clear();
        click(button.toLatin1().constData());
        QCOMPARE(drivers->journalOf({"showProperties", "setPinpadPort", "setModemPort", "setDeviceEnabled",
                                     "setPinpadPortMode", "setModemPortMode"}),
                 calls);
        QCOMPARE(errorText(window.get()), QString());
    }

    void enable_switchesAndRollsBack_data()
    {
        QTest::addColumn<int>("protocol");
        QTest::addColumn<QStringList>("failingCalls");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("checkedAfter");
        QTest::newRow("protocol 9: terminal and register")
            << 9 << QStringList() << QStringList{"P:setDeviceEnabled(1)", "F:setDeviceEnabled(1)"} << "" << true;
        QTest::newRow("protocol 5: terminal only") << 5 << QStringList() << QStringList{"P:setDeviceEnabled(1)"} << ""
                                                   << true;
        QTest::newRow("register refuses: both switched off")
            << 9 << QStringList{"F:setDeviceEnabled(1)"}
            << QStringList{"P:setDeviceEnabled(1)", "F:setDeviceEnabled(1)", "P:setDeviceEnabled(0)",
                           "F:setDeviceEnabled(0)"}
            << "[-3] F:setDeviceEnabled(1)" << false;
        QTest::newRow("rollback fails: its own error shown")
            << 9 << QStringList{"P:setDeviceEnabled(1)", "F:setDeviceEnabled(0)"}
            << QStringList{"P:setDeviceEnabled(1)", "P:setDeviceEnabled(0)", "F:setDeviceEnabled(0)"}
            << "[-3] F:setDeviceEnabled(0)" << true;
        QTest::newRow("protocol 5: the register is switched off in the rollback too")
            << 5 << QStringList{"P:setDeviceEnabled(1)"}
            << QStringList{"P:setDeviceEnabled(1)", "P:setDeviceEnabled(0)", "F:setDeviceEnabled(0)"}
            << "[-3] P:setDeviceEnabled(1)" << false;
    }
    void enable_switchesAndRollsBack()
    {
        QFETCH(int, protocol);
        QFETCH(QStringList, failingCalls);
        QFETCH(QStringList, calls);
        QFETCH(QString, error);
        QFETCH(bool, checkedAfter);
        addDevice(protocol);
        auto *box = child<QCheckBox>(window.get(), "cbPaycardEnable");
        QVERIFY(!box->isChecked());
        failing = QSet<QString>(failingCalls.begin(), failingCalls.end());
        drivers->journal.clear();
        click("cbPaycardEnable");
        // A rollback that changes the box runs the slot once more; only the
        // calls up to there are the rollback's own.
        QCOMPARE(drivers->journalOf({"setDeviceEnabled"}).mid(0, calls.size()), calls);
        QCOMPARE(drivers->journalOf({"setPinpadPort"}).value(0), QStringLiteral("P:setPinpadPort(7)"));
        QCOMPARE(errorText(window.get()), error);
        QCOMPARE(box->isChecked(), checkedAfter);
    }

    void portButtons_actOnChosenPort_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("portType");
        QTest::addColumn<QString>("failingCall");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("modesReapplied");
        QTest::addColumn<QString>("error");
        const QStringList off = {"F:setPinpadPortMode(0)", "F:setModemPortMode(0)"};
        QTest::newRow("sync, pinpad") << "pbtnEcrPortModeSync" << 0 << "" << QStringList{"F:setPinpadPortMode(1)"}
                                      << QStringList{"F:setPinpadPortMode(1)", "F:setModemPortMode(0)"} << "раньше";
        QTest::newRow("sync, modem") << "pbtnEcrPortModeSync" << 1 << "" << QStringList{"F:setModemPortMode(1)"}
                                     << QStringList{"F:setPinpadPortMode(0)", "F:setModemPortMode(1)"} << "раньше";
        QTest::newRow("async, pinpad") << "pbtnEcrPortModeAsync" << 0 << "" << QStringList{"F:setPinpadPortMode(2)"}
                                       << QStringList{"F:setPinpadPortMode(2)", "F:setModemPortMode(0)"} << "раньше";
        QTest::newRow("async, modem") << "pbtnEcrPortModeAsync" << 1 << "" << QStringList{"F:setModemPortMode(2)"}
                                      << QStringList{"F:setPinpadPortMode(0)", "F:setModemPortMode(2)"} << "раньше";
        QTest::newRow("power on, pinpad") << "pbtnEcrPortOn" << 0 << "" << QStringList{"F:pinpadPowerOn()"} << off
                                          << "раньше";
        QTest::newRow("power on, modem") << "pbtnEcrPortOn" << 1 << "" << QStringList{"F:modemPowerOn()"} << off
                                         << "раньше";
        QTest::newRow("power off, pinpad") << "pbtnEcrPortOff" << 0 << "" << QStringList{"F:pinpadPowerOff()"} << off
                                           << "раньше";
        QTest::newRow("power off, modem") << "pbtnEcrPortOff" << 1 << "" << QStringList{"F:modemPowerOff()"} << off
                                          << "раньше";
        QTest::newRow("async refused: mode kept")
            << "pbtnEcrPortModeAsync" << 1 << "F:setModemPortMode(2)" << QStringList{"F:setModemPortMode(2)"} << off
            << "[-3] F:setModemPortMode(2)";
        QTest::newRow("power refused") << "pbtnEcrPortOn" << 0 << "F:pinpadPowerOn()" << QStringList{"F:pinpadPowerOn()"}
                                       << off << "[-3] F:pinpadPowerOn()";
        QTest::newRow("sync, no port chosen") << "pbtnEcrPortModeSync" << -1 << "" << QStringList() << off << "раньше";
        QTest::newRow("power off, no port chosen") << "pbtnEcrPortOff" << -1 << "" << QStringList() << off << "раньше";
    }
    void portButtons_actOnChosenPort()
    {
        QFETCH(QString, button);
        QFETCH(int, portType);
        QFETCH(QString, failingCall);
        QFETCH(QStringList, calls);
        QFETCH(QStringList, modesReapplied);
        QFETCH(QString, error);
        addDevice(9);
        QVERIFY(child<QGroupBox>(window.get(), "gbEcrPortMode")->isEnabled());
        child<QComboBox>(window.get(), "cmbEcrPortType")->setCurrentIndex(portType);
        child<QLabel>(window.get(), "errorLabel")->setText(QStringLiteral("раньше"));
        if (!failingCall.isEmpty())
            failing.insert(failingCall);
        const QStringList portOperations = {"setPinpadPortMode", "setModemPortMode", "pinpadPowerOn", "pinpadPowerOff",
                                            "modemPowerOn", "modemPowerOff"};
        drivers->journal.clear();
        click(button.toLatin1().constData());
        QCOMPARE(drivers->journalOf(portOperations), calls);
        QCOMPARE(errorText(window.get()), error);

        // The register's dialog gives the ports back the modes last set.
        drivers->journal.clear();
        click("pbtnShowEcrProperties");
        QCOMPARE(drivers->journalOf({"setPinpadPortMode", "setModemPortMode"}), modesReapplied);
    }

    void statusButton_showsChosenPort_data()
    {
        QTest::addColumn<int>("portType");
        QTest::addColumn<QString>("failingCall");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("modem, nothing reported")
            << 1 << ""
            << "Модем выключен\nМощность сигнала ? dBm\nОператор - ?\nПоследняя ошибка - \n?\n"
               "Входной буффер - 300 б\nВыходной буффер - 200 б"
            << "";
        QTest::newRow("pinpad") << 0 << "" << "Входной буффер - 300 б\nВыходной буффер - 200 б" << "";
        QTest::newRow("modem update fails") << 1 << "F:updateModemStatus()" << "прежнее" << "[-3] F:updateModemStatus()";
        QTest::newRow("no port chosen") << -1 << "" << "прежнее" << "";
    }
    void statusButton_showsChosenPort()
    {
        QFETCH(int, portType);
        QFETCH(QString, failingCall);
        QFETCH(QString, status);
        QFETCH(QString, error);
        addDevice(8);
        FakeFptr *fptr = drivers->fptrs.last();
        fptr->ints.insert(QStringLiteral("inputBufferSize"), 300);
        fptr->ints.insert(QStringLiteral("outputBufferSize"), 200);
        if (!failingCall.isEmpty())
            failing.insert(failingCall);
        child<QComboBox>(window.get(), "cmbEcrPortType")->setCurrentIndex(portType);
        child<QTextEdit>(window.get(), "teStatus")->setPlainText(QStringLiteral("прежнее"));
        child<QLabel>(window.get(), "errorLabel")->setText(QStringLiteral("раньше"));
        click("pbtnEcrPortGetStatus");
        QCOMPARE(child<QTextEdit>(window.get(), "teStatus")->toPlainText(), status);
        QCOMPARE(errorText(window.get()), error);
    }

    void portControls_enabledForPortProtocolsOnly_data()
    {
        QTest::addColumn<int>("protocol");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("7") << 7 << false;
        QTest::newRow("8") << 8 << true;
        QTest::newRow("9") << 9 << true;
        QTest::newRow("10") << 10 << true;
        QTest::newRow("11") << 11 << false;
    }
    void portControls_enabledForPortProtocolsOnly()
    {
        QFETCH(int, protocol);
        QFETCH(bool, enabled);
        addDevice(protocol);
        QCOMPARE(child<QGroupBox>(window.get(), "gbEcrPortMode")->isEnabled(), enabled);
        QCOMPARE(child<QComboBox>(window.get(), "cmbEcrPortType")->isEnabled(), enabled);
        QCOMPARE(child<QPushButton>(window.get(), "pbtnShowEcrProperties")->isEnabled(), true);
    }

    void remove_lastDevice_onlyAddLeft()
    {
        FakePaycard *paycard = drivers->paycards.first();
        FakeFptr *fptr = drivers->fptrs.first();
        click("pbtnRemove");
        QCOMPARE(devices()->count(), 0);
        QCOMPARE(window->paycardDeviceList()->count(), 0);
        QCOMPARE(window->fptrDeviceList()->count(), 0);
        QCOMPARE(drivers->released, (QList<const void *>{paycard, fptr}));
        for (const char *name : {"pbtnRemove", "pbtnRename", "pbtnShowPaycardProperties", "pbtnShowEcrProperties",
                                 "cbPaycardEnable", "gbEcrPortMode", "cmbEcrPortType"})
            QVERIFY2(!child(window.get(), name)->isEnabled(), name);
        QVERIFY(child(window.get(), "pbtnAdd")->isEnabled());
        QCOMPARE(child<SqueezedLabel>(window.get(), "lbCurrentPayCardName")->fullText(), QString());
        QCOMPARE(child<SqueezedLabel>(window.get(), "lbCurrentEcrName")->fullText(), QString());
        QCOMPARE(errorText(window.get()), QString());
    }

    // The port controls keep their state once no device is left, and say
    // so when pressed.
    void remove_allDevices_portControlsKeepTheirState()
    {
        addDevice(9);
        devices()->setCurrentIndex(0);
        click("pbtnRemove");
        click("pbtnRemove");
        QCOMPARE(devices()->count(), 0);
        QVERIFY(child(window.get(), "gbEcrPortMode")->isEnabled());
        QVERIFY(child(window.get(), "cmbEcrPortType")->isEnabled());
        click("pbtnEcrPortOn");
        QCOMPARE(errorText(window.get()), QStringLiteral("Несуществующее устройство"));
    }

    void remove_middleDevice_neighbourBecomesCurrent()
    {
        addDevice(8);
        FakePaycard *last = addDevice(9);
        devices()->setCurrentIndex(1);
        click("pbtnRemove");
        QCOMPARE(devices()->count(), 2);
        QCOMPARE(devices()->currentText(), QStringLiteral("Девятый"));
        const int id = devices()->currentData().toInt();
        QCOMPARE(static_cast<void *>(window->paycardDeviceList()->device(-1)->driverObject()),
                 static_cast<void *>(last));
        QCOMPARE(window->fptrDeviceList()->current(), id);
    }

    void rename_offersProtocolName_keepsOldOnEmpty_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("name");
        QTest::newRow("accepted") << int(QMessageBox::Ok) << "Касса у окна" << "Касса у окна";
        QTest::newRow("accepted empty") << int(QMessageBox::Ok) << "" << "Прежнее имя";
        QTest::newRow("cancelled") << int(QMessageBox::Cancel) << "Касса у окна" << "Прежнее имя";
    }
    void rename_offersProtocolName_keepsOldOnEmpty()
    {
        QFETCH(int, button);
        QFETCH(QString, typed);
        QFETCH(QString, name);
        devices()->setItemText(0, QStringLiteral("Прежнее имя"));
        child<SqueezedLabel>(window.get(), "lbCurrentPayCardName")->setText(QString());
        queueDialogAnswer(button, typed);
        click("pbtnRename");
        const QVector<AnsweredDialog> shown = takeAnsweredDialogs();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].title, QStringLiteral("Переименование"));
        QCOMPARE(shown[0].offered, QStringLiteral("Стандартный"));
        QCOMPARE(devices()->itemText(0), name);
        // The page is refreshed whatever the answer.
        QCOMPARE(child<SqueezedLabel>(window.get(), "lbCurrentPayCardName")->fullText(), name);
    }

    // Clicks queued while the terminal answers are dropped once it has,
    // not replayed as a second payment; the busy cursor goes with them.
    void clicksDuringDriverCall_droppedAfterIt()
    {
        auto *button = child<QPushButton>(window.get(), "pbtnAuthorization");
        drivers->react = [&](FakeDriverScript *, const QString &call) {
            QVERIFY(QGuiApplication::overrideCursor());
            if (!call.startsWith(QLatin1String("P:authorize(")))
                return;
            const QPoint at = button->rect().center();
            for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                QCoreApplication::postEvent(button, new QMouseEvent(type, at, Qt::LeftButton, Qt::LeftButton, {}));
        };
        click("pbtnAuthorization");
        QCoreApplication::processEvents();
        QCOMPARE(drivers->journalOf({"authorize"}).size(), 1);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void pageFailures_goToStatusBar_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("rename") << "pbtnRename";
        QTest::newRow("selection") << "select";
        QTest::newRow("remove") << "pbtnRemove";
    }
    void pageFailures_goToStatusBar()
    {
        QFETCH(QString, action);
        // A device whose driver objects are missing: the page must say so
        // in the status bar, not crash or let the error escape.
        const int id = window->paycardDeviceList()->add(std::make_unique<QNebPaycard>(nullptr));
        QCOMPARE(window->fptrDeviceList()->add(0, std::make_unique<QNebFptr>(nullptr)), id);
        devices()->addItem(QStringLiteral("Пустое"), id);
        if (action != QLatin1String("select")) {
            devices()->setCurrentIndex(devices()->count() - 1);
            child<QLabel>(window.get(), "errorLabel")->setText(QString());
        }
        const int items = devices()->count();
        if (action == QLatin1String("select"))
            devices()->setCurrentIndex(items - 1);
        else
            click(action.toLatin1().constData());
        QCOMPARE(errorText(window.get()), QStringLiteral("Несуществующее устройство"));
        QCOMPARE(devices()->count(), items);
        QVERIFY(takeAnsweredDialogs().isEmpty());
    }
};

BENCH_TEST_MAIN(DevicePageTest)
#include "tst_devicepage.moc"
