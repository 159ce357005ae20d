#include "benchtest.h"
#include "devicelists.h"
#include "modalwatcher.h"
#include "paycardmainwindow.h"
#include "startup.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QRegularExpression>

using NEB::PayCard::IPayCard;

namespace {

const QString LoadWarning = QStringLiteral("Ошибка загрузки настроек:\n%1\n\nЗагружены настройки по умолчанию");

QString paycardFile() { return settingsDirectory() + QStringLiteral("paycard.cfg"); }
QString fptrFile() { return settingsDirectory() + QStringLiteral("paycard_fptr.cfg"); }

QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &name, const QByteArray &data)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), qint64(data.size()));
}

QByteArray document(const QByteArray &objects)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><neb_settings_array version=\"2.0\">" + objects
           + "</neb_settings_array>";
}

QByteArray object(const QString &name, const QString &settings)
{
    return QStringLiteral("<object name=\"%1\">%2</object>").arg(name.toHtmlEscaped(), settings.toHtmlEscaped()).toUtf8();
}

// A settings string the simulated terminal itself produced for a protocol.
QString terminalSettings(const QString &protocol)
{
    PaycardFactory factory;
    std::unique_ptr<QNebPaycard> wrapper = factory.create();
    wrapper->writeParameter(QStringLiteral("Protocol"), protocol);
    wrapper->invoke(&IPayCard::applySettings);
    const QString settings = wrapper->readString(&IPayCard::deviceSettings);
    factory.release(wrapper);
    return settings;
}

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

QStringList filesBeside(const QString &fileName)
{
    const QFileInfo info(fileName);
    return info.dir().entryList({info.fileName() + QStringLiteral(".bad-*")}, QDir::Files);
}

} // namespace

class DeviceStartupTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QDir(settingsDirectory()).removeRecursively();
        QVERIFY(QDir().mkpath(settingsDirectory()));
    }

    void firstStart_createsOneDefaultDeviceAndSavesIt()
    {
        ModalWatcher watcher;
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
        QCOMPARE(watcher.texts, QStringList());
        QCOMPARE(readFile(paycardFile()).count("<object"), 1);
        QCOMPARE(readFile(fptrFile()).count("<object"), 1);
    }

    void saveThenLoad_keepsDevicesNamesSettingsAndIds()
    {
        writeFile(paycardFile(), document(object(QStringLiteral("Касса & <1>"), terminalSettings("2"))
                                          + object(QString(), terminalSettings("4"))
                                          + object(QStringLiteral("Третья"), terminalSettings("9"))));
        ModalWatcher watcher;
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
        QCOMPARE(watcher.texts, QStringList());
        QCOMPARE(readFile(paycardFile()), firstSave);
        QCOMPARE(readFile(fptrFile()), firstFptrSave);
    }

    void unknownElementsAndNamelessObjects_arePassedOver()
    {
        const QString settings = terminalSettings("0");
        writeFile(paycardFile(), document(object("a", settings) + "<note>x<object name=\"hidden\"/></note>"
                                          + "<object>" + settings.toUtf8() + "</object>" + object("b", settings)));
        ModalWatcher watcher;
        PayCardMainWindow window;
        QCOMPARE(itemTexts(window.findChild<QComboBox *>(QStringLiteral("cmbDevices"))), (QStringList{"a", "b"}));
        QCOMPARE(watcher.texts, QStringList());
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
    }

    void unreadablePaycardFile_warnsKeepsCopyAndStartsWithDefault()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, error);
        writeFile(paycardFile(), content);
        ModalWatcher watcher;
        {
            PayCardMainWindow window;
            QCOMPARE(watcher.titles, QStringList{"Ошибка"});
            const QStringList kept = filesBeside(paycardFile());
            QCOMPARE(kept.size(), 1);
            const QString keptPath = settingsDirectory() + kept.first();
            const QStringList around = LoadWarning.split(QStringLiteral("%1"));
            const QRegularExpression expected(QStringLiteral("^") + QRegularExpression::escape(around[0]) + error
                                              + QRegularExpression::escape(around[1]) + QStringLiteral("\n\n.*\n")
                                              + QRegularExpression::escape(keptPath) + QStringLiteral("$"));
            QVERIFY2(expected.match(watcher.texts.first()).hasMatch(), qPrintable(watcher.texts.first()));
            QCOMPARE(readFile(keptPath), content);

            auto *devices = window.findChild<QComboBox *>(QStringLiteral("cmbDevices"));
            QCOMPARE(devices->count(), 1);
            QCOMPARE(itemIds(devices), QList<int>{1});
            QCOMPARE(window.paycardDeviceList()->ids(), QList<int>{1});
        }
        QCOMPARE(watcher.texts.size(), 1);
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

        ModalWatcher watcher;
        PayCardMainWindow window;
        QCOMPARE(window.fptrDeviceList()->ids(), (QList<int>{1, 2, 3}));
        QCOMPARE(window.fptrDeviceList()->current(), 1);
        QCOMPARE(watcher.texts, QStringList());
    }

    void unreadableFptrFile_warnsAndRebuilds()
    {
        writeFile(fptrFile(), "<neb_settings_array version=\"2.0\"><object name=\"x\">");
        ModalWatcher watcher;
        PayCardMainWindow window;
        QCOMPARE(watcher.texts.size(), 1);
        QVERIFY(watcher.texts.first().startsWith(LoadWarning.arg(QString()).left(25)));
        QCOMPARE(filesBeside(fptrFile()).size(), 1);
        QCOMPARE(window.fptrDeviceList()->ids(), QList<int>{1});
    }

    void settingsDirectoryThatCannotBeWritten_startsAndEndsQuietly()
    {
        const QString directory = settingsDirectory();
        QVERIFY(QDir(directory).removeRecursively());
        // A file where the directory should be: nothing can be read or written.
        writeFile(directory.chopped(1), "in the way");
        ModalWatcher watcher;
        {
            PayCardMainWindow window;
            QCOMPARE(window.paycardDeviceList()->count(), 1);
        }
        QCOMPARE(watcher.texts, QStringList());
        QCOMPARE(readFile(directory.chopped(1)), QByteArray("in the way"));
        QVERIFY(QFile::remove(directory.chopped(1)));
    }
};

BENCH_TEST_MAIN(DeviceStartupTest)
#include "tst_devicestartup.moc"
