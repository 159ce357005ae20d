#include "commandline.h"

#include "devicelists.h"
#include "driverjournal.h"
#include "paycardmainwindow.h"
#include "scenariorecorder.h"
#include "scenariorunner.h"
#include "settingsfolder.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QTextStream>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

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

// The options that take a value, and what their message says is missing.
struct ValueOption
{
    const char *name;
    QString Options::*field;
    const char *missing;
};

const ValueOption ValueOptions[] = {
    {"--journal", &Options::journalFile, QT_TRANSLATE_NOOP("CommandLine", "не указан файл журнала")},
    {"--run", &Options::scenarioFile, QT_TRANSLATE_NOOP("CommandLine", "не указан файл сценария")},
    {"--record", &Options::recordFile, QT_TRANSLATE_NOOP("CommandLine", "не указан файл записи сценария")},
    {"--report", &Options::reportFile, QT_TRANSLATE_NOOP("CommandLine", "не указан файл отчета")},
    {"--settings", &Options::settingsDirectory, QT_TRANSLATE_NOOP("CommandLine", "не указана папка настроек")},
};

// Options of the toolkit itself, which it also accepts with two dashes and
// takes out of the arguments before the bench sees them.
const char *const ToolkitOptions[] = {"platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger",
                                      "qwindowgeometry", "qwindowicon", "qwindowtitle", "reverse", "session", "style",
                                      "stylesheet", "widgetcount", "display", "geometry", "title", "icon", "name"};

// "--name" or "--name=value".
bool isOption(const char *argument, const char *option)
{
    const std::size_t length = std::strlen(option);
    return std::strncmp(argument, option, length) == 0 && (argument[length] == 0 || argument[length] == '=');
}

bool isToolkitOption(const char *argument)
{
    if (argument[0] != '-')
        return false;
    const char *name = argument + (argument[1] == '-' ? 2 : 1);
    return std::any_of(std::begin(ToolkitOptions), std::end(ToolkitOptions),
                       [name](const char *option) { return isOption(name, option); });
}

const ValueOption *valueOption(const char *argument)
{
    for (const ValueOption &option : ValueOptions) {
        if (isOption(argument, option.name))
            return &option;
    }
    return nullptr;
}

// An argument that is meant for the bench but is not one of its options: any
// other "--word" the toolkit does not know, and our own names given with one
// dash ("-run"), which would otherwise start the window and never end.
bool isMistypedOption(const char *argument)
{
    if (argument[0] != '-' || argument[1] == 0 || isToolkitOption(argument))
        return false;
    if (argument[1] == '-')
        return argument[2] != 0;
    const std::string doubled = std::string("-") + argument;
    return valueOption(doubled.c_str()) || isOption(doubled.c_str(), "--help");
}

// Journal lines of a terminal carry the name the device list shows; a
// register is known by its id alone, as naming it would take driver calls.
// The journal is told of every row the list gains, renames or loses, rather
// than walking the list for every line it writes.
void nameJournalDevices(PayCardMainWindow *window)
{
    auto *devices = window->findChild<QComboBox *>(QStringLiteral("cmbDevices"));
    if (!DriverJournal::active() || !devices)
        return;
    QAbstractItemModel *model = devices->model();
    const auto name = [model](int first, int last, bool gone) {
        // The journal may be closed before the window goes.
        DriverJournal *journal = DriverJournal::active();
        for (int row = first; journal && row <= last; ++row) {
            const QModelIndex index = model->index(row, 0);
            journal->nameDevice(index.data(Qt::UserRole).toInt(), gone ? QString() : index.data().toString());
        }
    };
    name(0, model->rowCount() - 1, false);
    QObject::connect(model, &QAbstractItemModel::rowsInserted, model,
                     [name](const QModelIndex &, int first, int last) { name(first, last, false); });
    QObject::connect(model, &QAbstractItemModel::dataChanged, model,
                     [name](const QModelIndex &from, const QModelIndex &to) { name(from.row(), to.row(), false); });
    QObject::connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, model,
                     [name](const QModelIndex &, int first, int last) { name(first, last, true); });
    QObject::connect(model, &QAbstractItemModel::modelAboutToBeReset, model,
                     [name, model] { name(0, model->rowCount() - 1, true); });
}

} // namespace

void prepare(int argc, char *argv[])
{
    // Only the journal and the recording go with the window; every other
    // option of ours, and a mistyped one, ends without showing it, in a run,
    // the help or a complaint about the options.
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        if (isOption(argv[i], "-platform") || isOption(argv[i], "--platform"))
            return;
        const ValueOption *option = valueOption(argv[i]);
        if (option ? std::strcmp(option->name, "--journal") != 0 && std::strcmp(option->name, "--record") != 0
                   : isOption(argv[i], "--help") || isOption(argv[i], "-h") || isMistypedOption(argv[i]))
            headless = true;
    }
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// A small parser of our own rather than QCommandLineParser: its messages are
// English, and it would take "--run" for the value of a "--journal" that has
// none. The first problem found is the one reported.
Options parse(const QStringList &arguments)
{
    Options options;
    QStringList given;
    QStringList others;
    const auto fail = [&options](const QString &error) {
        if (options.error.isEmpty())
            options.error = error;
    };
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const QByteArray text = argument.toLocal8Bit();
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            options.any = options.help = true;
        } else if (const ValueOption *option = valueOption(text.constData())) {
            options.any = true;
            const QString name = QLatin1String(option->name);
            QString value;
            if (argument.size() > name.size())
                value = argument.mid(name.size() + 1);
            else if (i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(QLatin1String("--")))
                value = arguments.at(++i);
            if (value.isEmpty())
                fail(tr("%1: %2").arg(name, tr(option->missing)));
            if (given.contains(name))
                fail(tr("%1 указан дважды").arg(name));
            given.append(name);
            options.*(option->field) = value;
        } else if (isMistypedOption(text.constData())) {
            options.any = true;
            fail(tr("неизвестный параметр: %1").arg(argument));
        } else {
            others.append(argument);
        }
    }
    if (!options.any)
        return options;
    if (!others.isEmpty())
        fail(tr("лишний аргумент: %1").arg(others.first()));
    if ((given.contains(QLatin1String("--report")) || given.contains(QLatin1String("--settings")))
        && !given.contains(QLatin1String("--run")))
        fail(tr("--report и --settings действуют только вместе с --run"));
    if (given.contains(QLatin1String("--record")) && given.contains(QLatin1String("--run")))
        fail(tr("--record и --run не указываются вместе: запись идет в окне"));
    return options;
}

QString usage()
{
    return tr("Использование: vanter9 [--journal ФАЙЛ] [--record СЦЕНАРИЙ.json | --run СЦЕНАРИЙ.json [--report ОТЧЕТ.xml] [--settings ПАПКА]]\n");
}

QString helpText()
{
    return usage()
           + tr("\n"
              "Без этих параметров открывает окно стенда; остальные аргументы относятся к Qt.\n"
              "\n"
              "  --journal ФАЙЛ     дописывать в ФАЙЛ каждый вызов драйверов, по строке JSON на\n"
              "                     вызов: время, библиотека, устройство, операция, аргументы,\n"
              "                     результат, прочитанное значение, длительность в мкс. Номера\n"
              "                     карт скрыты, кроме первых 6 и последних 4 цифр.\n"
              "  --run СЦЕНАРИЙ     выполнить сценарий, не показывая окно, и выйти с кодом 0,\n"
              "                     если все шаги прошли, 1, если шаг не прошел, 2, если файл\n"
              "                     сценария неверен или файл не удалось прочитать или записать.\n"
              "  --record СЦЕНАРИЙ  открыть окно и записывать в СЦЕНАРИЙ для --run каждое нажатие\n"
              "                     кнопки: измененные поля, ответы на диалоги и то, что\n"
              "                     показано и не меняется от прогона к прогону. Файлы настроек\n"
              "                     на начало записи копируются в папку рядом (для day.json —\n"
              "                     day.settings): с ней --run --settings начинает с того же.\n"
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
        err << options.error << Qt::endl << usage() << tr("Подробнее: vanter9 --help") << Qt::endl;
        return ScenarioRunner::Unusable;
    }
    if (options.help) {
        out << helpText();
        return 0;
    }

    int exitCode = 0;
    if (!options.scenarioFile.isEmpty()) {
        // The run opens the journal itself, once it knows the run can be
        // made, and ends at once when it cannot be opened.
        ScenarioRunner::Options run;
        run.scenarioFile = options.scenarioFile;
        run.reportFile = options.reportFile;
        run.settingsDirectory = options.settingsDirectory;
        run.journalFile = options.journalFile;
        run.windowReady = [](PayCardMainWindow *window) { attachJournal(window, QString()); };
        exitCode = ScenarioRunner::run(run, out, err);
    } else {
        // The settings files are copied before the window reads them, and
        // nothing starts when the recording cannot be written.
        std::unique_ptr<ScenarioRecorder> recorder;
        if (!options.recordFile.isEmpty()) {
            recorder = std::make_unique<ScenarioRecorder>(options.recordFile);
            if (const QString error = recorder->start(settingsDirectory()); !error.isEmpty()) {
                err << error << Qt::endl;
                return ScenarioRunner::Unusable;
            }
        }
        const QString journalError = options.journalFile.isEmpty() ? QString() : DriverJournal::start(options.journalFile);
        // The window goes before the journal: its destructor still calls the
        // drivers when it releases the devices.
        PayCardMainWindow window;
        attachJournal(&window, journalError);
        if (recorder)
            recorder->attach(&window);
        window.show();
        qApp->exec();
        if (recorder)
            recorder->detach();
    }
    DriverJournal::stop();
    return exitCode;
}

} // namespace CommandLine
