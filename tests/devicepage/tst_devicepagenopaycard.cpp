#include "benchtest.h"
#include "devicelists.h"
#include "dialogs.h"
#include "paycardlibrary.h"
#include "paycardmainwindow.h"
#include "scriptedwindow.h"
#include "squeezedlabel.h"
#include "settingsfolder.h"

#include <QTemporaryDir>

// The register library beside the program, the terminal library missing:
// start-up leaves an empty device list, and "add" searches for the library.
class DevicePageNoPaycardTest : public QObject
{
    Q_OBJECT

private:
    // A scripted terminal library elsewhere, for the user to point at.
    static QString terminalLibrary()
    {
        return QDir(applicationDirectory() + QStringLiteral("../scripted")).absoluteFilePath(QStringLiteral(SCRIPTED_PAYCARD_FILE));
    }

    static QByteArray savedDocument(const QByteArray &objects)
    {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><neb_settings_array version=\"2.0\">" + objects
               + "</neb_settings_array>";
    }

    static void writeFile(const QString &name, const QByteArray &data)
    {
        QFile file(settingsDirectory() + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(data), qint64(data.size()));
    }

    static QStringList itemTexts(const QComboBox *combo)
    {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i)
            texts.append(combo->itemText(i));
        return texts;
    }

private slots:
    // Start-up here complains that the default device cannot be made.
    void initTestCase() { answerEveryDialog(true); }

    void init()
    {
        takeAnsweredDialogs(); // what a failed test left
        QFile::remove(PaycardLibrary::memoryFile());
        QFile::remove(settingsDirectory() + QStringLiteral("paycard.cfg"));
        QFile::remove(settingsDirectory() + QStringLiteral("paycard_fptr.cfg"));
    }

    void startUp_emptyList_onlyAddActs_reportedOnce()
    {
        // The registers pair with terminals that cannot be read: their file
        // waits for them, untouched.
        const QByteArray registers = savedDocument("<object name=\"Р\">регистратор</object>");
        writeFile(QStringLiteral("paycard_fptr.cfg"), registers);
        {
            PayCardMainWindow window;
            const QVector<AnsweredDialog> shown = takeAnsweredDialogs();
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown[0].text, QStringLiteral("Несуществующее устройство"));
            QCOMPARE(child<QComboBox>(&window, "cmbDevices")->count(), 0);
            QVERIFY(window.fptrDeviceList()->isReady(0));
            for (const char *name : {"pbtnRemove", "pbtnRename", "pbtnShowPaycardProperties", "pbtnShowEcrProperties",
                                     "cbPaycardEnable"})
                QVERIFY2(!child(&window, name)->isEnabled(), name);
            // The port controls keep the form's state until a device is chosen.
            for (const char *name : {"pbtnAdd", "gbEcrPortMode", "cmbEcrPortType"})
                QVERIFY2(child(&window, name)->isEnabled(), name);
            QCOMPARE(errorText(&window), QString());
            QCOMPARE(child<SqueezedLabel>(&window, "lbCurrentPayCardName")->fullText(), QString());
            QCOMPARE(child<SqueezedLabel>(&window, "lbCurrentEcrName")->fullText(), QString());
        }
        QVERIFY(takeAnsweredDialogs().isEmpty());
        QFile file(settingsDirectory() + QStringLiteral("paycard_fptr.cfg"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), registers);
    }

    void librarySearch_withoutChoice_endsOnlyWhenConfirmed_data()
    {
        QTest::addColumn<QStringList>("answers"); // file dialog, question, file dialog, question...
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("cancel, end") << QStringList{"cancel", "end"}
                                     << QStringList{"Укажите расположение библиотеки дПС", "Библиотека не указана"};
        QTest::newRow("cancel, go on, cancel, end")
            << QStringList{"cancel", "go on", "cancel", "end"}
            << QStringList{"Укажите расположение библиотеки дПС", "Библиотека не указана",
                           "Укажите расположение библиотеки дПС", "Библиотека не указана"};
        QTest::newRow("not a library, then cancel, end")
            << QStringList{"text file", "warning", "cancel", "end"}
            << QStringList{"Укажите расположение библиотеки дПС", "Ошибка", "Укажите расположение библиотеки дПС",
                           "Библиотека не указана"};
    }
    void librarySearch_withoutChoice_endsOnlyWhenConfirmed()
    {
        QFETCH(QStringList, answers);
        QFETCH(QStringList, titles);
        QTemporaryDir directory;
        const QString textFile = directory.filePath(QStringLiteral("notes.dll"));
        {
            QFile file(textFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a library\n");
        }
        const auto window = std::make_unique<PayCardMainWindow>();
        takeAnsweredDialogs(); // the start-up's complaint
        for (const QString &answer : answers) {
            if (answer == QLatin1String("cancel") || answer == QLatin1String("go on"))
                queueDialogAnswer(QMessageBox::Cancel);
            else if (answer == QLatin1String("end") || answer == QLatin1String("warning"))
                queueDialogAnswer(QMessageBox::Ok);
            else
                queueDialogAnswer(QMessageBox::Ok, textFile);
        }
        QTest::mouseClick(child<QPushButton>(window.get(), "pbtnAdd"), Qt::LeftButton);
        QStringList shownTitles;
        for (const AnsweredDialog &dialog : takeAnsweredDialogs()) {
            shownTitles.append(dialog.title);
            if (dialog.title == QLatin1String("Библиотека не указана"))
                QCOMPARE(dialog.text, QStringLiteral("Без библиотеки дПС невозможно работать с ПС.\nЗавершить поиск?"));
            if (dialog.title == QLatin1String("Ошибка")) {
                QVERIFY2(dialog.text.startsWith(QStringLiteral("Файл не является библиотекой дПС:\n") + textFile
                                                + QStringLiteral("\n\n")),
                         qPrintable(dialog.text));
                // The loader's own reason follows.
                QVERIFY(dialog.text.size() > textFile.size() + 40);
            }
        }
        QCOMPARE(shownTitles, titles);
        QCOMPARE(child<QComboBox>(window.get(), "cmbDevices")->count(), 0);
        QVERIFY(!window->paycardDeviceList()->isReady());
        QVERIFY(!QFile::exists(PaycardLibrary::memoryFile()));
    }

    void librarySearch_libraryChosen_savedDevicesBackAndAddGoesOn_nextStartUsesIt()
    {
        QVERIFY2(QFile::exists(terminalLibrary()), qPrintable(terminalLibrary()));
        writeFile(QStringLiteral("paycard.cfg"), savedDocument("<object name=\"Сохраненная\">прежние</object>"));
        writeFile(QStringLiteral("paycard_fptr.cfg"), savedDocument("<object name=\"Р\">её регистратор</object>"));
        ScriptedDrivers drivers({terminalLibrary()});
        QCOMPARE(drivers.hooked.size(), 2);
        drivers.scriptPaycard = [](FakePaycard *paycard) {
            ScriptedDrivers::setProtocol(paycard, 9);
            paycard->results.insert(QStringLiteral("showProperties"), 1);
            paycard->strings.insert(QStringLiteral("deviceSettings"), QStringLiteral("настройки"));
        };
        {
            const auto window = std::make_unique<PayCardMainWindow>();
            takeAnsweredDialogs(); // the start-up's complaint
            queueDialogAnswer(QMessageBox::Ok, terminalLibrary());
            QTest::mouseClick(child<QPushButton>(window.get(), "pbtnAdd"), Qt::LeftButton);
            const QVector<AnsweredDialog> shown = takeAnsweredDialogs();
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown[0].title, QStringLiteral("Укажите расположение библиотеки дПС"));
            QCOMPARE(drivers.journalOf({"showProperties"}), QStringList{"P:showProperties()"});
            QCOMPARE(drivers.journalOf({"setDeviceSettings"}),
                     (QStringList{"P:setDeviceSettings(прежние)", "F:setDeviceSettings(её регистратор)"}));
            // The saved terminal comes back before the new one, each with a
            // register of its own id.
            QCOMPARE(itemTexts(child<QComboBox>(window.get(), "cmbDevices")), (QStringList{"Сохраненная", "Девятый"}));
            QCOMPARE(child<QComboBox>(window.get(), "cmbDevices")->currentIndex(), 1);
            QCOMPARE(window->fptrDeviceList()->ids(), window->paycardDeviceList()->ids());
            QCOMPARE(window->fptrDeviceList()->current(), window->paycardDeviceList()->current());
            QVERIFY(child(window.get(), "gbEcrPortMode")->isEnabled());
            QCOMPARE(errorText(window.get()), QString());
            QCOMPARE(PaycardLibrary::remembered(), terminalLibrary());
        }
        drivers.journal.clear();
        PayCardMainWindow window;
        // The new register's settings were empty and not saved: the registers
        // are paired anew, their file kept aside.
        const QVector<AnsweredDialog> shown = takeAnsweredDialogs();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.startsWith("В файле настроек ККТ устройств: 1, платежных систем: 2"),
                 qPrintable(shown[0].text));
        QCOMPARE(itemTexts(child<QComboBox>(&window, "cmbDevices")), (QStringList{"Сохраненная", "Девятый"}));
        QCOMPARE(drivers.journalOf({"setDeviceSettings"}),
                 (QStringList{"P:setDeviceSettings(прежние)", "P:setDeviceSettings(настройки)",
                              "F:setDeviceSettings(её регистратор)"}));
    }
};

BENCH_TEST_MAIN(DevicePageNoPaycardTest)
#include "tst_devicepagenopaycard.moc"
