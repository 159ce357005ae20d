#include "benchtest.h"
#include "dialogs.h"
#include "guardedapplication.h"
#include "paycardmainwindow.h"
#include "scriptedwindow.h"
#include "settingsfolder.h"

#include <QDir>
#include <QRegularExpression>
#include <QTextEdit>

// Every slot of the window that talks to a driver, with each of its driver
// calls failing in turn. The calls are not listed here: a successful run of
// the slot records them, and then each recorded call is made to fail, so a
// slot that gains a call gains a run. One more run has no device at all.
// Every run must keep its exceptions out of the event loop, show the
// failure where the window shows errors, and leave the window able to run
// the slot again successfully.
class FaultInjectionTest : public QObject
{
    Q_OBJECT

private:
    const QString before = QStringLiteral("прежний текст");
    const QString noDevice = QStringLiteral("Несуществующее устройство");
    static constexpr int Devices = 3;
    static constexpr int FailureCode = -3;

    std::unique_ptr<ScriptedDrivers> drivers;
    std::unique_ptr<PayCardMainWindow> window;
    int failAt = -1; // index in the journal of the call to fail
    FakeDriverScript *failed = nullptr; // the object that answered it
    std::function<void()> undoFailure;
    int failingRuns = 0;
    int noDeviceRuns = 0;

    // What a run of a slot left behind.
    struct Outcome
    {
        QStringList calls;
        QString label;
        QStringList boxes;
        QStringList boxTitles;
        int devicesAdded = 0;
    };

    static QStringList comparable(const QStringList &journal)
    {
        // The owner window is a new object in every run.
        static const QRegularExpression pointer(QStringLiteral("0x[0-9a-f]+"));
        QStringList calls;
        for (const QString &entry : journal)
            calls.append(QString(entry).replace(pointer, QStringLiteral("0x")));
        return calls;
    }

    // Makes the call being answered fail with its own journal entry as the
    // description; the next call, whichever it is, finds the script as it
    // was, so the failure is the driver's answer to this one call only.
    void failThisCall(FakeDriverScript *object, const QString &call)
    {
        const QString operation = call.mid(2).section(QLatin1Char('('), 0, 0);
        const bool scripted = object->results.contains(operation);
        const int result = object->results.value(operation);
        object->results.insert(operation, -1);
        object->failWith(FailureCode, call);
        failed = object;
        undoFailure = [object, operation, scripted, result] {
            if (scripted)
                object->results.insert(operation, result);
            else
                object->results.remove(operation);
        };
    }

    void startWindow(int protocol)
    {
        QDir(settingsDirectory()).removeRecursively();
        drivers = std::make_unique<ScriptedDrivers>();
        QCOMPARE(drivers->hooked.size(), 2);
        drivers->scriptPaycard = [protocol](FakePaycard *paycard) {
            ScriptedDrivers::setProtocol(paycard, protocol);
            paycard->results.insert(QStringLiteral("showProperties"), 1);
            paycard->strings.insert(QStringLiteral("slipText"), QStringLiteral("чек ").repeated(20));
            paycard->ints.insert(QStringLiteral("charLineLength"), 32);
        };
        drivers->scriptFptr = [](FakeFptr *fptr) {
            fptr->ints.insert(QStringLiteral("pinpadPortHandle"), 7);
            fptr->ints.insert(QStringLiteral("modemPortHandle"), 8);
        };
        drivers->react = [this](FakeDriverScript *object, const QString &call) {
            if (undoFailure) {
                undoFailure();
                undoFailure = nullptr;
            }
            if (drivers->journal.size() - 1 == failAt)
                failThisCall(object, call);
        };
        window = std::make_unique<PayCardMainWindow>();
        QVERIFY(takeAnsweredDialogs().isEmpty());
    }

    // The devices, the chosen port and the slips every run starts from, and
    // the widget of the slot ready for use.
    void prepare(int portType, const QString &widget)
    {
        while (devices()->count() < Devices)
            QTest::mouseClick(child<QAbstractButton>(window.get(), "pbtnAdd"), Qt::LeftButton);
        QVERIFY(devices()->count() >= Devices);
        if (portType >= 0)
            child<QComboBox>(window.get(), "cmbEcrPortType")->setCurrentIndex(portType);
        for (const char *view : {"teAuthSlip", "teReportSlip"})
            child<QTextEdit>(window.get(), view)->setPlainText(QStringLiteral("первая строка\nвторая строка"));
        QWidget *target = child(window.get(), widget.toLatin1().constData());
        // A failed protocol read reads as protocol 0, which has no port
        // controls; the terminal's settings dialog reads it again.
        if (!target->isEnabled())
            QTest::mouseClick(child<QAbstractButton>(window.get(), "pbtnShowPaycardProperties"), Qt::LeftButton);
        QVERIFY2(target->isEnabled(), qPrintable(widget));
        // Switching on is what the runs compare.
        auto *box = qobject_cast<QCheckBox *>(target);
        if (box && box->isChecked())
            QTest::mouseClick(box, Qt::LeftButton);
        takeAnsweredDialogs();
        drivers->journal.clear();
        QCOMPARE(GuardedApplication::takeEscaped(), QStringList());
    }

    // A fresh window with its devices, the status bar holding an old text.
    void startRun(int protocol, int portType, const QString &widget)
    {
        startWindow(protocol);
        prepare(portType, widget);
        child<QLabel>(window.get(), "errorLabel")->setText(before);
    }

    void stopWindow()
    {
        window.reset();
        takeAnsweredDialogs();
        drivers.reset();
        failAt = -1;
        failed = nullptr;
        undoFailure = nullptr;
    }

    QComboBox *devices() { return child<QComboBox>(window.get(), "cmbDevices"); }

    // What a user does to reach the slot of `widget`.
    Outcome act(const QString &widget)
    {
        const int devicesBefore = devices()->count();
        QWidget *target = child(window.get(), widget.toLatin1().constData());
        if (qobject_cast<QComboBox *>(target))
            QTest::keyClick(target, Qt::Key_Up);
        else
            QTest::mouseClick(target, Qt::LeftButton);
        return outcome(devicesBefore);
    }

    // The slot of `widget` called by the event loop, as if the widget had
    // been used: for a run without devices, where the page disables it.
    Outcome invokeSlot(const QString &widget)
    {
        const int devicesBefore = devices()->count();
        QWidget *target = child(window.get(), widget.toLatin1().constData());
        const QString prefix = QStringLiteral("on_") + widget + QLatin1Char('_');
        bool invoked = false;
        if (qobject_cast<QComboBox *>(target))
            invoked = QMetaObject::invokeMethod(window.get(), qPrintable(prefix + "currentIndexChanged"),
                                                Qt::QueuedConnection, Q_ARG(int, 0));
        else if (qobject_cast<QCheckBox *>(target))
            invoked = QMetaObject::invokeMethod(window.get(), qPrintable(prefix + "toggled"), Qt::QueuedConnection,
                                                Q_ARG(bool, true));
        else
            invoked = QMetaObject::invokeMethod(window.get(), qPrintable(prefix + "clicked"), Qt::QueuedConnection);
        if (!invoked)
            qFatal("the window has no slot for %s", qPrintable(widget));
        QCoreApplication::sendPostedEvents(window.get(), QEvent::MetaCall);
        return outcome(devicesBefore);
    }

    Outcome outcome(int devicesBefore)
    {
        Outcome result{comparable(drivers->journal), errorText(window.get()), {}, {},
                       devices()->count() - devicesBefore};
        // Renaming asks for the name in a dialog that is no message box.
        for (const AnsweredDialog &dialog : takeAnsweredDialogs()) {
            if (dialog.icon != QMessageBox::NoIcon) {
                result.boxes.append(dialog.text);
                result.boxTitles.append(dialog.title);
            }
        }
        return result;
    }

    // The same slot again with nothing failing must do what it did in the
    // run that found its calls.
    void verifyRecovered(const QString &widget, int portType, const Outcome &expected, const QString &run)
    {
        failAt = -1;
        prepare(portType, widget);
        if (QTest::currentTestFailed())
            return;
        const QString earlier = errorText(window.get());
        const Outcome again = act(widget);
        const QStringList escaped = GuardedApplication::takeEscaped();
        QVERIFY2(escaped.isEmpty(), qPrintable(run + QStringLiteral(": escaped ") + escaped.join(QLatin1Char('|'))));
        QVERIFY2(again.calls == expected.calls,
                 qPrintable(run + QStringLiteral(": the next run called\n") + again.calls.join(QLatin1Char('\n'))));
        QCOMPARE(again.devicesAdded, expected.devicesAdded);
        QCOMPARE(again.boxes, QStringList());
        // Slots that clear the status bar on success must clear it again.
        QCOMPARE(again.label, expected.label == before ? earlier : expected.label);
    }

private slots:
    void initTestCase()
    {
        // Message boxes are recorded for the runs to compare; renaming gets
        // an empty name, which keeps the old one.
        answerEveryDialog(true);
        // The guard this test relies on must itself catch what escapes.
        struct Throwing : QObject
        {
            bool event(QEvent *) override { throw Exception(QStringLiteral("вырвалось")); }
        } throwing;
        QCoreApplication::postEvent(&throwing, new QEvent(QEvent::User));
        QCoreApplication::sendPostedEvents(&throwing);
        QCOMPARE(GuardedApplication::takeEscaped(), QStringList{"вырвалось"});
    }

    void cleanup() { stopWindow(); }

    void cleanupTestCase()
    {
        qInfo("fault injection: %d runs with one driver call failing, %d without devices, %d in all", failingRuns,
              noDeviceRuns, failingRuns + noDeviceRuns);
    }

    void everyDriverCall_failing_isReportedAndRecovered_data()
    {
        QTest::addColumn<QString>("widget");
        QTest::addColumn<int>("protocol");
        QTest::addColumn<int>("portType");
        QTest::addColumn<bool>("needsDevice");
        // Protocol 9 talks through the register's ports, so the device page
        // calls both drivers; protocol 2 has the longest authorization result.
        QTest::newRow("device selection") << "cmbDevices" << 9 << -1 << false;
        QTest::newRow("add") << "pbtnAdd" << 9 << -1 << false;
        QTest::newRow("remove") << "pbtnRemove" << 9 << -1 << false;
        QTest::newRow("rename") << "pbtnRename" << 9 << -1 << false;
        QTest::newRow("terminal properties") << "pbtnShowPaycardProperties" << 9 << -1 << true;
        QTest::newRow("register properties") << "pbtnShowEcrProperties" << 9 << -1 << true;
        QTest::newRow("switch on") << "cbPaycardEnable" << 9 << -1 << true;
        QTest::newRow("fill authorization fields") << "pbtnFillAuthorizationFields" << 2 << -1 << true;
        QTest::newRow("authorization") << "pbtnAuthorization" << 2 << -1 << true;
        QTest::newRow("service operation") << "pbtnExecute" << 2 << -1 << true;
        QTest::newRow("report begin") << "pbtnReportBegin" << 2 << -1 << true;
        QTest::newRow("report add") << "pbtnReportAdd" << 2 << -1 << true;
        QTest::newRow("report end") << "pbtnReportEnd" << 2 << -1 << true;
        QTest::newRow("report reset") << "pbtnReportReset" << 2 << -1 << true;
        for (int port : {0, 1}) {
            const QString name = port == 0 ? QStringLiteral(", pinpad") : QStringLiteral(", modem");
            for (const char *button : {"pbtnEcrPortModeSync", "pbtnEcrPortModeAsync", "pbtnEcrPortOn",
                                       "pbtnEcrPortOff", "pbtnEcrPortGetStatus"})
                QTest::newRow(qPrintable(QLatin1String(button) + name)) << button << 9 << port << true;
        }
        QTest::newRow("print authorization slip") << "pbtnAuthPrintSlip" << 9 << -1 << true;
        QTest::newRow("print report slip") << "pbtnReportPrintSlip" << 9 << -1 << true;
    }
    void everyDriverCall_failing_isReportedAndRecovered()
    {
        QFETCH(QString, widget);
        QFETCH(int, protocol);
        QFETCH(int, portType);
        QFETCH(bool, needsDevice);

        startRun(protocol, portType, widget);
        if (QTest::currentTestFailed())
            return;
        const Outcome success = act(widget);
        QCOMPARE(GuardedApplication::takeEscaped(), QStringList());
        QVERIFY2(!success.calls.isEmpty(), "the slot made no driver call");
        QCOMPARE(success.boxes, QStringList());
        QVERIFY2(success.label == before || success.label.isEmpty(), qPrintable(success.label));
        stopWindow();

        for (int index = 0; index < success.calls.size(); ++index) {
            const QString call = success.calls.at(index);
            startRun(protocol, portType, widget);
            if (QTest::currentTestFailed())
                return;
            failAt = index;
            const Outcome outcome = act(widget);
            ++failingRuns;
            const QString run = widget + QStringLiteral(" with ") + call + QStringLiteral(" failing");
            const QStringList escaped = GuardedApplication::takeEscaped();
            QVERIFY2(escaped.isEmpty(), qPrintable(run + QStringLiteral(": escaped ") + escaped.join(QLatin1Char('|'))));
            QVERIFY2(failed, qPrintable(run + QStringLiteral(": the call was not made")));
            QCOMPARE(outcome.calls.value(index), call);

            // Getters never raise, and the owner window is only offered:
            // the window goes on as if the driver had answered.
            const QString operation = call.mid(2).section(QLatin1Char('('), 0, 0);
            const bool ignored = failed->reads.contains(operation) || operation == QLatin1String("setOwnerWindow");
            const QString reported = QStringLiteral("[%1] %2").arg(FailureCode).arg(call);
            if (ignored) {
                QVERIFY2(outcome.label == success.label, qPrintable(run + QStringLiteral(": ") + outcome.label));
                QCOMPARE(outcome.boxes, QStringList());
            } else if (widget == QLatin1String("pbtnAdd") && !outcome.boxes.isEmpty()) {
                // Adding reports in a message box; the page refresh that
                // follows a successful add reports in the status bar.
                QCOMPARE(outcome.boxes, QStringList{reported});
                QCOMPARE(outcome.boxTitles, QStringList{"Ошибка"});
            } else {
                QVERIFY2(outcome.label == reported, qPrintable(run + QStringLiteral(": ") + outcome.label));
                QCOMPARE(outcome.boxes, QStringList());
            }
            verifyRecovered(widget, portType, success, run);
            if (QTest::currentTestFailed())
                return;
            stopWindow();
        }

        startRun(protocol, portType, widget);
        while (devices()->count() > 0)
            QTest::mouseClick(child<QAbstractButton>(window.get(), "pbtnRemove"), Qt::LeftButton);
        child<QLabel>(window.get(), "errorLabel")->setText(before);
        const Outcome alone = invokeSlot(widget);
        ++noDeviceRuns;
        QCOMPARE(GuardedApplication::takeEscaped(), QStringList());
        QCOMPARE(alone.label, needsDevice ? noDevice : before);
        QCOMPARE(alone.boxes, QStringList());
        verifyRecovered(widget, portType, success, widget + QStringLiteral(" without devices"));

        qInfo("%s: %d driver calls, %d runs", qPrintable(widget), int(success.calls.size()),
              int(success.calls.size()) + 1);
    }
};

BENCH_TEST_MAIN_WITH(FaultInjectionTest, GuardedApplication)
#include "tst_faultinjection.moc"
