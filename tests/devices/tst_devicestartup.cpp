#include "benchtest.h"
#include "devicelists.h"
#include "dialogs.h"
#include "paycardmainwindow.h"
#include "settingsfile.h"
#include "settingsfixtures.h"
#include "settingsfolder.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QRegularExpression>

using NEB::PayCard::IPayCard;

using namespace SettingsFixtures;

namespace {

QStringList itemTexts(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts.append(combo->itemText(i));
    return texts;
}

QList<int> itemIds(const QComboBox *combo)
{
    QList<int> ids;
    for (int i = 0; i < combo->count(); ++i)
        ids.append(combo->itemData(i).toInt());
    return ids;
}

} // namespace

class DeviceStartupTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { answerEveryDialog(true); }

    void init()
    {
        takeAnsweredDialogs(); // what a failed test left
        QDir(settingsDirectory()).removeRecursively();
        QVERIFY(QDir().mkpath(settingsDirectory()));
    }

    void firstStart_createsOneDefaultDeviceAndSavesIt()
    {
        {
            PayCardMainWindow window;
            auto *devices = window.findChild<QComboBox *>(QStringLiteral("cmbDevices"));
            QCOMPARE(devices->count(), 1);
            QCOMPARE(devices->currentIndex(), 0);
            QCOMPARE(devices->itemData(0).toInt(), 1);
            QCOMPARE(devices->itemText(0), PayCardMainWindow::deviceCaption(window.paycardDeviceList()->device(1)));
            QVERIFY(!devices->itemText(0).isEmpty());
            QCOMPARE(window.paycardDeviceList()->current(), 1);
            QCOMPARE(window.fptrDeviceList()->ids(), QList<int>{1});
            QVERIFY(!window.findChild<QLabel *>(QStringLiteral("lbCurrentEcrName"))->text().isEmpty());
        }
        QVERIFY(takeAnsweredDialogs().isEmpty());
        QCOMPARE(readFile(paycardFile()).count("<object"), 1);
        QCOMPARE(readFile(fptrFile()).count("<object"), 1);
    }

    void saveThenLoad_keepsDevicesNamesSettingsAndIds()
    {
        writeFile(paycardFile(), document(object(QStringLiteral("Касса & <1>"), terminalSettings("2"))
                                          + object(QString(), terminalSettings("4"))
                                          + object(QStringLiteral("Третья"), terminalSettings("9"))));
        QStringList names;
        {
            PayCardMainWindow window;
            auto *devices = window.findChild<QComboBox *>(QStringLiteral("cmbDevices"));
            names = itemTexts(devices);
            QCOMPARE(names.size(), 3);
            QCOMPARE(names[0], QStringLiteral("Касса & <1>"));
            QVERIFY2(names[1].contains(QLatin1Char('(')), "an unnamed device is named after its model and port");
            QCOMPARE(names[2], QStringLiteral("Третья"));
            QCOMPARE(itemIds(devices), (QList<int>{1, 2, 3}));
            QCOMPARE(window.paycardDeviceList()->device(3)->readParameter(QStringLiteral("Protocol")), QStringLiteral("9"));
            QCOMPARE(window.fptrDeviceList()->ids(), (QList<int>{1, 2, 3}));
        }
        const QByteArray firstSave = readFile(paycardFile());
        const QByteArray firstFptrSave = readFile(fptrFile());
        QCOMPARE(firstFptrSave.count("<object"), 3);
        {
            PayCardMainWindow window;
            QCOMPARE(itemTexts(window.findChild<QComboBox *>(QStringLiteral("cmbDevices"))), names);
            QCOMPARE(window.fptrDeviceList()->count(), 3);
        }
        QVERIFY(takeAnsweredDialogs().isEmpty());
        QCOMPARE(readFile(paycardFile()), firstSave);
        QCOMPARE(readFile(fptrFile()), firstFptrSave);
    }

    void close_writesBothFilesOnlyWhenSomethingChanged_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("nothing") << QString();
        QTest::newRow("a terminal renamed") << "rename";
        QTest::newRow("a terminal's settings") << "settings";
        // Through a setter and an apply, not the settings string.
        QTest::newRow("a register's parameter") << "parameter";
    }
    void close_writesBothFilesOnlyWhenSomethingChanged()
    {
        QFETCH(QString, change);
        { PayCardMainWindow window; } // the first start saves its default devices
        const QDateTime past(QDate(2020, 1, 1), QTime(12, 0));
        const QStringList files{paycardFile(), fptrFile()};
        QList<QByteArray> contents;
        for (const QString &name : files) {
            QFile file(name);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(past, QFileDevice::FileModificationTime));
            contents.append(file.readAll());
        }
        {
            PayCardMainWindow window;
            if (change == QLatin1String("rename"))
                window.findChild<QComboBox *>(QStringLiteral("cmbDevices"))->setItemText(0, QStringLiteral("Касса"));
            else if (change == QLatin1String("settings"))
                window.paycardDeviceList()->device(1)->writeString(&IPayCard::setDeviceSettings, terminalSettings("4"));
            else if (!change.isEmpty()) {
                QNebFptr *ecr = window.fptrDeviceList()->device(1);
                ecr->writeParameter(QStringLiteral("PaperWidth"), QStringLiteral("32"));
                ecr->invoke(&NEB::Fptr::IFptr::applySettings);
            }
        }
        QVERIFY(takeAnsweredDialogs().isEmpty());
        for (int i = 0; i < files.size(); ++i) {
            QCOMPARE(QFileInfo(files[i]).lastModified() == past, change.isEmpty());
            if (change.isEmpty())
                QCOMPARE(readFile(files[i]), contents[i]);
        }
    }

    void unknownElementsAndNamelessObjects_arePassedOver()
    {
        const QString settings = terminalSettings("0");
        writeFile(paycardFile(), document(object("a", settings) + "<note>x<object name=\"hidden\"/></note>"
                                          + "<object>" + settings.toUtf8() + "</object>" + object("b", settings)));
        PayCardMainWindow window;
        QCOMPARE(itemTexts(window.findChild<QComboBox *>(QStringLiteral("cmbDevices"))), (QStringList{"a", "b"}));
        // The next save drops what was passed over, so the file is kept aside.
        const QStringList copies = filesBeside(paycardFile());
        QCOMPARE(copies.size(), 1);
        const QVector<AnsweredDialog> shown = takeAnsweredDialogs();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.contains(": 2\n") && shown[0].text.endsWith(settingsDirectory() + copies[0]),
                 qPrintable(shown[0].text));
    }

    void unreadablePaycardFile_warnsKeepsCopyAndStartsWithDefault_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("error"); // a regular expression for the reader's error
        QTest::newRow("empty file") << QByteArray() << ".+";
        QTest::newRow("wrong document element") << QByteArray("<settings version=\"2.0\"/>") << "Неизвестный формат файла";
        QTest::newRow("other version")
            << QByteArray("<neb_settings_array version=\"2.1\"></neb_settings_array>") << "Неизвестный формат файла";
        QTest::newRow("malformed") << document(object("a", terminalSettings("0"))).left(120) << ".+";
        QTest::newRow("object with child element") << document("<object name=\"a\"><b/></object>") << ".+";
        QTest::newRow("not UTF-8") << document("<object name=\"a\">\xc3\x28\xff</object>") << ".+";
        QTest::newRow("driver rejects the settings") << document(object("a", "not a settings string"))
                                                    << "\\[-?\\d+\\] .+";
        QByteArray bomb = "<?xml version=\"1.0\"?><!DOCTYPE neb_settings_array [<!ENTITY a \"aaaaaaaaaaaaaaaa\">";
        for (char name = 'b', previous = 'a'; name <= 'm'; previous = name++)
            bomb += QByteArray("<!ENTITY ") + name + " \"" + QByteArray("&").append(previous).append(';').repeated(16) + "\">";
        bomb += "]><neb_settings_array version=\"2.0\"><object name=\"a\">&m;</object></neb_settings_array>";
        QTest::newRow("entity expansion bomb") << bomb << ".+";

        // What could not be saved again, or would be lost by the next save.
        const QByteArray settings = terminalSettings("0").toUtf8();
        QTest::newRow("second document element")
            << document(object("a", settings)) + "<neb_settings_array version=\"2.0\"/>" << "Extra content.*";
        // UTF-16 is read as it stands, so a lone surrogate gets through.
        const QString unpaired = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
                                                "<neb_settings_array version=\"2.0\"><object name=\"a")
                                 + QChar(0xD800) + QStringLiteral("b\">x</object></neb_settings_array>");
        QTest::newRow("unpaired surrogate in a name")
            << QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char *>(unpaired.utf16()), unpaired.size() * 2)
            << "Недопустимый символ в имени или настройках устройства";

        // Bounds that keep the reader from stalling start-up.
        QByteArray attributes = "<object name=\"a\"";
        for (int i = 0; i < 100000; ++i)
            attributes += " a" + QByteArray::number(i) + "=\"\"";
        QTest::newRow("100000 attributes") << document(attributes + ">x</object>") << "Слишком много атрибутов у элемента";
        QTest::newRow("name too long") << document(object(QString(SettingsFile::MaxNameLength + 1, 'n'), settings))
                                       << "Слишком длинное имя устройства";
        QTest::newRow("settings too long")
            << document(object("a", QString(SettingsFile::MaxSettingsLength + 1, 's'))) << "Слишком длинная строка настроек устройства";
        QTest::newRow("file too big") << document(object("a", settings) + QByteArray(SettingsFile::MaxFileSize, ' '))
                                      << "Файл настроек слишком велик";
    }

    void unreadablePaycardFile_warnsKeepsCopyAndStartsWithDefault()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, error);
        writeFile(paycardFile(), content);
        {
            PayCardMainWindow window;
            const QVector<AnsweredDialog> shown = takeAnsweredDialogs();
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown[0].title, QStringLiteral("Ошибка"));
            const QStringList kept = filesBeside(paycardFile());
            QCOMPARE(kept.size(), 1);
            const QString keptPath = settingsDirectory() + kept.first();
            const QStringList around = LoadWarning.split(QStringLiteral("%1"));
            const QRegularExpression expected(QStringLiteral("^") + QRegularExpression::escape(around[0]) + error
                                              + QRegularExpression::escape(around[1]) + QStringLiteral("\n\n.*\n")
                                              + QRegularExpression::escape(keptPath) + QStringLiteral("$"));
            QVERIFY2(expected.match(shown[0].text).hasMatch(), qPrintable(shown[0].text));
            QCOMPARE(readFile(keptPath), content);

            auto *devices = window.findChild<QComboBox *>(QStringLiteral("cmbDevices"));
            QCOMPARE(devices->count(), 1);
            QCOMPARE(itemIds(devices), QList<int>{1});
            QCOMPARE(window.paycardDeviceList()->ids(), QList<int>{1});
        }
        QVERIFY(takeAnsweredDialogs().isEmpty());
        QCOMPARE(readFile(paycardFile()).count("<object"), 1);
        QCOMPARE(filesBeside(paycardFile()).size(), 1);
    }

    void fptrFileOfOtherLength_isRebuiltWithFreshDevices()
    {
        const QString settings = terminalSettings("0");
        writeFile(paycardFile(), document(object("a", settings) + object("b", settings) + object("c", settings)));
        {
            PayCardMainWindow window; // saves three registers
        }
        QByteArray saved = readFile(fptrFile());
        const int second = saved.indexOf("<object", saved.indexOf("<object") + 1);
        const int third = saved.indexOf("<object", second + 1);
        writeFile(fptrFile(), saved.left(second) + saved.mid(third));
        QCOMPARE(readFile(fptrFile()).count("<object"), 2);

        PayCardMainWindow window;
        QCOMPARE(window.fptrDeviceList()->ids(), (QList<int>{1, 2, 3}));
        QCOMPARE(window.fptrDeviceList()->current(), 1);
        QCOMPARE(takeAnsweredDialogs().size(), 1);
        QCOMPARE(filesBeside(fptrFile()).size(), 1);
    }

    void unreadableFptrFile_warnsAndRebuilds()
    {
        writeFile(fptrFile(), "<neb_settings_array version=\"2.0\"><object name=\"x\">");
        PayCardMainWindow window;
        const QVector<AnsweredDialog> shown = takeAnsweredDialogs();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].text.startsWith(LoadWarning.arg(QString()).left(25)));
        QCOMPARE(filesBeside(fptrFile()).size(), 1);
        QCOMPARE(window.fptrDeviceList()->ids(), QList<int>{1});
    }

    void settingsDirectoryThatCannotBeWritten_startsAndWarnsAtClose()
    {
        const QString directory = settingsDirectory();
        QVERIFY(QDir(directory).removeRecursively());
        // A file where the directory should be: nothing can be read or written.
        writeFile(directory.chopped(1), "in the way");
        {
            PayCardMainWindow window;
            QCOMPARE(window.paycardDeviceList()->count(), 1);
        }
        const QVector<AnsweredDialog> shown = takeAnsweredDialogs();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, SaveWarning);
        QCOMPARE(readFile(directory.chopped(1)), QByteArray("in the way"));
        QVERIFY(QFile::remove(directory.chopped(1)));
    }
};

BENCH_TEST_MAIN(DeviceStartupTest)
#include "tst_devicestartup.moc"
