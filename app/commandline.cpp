#include "commandline.h"

#include "devicelists.h"
#include "driverjournal.h"
#include "paycardmainwindow.h"
#include "scenariorunner.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QLabel>
#include <QPointer>
#include <QTextStream>

#include <cstring>

#ifdef Q_OS_WIN
#include <cstdio>
#include <qt_windows.h>
#endif

namespace CommandLine {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("CommandLine", text);
}

const char *const OwnOptions[] = {"--journal", "--run", "--report", "--settings", "--help", "-h"};

bool isOption(const char *argument, const char *option)
{
    const std::size_t length = std::strlen(option);
    return std::strncmp(argument, option, length) == 0 && (argument[length] == 0 || argument[length] == '=');
}

bool isOwnOption(const QString &argument)
{
    const QByteArray text = argument.toLocal8Bit();
    for (const char *option : OwnOptions) {
        if (isOption(text.constData(), option))
            return true;
    }
    return false;
}

// Journal lines of a terminal carry the name the device list shows; a
// register is known by its id alone, as naming it would take driver calls.
void nameJournalDevices(PayCardMainWindow *window)
{
    DriverJournal *journal = DriverJournal::active();
    if (!journal)
        return;
    QPointer<QComboBox> devices = window->findChild<QComboBox *>(QStringLiteral("cmbDevices"));
    journal->setDeviceNamer([devices](const char *library, int id) {
        if (!devices || std::strcmp(library, "paycard") != 0)
            return QString();
        for (int i = 0; i < devices->count(); ++i) {
            if (devices->itemData(i).toInt() == id)
                return devices->itemText(i);
        }
        return QString();
    });
}

} // namespace

void prepare(int argc, char *argv[])
{
    // Only the journal goes with the window; every other option of ours ends
    // without showing it, in a run, the help or a complaint about the options.
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        for (const char *option : OwnOptions) {
            if (std::strcmp(option, "--journal") != 0 && isOption(argv[i], option))
                headless = true;
        }
        if (isOption(argv[i], "-platform"))
            return;
    }
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

Options parse(const QStringList &arguments)
{
    Options options;
    options.any = std::any_of(arguments.begin() + std::min(1, int(arguments.size())), arguments.end(), isOwnOption);
    if (!options.any)
        return options;

    QCommandLineParser parser;
    const QCommandLineOption journal(QStringLiteral("journal"), QString(), QStringLiteral("file"));
    const QCommandLineOption run(QStringLiteral("run"), QString(), QStringLiteral("scenario"));
    const QCommandLineOption report(QStringLiteral("report"), QString(), QStringLiteral("report"));
    const QCommandLineOption settings(QStringLiteral("settings"), QString(), QStringLiteral("dir"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({journal, run, report, settings, help});
    if (!parser.parse(arguments)) {
        options.error = parser.errorText();
        return options;
    }
    options.help = parser.isSet(help);
    options.journalFile = parser.value(journal);
    options.scenarioFile = parser.value(run);
    options.reportFile = parser.value(report);
    options.settingsDirectory = parser.value(settings);
    if (!parser.positionalArguments().isEmpty())
        options.error = tr("лишний аргумент: %1").arg(parser.positionalArguments().first());
    else if (parser.isSet(journal) && options.journalFile.isEmpty())
        options.error = tr("--journal: не указан файл");
    else if (parser.isSet(run) && options.scenarioFile.isEmpty())
        options.error = tr("--run: не указан файл сценария");
    else if ((parser.isSet(report) || parser.isSet(settings)) && !parser.isSet(run))
        options.error = tr("--report и --settings действуют только вместе с --run");
    return options;
}

QString helpText()
{
    return tr("Использование: vanter9 [--journal ФАЙЛ] [--run СЦЕНАРИЙ.json [--report ОТЧЕТ.xml] [--settings ПАПКА]]\n"
              "\n"
              "Без этих параметров открывает окно стенда; остальные аргументы относятся к Qt.\n"
              "\n"
              "  --journal ФАЙЛ     дописывать в ФАЙЛ каждый вызов драйверов, по строке JSON на\n"
              "                     вызов: время, библиотека, устройство, операция, аргументы,\n"
              "                     результат, прочитанное значение, длительность в мкс. Номера\n"
              "                     карт скрыты, кроме первых 6 и последних 4 цифр.\n"
              "  --run СЦЕНАРИЙ     выполнить сценарий, не показывая окно, и выйти с кодом 0,\n"
              "                     если все шаги прошли, 1, если шаг не прошел, 2, если файл\n"
              "                     сценария неверен или файл не удалось прочитать или записать.\n"
              "  --report ОТЧЕТ     записать отчет JUnit XML: по тесту на шаг сценария.\n"
              "  --settings ПАПКА   взять устройства из этой папки настроек, а не из папки\n"
              "                     пользователя. Прогон не изменяет файлы настроек.\n"
              "  -h, --help         эта справка.\n");
}

void attachJournal(PayCardMainWindow *window, const QString &openError)
{
    if (openError.isEmpty()) {
        nameJournalDevices(window);
        return;
    }
    if (auto *label = window->findChild<QLabel *>(QStringLiteral("errorLabel")))
        label->setText(PayCardMainWindow::tr("Журнал вызовов драйверов не ведется: %1").arg(openError));
}

int run(const QStringList &arguments)
{
    const Options options = parse(arguments);
    if (!options.any) {
        PayCardMainWindow window;
        window.show();
        qApp->exec();
        return 0;
    }

    QTextStream out(stdout);
    QTextStream err(stderr);
#ifdef Q_OS_WIN
    // The program is built for the windows subsystem, so started from a
    // command prompt it has no console of its own: its output goes to the
    // prompt's, unless it was redirected. Either way it is UTF-8, like on
    // Linux; the ANSI code page would turn the Russian texts into question
    // marks.
    if (GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_UNKNOWN && AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
    SetConsoleOutputCP(CP_UTF8);
    out.setCodec("UTF-8");
    err.setCodec("UTF-8");
#endif
    if (!options.error.isEmpty()) {
        err << options.error << Qt::endl << tr("Параметры: vanter9 --help") << Qt::endl;
        return ScenarioRunner::Unusable;
    }
    if (options.help) {
        out << helpText();
        return 0;
    }

    const QString journalError = options.journalFile.isEmpty() ? QString() : DriverJournal::start(options.journalFile);
    int exitCode = 0;
    if (!options.scenarioFile.isEmpty()) {
        if (!journalError.isEmpty())
            err << tr("%1: журнал не ведется: %2").arg(options.journalFile, journalError) << Qt::endl;
        ScenarioRunner::Options run;
        run.scenarioFile = options.scenarioFile;
        run.reportFile = options.reportFile;
        run.settingsDirectory = options.settingsDirectory;
        run.windowReady = [&journalError](PayCardMainWindow *window) { attachJournal(window, journalError); };
        exitCode = ScenarioRunner::run(run, out, err);
    } else {
        // The window goes before the journal: its destructor still calls the
        // drivers when it releases the devices.
        PayCardMainWindow window;
        attachJournal(&window, journalError);
        window.show();
        qApp->exec();
    }
    DriverJournal::stop();
    return exitCode;
}

} // namespace CommandLine
