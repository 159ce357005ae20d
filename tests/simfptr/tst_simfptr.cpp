#include "benchtest.h"
#include "settingsfolder.h"

#include "dialoganswerer.h"
#include "ifptr.h"
#include "portregistry.h"

#include <QDialog>
#include <QLabel>
#include <QLibrary>
#include <QPlainTextEdit>
#include <QRegularExpression>

#include <climits>
#ifdef Q_OS_UNIX
#include <sys/mman.h>
#include <unistd.h>
#endif
#include <functional>
#include <memory>
#include <vector>

using NEB::Fptr::IFptr;
using TextGetter = int (NEBAPI IFptr::*)(wchar_t *, int);
using IntGetter = int (NEBAPI IFptr::*)(int *);

namespace {

// Result codes the register documents (README).
const int NullArgument = -1, InvalidArgument = -2, DeviceDisabled = -3, UnknownParameter = -4,
          InvalidParameterValue = -5, InvalidSettings = -6, TextTooLong = -8, LineTooLong = -103,
          WrongSequence = -104, PortNotInitialised = -105, ModemFailure = -106, NoModem = -107;

std::wstring w(const QString &text) { return text.toStdWString(); }

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll()) : QString();
}

// Two-pass read, as the bench reads strings.
QString readText(const std::function<int(wchar_t *, int)> &getter)
{
    std::vector<wchar_t> buffer(8, L'\0');
    int length = getter(buffer.data(), int(buffer.size()));
    if (length >= int(buffer.size())) {
        buffer.assign(std::size_t(length) + 1, L'\0');
        length = getter(buffer.data(), int(buffer.size()));
    }
    return length <= 0 ? QString() : QString::fromWCharArray(buffer.data(), length);
}

struct Library
{
    std::unique_ptr<QLibrary> library;
    NEB::Fptr::CreateFptrInterfaceFunction create = nullptr;
    NEB::Fptr::ReleaseFptrInterfaceFunction release = nullptr;
};

// Owns one driver object and releases it through its library.
class Device
{
public:
    explicit Device(const Library &library)
        : library(library), object(library.create(NEB::Fptr::InterfaceVersion)) {}
    ~Device() { if (object) library.release(&object); }
    IFptr *operator->() const { return object; }

    QString text(TextGetter getter) const
    {
        return readText([&](wchar_t *b, int s) { return (object->*getter)(b, s); });
    }
    QString text(int (NEBAPI IFptr::*getter)(const wchar_t *, wchar_t *, int), const QString &name) const
    {
        return readText([&](wchar_t *b, int s) { return (object->*getter)(w(name).c_str(), b, s); });
    }
    QString parameter(const QString &name) const { return text(&IFptr::parameter, name); }
    QString values(const QString &name) const { return text(&IFptr::parameterValues, name); }
    // Label of the current value, found in the value list like the bench does.
    QString label(const QString &name) const
    {
        const QString current = parameter(name);
        for (const QString &entry : values(name).split(QLatin1Char(';'))) {
            if (entry.section(QLatin1Char(':'), 0, 0) == current)
                return entry.section(QLatin1Char(':'), 1);
        }
        return QString();
    }
    int configure(const QMap<QString, QString> &values) const
    {
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            if (object->setParameter(w(it.key()).c_str(), w(it.value()).c_str()) < 0)
                return -1;
        }
        return object->applySettings();
    }
    QString settings() const { return text(&IFptr::deviceSettings); }
    QString description() const { return text(&IFptr::resultDescription); }
    QString badDescription() const { return text(&IFptr::badParamDescription); }
    int intOf(IntGetter getter) const
    {
        int value = -12345;
        (object->*getter)(&value);
        return value;
    }
    int code() const { return intOf(&IFptr::resultCode); }
    bool bad() const { return intOf(&IFptr::badParam) != 0; }
    int printLine(const QString &line, int font = 0) const
    {
        int result = object->setLineParamA(font);
        if (result >= 0) result = object->setLineParamB(1);
        if (result >= 0) result = object->setLineText(w(line).c_str());
        return result >= 0 ? object->printLine() : result;
    }

private:
    const Library &library;
    IFptr *object;
};

// One call of a step script, "name" or "name:number"; INT_MIN for an unknown name.
int runStep(const Device &d, const QString &step)
{
    using Plain = int (NEBAPI IFptr::*)();
    using WithInt = QPair<int (NEBAPI IFptr::*)(int), int>; // call and default argument
    static const QMap<QString, Plain> plain = {
        {"print", &IFptr::printLine}, {"A", &IFptr::finishStepA}, {"B", &IFptr::finishStepB},
        {"C", &IFptr::finishStepC}, {"pinpadOn", &IFptr::pinpadPowerOn}, {"pinpadOff", &IFptr::pinpadPowerOff},
        {"pinpadStatus", &IFptr::updatePinpadStatus}, {"modemOn", &IFptr::modemPowerOn},
        {"modemOff", &IFptr::modemPowerOff}, {"modemStatus", &IFptr::updateModemStatus},
        {"apply", &IFptr::applySettings}};
    static const QMap<QString, WithInt> withInt = {
        {"enable", {&IFptr::setDeviceEnabled, 1}}, {"font", {&IFptr::setLineParamA, 0}},
        {"feed", {&IFptr::setLineParamB, 1}}, {"P", {&IFptr::setFinishParam, 2}},
        {"pinpadMode", {&IFptr::setPinpadPortMode, 1}}, {"modemMode", {&IFptr::setModemPortMode, 1}}};
    static const std::wstring huge(2000001, L'y');
    const QString name = step.section(':', 0, 0);
    const QString rest = step.mid(name.size() + 1);
    const int n = step.contains(':') ? step.section(':', 1).toInt() : withInt.value(name).second;
    if (plain.contains(name))
        return (d.operator->()->*plain.value(name))();
    if (withInt.contains(name))
        return (d.operator->()->*withInt.value(name).first)(n);
    wchar_t b[8];
    const QMap<QString, std::function<int()>> others = {
        {"L", [&] { return d.printLine(n > 0 ? QString(n, QChar(0x0416)) : QStringLiteral("строка")); }},
        {"W", [&] { return d.printLine(QString(n, QChar(0x0416)), 2); }}, // double width
        {"set", [&] { return d->setParameter(w(rest.section('=', 0, 0)).c_str(), w(rest.section('=', 1)).c_str()); }},
        {"load", [&] { return d->setDeviceSettings(w(rest).c_str()); }},
        {"text", [&] { return d->setLineText(L"x"); }},
        {"textNull", [&] { return d->setLineText(nullptr); }},
        {"textHuge", [&] { return d->setLineText(huge.c_str()); }},
        {"textBreak", [&] { return d->setLineText(L"a\nb"); }},
        {"settingsNull", [&] { return d->setDeviceSettings(nullptr); }},
        {"setNullName", [&] { return d->setParameter(nullptr, L"1"); }},
        {"setNullValue", [&] { return d->setParameter(L"Model", nullptr); }},
        {"stateNull", [&] { return d->modemState(nullptr); }},
        {"setUnknown", [&] { return d->setParameter(L"Speed", L"1"); }},
        {"getUnknown", [&] { return d->parameter(L"Speed", b, 8); }},
        {"valuesUnknown", [&] { return d->parameterValues(L"Speed", b, 8); }}};
    const auto call = others.value(name);
    return call ? call() : INT_MIN;
}

// Runs the steps until one fails; that step's result, or 0.
int run(const Device &d, const QString &steps)
{
    for (const QString &step : steps.split(' ')) {
        if (const int result = runStep(d, step); result < 0)
            return result;
    }
    return 0;
}

} // namespace

class TestSimFptr : public QObject
{
    Q_OBJECT

    Library fptr;
    Library rcpprn;
    std::unique_ptr<QTemporaryDir> dir;

private slots:
    void initTestCase()
    {
        for (auto pair : {std::make_pair(&fptr, "/fptr"), std::make_pair(&rcpprn, "/rcpprn")}) {
            Library &lib = *pair.first;
            lib.library.reset(new QLibrary(QCoreApplication::applicationDirPath() + pair.second));
            QVERIFY2(lib.library->load(), qPrintable(lib.library->errorString()));
            lib.create = reinterpret_cast<NEB::Fptr::CreateFptrInterfaceFunction>(
                lib.library->resolve("CreateFptrInterface"));
            lib.release = reinterpret_cast<NEB::Fptr::ReleaseFptrInterfaceFunction>(
                lib.library->resolve("ReleaseFptrInterface"));
            QVERIFY(lib.create && lib.release);
        }
    }

    void init()
    {
        dir.reset(new QTemporaryDir);
        QVERIFY(dir->isValid());
    }

    void library_createsAndReleasesDescribedObjects_data()
    {
        QTest::addColumn<bool>("receiptPrinter");
        QTest::newRow("fptr") << false;
        QTest::newRow("rcpprn") << true;
    }

    void library_createsAndReleasesDescribedObjects()
    {
        QFETCH(bool, receiptPrinter);
        const Library &library = receiptPrinter ? rcpprn : fptr;
        for (int version : {0, 14, 16})
            QVERIFY(!library.create(version));
        IFptr *object = library.create(15);
        IFptr *copy = object;
        IFptr *none = nullptr;
        QVERIFY(object);
        QVERIFY((receiptPrinter ? fptr : rcpprn).release(&copy) < 0); // the twin library refuses it
        QCOMPARE(copy, object);
        QVERIFY(library.release(nullptr) < 0);
        QCOMPARE(library.release(&none), 0);
        QCOMPARE(library.release(&object), 0);
        QVERIFY(!object);

        // A new object is switched on and describes itself from its defaults.
        Device device(library);
        QCOMPARE(device.intOf(&IFptr::deviceEnabled), 1);
        QCOMPARE(QStringLiteral("%1 (%2 %3)").arg(device.label("Model"), device.label("Port"),
                                                  device.label("BaudRate")),
                 receiptPrinter ? QStringLiteral("СИМ-П 58 (COM1 115200)") : QStringLiteral("СИМ-К 100Ф (COM1 115200)"));
        for (const char *name : {"IPAddress", "TTYSuffix", "MACAddress"})
            QVERIFY2(!device.parameter(name).isEmpty(), name);
        QVERIFY(device.parameter("IPPort").toInt() > 0);
        QVERIFY2(device.parameter("TapeFile").startsWith(settingsDirectory()), qPrintable(device.parameter("TapeFile")));

        // The receipt printer has a pinpad port but no modem, and offers no modem behaviour.
        QCOMPARE(device.values("ModemScenario").isEmpty(), receiptPrinter);
        QCOMPARE(device.intOf(&IFptr::modemPortHandle) == 0, receiptPrinter);
        for (const char *step : {"modemMode", "modemOn", "modemOff", "modemStatus"}) {
            QCOMPARE(run(device, step) == NoModem, receiptPrinter);
            QCOMPARE(run(device, "pinpadMode pinpadOn pinpadStatus"), 0);
        }
    }

    void objects_areIndependentAndSwitchOff()
    {
        Device a(fptr), b(fptr);
        QVERIFY(a.configure({{"PaperWidth", "32"}}) >= 0);
        QCOMPARE(b.parameter("PaperWidth"), QStringLiteral("48"));
        QVERIFY(a.parameter("TapeFile") != b.parameter("TapeFile"));
        QVERIFY(a->setDeviceEnabled(0) >= 0);
        QVERIFY(a->printLine() < 0);
        QCOMPARE(a.code(), DeviceDisabled);
        QCOMPARE(b.code(), 0);
        QCOMPARE(b.intOf(&IFptr::deviceEnabled), 1);
        // Switched off, settings and getters still work; setting clears the error.
        QVERIFY(a.configure({{"PaperWidth", "40"}}) >= 0);
        QCOMPARE(a.code(), 0);
        QCOMPARE(a.intOf(&IFptr::deviceEnabled), 0);
        QVERIFY(a->setDeviceEnabled(1) >= 0 && a.printLine("ok") >= 0);
    }

    void parameterValues_areValueLabelPairs()
    {
        Device device(fptr);
        const QString ports = device.values("Port");
        QVERIFY2(ports.startsWith("COM1:COM1;") && ports.endsWith(";TTY:Файл устройства;"), qPrintable(ports));
        for (const char *entry : {"COM16:COM16;", ";TCP/IP:TCP/IP;", ":USB:SIM-0001;"})
            QVERIFY2(ports.contains(entry), entry);
        // Read as the bench reads it (value before the first colon), every
        // entry is a value the device takes and then shows with its label.
        for (const QString &entry : ports.split(';', Qt::SkipEmptyParts)) {
            QVERIFY2(device.configure({{"Port", entry.section(':', 0, 0)}}) >= 0, qPrintable(entry));
            QCOMPARE(device.label("Port"), entry.section(':', 1));
        }
        QVERIFY(device.values("PrinterFault").contains(";2:Открыта крышка;"));
        QVERIFY(device.values("IPAddress").isEmpty()); // a free value has no list
        QCOMPARE(device.code(), 0);
    }

    void settings_roundTripExactly()
    {
        Device a(fptr), b(fptr);
        QVERIFY(a.configure({{"Model", "K300"}, {"Port", "Bluetooth"}, {"PaperWidth", "35"},
                             {"SearchDir", "C:\\a;b=c\\\nd/"}, {"PrinterFault", "2"},
                             {"ModemScenario", "1"}, {"TapeFile", dir->filePath("t.txt")}}) >= 0);
        const QString settings = a.settings();
        QVERIFY(settings.startsWith("SIMFPTR/1;"));
        QVERIFY(b->setDeviceSettings(w(settings).c_str()) >= 0);
        QCOMPARE(b.settings(), settings);
        QCOMPARE(b.parameter("SearchDir"), QStringLiteral("C:\\a;b=c\\\nd/"));
    }

    void tape_recordsClosedDocuments_data()
    {
        QTest::addColumn<bool>("window");
        QTest::addColumn<bool>("file");
        QTest::newRow("file only") << false << true;
        QTest::newRow("window only") << true << false;
        QTest::newRow("file and window") << true << true;
    }

    void tape_recordsClosedDocuments()
    {
        QFETCH(bool, window);
        QFETCH(bool, file);
        Device device(fptr);
        QWidget owner;
        device->setOwnerWindow(&owner);
        const QString tape = dir->filePath("sub/tape.txt");
        QVERIFY(device.configure({{"TapeFile", file ? tape : ""}, {"ShowTape", window ? "1" : "0"}}) >= 0);
        for (const QString &line : {QStringLiteral("ОПЛАТА"), QString(), QStringLiteral("Сумма 100.00")})
            QVERIFY(device.printLine(line) >= 0);
        // Nothing appears before the document is closed.
        QVERIFY(!QFileInfo::exists(tape) && !owner.findChild<QPlainTextEdit *>("SimTapeWindow"));
        QVERIFY(run(device, "P A B C") >= 0 && device.printLine("второй") >= 0 && run(device, "P A B C") >= 0);

        QCOMPARE(QFileInfo::exists(tape), file);
        auto *shown = owner.findChild<QPlainTextEdit *>("SimTapeWindow");
        QCOMPARE(shown != nullptr, window);
        QVERIFY(!shown || (shown->isVisible() && shown->isWindow()));
        if (shown && file)
            QCOMPARE(shown->toPlainText(), readFile(tape));
        const QStringList lines = (shown ? shown->toPlainText() : readFile(tape)).split('\n');
        const QRegularExpression heading(
            "^==== \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d · СИМ-К 100Ф · документ № (\\d+) ====$");
        QVERIFY2(lines.size() >= 10, qPrintable(lines.join('|')));
        QCOMPARE(heading.match(lines.at(0)).captured(1), QStringLiteral("1"));
        QCOMPARE(lines.mid(1, 4), (QStringList{"ОПЛАТА", "", "Сумма 100.00", "==== конец документа ===="}));
        QCOMPARE(heading.match(lines.at(6)).captured(1), QStringLiteral("2"));
        QCOMPARE(lines.at(7), QStringLiteral("второй"));
    }

    void printerFault_failsPrinting_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("description");
        QTest::addColumn<int>("before"); // lines printed before the fault is chosen
        QTest::addColumn<int>("after");  // lines it lets through
        QTest::newRow("paper end") << "1" << -100 << "Нет бумаги" << 1 << 0;
        QTest::newRow("cover open") << "2" << -101 << "Открыта крышка принтера" << 1 << 0;
        QTest::newRow("printer error") << "3" << -102 << "Ошибка принтера" << 1 << 0;
        QTest::newRow("paper end at line 3") << "1" << -100 << "Нет бумаги" << 0 << 2;
        QTest::newRow("printer error after 1 of 4") << "3" << -102 << "Ошибка принтера" << 1 << 3;
        QTest::newRow("before the first line") << "2" << -101 << "Открыта крышка принтера" << 0 << 0;
    }

    void printerFault_failsPrinting()
    {
        QFETCH(QString, fault);
        QFETCH(int, code);
        QFETCH(QString, description);
        QFETCH(int, before);
        QFETCH(int, after);
        Device device(fptr);
        const QString tape = dir->filePath("tape.txt");
        QVERIFY(device.configure({{"TapeFile", tape}, {"ShowTape", "0"}}) >= 0);
        QStringList printed;
        for (int i = 0; i < before + after; ++i) {
            if (i == before)
                QVERIFY(device.configure({{"PrinterFault", fault}, {"PrinterFaultAfter", QString::number(after)}}) >= 0);
            printed.append(QStringLiteral("строка %1").arg(i + 1));
            QVERIFY2(device.printLine(printed.last()) >= 0, qPrintable(printed.last()));
        }
        if (after == 0)
            QVERIFY(device.configure({{"PrinterFault", fault}}) >= 0);
        QVERIFY(device->applySettings() >= 0); // re-applying does not postpone the fault
        QVERIFY(device.printLine("сбой") < 0);
        QCOMPARE(device.code(), code);
        QVERIFY(device.description().startsWith(description));
        QVERIFY(device.printLine("снова") < 0); // struck, it stays
        // The interrupted document keeps its printed lines on the tape and is
        // over; a fault before the first line opened none.
        const QString text = readFile(tape);
        QCOMPARE(text.isEmpty(), printed.isEmpty());
        if (!printed.isEmpty())
            QVERIFY2(text.contains(printed.join('\n') + "\n==== документ прерван: " + description), qPrintable(text));
        QVERIFY(!text.contains("сбой") && !text.contains("снова"));
        QVERIFY(device->setFinishParam(2) < 0);
        QCOMPARE(device.code(), WrongSequence);

        // A fault while finishing keeps the step repeatable once cleared.
        QVERIFY(device.configure({{"PrinterFault", "0"}}) >= 0);
        QVERIFY(device.printLine("третья") >= 0 && device->setFinishParam(2) >= 0);
        QVERIFY(device.configure({{"PrinterFault", fault}, {"PrinterFaultAfter", "0"}}) >= 0);
        QVERIFY(device->finishStepA() < 0);
        QCOMPARE(device.code(), code);
        QVERIFY(run(device, "set:PrinterFault=0 apply A B C") >= 0);
        QVERIFY(readFile(tape).contains("третья\n==== конец документа ===="));
    }

    void calls_failOnlyAtLastStep_data()
    {
        // All steps (runStep) but the last must succeed; the last fails with
        // code (0: succeeds too). mention: text expected in the error
        // descriptions after a failure, in the settings string after success.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("bad");
        QTest::addColumn<QString>("mention");
        const auto row = [](const QString &steps, int code, bool bad, const QString &mention = QString()) {
            QTest::newRow(qPrintable(steps.left(60))) << steps << code << bad << mention;
        };
        // Values set by name take effect on apply if every one is acceptable.
        // (The connection parameters are checked with the terminal's tests,
        // which hold both simulators to the same rules.)
        for (const char *value : {"PaperWidth=57", "Port=TCP/IP"})
            row(QStringLiteral("set:%1 apply").arg(value), 0, false, value);
        // Settings strings saved with the former USB values still load.
        row("load:SIMFPTR/1;Port=USB:SIM-0002", 0, false, "Port=USB2;");
        for (const char *value : {"PaperWidth=41", "Port=TCP", "PrinterFault=Нет", "Model=X", "PrinterFault=4",
                                  "PrinterFaultAfter=-1", "PrinterFaultAfter=x"})
            row(QStringLiteral("set:%1 apply").arg(value), InvalidParameterValue, true, QString(value).section('=', 0, 0));
        // A settings string of another device, version or form is refused whole.
        for (const char *text : {"", "hello", "SIMRCPPRN/1;Model=P58", "SIMFPTR/2;Model=K100", "SIMFPTR/1;Colour=red",
                                 "SIMFPTR/1;Model=K200;PaperWidth=41", "SIMFPTR/1;Model", "SIMFPTR/1;Model=K100;Model=K200",
                                 "SIMFPTR/1;SearchDir=a\\x", "SIMFPTR/1;SearchDir=a\\", "SIMFPTR/1;Model=K200;"})
            row("set:PaperWidth=40 apply load:" + QString(text), InvalidSettings, true);
        // Finishing order: L prints a line, P is setFinishParam(2).
        row("L L P A B C", 0, false);
        for (const char *steps : {"P", "L A", "L P B", "L P A C", "L P A A", "L P P", "L P A L", "L P A B C C"})
            row(steps, WrongSequence, false);
        // A line must fit the paper; double width takes two places a character.
        for (int width : {32, 40, 57}) {
            const QString paper = QStringLiteral("set:PaperWidth=%1 apply ").arg(width);
            row(paper + QStringLiteral("L:%1").arg(width), 0, false);
            row(paper + QStringLiteral("L:%1").arg(width + 1), LineTooLong, true, QString::number(width + 1));
            row(paper + QStringLiteral("W:%1").arg(width / 2), 0, false);
            row(paper + QStringLiteral("W:%1").arg(width / 2 + 1), LineTooLong, true, QString::number(width / 2 + 1));
        }
        // Bad arguments and ports used before they are set up.
        for (const char *steps : {"textNull", "settingsNull", "setNullName", "setNullValue", "stateNull"})
            row(steps, NullArgument, true);
        row("textHuge", TextTooLong, true);
        for (const char *steps : {"textBreak", "font:3", "feed:0", "L P:3", "enable:2", "pinpadMode:3",
                                  "modemMode:-1"})
            row(steps, InvalidArgument, true);
        for (const char *steps : {"setUnknown", "getUnknown", "valuesUnknown"})
            row(steps, UnknownParameter, true, "Speed");
        // Mode 0 is off: accepted at any time, it leaves the port closed.
        for (const char *steps : {"pinpadOn", "modemOff", "pinpadStatus", "modemStatus", "pinpadMode:0 pinpadOn",
                                  "pinpadMode:2 pinpadOn pinpadMode:0 pinpadStatus",
                                  "modemMode:1 modemOn modemMode:0 modemMode:0 modemStatus",
                                  "pinpadMode:1 enable:0 enable:1 pinpadOff"})
            row(steps, PortNotInitialised, false);
        row("set:ModemScenario=3 apply modemMode modemOn modemStatus", ModemFailure, false);
        // A switched-off device refuses printing and every port action.
        for (const char *step : {"font", "feed", "text", "print", "P", "A", "B", "C", "pinpadMode", "pinpadOn",
                                 "pinpadOff", "pinpadStatus", "modemMode", "modemOn", "modemOff", "modemStatus"})
            row("enable:0 " + QString(step), DeviceDisabled, false, "Устройство выключено");
    }

    void calls_failOnlyAtLastStep()
    {
        QFETCH(QString, steps);
        QFETCH(int, code);
        QFETCH(bool, bad);
        QFETCH(QString, mention);
        Device device(fptr);
        QVERIFY(device.configure({{"TapeFile", ""}, {"ShowTape", "0"}}) >= 0);
        const QStringList names = steps.split(' ');
        QString before;
        for (int i = 0; i < names.size(); ++i) {
            before = device.settings();
            const int result = runStep(device, names.at(i));
            QVERIFY2(result != INT_MIN, qPrintable("unknown step " + names.at(i)));
            QVERIFY2((result < 0) == (code != 0 && i == names.size() - 1),
                     qPrintable(QStringLiteral("%1 -> %2").arg(names.at(i)).arg(result)));
        }
        QCOMPARE(device.code(), code);
        QCOMPARE(device.bad(), bad);
        QCOMPARE(device.description().isEmpty(), code == 0);
        QCOMPARE(device.badDescription().isEmpty(), !bad);
        const QString errors = device.description() + "|" + device.badDescription();
        QVERIFY2((code ? errors : device.settings()).contains(mention), qPrintable(errors));
        // Only a failing modem reports a modem error; a refused mode is not kept.
        QCOMPARE(device.text(&IFptr::modemLastError).isEmpty(), code != ModemFailure);
        QCOMPARE(device.intOf(&IFptr::pinpadPortMode), 0);
        // Reading values leaves the error state to the next action or setter.
        for (IntGetter getter : {&IFptr::deviceEnabled, &IFptr::pinpadPortHandle, &IFptr::modemPortMode,
                                 &IFptr::modemPortHandle, &IFptr::modemState, &IFptr::modemSignalLevel,
                                 &IFptr::inputBufferSize, &IFptr::outputBufferSize})
            device.intOf(getter);
        device.text(&IFptr::modemOperator);
        device.values("Port");
        device.parameter("Model");
        QCOMPARE(device.code(), code);
        QCOMPARE(device.description() + "|" + device.badDescription(), errors);
        // A failure leaves the settings as they were and blocks no later apply.
        if (code != 0) {
            QCOMPARE(device.settings(), before);
            QVERIFY(device->applySettings() >= 0);
            QCOMPARE(device.settings(), before);
        }
    }

    void modem_followsScenario_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QList<int>>("poweredStates");
        QTest::addColumn<bool>("endsWithError");
        QTest::newRow("host") << "0" << QList<int>{1, 2, 3, 4, 4} << false;
        QTest::newRow("gprs") << "1" << QList<int>{1, 2, 7, 7} << false;
        QTest::newRow("connect error") << "2" << QList<int>{1, 2, 3, 2, 2} << true;
    }

    void modem_followsScenario()
    {
        QFETCH(QString, scenario);
        QFETCH(QList<int>, poweredStates);
        QFETCH(bool, endsWithError);
        Device device(fptr);
        QVERIFY(run(device, "set:ModemScenario=" + scenario + " apply modemMode:2 modemOn") >= 0);
        const int handle = device.intOf(&IFptr::modemPortHandle);
        for (int expected : poweredStates) {
            QVERIFY(device->updateModemStatus() >= 0);
            QCOMPARE(device.intOf(&IFptr::modemState), expected);
            const int signal = device.intOf(&IFptr::modemSignalLevel);
            QVERIFY2(signal <= -51 && signal >= -113, qPrintable(QString::number(signal)));
            QCOMPARE(device.text(&IFptr::modemOperator).isEmpty(), expected == 1);
            SimPorts::PortState registered;
            QVERIFY(SimPorts::portState(handle, &registered));
            QCOMPARE(registered.modemState, expected);
            QCOMPARE(device.intOf(&IFptr::inputBufferSize), 4096);
            QCOMPARE(device.intOf(&IFptr::outputBufferSize), 2048);
        }
        QCOMPARE(!device.text(&IFptr::modemLastError).isEmpty(), endsWithError);

        QVERIFY(device->modemPowerOff() >= 0);
        for (int expected : {5, 0, 0}) {
            QVERIFY(device->updateModemStatus() >= 0);
            QCOMPARE(device.intOf(&IFptr::modemState), expected);
            QCOMPARE(device.intOf(&IFptr::modemSignalLevel), 0);
        }
        // Pinpad status replaces the buffer sizes read next.
        QVERIFY(device->setPinpadPortMode(1) >= 0 && device->updatePinpadStatus() >= 0);
        QCOMPARE(device.intOf(&IFptr::inputBufferSize), 1024);
        QCOMPARE(device.intOf(&IFptr::outputBufferSize), 1024);
    }

    void ports_keepTheirHandlesWhileTheObjectLives()
    {
        std::unique_ptr<Device> device(new Device(fptr));
        Device other(fptr);
        // The handles exist from the start, so the host can pass them on
        // before it initialises the ports.
        const int pinpad = device->intOf(&IFptr::pinpadPortHandle);
        const int modem = device->intOf(&IFptr::modemPortHandle);
        const QSet<int> handles = {pinpad, modem, other.intOf(&IFptr::pinpadPortHandle),
                                   other.intOf(&IFptr::modemPortHandle)};
        QVERIFY(!handles.contains(0) && handles.size() == 4);
        SimPorts::PortState state;
        QVERIFY(SimPorts::portState(pinpad, &state));
        QVERIFY(state.kind == SimPorts::PortKind::Pinpad && state.mode == 0 && !state.powered);
        QVERIFY(SimPorts::portState(modem, &state) && state.kind == SimPorts::PortKind::Modem);

        // Whatever happens to the ports, their handles stay and the port
        // table follows the state: initialised and powered, set to mode 0
        // (off), switched off with the device.
        const auto registered = [&](int handle) {
            return SimPorts::portState(handle, &state) ? QStringLiteral("%1%2").arg(state.mode).arg(state.powered ? "+" : "")
                                                       : QStringLiteral("unknown");
        };
        const struct { const char *steps; const char *pinpad; const char *modem; } stages[] = {
            {"pinpadMode:1", "1", "0"},
            {"pinpadOn pinpadMode:2 modemMode:1 modemOn", "2+", "1+"},
            {"pinpadMode:0", "0", "1+"},
            {"pinpadMode:2 enable:0", "0", "0"},
            {"enable:1 modemMode:2", "0", "2"}};
        for (const auto &stage : stages) {
            QVERIFY2(run(*device, stage.steps) >= 0, stage.steps);
            QCOMPARE(device->intOf(&IFptr::pinpadPortHandle), pinpad);
            QCOMPARE(device->intOf(&IFptr::modemPortHandle), modem);
            QCOMPARE(registered(pinpad), QString(stage.pinpad));
            QCOMPARE(registered(modem), QString(stage.modem));
            QCOMPARE(device->intOf(&IFptr::pinpadPortMode), QString(stage.pinpad).left(1).toInt());
        }
        // Released, the object takes its ports along; the other keeps its own.
        device.reset();
        QCOMPARE(registered(pinpad), QStringLiteral("unknown"));
        QCOMPARE(registered(modem), QStringLiteral("unknown"));
        QCOMPARE(registered(other.intOf(&IFptr::pinpadPortHandle)), QStringLiteral("0"));
    }

    void stringGetters_stayWithinBuffer_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("nullBuffer");
        QTest::newRow("null buffer") << 100 << true;
        for (int size : {-5, 0, 1, 3, 4096})
            QTest::addRow("size %d", size) << size << false;
    }

    void stringGetters_stayWithinBuffer()
    {
        QFETCH(int, size);
        QFETCH(bool, nullBuffer);
        Device device(fptr);
        QVERIFY(run(device, "set:ModemScenario=1 apply modemMode modemOn modemStatus modemStatus") >= 0);
        const std::function<int(wchar_t *, int)> getters[] = {
            [&](wchar_t *b, int s) { return device->deviceSettings(b, s); },
            [&](wchar_t *b, int s) { return device->parameter(L"Model", b, s); },
            [&](wchar_t *b, int s) { return device->parameterValues(L"Port", b, s); },
            [&](wchar_t *b, int s) { return device->modemOperator(b, s); },
            [&](wchar_t *b, int s) { return device->resultDescription(b, s); },
            [&](wchar_t *b, int s) { return device->badParamDescription(b, s); }};
        for (int index = 0; index < 6; ++index) {
            if (index == 4)
                device->setPinpadPortMode(9); // a failure, so the error texts are set
            const QString full = readText(getters[index]);
            QVERIFY2(!full.isEmpty(), qPrintable(QString::number(index)));
            const wchar_t canary = L'\x7e7e';
            std::vector<wchar_t> buffer(4200, canary);
            QCOMPARE(getters[index](nullBuffer ? nullptr : buffer.data(), size), full.size());
            const int written = nullBuffer || size <= 0 ? 0 : qMin(size, full.size() + 1);
            for (int i = written; i < int(buffer.size()); ++i)
                QVERIFY2(buffer[std::size_t(i)] == canary, qPrintable(QString("getter %1 wrote at %2").arg(index).arg(i)));
            if (written > 0) {
                QCOMPARE(buffer[std::size_t(written - 1)], L'\0');
                QCOMPARE(QString::fromWCharArray(buffer.data(), written - 1), full.left(written - 1));
            }
        }
    }

    // A text of a million characters without a NUL, ending right where the
    // host's memory ends: the setters must refuse it without reading past it.
    void textSetters_readNoFurtherThanTheirBound()
    {
#ifdef Q_OS_UNIX
        const std::size_t count = 1000000, page = std::size_t(sysconf(_SC_PAGESIZE));
        const std::size_t size = ((count * sizeof(wchar_t) + page - 1) / page + 1) * page;
        char *memory = static_cast<char *>(mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        QVERIFY(memory != MAP_FAILED && mprotect(memory + size - page, page, PROT_NONE) == 0);
        wchar_t *text = reinterpret_cast<wchar_t *>(memory + size - page) - count;
        std::fill_n(text, count, L'7');
        Device device(fptr);
        QVERIFY(device.configure({{"Trace", "1"}}) >= 0); // the trace reads arguments too
        const int results[] = {device->setLineText(text), device->setDeviceSettings(text),
                               device->setParameter(text, L"1"), device->setParameter(L"SearchDir", text)};
        munmap(memory, size);
        for (int result : results)
            QCOMPARE(result, TextTooLong);
#else
        QSKIP("needs a guard page behind the text");
#endif
    }

    void settingsDialog_acceptAndCancel_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("ipPort");
        QTest::addColumn<int>("result");
        QTest::newRow("accepted") << true << "4000" << 1;
        QTest::newRow("cancelled") << false << "4000" << 0;
        QTest::newRow("invalid then cancelled") << true << "99999" << 0;
    }

    void settingsDialog_acceptAndCancel()
    {
        QFETCH(bool, accept);
        QFETCH(QString, ipPort);
        QFETCH(int, result);
        Device device(fptr);
        QWidget owner;
        device->setOwnerWindow(&owner);
        Scenario::DialogAnswer answer;
        answer.accept = accept;
        answer.fields = {{QStringLiteral("cmbPaperWidth"), 40}, {QStringLiteral("cmbPrinterFault"), 2},
                         {QStringLiteral("lePrinterFaultAfter"), QStringLiteral("3")},
                         {QStringLiteral("leIPPort"), ipPort}};
        DialogAnswerer answerer;
        QString name;
        QWidget *parent = nullptr;
        QString refusal;
        answerer.inspect = [&](QDialog *dialog) {
            name = dialog->objectName();
            parent = dialog->parentWidget();
            if (dialog->isVisible()) // refused: the reason is shown, nothing applied
                refusal = dialog->findChild<QLabel *>("lbError")->text();
        };
        answerer.begin({answer});
        const int shown = device->showProperties();
        // The answerer cancels a dialog that refused its answer.
        QCOMPARE(answerer.finish().size(), refusal.isEmpty() ? 0 : 1);
        QCOMPARE(name, QStringLiteral("SimSettingsDialog"));
        QCOMPARE(parent, &owner);
        QCOMPARE(shown, result);
        QCOMPARE(device.parameter("PaperWidth"), result == 1 ? QStringLiteral("40") : QStringLiteral("48"));
        QCOMPARE(device.parameter("PrinterFault"), result == 1 ? QStringLiteral("2") : QStringLiteral("0"));
        QCOMPARE(device.parameter("PrinterFaultAfter"), result == 1 ? QStringLiteral("3") : QStringLiteral("0"));
        QCOMPARE(refusal.contains("IPPort"), ipPort == "99999");
    }

    void trace_recordsCallsWithMaskedCardNumbers_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("traced"); // a pattern
        QTest::newRow("unbroken") << "КАРТА 4000123412345678" << "КАРТА 400012\\*{6}5678";
        QTest::newRow("blanks") << "КАРТА 4000 1234 1234 5678" << "КАРТА 4000 12\\*\\* \\*{4} 5678";
        QTest::newRow("hyphens") << "4000-1234-1234-5678-901" << "4000-12\\*\\*-\\*{4}-\\*{3}8-901";
        QTest::newRow("mixed, then text") << "N 4000 1234-1234 5678 OK" << "N 4000 12\\*\\*-\\*{4} 5678 OK";
        QTest::newRow("too many joined") << "1234567890123 4567890" << "123456\\*{3}0123 4567890";
        QTest::newRow("date and time") << "2026-12-08 21:40:55" << "2026-12-08 21:40:55";
        QTest::newRow("phone") << "+7 999 123-45-67" << "\\+7 999 123-45-67";
    }

    void trace_recordsCallsWithMaskedCardNumbers()
    {
        QFETCH(QString, line);
        QFETCH(QString, traced);
        Device device(fptr);
        QVERIFY(device.configure({{"Trace", "1"}, {"TapeFile", ""}}) >= 0);
        QVERIFY(device->setLineText(w(line).c_str()) >= 0);
        QVERIFY(device->setFinishParam(2) < 0);
        device.intOf(&IFptr::pinpadPortMode);
        device.parameter("PaperWidth");
        const QDir traceDir(settingsDirectory());
        QString text;
        for (const QString &name : traceDir.entryList({"trace-fptr-*.log"}))
            text += readFile(traceDir.filePath(name));
        QVERIFY2(text.contains(QRegularExpression(
            "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} setLineText\\(\"" + traced + "\"\\) -> 0")),
                 qPrintable(text.right(300)));
        QCOMPARE(text.contains(line), !traced.contains('*'));
        QVERIFY(text.contains(QRegularExpression("setFinishParam\\(2\\) -> -104 \\[-104\\] ")));
        // Outputs are those the host received.
        QVERIFY(text.contains(QRegularExpression("pinpadPortMode\\(\\) -> 0, out=0 \\{\\d+ ms\\}\n")));
        QVERIFY(text.contains(QRegularExpression("parameter\\(\"PaperWidth\", 8\\) -> 2, out=\"48\" \\{")));
    }
};

BENCH_TEST_MAIN(TestSimFptr)
#include "tst_simfptr.moc"
