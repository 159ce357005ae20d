#include "benchtest.h"
#include "devicelists.h"
#include "dialogs.h"
#include "fakedrivers.h"
#include "paycardmainwindow.h"
#include "settingsfixtures.h"
#include "settingsfolder.h"

#include <QComboBox>
#include <QDir>

// Runs where no driver library lies beside it: what the bench does with the
// user's saved devices when the driver is missing.
using namespace SettingsFixtures;

class NoDriverStartupTest : public QObject
{
    Q_OBJECT

private slots:
    // Every start-up here complains that the default device cannot be made.
    void initTestCase() { answerEveryDialog(true); }

    // Without the libraries nothing of the saved devices can be read, and
    // nothing the bench has at the end may replace them: both files stay as
    // they were, even when a device joined the list during the run.
    void librariesMissing_filesLeftAsTheyWere_data()
    {
        QTest::addColumn<bool>("deviceAdded");
        QTest::newRow("start and close") << false;
        QTest::newRow("device added during the run") << true;
    }

    void librariesMissing_filesLeftAsTheyWere()
    {
        QFETCH(bool, deviceAdded);
        const QByteArray paycard = document(object(QStringLiteral("Касса"), QStringLiteral("SETTINGS")));
        const QByteArray fptr = document(object(QStringLiteral("ККТ"), QStringLiteral("FPTR")));
        writeFile(paycardFile(), paycard);
        writeFile(fptrFile(), fptr);
        FakePaycard fake;
        fake.strings.insert(QStringLiteral("deviceSettings"), QStringLiteral("NEW"));
        {
            PayCardMainWindow window;
            QCOMPARE(window.findChild<QComboBox *>(QStringLiteral("cmbDevices"))->count(), 0);
            // Only the default device's failure is told; there was no load.
            const QVector<AnsweredDialog> shown = takeAnsweredDialogs();
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown[0].text, QStringLiteral("Несуществующее устройство"));
            if (deviceAdded) {
                const int id = window.paycardDeviceList()->add(std::make_unique<QNebPaycard>(&fake));
                window.findChild<QComboBox *>(QStringLiteral("cmbDevices"))->addItem(QStringLiteral("Новая"), id);
            }
        }
        QVERIFY(takeAnsweredDialogs().isEmpty());
        QCOMPARE(readFile(paycardFile()), paycard);
        QCOMPARE(readFile(fptrFile()), fptr);
        QCOMPARE(filesBeside(paycardFile()), QStringList());
    }

    void setUpDevice_ownerSearchDirApply_inThisOrder()
    {
        PayCardMainWindow window;
        FakePaycard paycard;
        QNebPaycard paycardWrapper(&paycard);
        QCOMPARE(window.setUpDevice(&paycardWrapper), 0);
        QCOMPARE(paycard.calls, (QStringList{"setOwnerWindow(" + FakeDriverScript::pointerText(&window) + ")",
                                             "setParameter(SearchDir, " + applicationDirectory() + ")",
                                             "applySettings()"}));
        QVERIFY(applicationDirectory().endsWith(QDir::separator()));

        FakeFptr fptr;
        fptr.results.insert(QStringLiteral("setOwnerWindow"), -1); // its answer does not matter
        fptr.results.insert(QStringLiteral("applySettings"), -5);
        fptr.failWith(-5, QStringLiteral("Плохо"), QStringLiteral("Порт"));
        QNebFptr fptrWrapper(&fptr);
        try {
            window.setUpDevice(&fptrWrapper);
            QFAIL("a refused applySettings must throw");
        } catch (const Exception &e) {
            QCOMPARE(e.message(), QStringLiteral("[-5] Плохо (Порт)"));
        }
        QCOMPARE(fptr.callCount(QStringLiteral("setParameter")), 1);

        QNebPaycard empty(nullptr);
        QVERIFY_EXCEPTION_THROWN(window.setUpDevice(&empty), DeviceNotFoundException);
    }
};

BENCH_TEST_MAIN(NoDriverStartupTest)
#include "tst_nodriverstartup.moc"
