#include "benchtest.h"
#include "devicelists.h"
#include "dialogs.h"
#include "fakedrivers.h"
#include "paycardmainwindow.h"
#include "settingsfile.h"
#include "settingsfixtures.h"
#include "windowrun.h"

#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace SettingsFixtures;

// The user's saved devices in the situations that used to cost them: a
// failed partner file, a full disk, a folder that refuses new files, a device
// the file cannot hold, and copies of unreadable files piling up. Each case
// starts and closes the real window over the real settings folder and
// compares the files on disk byte for byte.
namespace {

const QString RenamedDevice = QStringLiteral("Касса у окна");

// A change for the session, so that shut-down has something to write.
void renameFirstDevice(PayCardMainWindow &window)
{
    window.findChild<QComboBox *>(QStringLiteral("cmbDevices"))->setItemText(0, RenamedDevice);
}

QByteArray savedDocument(int terminals)
{
    QByteArray objects;
    for (int i = 0; i < terminals; ++i)
        objects += object(QStringLiteral("Касса %1").arg(i), terminalSettings(QString::number(i)));
    writeFile(paycardFile(), document(objects));
    startAndClose();
    return readFile(paycardFile());
}

// A tiny file system mounted over the settings folder and filled up, as a
// full disk. Only where the test may mount (root with the right to).
class FullDisk
{
public:
    QString mount()
    {
        if (geteuid() != 0)
            return QStringLiteral("a full disk is staged only as root");
        path = QFile::encodeName(settingsDirectory());
        if (::mount("tmpfs", path.constData(), "tmpfs", 0, "size=256k") != 0) {
            path.clear();
            return QStringLiteral("no right to mount a file system here");
        }
        return QString();
    }
    // Takes every byte left, so that the next write fails.
    static void fill()
    {
        const int fd = ::open(QFile::encodeName(settingsDirectory() + QStringLiteral("filler")).constData(),
                              O_WRONLY | O_CREAT, 0600);
        QVERIFY(fd >= 0);
        const QByteArray block(4096, 'f');
        while (::write(fd, block.constData(), size_t(block.size())) > 0) {
        }
        while (::write(fd, "f", 1) > 0) {
        }
        ::close(fd);
    }
    ~FullDisk()
    {
        if (!path.isEmpty())
            umount2(path.constData(), MNT_DETACH);
    }

private:
    QByteArray path;
};

// Restores the folder's permissions however the test ends.
struct ReadOnlyFolder
{
    ReadOnlyFolder() { QFile::setPermissions(settingsDirectory(), QFile::ReadOwner | QFile::ExeOwner); }
    ~ReadOnlyFolder()
    {
        QFile::setPermissions(settingsDirectory(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

} // namespace

class SettingsKeepingTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QDir(settingsDirectory()).removeRecursively();
        QVERIFY(QDir().mkpath(settingsDirectory()));
    }

    // The register with id k serves the terminal with id k: a failed
    // terminal file takes the register file aside with it, and so do two
    // good files of different lengths, whose registers are made anew.
    void pairedFiles_data()
    {
        QTest::addColumn<bool>("terminalFileFails");
        QTest::addColumn<int>("registers");
        QTest::newRow("terminal file fails") << true << 2;
        QTest::newRow("register file shorter") << false << 1;
        QTest::newRow("register file longer") << false << 3;
    }

    void pairedFiles()
    {
        QFETCH(bool, terminalFileFails);
        QFETCH(int, registers);
        savedDocument(registers);
        const QByteArray registerFile = readFile(fptrFile());
        QCOMPARE(registerFile.count("<object"), registers);
        const QString settings = terminalSettings("0");
        const QByteArray terminalFile =
            terminalFileFails ? QByteArray("<broken") : document(object("a", settings) + object("b", settings));
        writeFile(paycardFile(), terminalFile);
        const int terminals = terminalFileFails ? 1 : 2;

        QStringList texts = startAndClose([&](PayCardMainWindow &window) {
            QCOMPARE(window.fptrDeviceList()->count(), terminals);
        });
        QCOMPARE(readFile(fptrFile()).count("<object"), terminals);
        QCOMPARE(texts.size(), 1);
        const QStringList registerCopies = filesBeside(fptrFile());
        QCOMPARE(registerCopies.size(), 1);
        QCOMPARE(readFile(settingsDirectory() + registerCopies[0]), registerFile);
        if (!terminalFileFails) {
            QVERIFY2(texts[0].startsWith(QStringLiteral("В файле настроек ККТ устройств: %1, платежных систем: 2")
                                             .arg(registers))
                         && texts[0].endsWith(settingsDirectory() + registerCopies[0]),
                     qPrintable(texts[0]));
            return;
        }
        const QStringList terminalCopies = filesBeside(paycardFile());
        QCOMPARE(terminalCopies.size(), 1);
        QVERIFY2(texts[0].endsWith(settingsDirectory() + terminalCopies[0] + "\n\n"
                                   + QStringLiteral("Прежний файл настроек сохранен как:\n") + settingsDirectory()
                                   + registerCopies[0]),
                 qPrintable(texts[0]));
        // One stamp for both, so the pair is found together.
        QCOMPARE(terminalCopies[0].section(".bad-", 1), registerCopies[0].section(".bad-", 1));
        QCOMPARE(readFile(settingsDirectory() + terminalCopies[0]), terminalFile);
    }

    // Something that is there but cannot be read as the terminal file is
    // reported, never replaced, and its registers are kept aside.
    void unreadableTerminalFile_reportedAndLeftAlone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder") << "folder";
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("link to a device") << "device link";
    }

    void unreadableTerminalFile_reportedAndLeftAlone()
    {
        QFETCH(QString, kind);
        savedDocument(2);
        const QByteArray registers = readFile(fptrFile());
        QVERIFY(QFile::remove(paycardFile()));
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(paycardFile()));
        else if (kind == QLatin1String("pipe"))
            QCOMPARE(mkfifo(QFile::encodeName(paycardFile()).constData(), 0600), 0);
        else
            QVERIFY(QFile::link(QStringLiteral("/dev/null"), paycardFile()));

        const QStringList texts = startAndClose();
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts[0].contains(paycardFile()), qPrintable(texts[0]));
        const QFileInfo after(paycardFile());
        QCOMPARE(after.isDir(), kind == QLatin1String("folder"));
        QCOMPARE(after.isSymLink(), kind == QLatin1String("device link"));
        QVERIFY(!after.isFile());
        const QStringList registerCopies = filesBeside(fptrFile());
        QCOMPARE(registerCopies.size(), 1);
        QCOMPARE(readFile(settingsDirectory() + registerCopies[0]), registers);
        QDir(paycardFile()).removeRecursively();
        QFile::remove(paycardFile());
    }

    // A register file that fails after its first device leaves no device of
    // it behind: the list is rebuilt with fresh registers, not topped up.
    void failedRegisterFile_listRebuiltFromEmpty_data()
    {
        QTest::addColumn<bool>("fails");
        QTest::newRow("whole file") << false;
        QTest::newRow("fails after its first device") << true;
    }

    void failedRegisterFile_listRebuiltFromEmpty()
    {
        QFETCH(bool, fails);
        savedDocument(1);
        QByteArray registers = readFile(fptrFile());
        QVERIFY(registers.contains("Model=K100"));
        registers.replace("Model=K100", "Model=K300");
        if (fails)
            registers.replace("</neb_settings_array>", "<object name=\"x\">");
        writeFile(fptrFile(), registers);
        QString description;
        const QStringList texts = startAndClose([&](PayCardMainWindow &window) {
            QCOMPARE(window.fptrDeviceList()->ids(), QList<int>{1});
            description = window.findChild<QLabel *>(QStringLiteral("lbCurrentEcrName"))->text();
        });
        QCOMPARE(texts.size(), fails ? 1 : 0);
        QCOMPARE(description.contains(QLatin1String("300")), !fails);
    }

    // One device whose settings the file cannot hold costs only itself.
    void unwritableDevice_leftOutAlone()
    {
        savedDocument(2);
        FakePaycard fake;
        fake.strings.insert(QStringLiteral("deviceSettings"), QStringLiteral("A\x01B"));
        const QStringList texts = startAndClose([&](PayCardMainWindow &window) {
            const int id = window.paycardDeviceList()->add(std::make_unique<QNebPaycard>(&fake));
            window.fptrDeviceList()->add(0, window.fptrDeviceList()->create(0));
            window.findChild<QComboBox *>(QStringLiteral("cmbDevices"))->addItem(QStringLiteral("Плохая"), id);
        });
        QCOMPARE(texts, QStringList{"Не сохранены настройки устройств:\nПлохая"});
        const QByteArray saved = readFile(paycardFile());
        QCOMPARE(saved.count("<object"), 2);
        QVERIFY(!saved.contains("Плохая"));
        // Its register is left out with it, so the files stay paired.
        QCOMPARE(readFile(fptrFile()).count("<object"), 2);
    }

    void keptCopies_onlyNewestTenRemain()
    {
        for (int i = 0; i < 12; ++i)
            writeFile(paycardFile() + QStringLiteral(".bad-20200101-0000%1-000").arg(i, 2, 10, QLatin1Char('0')), "old");
        writeFile(paycardFile(), "<broken");
        QCOMPARE(startAndClose().size(), 1);
        const QStringList copies = filesBeside(paycardFile());
        QCOMPARE(copies.size(), SettingsFile::KeptCopies);
        QVERIFY(copies.first().endsWith("000003-000"));
        QCOMPARE(readFile(settingsDirectory() + copies.last()), QByteArray("<broken"));
    }

    // On a full disk the previous files stay whole, and the user is told;
    // an unreadable file that cannot be copied aside is not overwritten.
    void fullDisk_previousFilesStayWhole_data()
    {
        QTest::addColumn<bool>("unreadable");
        QTest::newRow("save") << false;
        QTest::newRow("copy aside of an unreadable file") << true;
    }

    void fullDisk_previousFilesStayWhole()
    {
        QFETCH(bool, unreadable);
        savedDocument(2);
        const QByteArray terminals = unreadable ? QByteArray("<broken") : readFile(paycardFile());
        const QByteArray registers = readFile(fptrFile());
        FullDisk disk;
        const QString why = disk.mount();
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        writeFile(paycardFile(), terminals);
        writeFile(fptrFile(), registers);
        FullDisk::fill();

        // A rename, since shut-down writes nothing when nothing changed.
        const QStringList texts = startAndClose(renameFirstDevice);
        QCOMPARE(readFile(paycardFile()), terminals);
        QCOMPARE(readFile(fptrFile()), registers);
        QCOMPARE(filesBeside(paycardFile()), QStringList());
        if (unreadable) {
            // Neither file could be copied aside, so neither is written.
            const QString notCopied = QStringLiteral("Скопировать прежний файл настроек не удалось, он останется "
                                                     "без изменений:\n");
            QCOMPARE(texts.size(), 1);
            QVERIFY2(texts[0].endsWith(notCopied + paycardFile() + "\n\n" + notCopied + fptrFile()), qPrintable(texts[0]));
        } else {
            QCOMPARE(texts, QStringList{SaveWarning});
        }
    }

    // A folder that refuses new files: the files are written in place, and a
    // file that cannot be written at all is reported. Root writes anywhere,
    // so as root the case runs again in a process of an ordinary user.
    void folderRefusingNewFiles_data()
    {
        QTest::addColumn<QString>("file"); // "writable", "read-only" or "missing"
        QTest::newRow("writable") << "writable";
        QTest::newRow("read-only") << "read-only";
        QTest::newRow("missing") << "missing";
    }

    void folderRefusingNewFiles()
    {
        QFETCH(QString, file);
        if (geteuid() == 0) {
            const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
            if (setpriv.isEmpty())
                QSKIP("as root, and no setpriv to run the case as an ordinary user");
            QProcess child;
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start(setpriv, {"--reuid=65534", "--regid=65534", "--clear-groups", "--",
                                  QCoreApplication::applicationFilePath(),
                                  QStringLiteral("folderRefusingNewFiles:") + QTest::currentDataTag()});
            QVERIFY(child.waitForFinished(120000));
            const QByteArray output = child.readAll();
            // A build or temporary folder closed to other users, or a system
            // that forbids the switch, keeps the case from starting at all.
            if (!output.contains("Start testing"))
                QSKIP(qPrintable("the case cannot run as an ordinary user here: " + output));
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
            return;
        }
        const QByteArray saved = savedDocument(1);
        const QByteArray previous = QByteArray(saved).replace("</neb_settings_array>", "<!-- note --></neb_settings_array>");
        const QByteArray canonical = QByteArray(saved).replace("Касса 0", RenamedDevice.toUtf8());
        writeFile(paycardFile(), previous);
        if (file == QLatin1String("read-only"))
            QVERIFY(QFile::setPermissions(paycardFile(), QFile::ReadOwner));
        if (file == QLatin1String("missing"))
            QVERIFY(QFile::remove(paycardFile()));
        QStringList texts;
        {
            ReadOnlyFolder folder;
            texts = startAndClose(renameFirstDevice);
        }
        if (file == QLatin1String("writable")) {
            QCOMPARE(texts, QStringList());
            QCOMPARE(readFile(paycardFile()), canonical);
        } else {
            QCOMPARE(texts, QStringList{SaveWarning});
            QCOMPARE(QFileInfo::exists(paycardFile()), file != QLatin1String("missing"));
            QCOMPARE(readFile(paycardFile()), file == QLatin1String("missing") ? QByteArray() : previous);
        }
        QFile::setPermissions(paycardFile(), QFile::ReadOwner | QFile::WriteOwner);
    }

    // A driver's text is cut where the user sees it; the debug output keeps
    // it whole.
    void driverText_boundedWhereShown_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const QString pair = QStringLiteral("\U0001F600");
        QTest::newRow("short") << "[-1] short" << "[-1] short";
        QTest::newRow("long") << "[-1] " + QString(20000, 'x')
                              << "[-1] " + QString(ReadableTextLength - 5, 'x') + QChar(0x2026);
        QTest::newRow("pair across the cut") << "[-1] " + QString(ReadableTextLength - 6, 'x') + pair + "tail"
                                             << "[-1] " + QString(ReadableTextLength - 6, 'x') + QChar(0x2026);
    }

    void driverText_boundedWhereShown()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        // Logged whole once by the message box and once by the status bar.
        if (text != shown) {
            QTest::ignoreMessage(QtDebugMsg, qPrintable(text));
            QTest::ignoreMessage(QtDebugMsg, qPrintable(text));
        }
        queueDialogAnswer(QMessageBox::Ok);
        showCritical(nullptr, QStringLiteral("Ошибка"), text);
        const QVector<AnsweredDialog> boxes = takeAnsweredDialogs();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, shown);

        // The status bar, reached through a driver that fails with the text.
        FakePaycard fake;
        fake.results.insert(QStringLiteral("setPinpadPort"), -1);
        fake.failWith(-1, text.mid(5));
        startAndClose([&](PayCardMainWindow &window) {
            const int id = window.paycardDeviceList()->add(std::make_unique<QNebPaycard>(&fake));
            window.fptrDeviceList()->add(0, window.fptrDeviceList()->create(0));
            auto *devices = window.findChild<QComboBox *>(QStringLiteral("cmbDevices"));
            devices->addItem(QStringLiteral("Отказ"), id);
            devices->setCurrentIndex(devices->count() - 1);
            QCOMPARE(window.findChild<QLabel *>(QStringLiteral("errorLabel"))->text(), shown);
        });
    }
};

BENCH_TEST_MAIN(SettingsKeepingTest)
#include "tst_settingskeeping.moc"
