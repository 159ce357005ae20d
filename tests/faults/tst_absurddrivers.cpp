#include "benchtest.h"
#include "devicelists.h"
#include "dialogs.h"
#include "driverfactories.h"
#include "guardedapplication.h"
#include "operationtexts.h"
#include "paycardmainwindow.h"
#include "portstatus.h"
#include "settingsfolder.h"
#include "testdriver.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QTextEdit>

// The window against driver libraries that answer absurdly, loaded through
// the real loader from beside the test. Every button is pressed, whether or
// not the page would let the user: nothing may crash, hang, or let an
// exception into the event loop, and the device box must keep mirroring the
// device list.
class AbsurdDriversTest : public QObject
{
    Q_OBJECT

private:
    // What the authorization's slip view shows once the driver turned absurd.
    enum Slip { Unchecked, NoSlip, OneBuffer };

    std::unique_ptr<PayCardMainWindow> window;
    QStringList faults; // what went wrong, with the button that did it
    int clicks = 0;

    // Drivers that behave answer protocol 9 on a serial port and accept
    // their settings dialog.
    static void behave(FakeDriverScript *object)
    {
        object->parameters = {{"Protocol", "9"}, {"Port", "COM1"}, {"Model", "M"}};
        object->parameterValueLists = {{"Protocol", "9:Девятый;"}, {"Port", "COM1:COM1;"}, {"Model", "M:Модель;"}};
        object->results.insert(QStringLiteral("showProperties"), 1);
    }

    static void setVariant(unsigned flags)
    {
        for (const char *file : {"paycard", "fptr"}) {
            TestDriverControl *control = testDriver(applicationDirectory() + QLatin1String(file));
            if (!control)
                qFatal("no test driver library %s beside the test", file);
            control->absurd = AbsurdAnswers{flags};
            control->paycardCreated = [](FakePaycard *object) { behave(object); };
            control->fptrCreated = [](FakeFptr *object) { behave(object); };
        }
    }

    template <class T = QWidget>
    T *child(const char *name) const
    {
        T *widget = window->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }

    void check(const QString &action)
    {
        const QStringList escaped = GuardedApplication::takeEscaped();
        if (!escaped.isEmpty())
            faults.append(action + QStringLiteral(": escaped ") + escaped.join(QLatin1Char('|')));
        auto *box = child<QComboBox>("cmbDevices");
        QList<int> items;
        for (int i = 0; i < box->count(); ++i)
            items.append(box->itemData(i).toInt());
        if (items != window->paycardDeviceList()->ids())
            faults.append(action + QStringLiteral(": the device box no longer mirrors the device list"));
    }

    void startWindow()
    {
        window = std::make_unique<PayCardMainWindow>();
        check(QStringLiteral("start-up"));
    }

    void closeWindow()
    {
        window.reset();
        const QStringList escaped = GuardedApplication::takeEscaped();
        if (!escaped.isEmpty())
            faults.append(QStringLiteral("shut-down: escaped ") + escaped.join(QLatin1Char('|')));
    }

    void press(QAbstractButton *button)
    {
        // The page disables what the user may not press; the slots must
        // cope all the same.
        for (QWidget *widget = button; widget && widget != window.get(); widget = widget->parentWidget())
            widget->setEnabled(true);
        QTest::mouseClick(button, Qt::LeftButton);
        ++clicks;
        check(button->objectName());
    }

    void pressAll(const QStringList &except)
    {
        const auto buttons = window->findChildren<QAbstractButton *>();
        for (QAbstractButton *button : buttons) {
            if (!except.contains(button->objectName()))
                press(button);
        }
    }

    // Every button on either port, every device chosen once.
    void driveWindow()
    {
        auto *ports = child<QComboBox>("cmbEcrPortType");
        for (int port = 0; port < ports->count(); ++port) {
            ports->setCurrentIndex(port);
            pressAll({QStringLiteral("pbtnRemove")});
        }
        auto *devices = child<QComboBox>("cmbDevices");
        for (int i = 0; i < devices->count(); ++i) {
            devices->setEnabled(true);
            QTest::keyClick(devices, Qt::Key_Up);
            check(QStringLiteral("device selection"));
        }
    }

private slots:
    void cleanup()
    {
        closeWindow();
        answerEveryDialog(false);
        takeAnsweredDialogs();
        setVariant(0);
    }

    void cleanupTestCase() { qInfo("absurd drivers: %d button presses", clicks); }

    // A driver may fill every field with megabytes; the views get each cut to
    // a length they can lay out, whatever the protocol shows.
    void resultTexts_hugeDriverValues_cutWhereShown()
    {
        const QString huge = QStringLiteral("Ж").repeated(ReadableTextLength * 10);
        for (int protocol : {0, 2, 4, 6, 7}) {
            const QString text = OperationText::authorizationResultText(
                0, protocol, [&](OperationText::ResponseField) { return QVariant(huge); });
            for (const QString &line : text.split(QLatin1Char('\n')))
                QVERIFY2(line.size() < ReadableTextLength + 50, qPrintable(line.left(50)));
        }
        ModemStatus status;
        status.operatorName = huge;
        status.lastError = huge;
        QVERIFY(modemStatusText(status).size() < 2 * (ReadableTextLength + 50) + 200);
    }

    void everyButton_absurdDriver_noCrashNoEscape_data()
    {
        using namespace AbsurdDriver;
        QTest::addColumn<unsigned>("flags");
        QTest::addColumn<QString>("authorizationError");
        QTest::addColumn<int>("slip");
        QTest::newRow("negative lengths, no NUL") << unsigned(NegativeLengths | Unterminated) << "" << int(NoSlip);
        QTest::newRow("huge lengths") << unsigned(HugeLengths) << "" << int(Unchecked);
        QTest::newRow("lengths past every buffer, no NUL")
            << unsigned(LengthPastBuffer | Unterminated) << "" << int(Unchecked);
        QTest::newRow("buffers filled, no NUL") << unsigned(Unterminated) << "" << int(OneBuffer);
        QTest::newRow("garbage result codes")
            << unsigned(GarbageResults | Unterminated) << "[-2147483648] " << int(OneBuffer);
        QTest::newRow("failures without a code") << unsigned(SilentFailures) << "" << int(Unchecked);
        QTest::newRow("absurd numbers") << unsigned(GarbageNumbers) << "" << int(Unchecked);
        QTest::newRow("create returns null") << unsigned(NullCreate) << "" << int(Unchecked);
        QTest::newRow("release does nothing") << unsigned(IdleRelease) << "" << int(Unchecked);
        QTest::newRow("throws an int") << unsigned(ThrowsInt) << "Драйвер прервал операцию " << int(Unchecked);
        QTest::newRow("everything at once")
            << unsigned(NegativeLengths | Unterminated | GarbageResults | GarbageNumbers | IdleRelease)
            << "[-2147483648] " << int(NoSlip);
    }
    void everyButton_absurdDriver_noCrashNoEscape()
    {
        QFETCH(unsigned, flags);
        QFETCH(QString, authorizationError);
        QFETCH(int, slip);
        faults.clear();
        QDir(settingsDirectory()).removeRecursively();
        answerEveryDialog(true);

        // The driver turns absurd under a running window, which then saves
        // what it answers.
        setVariant(0);
        startWindow();
        setVariant(flags);
        press(child<QAbstractButton>("pbtnAuthorization"));
        QCOMPARE(child<QLabel>("errorLabel")->text().left(authorizationError.size()), authorizationError);
        // A buffer without a NUL is read up to its end and not a character
        // further, one character for each the driver wrote, whatever value.
        const QString slipShown = child<QTextEdit>("teAuthSlip")->toPlainText();
        if (slip == NoSlip)
            QCOMPARE(slipShown, QString());
        else if (slip == OneBuffer)
            QCOMPARE(slipShown.size(), QNebPaycard(nullptr).stringBufferSize());
        driveWindow();
        closeWindow();

        // Absurd from the start: loading those settings, start-up, and the
        // page with all devices removed.
        startWindow();
        driveWindow();
        for (int left = window->paycardDeviceList()->count(); left > 0; --left)
            press(child<QAbstractButton>("pbtnRemove"));
        QCOMPARE(child<QComboBox>("cmbDevices")->count(), 0);
        pressAll({QStringLiteral("pbtnAdd")});
        closeWindow();

        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }
};

BENCH_TEST_MAIN_WITH(AbsurdDriversTest, GuardedApplication)
#include "tst_absurddrivers.moc"
