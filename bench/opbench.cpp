// Operations of the window timed inside one process, for the bench/*.sh
// scripts. Each run builds the window beside the simulated drivers, with a
// configuration directory of its own, does the measured work once and prints
//     measured <cpu seconds> <wall seconds> [<longest stall seconds>]
// The window is shown (headless) and the event loop runs after every
// operation, so painting the views is part of what is measured.
//
//     opbench authorize window N   N authorizations through pbtnAuthorization
//     opbench authorize direct N   the same driver calls made directly on the
//                                  current terminal, the two text views
//                                  filled with the same texts by the same
//                                  helpers (the result lines, the broken slip)
//     opbench authorize direct-raw N   the same, the views filled with the
//                                  values and the slip as they come
//     opbench check                all three against a recording driver:
//                                  fails unless they make the same calls
//     opbench slip CHARS           one authorization whose slip has CHARS
//                                  characters, broken and shown in the slip
//                                  view; the longest stall is the longest
//                                  the event loop was kept from running,
//                                  the last figure the CPU time until the
//                                  whole slip was laid out and all was quiet
//     opbench journal D first|last plain|journal N
//                                  N authorizations through the window on
//                                  the first or last of D saved terminals,
//                                  with or without the call journal (opened
//                                  before the window, as the program does)
//     opbench popup D              the device list of D saved terminals
//                                  opened and painted
//     opbench shutdown D same|renamed  the window closed with D saved
//                                  terminals, none changed or one renamed
//     opbench bound D              D saved terminals and fresh registers
//                                  saved at close: the files' sizes and
//                                  whether the save failed

#include "commandline.h"
#include "dialogs.h"
#include "devicelists.h"
#include "driverjournal.h"
#include "fakedrivers.h"
#include "settingsfile.h"
#include "operationtexts.h"
#include "paycardmainwindow.h"
#include "settingsfolder.h"
#include "startup.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <memory>

using NEB::PayCard::IPayCard;
using OperationText::ResponseField;

namespace {

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

template <class T>
T *child(const QWidget &window, const char *name)
{
    T *widget = window.findChild<T *>(QLatin1String(name));
    if (!widget) {
        std::fprintf(stderr, "no %s named %s\n", T::staticMetaObject.className(), name);
        std::exit(2);
    }
    return widget;
}

// Lets the window paint and settle what the last operation changed.
void settle()
{
    QCoreApplication::processEvents();
}

// How the views are filled without the window: with the same texts, made by
// the same helpers, or with the values read back as they come.
enum class Texts { Formatted, Raw };

// The calls on_pbtnAuthorization_clicked makes for an approved payment with
// the window's field values, made on the terminal directly, and the two
// views filled with what they give.
void authorizeDirectly(QNebPaycard *terminal, QTextEdit *result, QTextEdit *slip, Texts texts)
{
    result->clear();
    slip->clear();
    terminal->invoke(&IPayCard::setAuthorizationType, 2);
    terminal->invoke(&IPayCard::setOperationType, 0);
    terminal->invoke(&IPayCard::setSum, 1.0);
    terminal->writeString(&IPayCard::setCurrencyCode, QStringLiteral("643"));
    terminal->writeString(&IPayCard::setReferenceNumber, QString());
    terminal->invoke(&IPayCard::setCharLineLength, 32);
    terminal->writeString(&IPayCard::setAccountNumber, QString());
    terminal->writeString(&IPayCard::setPhoneNumber, QString());
    terminal->writeString(&IPayCard::setTrack2, QString());
    terminal->invoke(&IPayCard::setEcrReceiptNumber, 1);
    terminal->invoke(&IPayCard::authorize);
    terminal->invoke(&IPayCard::completeAuthorization);
    const int responseCode = terminal->readInt(&IPayCard::responseCode);
    const QString protocol = terminal->readParameter(QStringLiteral("Protocol"));
    // The fields of the default protocol, in its order.
    const QVector<std::pair<ResponseField, QNebPaycard::StringGetter>> fields{
        {ResponseField::AuthorizationCode, &IPayCard::authorizationCode},
        {ResponseField::TransactionId, &IPayCard::transactionId},
        {ResponseField::TransactionDate, &IPayCard::transactionDate},
        {ResponseField::TransactionTime, &IPayCard::transactionTime},
        {ResponseField::TerminalId, &IPayCard::terminalId},
        {ResponseField::ReferenceNumber, &IPayCard::referenceNumber},
        {ResponseField::CardNumber, &IPayCard::cardNumber},
        {ResponseField::CardType, &IPayCard::cardType}};
    if (texts == Texts::Formatted) {
        result->setPlainText(OperationText::authorizationResultText(
            responseCode, protocol.toInt(), [terminal, &fields](ResponseField field) -> QVariant {
                for (const auto &known : fields) {
                    if (known.first == field)
                        return terminal->readString(known.second);
                }
                return QVariant();
            }));
        const QString slipText = terminal->readString(&IPayCard::slipText);
        slip->setPlainText(OperationText::slipViewText(slipText, terminal->readInt(&IPayCard::charLineLength)));
    } else {
        QStringList values{QString::number(responseCode), protocol};
        for (const auto &field : fields)
            values.append(terminal->readString(field.second));
        result->setPlainText(values.join(QLatin1Char('\n')));
        const QString slipText = terminal->readString(&IPayCard::slipText);
        terminal->readInt(&IPayCard::charLineLength);
        slip->setPlainText(slipText);
    }
}

// Field values the direct calls above assume: an approved payment of one
// rouble in the default protocol, 32 characters a slip line.
void setFields(const PayCardMainWindow &window)
{
    child<QPushButton>(window, "pbtnFillAuthorizationFields")->click();
    child<QSpinBox>(window, "spinCharLineLength")->setValue(32);
    child<QSpinBox>(window, "spinECRReceiptNumber")->setValue(1);
}

// How an authorization is made: through the window's button or directly.
enum class Way { Window, Direct, DirectRaw };

void authorizeOnce(const PayCardMainWindow &window, Way way)
{
    if (way == Way::Window) {
        child<QPushButton>(window, "pbtnAuthorization")->click();
        return;
    }
    authorizeDirectly(window.paycardDeviceList()->device(), child<QTextEdit>(window, "teAuthResult"),
                      child<QTextEdit>(window, "teAuthSlip"), way == Way::Direct ? Texts::Formatted : Texts::Raw);
}

int authorize(PayCardMainWindow &window, Way way, int count)
{
    setFields(window);
    auto *result = child<QTextEdit>(window, "teAuthResult");
    // Both ways show the result tab, which the window turns to after an
    // authorization, so both repaint the view they fill.
    child<QTabWidget>(window, "twAuthorization")->setCurrentWidget(child<QWidget>(window, "tabAuthResult"));
    settle();
    const double cpu = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    for (int i = 0; i < count; ++i) {
        authorizeOnce(window, way);
        settle();
    }
    std::printf("measured %.6f %.6f\n", cpuSeconds() - cpu, wall.nsecsElapsed() / 1e9);
    if (!result->toPlainText().contains(QLatin1String("SIM"))) {
        std::fprintf(stderr, "the last authorization was not approved:\n%s\n", qPrintable(result->toPlainText()));
        return 1;
    }
    return 0;
}

// Makes `fake` the window's current terminal; the window's own terminal
// stays in the list and is released with it.
void useFake(PayCardMainWindow &window, FakePaycard *fake)
{
    PaycardDeviceList *list = window.paycardDeviceList();
    list->setCurrent(list->add(std::make_unique<QNebPaycard>(fake)));
}

int check(PayCardMainWindow &window)
{
    setFields(window);
    // Static: the window, which shuts its devices down when main ends, must
    // not outlive them.
    static FakePaycard fakes[3];
    const Way ways[3] = {Way::Window, Way::Direct, Way::DirectRaw};
    for (int i = 0; i < 3; ++i) {
        fakes[i].parameters.insert(QStringLiteral("Protocol"), QStringLiteral("0"));
        fakes[i].ints.insert(QStringLiteral("charLineLength"), 32);
        useFake(window, &fakes[i]);
        authorizeOnce(window, ways[i]);
        if (i > 0 && fakes[i].calls != fakes[0].calls) {
            std::fprintf(stderr, "the window made:\n  %s\nthe direct sequence made:\n  %s\n",
                         qPrintable(fakes[0].calls.join(QLatin1String("\n  "))),
                         qPrintable(fakes[i].calls.join(QLatin1String("\n  "))));
            return 1;
        }
    }
    const int calls = int(fakes[0].calls.size());
    std::printf("same %d driver calls\n", calls);
    return 0;
}

// A slip as the terminal gives it: fixed-width lines without separators.
QString bigSlip(int characters)
{
    const QString line = QStringLiteral("ОПЛАТА   0000123 СУММА 1.00 RUB ");
    QString slip;
    slip.reserve(characters);
    while (slip.size() < characters)
        slip += line;
    slip.truncate(characters);
    return slip;
}

int showSlip(PayCardMainWindow &window, int characters)
{
    // Static: the window, which shuts its devices down when main ends, must
    // not outlive it.
    static FakePaycard fake;
    fake.ints.insert(QStringLiteral("charLineLength"), 32);
    fake.strings.insert(QStringLiteral("slipText"), bigSlip(characters));
    useFake(window, &fake);
    settle();

    // A timer that should fire every 10 ms: the longest gap between two of
    // its ticks is the longest the window could not react.
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.nsecsElapsed());
        sinceTick.start();
    });

    auto *slipView = child<QTextEdit>(window, "teAuthSlip");
    auto *tabs = child<QTabWidget>(window, "twAuthorization");
    const double cpu = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    sinceTick.start();
    ticker.start();
    child<QPushButton>(window, "pbtnAuthorization")->click();
    settle();
    // The user turns to the slip tab to read it.
    tabs->setCurrentWidget(child<QWidget>(window, "tabAuthSlip"));
    window.repaint();
    settle();
    const double cpuSpent = cpuSeconds() - cpu;
    const double wallSpent = wall.nsecsElapsed() / 1e9;
    // Whatever the view still does in the background counts as stalls, not
    // as the time to show the slip.
    QEventLoop loop;
    QTimer::singleShot(1500, &loop, &QEventLoop::quit);
    loop.exec();
    ticker.stop();
    longestGap = std::max(longestGap, sinceTick.nsecsElapsed());
    // The view lays the rest of the text out in the background; it is done
    // when a quarter of a second of the event loop costs next to nothing.
    for (double before = 0; cpuSeconds() - before > 0.01 && wall.elapsed() < 60000;) {
        before = cpuSeconds();
        QTimer::singleShot(250, &loop, &QEventLoop::quit);
        loop.exec();
    }
    std::printf("measured %.6f %.6f %.6f %.6f\n", cpuSpent, wallSpent, longestGap / 1e9, cpuSeconds() - cpu);

    const int lines = int(slipView->toPlainText().count(QLatin1Char('\n'))) + 1;
    const int expected = (characters + 31) / 32;
    if (lines != expected) {
        std::fprintf(stderr, "the slip view shows %d lines, expected %d\n", lines, expected);
        return 1;
    }
    return 0;
}

// Saves `count` terminals with the settings of the default one, as if the
// user had added them in an earlier session. The registers are left to
// start-up, which makes them afresh without a warning; with `settled`, one
// more start and close writes both files in the program's own form.
void saveTerminals(int count, bool settled = false)
{
    QString settings;
    {
        PayCardMainWindow first;
        settings = first.paycardDeviceList()->device()->readString(&IPayCard::deviceSettings);
    }
    QVector<SettingsFile::Device> devices;
    for (int i = 1; i <= count; ++i)
        devices.append({QStringLiteral("Terminal %1").arg(i), settings});
    if (!SettingsFile::save({{settingsDirectory() + QLatin1String("paycard.cfg"), devices}})) {
        std::fprintf(stderr, "could not save %d terminals\n", count);
        std::exit(2);
    }
    QFile::remove(settingsDirectory() + QLatin1String("paycard_fptr.cfg"));
    if (settled)
        PayCardMainWindow window;
}

int journalled(int devices, bool last, bool journal, int count)
{
    saveTerminals(devices);
    QTemporaryDir directory;
    if (journal && !DriverJournal::start(directory.filePath(QStringLiteral("journal.log"))).isEmpty())
        return 2;
    int result = 0;
    {
        PayCardMainWindow window;
        CommandLine::attachJournal(&window, QString());
        window.show();
        auto *list = child<QComboBox>(window, "cmbDevices");
        list->setCurrentIndex(last ? list->count() - 1 : 0);
        settle();
        result = authorize(window, Way::Window, count);
    }
    DriverJournal::stop();
    return result;
}

int popup(int devices)
{
    saveTerminals(devices);
    PayCardMainWindow window;
    window.show();
    settle();
    auto *list = child<QComboBox>(window, "cmbDevices");
    const double cpu = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    list->showPopup();
    list->view()->window()->repaint();
    settle();
    std::printf("measured %.6f %.6f\n", cpuSeconds() - cpu, wall.nsecsElapsed() / 1e9);
    list->hidePopup();
    return list->count() == devices ? 0 : 1;
}

int shutDown(int devices, bool rename)
{
    saveTerminals(devices, true);
    auto window = std::make_unique<PayCardMainWindow>();
    window->show();
    settle();
    if (rename)
        child<QComboBox>(*window, "cmbDevices")->setItemText(0, QStringLiteral("Renamed"));
    const double cpu = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    window.reset();
    std::printf("measured %.6f %.6f\n", cpuSeconds() - cpu, wall.nsecsElapsed() / 1e9);
    return 0;
}

// Where the settings files pass their bound: `devices` terminals saved, their
// registers made afresh by start-up, and the window closed, which writes
// both files. Prints each file's size (or "none"), whether the terminals'
// file is still the one saved before, and the dialogs the close showed.
int bound(int devices)
{
    saveTerminals(devices);
    const QString paycardFile = settingsDirectory() + QLatin1String("paycard.cfg");
    const QString fptrFile = settingsDirectory() + QLatin1String("paycard_fptr.cfg");
    const auto contents = [](const QString &name) {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = contents(paycardFile);
    answerEveryDialog(true);
    { PayCardMainWindow window; }
    const QVector<AnsweredDialog> shown = takeAnsweredDialogs();
    for (const QString &name : {paycardFile, fptrFile}) {
        const QFileInfo info(name);
        std::printf("%s: %s\n", qPrintable(info.fileName()),
                    info.exists() ? qPrintable(QString::number(info.size()) + QLatin1String(" bytes")) : "none");
    }
    std::printf("paycard.cfg as saved before the start: %s\n", contents(paycardFile) == before ? "yes" : "no");
    for (const AnsweredDialog &dialog : shown)
        std::printf("dialog: %s\n", qPrintable(dialog.text));
    return 0;
}

int usage()
{
    std::fprintf(stderr, "usage: opbench authorize window|direct|direct-raw N | check | slip CHARS"
                         " | journal DEVICES first|last plain|journal N | popup DEVICES"
                         " | shutdown DEVICES same|renamed | bound DEVICES\n");
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    useSettingsDirectory(configHome.path() + QStringLiteral("/ORVA/vanter9"));
    QApplication app(argc, argv);
    installTranslation();
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty())
        return usage();

    if (arguments.at(0) == QLatin1String("journal") && arguments.size() == 5)
        return journalled(arguments.at(1).toInt(), arguments.at(2) == QLatin1String("last"),
                          arguments.at(3) == QLatin1String("journal"), arguments.at(4).toInt());
    if (arguments.at(0) == QLatin1String("popup") && arguments.size() == 2)
        return popup(arguments.at(1).toInt());
    if (arguments.at(0) == QLatin1String("bound") && arguments.size() == 2)
        return bound(arguments.at(1).toInt());
    if (arguments.at(0) == QLatin1String("shutdown") && arguments.size() == 3)
        return shutDown(arguments.at(1).toInt(), arguments.at(2) == QLatin1String("renamed"));

    PayCardMainWindow window;
    window.show();
    settle();
    if (arguments.at(0) == QLatin1String("authorize") && arguments.size() == 3) {
        const QString way = arguments.at(1);
        if (way == QLatin1String("window"))
            return authorize(window, Way::Window, arguments.at(2).toInt());
        if (way == QLatin1String("direct"))
            return authorize(window, Way::Direct, arguments.at(2).toInt());
        if (way == QLatin1String("direct-raw"))
            return authorize(window, Way::DirectRaw, arguments.at(2).toInt());
    }
    if (arguments.at(0) == QLatin1String("check"))
        return check(window);
    if (arguments.at(0) == QLatin1String("slip") && arguments.size() == 2)
        return showSlip(window, arguments.at(1).toInt());
    return usage();
}
