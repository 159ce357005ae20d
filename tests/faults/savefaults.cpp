// Saves the settings of many devices under the faults a user's machine
// deals out, and checks after each one that the settings files left on disk
// are whole and load:
// - the bench killed (SIGKILL) at a random moment of its shut-down;
// - a full disk: the save fails after a random number of bytes;
// - a folder that refuses new files, alone and with a full disk.
// The bench runs as a child process of this program (the same executable
// started with --child), which opens the window over the settings folder and
// closes it, so the real start-up and shut-down write the files.

#include "devicelists.h"
#include "dialogs.h"
#include "settingsfile.h"
#include "settingsfixtures.h"
#include "settingsfolder.h"
#include "toolenvironment.h"
#include "paycardmainwindow.h"

#include <QApplication>
#include <QBuffer>
#include <QCommandLineParser>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>

#include <csignal>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace SettingsFixtures;

namespace {

const char ChildOption[] = "--child";
const QString TagPrefix = QStringLiteral("Касса ");

// A folder that refuses new files while the files in it stay writable: no
// write permission on the folder. Root passes over permissions, so a child
// run as root gives up that power first (dropPermissionOverride).
struct RefusingFolder
{
    RefusingFolder() { QFile::setPermissions(settingsDirectory(), QFile::ReadOwner | QFile::ExeOwner); }
    ~RefusingFolder()
    {
        QFile::setPermissions(settingsDirectory(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

void dropPermissionOverride()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0)
        qFatal("cannot read the capabilities: %s", std::strerror(errno));
    for (const unsigned capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH})
        data[capability / 32].effective &= ~(1u << (capability % 32));
    if (syscall(SYS_capset, &header, data) != 0)
        qFatal("cannot give up the capabilities: %s", std::strerror(errno));
}

// SIGKILL from a timer of the process itself: the moment is exact to the
// microsecond, where a parent's kill lands whenever the busy machine lets it.
void killAfter(qint64 microseconds)
{
    std::signal(SIGALRM, [](int) { ::kill(getpid(), SIGKILL); });
    sigevent event{};
    event.sigev_notify = SIGEV_SIGNAL;
    event.sigev_signo = SIGALRM;
    timer_t timer;
    itimerspec when{};
    when.it_value.tv_sec = time_t(microseconds / 1000000);
    when.it_value.tv_nsec = long(microseconds % 1000000) * 1000 + 1;
    if (timer_create(CLOCK_MONOTONIC, &event, &timer) != 0 || timer_settime(timer, 0, &when, nullptr) != 0)
        qFatal("cannot set the kill timer: %s", std::strerror(errno));
}

// The child: one session of the bench. It says what the message boxes said
// and when its shut-down begins, on standard output, one line each.
int runChild(const QStringList &arguments)
{
    const int tagAt = arguments.indexOf(QStringLiteral("--tag"));
    const QString tag = tagAt > 0 ? arguments.value(tagAt + 1) : QString();
    const int limitAt = arguments.indexOf(QStringLiteral("--fail-after"));
    const int killAt = arguments.indexOf(QStringLiteral("--killed-after"));
    if (arguments.contains(QStringLiteral("--as-user")) && geteuid() == 0)
        dropPermissionOverride();
    const auto say = [] {
        for (const AnsweredDialog &box : takeAnsweredDialogs())
            std::printf("message %s\n", qPrintable(QString(box.text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    };
    answerEveryDialog(true);
    {
        PayCardMainWindow window;
        say();
        auto *devices = window.findChild<QComboBox *>(QStringLiteral("cmbDevices"));
        // Names of this session, so that its file tells itself from the last.
        if (!tag.isEmpty()) {
            for (int i = 0; i < devices->count(); ++i)
                devices->setItemText(i, TagPrefix + tag + QLatin1Char('-') + QString::number(i));
        }
        if (limitAt > 0) {
            // No file may grow past this size from now on: a disk that fills
            // up in the middle of the save.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlim_t limit = arguments.value(limitAt + 1).toULongLong();
            const rlimit bytes{limit, limit};
            setrlimit(RLIMIT_FSIZE, &bytes);
        }
        std::printf("devices %d\n", devices->count());
        // One device more, so that a kill between the replacing of the two
        // files leaves them of different lengths.
        if (arguments.contains(QStringLiteral("--add-device"))) {
            std::unique_ptr<QNebPaycard> terminal = window.paycardDeviceList()->create();
            std::unique_ptr<QNebFptr> register_ = window.fptrDeviceList()->create(0);
            window.setUpDevice(terminal.get());
            window.setUpDevice(register_.get());
            const int id = window.paycardDeviceList()->add(std::move(terminal));
            window.fptrDeviceList()->add(0, std::move(register_));
            devices->addItem(TagPrefix + tag + QStringLiteral("-new"), id);
        }
        std::printf("closing\n");
        std::fflush(stdout);
        if (killAt > 0)
            killAfter(arguments.value(killAt + 1).toLongLong());
    }
    say();
    return 0;
}

struct Session
{
    QStringList messages;
    int devices = -1;
    bool killed = false;
    qint64 closingMs = 0; // from the start of shut-down to the end of the process
    qint64 replacedMs = -1; // from the start of shut-down to the new terminal file, when watched
};

ino_t inode(const QString &fileName)
{
    struct stat status{};
    return ::stat(QFile::encodeName(fileName).constData(), &status) == 0 ? status.st_ino : 0;
}

// Runs one session; with `killAfterUs` >= 0 it is killed that long after its
// shut-down began. `watch` notes when the terminal file was replaced.
Session runSession(QStringList arguments, qint64 killAfterUs = -1, bool watch = false)
{
    if (killAfterUs >= 0)
        arguments << QStringLiteral("--killed-after") << QString::number(killAfterUs);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), QStringList{ChildOption} + arguments);
    Session session;
    QElapsedTimer closing;
    for (;;) {
        if (!child.canReadLine() && !child.waitForReadyRead(-1))
            break;
        while (child.canReadLine()) {
            const QString line = QString::fromUtf8(child.readLine()).trimmed();
            if (line.startsWith(QLatin1String("devices "))) {
                session.devices = line.mid(8).toInt();
            } else if (line.startsWith(QLatin1String("message "))) {
                session.messages.append(line.mid(8));
            } else if (line == QLatin1String("closing")) {
                closing.start();
                if (killAfterUs >= 0) {
                    child.waitForFinished(-1);
                    session.killed = child.exitStatus() == QProcess::CrashExit;
                    return session;
                }
                if (watch) {
                    const ino_t before = inode(paycardFile());
                    while (!child.waitForFinished(1)) {
                        if (session.replacedMs < 0 && inode(paycardFile()) != before)
                            session.replacedMs = closing.elapsed();
                    }
                }
            }
        }
    }
    child.waitForFinished(-1);
    if (closing.isValid())
        session.closingMs = closing.elapsed();
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        qFatal("the bench ended abnormally (exit code %d)", child.exitCode());
    return session;
}

struct FileState
{
    QString error; // empty when the file loads
    int devices = 0;
    int tagged = 0; // devices named by the session that wrote the file
};

FileState inspect(const QByteArray &data, const QString &tag = QString())
{
    FileState state;
    const QString prefix = TagPrefix + tag + QLatin1Char('-');
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    state.error = SettingsFile::read(&buffer, [&](const SettingsFile::Device &device) {
        ++state.devices;
        if (device.name.startsWith(prefix))
            ++state.tagged;
        return QString();
    });
    return state;
}

// Temporary files of saves that never finished.
int strayFiles()
{
    return QDir(settingsDirectory()).entryList({QStringLiteral("*.cfg.*")}, QDir::Files).size()
           - filesBeside(paycardFile()).size() - filesBeside(fptrFile()).size();
}

class Checker
{
public:
    explicit Checker(int devices) : devices(devices), registerDevices(devices) {}

    // Checks both files against what was there before the session and what
    // it wrote (with one device more when `added`); returns which files hold
    // the session's own save.
    int check(const char *fault, int run, const QByteArray &terminalsBefore, const QByteArray &registersBefore,
              const Session &session, bool added = false)
    {
        const QByteArray terminals = readFile(paycardFile());
        const QByteArray registers = readFile(fptrFile());
        const FileState terminalState = inspect(terminals, QString::number(run));
        const FileState registerState = inspect(registers);
        fail(fault, run, !session.messages.filter(QStringLiteral("Ошибка загрузки настроек")).isEmpty(),
             "the previous files did not load: " + session.messages.join(QStringLiteral(" | ")));
        fail(fault, run, session.devices != devices, QStringLiteral("%1 devices loaded").arg(session.devices));
        // Files of different lengths, left by a kill between the replacing
        // of the two, must have the registers kept aside with a warning.
        const bool reset = !session.messages.filter(QStringLiteral("Настройки ККТ сброшены")).isEmpty();
        fail(fault, run, reset != (registerDevices != devices),
             QStringLiteral("%1 terminals and %2 registers, yet %3 register reset")
                 .arg(devices).arg(registerDevices).arg(reset ? "a" : "no"));
        const QStringList copies = filesBeside(fptrFile());
        fail(fault, run, reset && (copies.isEmpty() || readFile(settingsDirectory() + copies.last()) != registersBefore),
             QStringLiteral("the reset registers were not kept aside"));
        const int after = devices + (added ? 1 : 0);
        const bool terminalsSaved = terminals != terminalsBefore;
        const bool registersSaved = registers != registersBefore;
        fail(fault, run, !terminalState.error.isEmpty() || terminalState.devices != (terminalsSaved ? after : devices),
             "the terminal file does not load whole: " + terminalState.error);
        fail(fault, run,
             !registerState.error.isEmpty() || registerState.devices != (registersSaved ? after : registerDevices),
             "the register file does not load whole: " + registerState.error);
        // Registers describe themselves the same in every session, so their
        // file changes only with their number.
        fail(fault, run, registersSaved && !added && !reset, QStringLiteral("the register file changed"));
        fail(fault, run, terminalsSaved && terminalState.tagged != after,
             QStringLiteral("the terminal file is neither the previous one nor this session's"));
        devices = terminalState.devices;
        registerDevices = registerState.devices;
        return terminalsSaved ? 1 : 0;
    }

    // Whether the files now hold different numbers of devices.
    bool split() const { return devices != registerDevices; }

    static void fail(const char *fault, int run, bool failed, const QString &what)
    {
        if (!failed)
            return;
        std::fprintf(stderr, "savefaults: %s, run %d: %s\n", fault, run, qPrintable(what));
        std::exit(1);
    }

private:
    int devices;
    int registerDevices;
};

} // namespace

int main(int argc, char *argv[])
{
    const bool child = argc > 1 && std::strcmp(argv[1], ChildOption) == 0;
    QTemporaryDir configHome;
    // The child works in the folder its parent made.
    if (!child && !useOwnConfiguration(configHome))
        return 1;
    QApplication app(argc, argv);
    if (child)
        return runChild(app.arguments());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Saving the settings files under faults."));
    parser.addHelpOption();
    const QCommandLineOption devicesOption(QStringLiteral("devices"), QStringLiteral("Devices in the files."),
                                           QStringLiteral("n"), QStringLiteral("1000"));
    const QCommandLineOption killsOption(QStringLiteral("kills"), QStringLiteral("Sessions killed during shut-down."),
                                         QStringLiteral("n"), QStringLiteral("200"));
    const QCommandLineOption fullOption(QStringLiteral("full-disk"), QStringLiteral("Sessions with a full disk."),
                                        QStringLiteral("n"), QStringLiteral("50"));
    const QCommandLineOption refusingOption(QStringLiteral("refusing-folder"),
                                            QStringLiteral("Sessions in a folder refusing new files, each alone and "
                                                           "with a full disk."),
                                            QStringLiteral("n"), QStringLiteral("20"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed of the random moments."),
                                        QStringLiteral("s"), QStringLiteral("1"));
    parser.addOptions({devicesOption, killsOption, fullOption, refusingOption, seedOption});
    parser.process(app);
    const int devices = parser.value(devicesOption).toInt();
    const int kills = parser.value(killsOption).toInt();
    const int fullDisks = parser.value(fullOption).toInt();
    const int refusing = parser.value(refusingOption).toInt();
    QRandomGenerator rng(parser.value(seedOption).toUInt());

    // The files as the bench writes them for this many terminals; the
    // registers are made to pair with them at the first start.
    QVector<SettingsFile::Device> saved;
    for (int i = 0; i < devices; ++i)
        saved.append({TagPrefix + QString::number(i), terminalSettings(QString::number(i % 4))});
    if (!SettingsFile::save({{paycardFile(), saved}}))
        qFatal("cannot write the first settings file");
    runSession({});
    Checker checker(devices);
    const QByteArray firstTerminals = readFile(paycardFile()), firstRegisters = readFile(fptrFile());
    const Session calibration = runSession({QStringLiteral("--tag"), QStringLiteral("0")}, -1, true);
    checker.check("first start", 0, firstTerminals, firstRegisters, calibration);
    const int shutDownMs = int(calibration.closingMs);
    const int replacedMs = int(qMax<qint64>(calibration.replacedMs, 0));
    std::printf("Saving under faults, %d devices in each file; an undisturbed shut-down takes %d ms, the terminal "
                "file is replaced after %d ms\n",
                devices, shutDownMs, replacedMs);
    int run = 0;

    // Every other kill lands at a moment drawn evenly from the shut-down and
    // a little past it; the others up to a little past the moment the
    // terminal file was replaced, to land more often in its few milliseconds
    // of writing.
    int killed = 0, terminalsReplaced = 0, midWrite = 0, splits = 0;
    for (int i = 0; i < kills; ++i) {
        ++run;
        const QByteArray terminals = readFile(paycardFile()), registers = readFile(fptrFile());
        const int strayBefore = strayFiles();
        const int span = (i % 2 == 0 ? shutDownMs : replacedMs) * 5 / 4 + 1;
        const Session session =
            runSession({QStringLiteral("--tag"), QString::number(run), QStringLiteral("--add-device")},
                       qint64(rng.bounded(quint32(span) * 1000)));
        killed += session.killed ? 1 : 0;
        terminalsReplaced += checker.check("killed", run, terminals, registers, session, true);
        midWrite += strayFiles() > strayBefore ? 1 : 0;
        splits += checker.split() ? 1 : 0;
    }
    // The runs below begin from a pair of files of one length.
    if (checker.split()) {
        ++run;
        const QByteArray terminals = readFile(paycardFile()), registers = readFile(fptrFile());
        checker.check("after the kills", run, terminals, registers,
                      runSession({QStringLiteral("--tag"), QString::number(run)}));
    }
    if (kills > 0) {
        std::printf("SIGKILL during shut-down: %d runs, %d killed before the end: %d before the terminal file was "
                    "replaced, %d of them while a new file was being written (its temporary file left behind), "
                    "%d between the replacing of the two files (registers kept aside at the next start); "
                    "every time both files whole and loading\n",
                    kills, killed, kills - terminalsReplaced, midWrite, splits);
    }

    // The disk fills up after a random number of bytes of the save.
    const auto fullDiskRun = [&](const char *fault, const QStringList &extra, int *refused) {
        ++run;
        const QByteArray terminals = readFile(paycardFile()), registers = readFile(fptrFile());
        const int room = int(rng.bounded(quint32(terminals.size() + registers.size())));
        const Session session = runSession(QStringList{QStringLiteral("--tag"), QString::number(run),
                                                       QStringLiteral("--fail-after"), QString::number(room)}
                                           + extra);
        const bool terminalsSaved = checker.check(fault, run, terminals, registers, session);
        // The pair is saved all or nothing, with one warning when it is not.
        const int expected = terminalsSaved ? 0 : 1;
        Checker::fail(fault, run, session.messages.count(SaveWarning) != expected,
                      QStringLiteral("%1 save warnings for %2 files left as they were").arg(session.messages.count(SaveWarning)).arg(expected));
        *refused += expected;
    };
    int fullRefused = 0;
    for (int i = 0; i < fullDisks; ++i)
        fullDiskRun("full disk", {}, &fullRefused);
    if (fullDisks > 0) {
        std::printf("Full disk: %d runs, %d saves failed with the warning, every time the previous file whole and "
                    "loading\n",
                    fullDisks, fullRefused);
    }

    int inPlace = 0, refusingRefused = 0;
    for (int i = 0; i < refusing; ++i) {
        RefusingFolder folder;
        ++run;
        const QByteArray terminals = readFile(paycardFile()), registers = readFile(fptrFile());
        const Session session = runSession({QStringLiteral("--tag"), QString::number(run), QStringLiteral("--as-user")});
        inPlace += checker.check("folder refusing new files", run, terminals, registers, session);
        Checker::fail("folder refusing new files", run, !session.messages.isEmpty(), session.messages.join(' '));
        fullDiskRun("folder refusing new files, full disk", {QStringLiteral("--as-user")}, &refusingRefused);
    }
    if (refusing > 0) {
        std::printf("Folder refusing new files: %d runs, %d written whole in place; with a full disk as well: %d runs, "
                    "%d saves failed with the warning, every time the previous file whole and loading\n",
                    refusing, inPlace, refusing, refusingRefused);
    }
    return 0;
}
