#include "benchtest.h"
#include "devicelists.h"
#include "fakedrivers.h"
#include "modalwatcher.h"
#include "paycardmainwindow.h"
#include "startup.h"

#include <QComboBox>
#include <QDir>

// Runs where no driver library lies beside it: what the bench does with the
// user's saved devices when the driver is missing.
class NoDriverStartupTest : public QObject
{
    Q_OBJECT

private slots:
    void libraryMissing_savedDevicesAreKeptAside()
    {
        const QString fileName = settingsDirectory() + QStringLiteral("paycard.cfg");
        const QByteArray saved = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><neb_settings_array version=\"2.0\">"
                                 "<object name=\"Касса\">SETTINGS</object></neb_settings_array>";
        {
            QFile file(fileName);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(saved);
        }
        ModalWatcher watcher;
        {
            PayCardMainWindow window;
            QCOMPARE(window.findChild<QComboBox *>(QStringLiteral("cmbDevices"))->count(), 0);
        }
        QCOMPARE(watcher.texts.size(), 2);
        QVERIFY2(watcher.texts[0].startsWith(
                     QStringLiteral("Ошибка загрузки настроек:\nНесуществующее устройство\n\nЗагружены настройки по умолчанию\n\n")),
                 qPrintable(watcher.texts[0]));
        QCOMPARE(watcher.texts[1], QStringLiteral("Несуществующее устройство"));

        const QStringList kept = QDir(settingsDirectory()).entryList({QStringLiteral("paycard.cfg.bad-*")});
        QCOMPARE(kept.size(), 1);
        QVERIFY(watcher.texts[0].endsWith(settingsDirectory() + kept.first()));
        QFile copy(settingsDirectory() + kept.first());
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), saved);
    }

    void saveFailure_warnsAndKeepsPreviousFile()
    {
        const QString fileName = settingsDirectory() + QStringLiteral("paycard.cfg");
        const QByteArray previous = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><neb_settings_array version=\"2.0\"/>";
        {
            QFile file(fileName);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(previous);
        }
        FakePaycard fake;
        // A character no XML file can hold: the save must fail as a whole.
        fake.strings.insert(QStringLiteral("deviceSettings"), QStringLiteral("A\x01B"));
        ModalWatcher watcher;
        {
            PayCardMainWindow window;
            watcher.texts.clear();
            const int id = window.paycardDeviceList()->add(std::make_unique<QNebPaycard>(&fake));
            window.findChild<QComboBox *>(QStringLiteral("cmbDevices"))->addItem(QStringLiteral("Касса"), id);
        }
        QCOMPARE(watcher.texts, QStringList{"Сохранить настройки не удалось"});
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), previous);
    }

    void setUpDevice_ownerSearchDirApply_inThisOrder()
    {
        ModalWatcher watcher; // the window's own default device cannot be made here
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
