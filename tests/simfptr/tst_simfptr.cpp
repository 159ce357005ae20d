#include "benchtest.h"

#include "ifptr.h"
#include "portregistry.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>

#include <functional>
#include <memory>
#include <vector>

using NEB::Fptr::IFptr;

namespace {

// Result codes the register documents (README).
const int DeviceDisabled = -3;
const int UnknownParameter = -4;
const int InvalidArgument = -2;
const int NullArgument = -1;
const int InvalidParameterValue = -5;
const int InvalidSettings = -6;
const int TextTooLong = -8;
const int LineTooLong = -103;
const int WrongSequence = -104;
const int PortNotInitialised = -105;
const int ModemFailure = -106;

std::wstring w(const QString &text) { return text.toStdWString(); }

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
    Device(const Library &library, int version = NEB::Fptr::InterfaceVersion)
        : library(library), object(library.create(version)) {}
    ~Device() { if (object) library.release(&object); }
    IFptr *operator->() const { return object; }
    IFptr *get() const { return object; }

    // Two-pass read, as the bench reads strings.
    QString text(const std::function<int(wchar_t *, int)> &getter) const
    {
        std::vector<wchar_t> buffer(8, L'\0');
        int length = getter(buffer.data(), int(buffer.size()));
        if (length >= int(buffer.size())) {
            buffer.assign(std::size_t(length) + 1, L'\0');
            length = getter(buffer.data(), int(buffer.size()));
        }
        return length <= 0 ? QString() : QString::fromWCharArray(buffer.data(), length);
    }
    QString parameter(const QString &name) const
    {
        return text([&](wchar_t *b, int s) { return object->parameter(w(name).c_str(), b, s); });
    }
    QString values(const QString &name) const
    {
        return text([&](wchar_t *b, int s) { return object->parameterValues(w(name).c_str(), b, s); });
    }
    // Label of the current value, found in the value list like the bench does.
    QString label(const QString &name) const
    {
        const QString current = parameter(name);
        for (const QString &entry : values(name).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            if (entry.section(QLatin1Char(':'), 0, 0) == current)
                return entry.section(QLatin1Char(':'), 1);
        }
        return QString();
    }
    int set(const QString &name, const QString &value) const
    {
        return object->setParameter(w(name).c_str(), w(value).c_str());
    }
    int configure(const QMap<QString, QString> &values) const
    {
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            if (set(it.key(), it.value()) < 0)
                return -1;
        }
        return object->applySettings();
    }
    QString settings() const
    {
        return text([&](wchar_t *b, int s) { return object->deviceSettings(b, s); });
    }
    int code() const { int c = 0; object->resultCode(&c); return c; }
    bool bad() const { int b = 0; object->badParam(&b); return b != 0; }
    QString description() const
    {
        return text([&](wchar_t *b, int s) { return object->resultDescription(b, s); });
    }
    QString badDescription() const
    {
        return text([&](wchar_t *b, int s) { return object->badParamDescription(b, s); });
    }
    int intOf(int (NEBAPI IFptr::*getter)(int *)) const
    {
        int value = -12345;
        (object->*getter)(&value);
        return value;
    }
    int printLine(const QString &line) const
    {
        int result = object->setLineParamA(0);
        if (result >= 0) result = object->setLineParamB(1);
        if (result >= 0) result = object->setLineText(w(line).c_str());
        if (result >= 0) result = object->printLine();
        return result;
    }
    int finish() const
    {
        int result = object->setFinishParam(2);
        if (result >= 0) result = object->finishStepA();
        if (result >= 0) result = object->finishStepB();
        if (result >= 0) result = object->finishStepC();
        return result;
    }

private:
    const Library &library;
    IFptr *object;
};

QString readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace

class TestSimFptr : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void exports_createAndRelease_data();
    void exports_createAndRelease();
    void release_objectOfTwinLibrary_isRefused();
    void objects_areIndependent();
    void defaults_describeTheDevice_data();
    void defaults_describeTheDevice();
    void parameterValues_listEveryChoice_data();
    void parameterValues_listEveryChoice();
    void applySettings_validatesValues_data();
    void applySettings_validatesValues();
    void setParameter_unknownName_fails();
    void settings_roundTripExactly();
    void settings_rejected_leaveStateUnchanged_data();
    void settings_rejected_leaveStateUnchanged();
    void printing_appendsDocumentsToTape();
    void tapeWindow_showsClosedDocuments_data();
    void tapeWindow_showsClosedDocuments();
    void printLine_longerThanPaper_fails_data();
    void printLine_longerThanPaper_fails();
    void printerFault_failsPrinting_data();
    void printerFault_failsPrinting();
    void finishing_outOfOrder_fails_data();
    void finishing_outOfOrder_fails();
    void modem_followsScenario_data();
    void modem_followsScenario();
    void ports_handlesAreRegistered();
    void ports_invalidUse_fails_data();
    void ports_invalidUse_fails();
    void disabledDevice_refusesActions_data();
    void disabledDevice_refusesActions();
    void stringGetters_respectBufferSize_data();
    void stringGetters_respectBufferSize();
    void badArguments_failWithoutCrash_data();
    void badArguments_failWithoutCrash();
    void settingsDialog_acceptAndCancel_data();
    void settingsDialog_acceptAndCancel();
    void trace_recordsCallsWithMaskedCardNumbers();

private:
    int runDialog(const Device &device, const std::function<void(QDialog *)> &drive);

    Library fptr;
    Library rcpprn;
    std::unique_ptr<QTemporaryDir> dir;
};

void TestSimFptr::initTestCase()
{
    for (auto pair : {std::make_pair(&fptr, QStringLiteral("/fptr")),
                      std::make_pair(&rcpprn, QStringLiteral("/rcpprn"))}) {
        pair.first->library.reset(new QLibrary(QCoreApplication::applicationDirPath() + pair.second));
        QVERIFY2(pair.first->library->load(), qPrintable(pair.first->library->errorString()));
        pair.first->create = reinterpret_cast<NEB::Fptr::CreateFptrInterfaceFunction>(
            pair.first->library->resolve("CreateFptrInterface"));
        pair.first->release = reinterpret_cast<NEB::Fptr::ReleaseFptrInterfaceFunction>(
            pair.first->library->resolve("ReleaseFptrInterface"));
        QVERIFY(pair.first->create);
        QVERIFY(pair.first->release);
    }
}

void TestSimFptr::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
}

void TestSimFptr::exports_createAndRelease_data()
{
    QTest::addColumn<bool>("receiptPrinter");
    QTest::newRow("fptr") << false;
    QTest::newRow("rcpprn") << true;
}

void TestSimFptr::exports_createAndRelease()
{
    QFETCH(bool, receiptPrinter);
    const Library &library = receiptPrinter ? rcpprn : fptr;
    QVERIFY(!library.create(14));
    QVERIFY(!library.create(16));
    QVERIFY(!library.create(0));
    IFptr *object = library.create(15);
    QVERIFY(object);
    QVERIFY(library.release(nullptr) < 0);
    IFptr *none = nullptr;
    QCOMPARE(library.release(&none), 0);
    QCOMPARE(library.release(&object), 0);
    QVERIFY(!object);
}

void TestSimFptr::release_objectOfTwinLibrary_isRefused()
{
    IFptr *object = rcpprn.create(15);
    QVERIFY(object);
    IFptr *copy = object;
    QVERIFY(fptr.release(&copy) < 0);
    QCOMPARE(copy, object);
    QCOMPARE(rcpprn.release(&object), 0);
}

void TestSimFptr::objects_areIndependent()
{
    Device a(fptr), b(fptr);
    QVERIFY(a.set("PaperWidth", "32") >= 0 && a->applySettings() >= 0);
    QCOMPARE(b.parameter("PaperWidth"), QStringLiteral("48"));
    QVERIFY(a->setDeviceEnabled(0) >= 0);
    QCOMPARE(b.intOf(&IFptr::deviceEnabled), 1);
    QVERIFY(a->printLine() < 0);
    QCOMPARE(a.code(), DeviceDisabled);
    QCOMPARE(b.code(), 0);
    QVERIFY(a.parameter("TapeFile") != b.parameter("TapeFile"));
}

void TestSimFptr::defaults_describeTheDevice_data()
{
    QTest::addColumn<bool>("receiptPrinter");
    QTest::addColumn<QString>("description");
    QTest::newRow("fptr") << false << QStringLiteral("СИМ-К 100Ф (COM1 115200)");
    QTest::newRow("rcpprn") << true << QStringLiteral("СИМ-П 58 (COM1 115200)");
}

void TestSimFptr::defaults_describeTheDevice()
{
    QFETCH(bool, receiptPrinter);
    QFETCH(QString, description);
    Device device(receiptPrinter ? rcpprn : fptr);
    QCOMPARE(device.intOf(&IFptr::deviceEnabled), 1);
    QCOMPARE(QStringLiteral("%1 (%2 %3)").arg(device.label("Model"), device.label("Port"),
                                              device.label("BaudRate")),
             description);
    QVERIFY(!device.parameter("IPAddress").isEmpty());
    QVERIFY(device.parameter("IPPort").toInt() > 0);
    QVERIFY(!device.parameter("TTYSuffix").isEmpty());
    QVERIFY(!device.parameter("MACAddress").isEmpty());
    const QString settingsDir =
        QFileInfo(QSettings(QSettings::IniFormat, QSettings::UserScope, "ORVA", "vanter9").fileName())
            .absolutePath() + "/vanter9/";
    QVERIFY2(device.parameter("TapeFile").startsWith(settingsDir), qPrintable(device.parameter("TapeFile")));
}

void TestSimFptr::parameterValues_listEveryChoice_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("port") << "Port" << QStringList{"COM1:COM1", "COM16:COM16", "TCP/IP:TCP/IP",
                                                   "UDP/IP:UDP/IP", "Bluetooth:Bluetooth",
                                                   "USB:SIM-0001:USB:SIM-0001", "TTY:Файл устройства"};
    QTest::newRow("baud") << "BaudRate" << QStringList{"9600:9600", "115200:115200"};
    QTest::newRow("width") << "PaperWidth" << QStringList{"32:32", "35:35", "40:40", "42:42", "48:48", "57:57"};
    QTest::newRow("fault") << "PrinterFault" << QStringList{"0:Нет", "1:Нет бумаги", "2:Открыта крышка", "3:Ошибка принтера"};
    QTest::newRow("free") << "IPAddress" << QStringList{};
}

void TestSimFptr::parameterValues_listEveryChoice()
{
    QFETCH(QString, name);
    QFETCH(QStringList, entries);
    Device device(fptr);
    const QString list = device.values(name);
    QCOMPARE(list.isEmpty(), entries.isEmpty());
    QVERIFY(list.isEmpty() || list.endsWith(';'));
    for (const QString &entry : entries)
        QVERIFY2((";" + list).contains(";" + entry + ";"), qPrintable(entry + " in " + list));
    QCOMPARE(device.code(), 0);
}

void TestSimFptr::applySettings_validatesValues_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("width listed") << "PaperWidth" << "57" << true;
    QTest::newRow("width unlisted") << "PaperWidth" << "41" << false;
    QTest::newRow("port listed") << "Port" << "TCP/IP" << true;
    QTest::newRow("port unlisted") << "Port" << "COM17" << false;
    QTest::newRow("port label is not a value") << "Port" << "Файл устройства" << false;
    QTest::newRow("model unknown") << "Model" << "X" << false;
    QTest::newRow("ip port max") << "IPPort" << "65535" << true;
    QTest::newRow("ip port zero") << "IPPort" << "0" << false;
    QTest::newRow("ip port text") << "IPPort" << "abc" << false;
    QTest::newRow("mac good") << "MACAddress" << "0A:1b:2C:3d:4E:5f" << true;
    QTest::newRow("mac bad") << "MACAddress" << "0A:1B:2C" << false;
    QTest::newRow("fault out of list") << "PrinterFault" << "4" << false;
    QTest::newRow("free value huge") << "SearchDir" << QString(5000, 'x') << false;
}

void TestSimFptr::applySettings_validatesValues()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(bool, accepted);
    Device device(fptr);
    const QString before = device.parameter(name);
    QVERIFY(device.set(name, value) >= 0);
    const int result = device->applySettings();
    QCOMPARE(result >= 0, accepted);
    if (accepted) {
        QCOMPARE(device.parameter(name), value);
        QCOMPARE(device.code(), 0);
        QVERIFY(device.settings().contains(";" + name + "="));
    } else {
        QCOMPARE(device.code(), InvalidParameterValue);
        QVERIFY(device.bad());
        QVERIFY2(device.badDescription().contains(name), qPrintable(device.badDescription()));
        QCOMPARE(device.parameter(name), before);
        // The rejected value is dropped: the next apply succeeds.
        QVERIFY(device->applySettings() >= 0);
        QCOMPARE(device.code(), 0);
        QVERIFY(!device.bad());
    }
}

void TestSimFptr::setParameter_unknownName_fails()
{
    Device device(fptr);
    QVERIFY(device.set("Speed", "1") < 0);
    QCOMPARE(device.code(), UnknownParameter);
    QVERIFY(device.bad());
    QVERIFY(device.badDescription().contains("Speed"));
    QVERIFY(device.parameter("Speed").isEmpty());
    QVERIFY(device.values("Speed").isEmpty());
}

void TestSimFptr::settings_roundTripExactly()
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
    QCOMPARE(b.label("Model"), QStringLiteral("СИМ-К 300Ф"));
    QCOMPARE(b.parameter("PrinterFault"), QStringLiteral("2"));
}

void TestSimFptr::settings_rejected_leaveStateUnchanged_data()
{
    QTest::addColumn<QString>("settings");
    QTest::newRow("empty") << "";
    QTest::newRow("garbage") << "hello";
    QTest::newRow("other device") << "SIMRCPPRN/1;Model=P58";
    QTest::newRow("other version") << "SIMFPTR/2;Model=K100";
    QTest::newRow("unknown key") << "SIMFPTR/1;Colour=red";
    QTest::newRow("bad value") << "SIMFPTR/1;Model=K200;PaperWidth=41";
    QTest::newRow("no equals") << "SIMFPTR/1;Model";
    QTest::newRow("duplicate") << "SIMFPTR/1;Model=K100;Model=K200";
    QTest::newRow("bad escape") << "SIMFPTR/1;SearchDir=a\\x";
    QTest::newRow("lone backslash") << "SIMFPTR/1;SearchDir=a\\";
    QTest::newRow("empty field") << "SIMFPTR/1;Model=K200;";
}

void TestSimFptr::settings_rejected_leaveStateUnchanged()
{
    QFETCH(QString, settings);
    Device device(fptr);
    QVERIFY(device.configure({{"Model", "K300"}, {"PaperWidth", "40"}}) >= 0);
    const QString before = device.settings();
    QVERIFY(device->setDeviceSettings(w(settings).c_str()) < 0);
    QCOMPARE(device.code(), InvalidSettings);
    QVERIFY(device.bad());
    QVERIFY(!device.badDescription().isEmpty());
    QCOMPARE(device.settings(), before);
}

void TestSimFptr::printing_appendsDocumentsToTape()
{
    Device device(fptr);
    const QString tape = dir->filePath("sub/tape.txt");
    QVERIFY(device.configure({{"TapeFile", tape}, {"ShowTape", "0"}}) >= 0);
    for (const QString &line : {QStringLiteral("ОПЛАТА"), QString(), QStringLiteral("Сумма 100.00")})
        QVERIFY(device.printLine(line) >= 0);
    QVERIFY(!QFile::exists(tape)); // nothing before the document is closed
    QVERIFY(device.finish() >= 0);
    QVERIFY(device.printLine("второй") >= 0);
    QVERIFY(device.finish() >= 0);

    const QStringList lines = readFile(tape).split('\n');
    const QRegularExpression heading(
        "^==== \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d · СИМ-К 100Ф · документ № (\\d+) ====$");
    QVERIFY2(lines.size() >= 10, qPrintable(lines.join('|')));
    QCOMPARE(heading.match(lines.at(0)).captured(1), QStringLiteral("1"));
    QCOMPARE(lines.mid(1, 3), (QStringList{"ОПЛАТА", "", "Сумма 100.00"}));
    QCOMPARE(lines.at(4), QStringLiteral("==== конец документа ===="));
    QCOMPARE(heading.match(lines.at(6)).captured(1), QStringLiteral("2"));
    QCOMPARE(lines.at(7), QStringLiteral("второй"));
}

void TestSimFptr::tapeWindow_showsClosedDocuments_data()
{
    QTest::addColumn<QString>("show");
    QTest::newRow("shown") << "1";
    QTest::newRow("hidden") << "0";
}

void TestSimFptr::tapeWindow_showsClosedDocuments()
{
    QFETCH(QString, show);
    Device device(fptr);
    QWidget owner;
    device->setOwnerWindow(&owner);
    QVERIFY(device.configure({{"TapeFile", ""}, {"ShowTape", show}}) >= 0);
    QVERIFY(device.printLine("на ленте") >= 0);
    QVERIFY(!owner.findChild<QPlainTextEdit *>("SimTapeWindow"));
    QVERIFY(device.finish() >= 0);
    auto *window = owner.findChild<QPlainTextEdit *>("SimTapeWindow");
    QCOMPARE(window != nullptr, show == "1");
    if (window) {
        QVERIFY(window->isVisible());
        QVERIFY(window->isWindow());
        QVERIFY(window->toPlainText().contains("на ленте\n==== конец документа ===="));
    }
}

void TestSimFptr::printLine_longerThanPaper_fails_data()
{
    QTest::addColumn<QString>("width");
    QTest::addColumn<int>("font");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("fits");
    for (const char *width : {"32", "40", "57"}) {
        const int n = QByteArray(width).toInt();
        QTest::addRow("%s exact", width) << QString(width) << 0 << n << true;
        QTest::addRow("%s over", width) << QString(width) << 0 << n + 1 << false;
        QTest::addRow("%s double exact", width) << QString(width) << 2 << n / 2 << true;
        QTest::addRow("%s double over", width) << QString(width) << 2 << n / 2 + 1 << false;
    }
}

void TestSimFptr::printLine_longerThanPaper_fails()
{
    QFETCH(QString, width);
    QFETCH(int, font);
    QFETCH(int, length);
    QFETCH(bool, fits);
    Device device(fptr);
    QVERIFY(device.configure({{"PaperWidth", width}, {"TapeFile", ""}}) >= 0);
    QVERIFY(device->setLineParamA(font) >= 0);
    QVERIFY(device->setLineText(w(QString(length, QChar(0x0416))).c_str()) >= 0);
    QCOMPARE(device->printLine() >= 0, fits);
    if (!fits) {
        QCOMPARE(device.code(), LineTooLong);
        QVERIFY(device.bad());
        QVERIFY(device.badDescription().contains(QString::number(length)));
    }
}

void TestSimFptr::printerFault_failsPrinting_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("description");
    QTest::newRow("paper end") << "1" << -100 << "Нет бумаги";
    QTest::newRow("cover open") << "2" << -101 << "Открыта крышка принтера";
    QTest::newRow("printer error") << "3" << -102 << "Ошибка принтера";
}

void TestSimFptr::printerFault_failsPrinting()
{
    QFETCH(QString, fault);
    QFETCH(int, code);
    QFETCH(QString, description);
    Device device(fptr);
    const QString tape = dir->filePath("tape.txt");
    QVERIFY(device.configure({{"TapeFile", tape}, {"ShowTape", "0"}}) >= 0);
    QVERIFY(device.printLine("первая") >= 0);
    QVERIFY(device.configure({{"PrinterFault", fault}}) >= 0);
    QVERIFY(device.printLine("вторая") < 0);
    QCOMPARE(device.code(), code);
    QVERIFY(device.description().startsWith(description));
    // The interrupted document keeps its printed line on the tape and is over.
    const QString text = readFile(tape);
    QVERIFY2(text.contains("первая\n==== документ прерван: " + description), qPrintable(text));
    QVERIFY(!text.contains("вторая"));
    QVERIFY(device->setFinishParam(2) < 0);
    QCOMPARE(device.code(), WrongSequence);

    // A fault while finishing keeps the step repeatable once cleared.
    QVERIFY(device.configure({{"PrinterFault", "0"}}) >= 0);
    QVERIFY(device.printLine("третья") >= 0);
    QVERIFY(device->setFinishParam(2) >= 0);
    QVERIFY(device.configure({{"PrinterFault", fault}}) >= 0);
    QVERIFY(device->finishStepA() < 0);
    QCOMPARE(device.code(), code);
    QVERIFY(device.configure({{"PrinterFault", "0"}}) >= 0);
    QVERIFY(device->finishStepA() >= 0 && device->finishStepB() >= 0 && device->finishStepC() >= 0);
    QVERIFY(readFile(tape).contains("третья\n==== конец документа ===="));
}

void TestSimFptr::finishing_outOfOrder_fails_data()
{
    // Steps: L print a line, P setFinishParam(2), X setFinishParam(3), A, B, C.
    // The sequence runs until the step at failAt, which must fail (-1: none).
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("failAt");
    QTest::addColumn<int>("code");
    QTest::newRow("complete") << "LLPABC" << -1 << 0;
    QTest::newRow("param without document") << "P" << 0 << WrongSequence;
    QTest::newRow("A without param") << "LA" << 1 << WrongSequence;
    QTest::newRow("B before A") << "LPB" << 2 << WrongSequence;
    QTest::newRow("C before B") << "LPAC" << 3 << WrongSequence;
    QTest::newRow("A twice") << "LPAA" << 3 << WrongSequence;
    QTest::newRow("param twice") << "LPP" << 2 << WrongSequence;
    QTest::newRow("line while finishing") << "LPAL" << 3 << WrongSequence;
    QTest::newRow("C after complete") << "LPABCC" << 5 << WrongSequence;
    QTest::newRow("wrong param value") << "LX" << 1 << InvalidArgument;
}

void TestSimFptr::finishing_outOfOrder_fails()
{
    QFETCH(QString, steps);
    QFETCH(int, failAt);
    QFETCH(int, code);
    Device device(fptr);
    QVERIFY(device.configure({{"TapeFile", ""}}) >= 0);
    for (int i = 0; i < steps.size(); ++i) {
        int result = 0;
        switch (steps.at(i).toLatin1()) {
        case 'L': result = device.printLine("строка"); break;
        case 'P': result = device->setFinishParam(2); break;
        case 'X': result = device->setFinishParam(3); break;
        case 'A': result = device->finishStepA(); break;
        case 'B': result = device->finishStepB(); break;
        case 'C': result = device->finishStepC(); break;
        }
        QCOMPARE(result < 0, i == failAt);
        if (i == failAt) {
            QCOMPARE(device.code(), code);
            QVERIFY(!device.description().isEmpty());
            return;
        }
    }
}

void TestSimFptr::modem_followsScenario_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QList<int>>("poweredStates");
    QTest::addColumn<bool>("endsWithError");
    QTest::newRow("host") << "0" << QList<int>{1, 2, 3, 4, 4} << false;
    QTest::newRow("gprs") << "1" << QList<int>{1, 2, 7, 7} << false;
    QTest::newRow("connect error") << "2" << QList<int>{1, 2, 3, 2, 2} << true;
}

void TestSimFptr::modem_followsScenario()
{
    QFETCH(QString, scenario);
    QFETCH(QList<int>, poweredStates);
    QFETCH(bool, endsWithError);
    Device device(fptr);
    QVERIFY(device.configure({{"ModemScenario", scenario}}) >= 0);
    QVERIFY(device->setModemPortMode(2) >= 0);
    QVERIFY(device->modemPowerOn() >= 0);
    const int handle = device.intOf(&IFptr::modemPortHandle);
    for (int i = 0; i < poweredStates.size(); ++i) {
        QVERIFY(device->updateModemStatus() >= 0);
        const int state = device.intOf(&IFptr::modemState);
        QCOMPARE(state, poweredStates.at(i));
        const int signal = device.intOf(&IFptr::modemSignalLevel);
        QVERIFY2(signal <= -51 && signal >= -113, qPrintable(QString::number(signal)));
        const QString op = device.text([&](wchar_t *b, int s) { return device->modemOperator(b, s); });
        QCOMPARE(op.isEmpty(), state == 1);
        SimPorts::PortState registered;
        QVERIFY(SimPorts::portState(handle, &registered));
        QCOMPARE(registered.modemState, state);
        QCOMPARE(device.intOf(&IFptr::inputBufferSize), 4096);
        QCOMPARE(device.intOf(&IFptr::outputBufferSize), 2048);
    }
    const QString error = device.text([&](wchar_t *b, int s) { return device->modemLastError(b, s); });
    QCOMPARE(!error.isEmpty(), endsWithError);

    QVERIFY(device->modemPowerOff() >= 0);
    for (int expected : {5, 0, 0}) {
        QVERIFY(device->updateModemStatus() >= 0);
        QCOMPARE(device.intOf(&IFptr::modemState), expected);
        QCOMPARE(device.intOf(&IFptr::modemSignalLevel), 0);
    }
    // Pinpad status replaces the buffer sizes read next.
    QVERIFY(device->setPinpadPortMode(1) >= 0);
    QVERIFY(device->updatePinpadStatus() >= 0);
    QCOMPARE(device.intOf(&IFptr::inputBufferSize), 1024);
    QCOMPARE(device.intOf(&IFptr::outputBufferSize), 1024);
}

void TestSimFptr::ports_handlesAreRegistered()
{
    Device device(fptr), other(fptr);
    QCOMPARE(device.intOf(&IFptr::pinpadPortHandle), 0);
    QCOMPARE(device.intOf(&IFptr::modemPortHandle), 0);
    QCOMPARE(device.intOf(&IFptr::pinpadPortMode), 0);

    QVERIFY(device->setPinpadPortMode(1) >= 0);
    const int pinpad = device.intOf(&IFptr::pinpadPortHandle);
    QVERIFY(pinpad != 0);
    SimPorts::PortState state;
    QVERIFY(SimPorts::portState(pinpad, &state));
    QVERIFY(state.kind == SimPorts::PortKind::Pinpad);
    QCOMPARE(state.mode, 1);
    QVERIFY(!state.powered);

    QVERIFY(device->pinpadPowerOn() >= 0);
    QVERIFY(device->setPinpadPortMode(2) >= 0);
    QCOMPARE(device.intOf(&IFptr::pinpadPortHandle), pinpad);
    QCOMPARE(device.intOf(&IFptr::pinpadPortMode), 2);
    QVERIFY(SimPorts::portState(pinpad, &state));
    QCOMPARE(state.mode, 2);
    QVERIFY(state.powered);
    QVERIFY(device->pinpadPowerOff() >= 0);
    QVERIFY(SimPorts::portState(pinpad, &state) && !state.powered);

    QVERIFY(device->setModemPortMode(1) >= 0);
    const int modem = device.intOf(&IFptr::modemPortHandle);
    QVERIFY(modem != 0 && modem != pinpad);
    QVERIFY(SimPorts::portState(modem, &state) && state.kind == SimPorts::PortKind::Modem);
    QVERIFY(other->setPinpadPortMode(1) >= 0);
    QVERIFY(other.intOf(&IFptr::pinpadPortHandle) != pinpad);
    QCOMPARE(other.intOf(&IFptr::modemPortHandle), 0);

    // Switching the device off closes its ports; new ones get new handles.
    QVERIFY(device->setDeviceEnabled(0) >= 0);
    QCOMPARE(device.intOf(&IFptr::pinpadPortHandle), 0);
    QCOMPARE(device.intOf(&IFptr::modemPortMode), 0);
    QVERIFY(!SimPorts::portState(pinpad, nullptr));
    QVERIFY(!SimPorts::portState(modem, nullptr));
    QVERIFY(!SimPorts::portState(0, nullptr));
    QVERIFY(device->setDeviceEnabled(1) >= 0);
    QVERIFY(device->setPinpadPortMode(1) >= 0);
    const int reopened = device.intOf(&IFptr::pinpadPortHandle);
    QVERIFY(reopened != 0 && reopened != pinpad && reopened != modem);
}

void TestSimFptr::ports_invalidUse_fails_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("bad");
    QTest::newRow("pinpad mode 0") << "pinpadMode0" << InvalidArgument << true;
    QTest::newRow("pinpad mode 3") << "pinpadMode3" << InvalidArgument << true;
    QTest::newRow("modem mode -1") << "modemMode-1" << InvalidArgument << true;
    QTest::newRow("pinpad power") << "pinpadPowerOn" << PortNotInitialised << false;
    QTest::newRow("modem power off") << "modemPowerOff" << PortNotInitialised << false;
    QTest::newRow("pinpad status") << "updatePinpadStatus" << PortNotInitialised << false;
    QTest::newRow("modem status") << "updateModemStatus" << PortNotInitialised << false;
    QTest::newRow("modem fault") << "modemFault" << ModemFailure << false;
}

void TestSimFptr::ports_invalidUse_fails()
{
    QFETCH(QString, call);
    QFETCH(int, code);
    QFETCH(bool, bad);
    Device device(fptr);
    int result = 0;
    if (call == "pinpadMode0") result = device->setPinpadPortMode(0);
    else if (call == "pinpadMode3") result = device->setPinpadPortMode(3);
    else if (call == "modemMode-1") result = device->setModemPortMode(-1);
    else if (call == "pinpadPowerOn") result = device->pinpadPowerOn();
    else if (call == "modemPowerOff") result = device->modemPowerOff();
    else if (call == "updatePinpadStatus") result = device->updatePinpadStatus();
    else if (call == "updateModemStatus") result = device->updateModemStatus();
    else if (call == "modemFault") {
        QVERIFY(device.configure({{"ModemScenario", "3"}}) >= 0);
        QVERIFY(device->setModemPortMode(1) >= 0 && device->modemPowerOn() >= 0);
        result = device->updateModemStatus();
    }
    QVERIFY(result < 0);
    QCOMPARE(device.code(), code);
    QCOMPARE(device.bad(), bad);
    const QString lastError = device.text([&](wchar_t *b, int s) { return device->modemLastError(b, s); });
    QCOMPARE(!lastError.isEmpty(), call == "modemFault");
    QCOMPARE(device.intOf(&IFptr::pinpadPortMode), 0);
}

void TestSimFptr::disabledDevice_refusesActions_data()
{
    QTest::addColumn<int>("index");
    const char *names[] = {"setLineParamA", "setLineParamB", "setLineText", "printLine",
                           "setFinishParam", "finishStepA", "finishStepB", "finishStepC",
                           "setPinpadPortMode", "pinpadPowerOn", "pinpadPowerOff",
                           "updatePinpadStatus", "setModemPortMode", "modemPowerOn",
                           "modemPowerOff", "updateModemStatus"};
    for (int i = 0; i < int(sizeof names / sizeof *names); ++i)
        QTest::newRow(names[i]) << i;
}

void TestSimFptr::disabledDevice_refusesActions()
{
    QFETCH(int, index);
    Device device(fptr);
    QVERIFY(device->setDeviceEnabled(2) < 0);
    QVERIFY(device.bad());
    QVERIFY(device->setDeviceEnabled(0) >= 0);
    QCOMPARE(device.intOf(&IFptr::deviceEnabled), 0);
    IFptr *d = device.get();
    const std::function<int()> calls[] = {
        [d] { return d->setLineParamA(0); }, [d] { return d->setLineParamB(1); },
        [d] { return d->setLineText(L"x"); }, [d] { return d->printLine(); },
        [d] { return d->setFinishParam(2); }, [d] { return d->finishStepA(); },
        [d] { return d->finishStepB(); }, [d] { return d->finishStepC(); },
        [d] { return d->setPinpadPortMode(1); }, [d] { return d->pinpadPowerOn(); },
        [d] { return d->pinpadPowerOff(); }, [d] { return d->updatePinpadStatus(); },
        [d] { return d->setModemPortMode(1); }, [d] { return d->modemPowerOn(); },
        [d] { return d->modemPowerOff(); }, [d] { return d->updateModemStatus(); }};
    QVERIFY(calls[index]() < 0);
    QCOMPARE(device.code(), DeviceDisabled);
    QVERIFY(device.description().startsWith("Устройство выключено"));
    // Settings, parameters and getters still work and clear the error.
    QVERIFY(device.configure({{"PaperWidth", "40"}}) >= 0);
    QCOMPARE(device.code(), 0);
    QVERIFY(!device.settings().isEmpty());
    QCOMPARE(device.intOf(&IFptr::modemState), 0);
    QVERIFY(device->setDeviceEnabled(1) >= 0);
    QVERIFY(device.printLine("ok") >= 0);
}

void TestSimFptr::stringGetters_respectBufferSize_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("nullBuffer");
    QTest::newRow("null buffer") << 100 << true;
    QTest::newRow("negative") << -5 << false;
    QTest::newRow("zero") << 0 << false;
    QTest::newRow("one") << 1 << false;
    QTest::newRow("three") << 3 << false;
    QTest::newRow("large") << 4096 << false;
}

void TestSimFptr::stringGetters_respectBufferSize()
{
    QFETCH(int, size);
    QFETCH(bool, nullBuffer);
    Device device(fptr);
    QVERIFY(device.configure({{"ModemScenario", "1"}}) >= 0);
    QVERIFY(device->setModemPortMode(1) >= 0 && device->modemPowerOn() >= 0);
    QVERIFY(device->updateModemStatus() >= 0 && device->updateModemStatus() >= 0);
    const std::function<int(wchar_t *, int)> getters[] = {
        [&](wchar_t *b, int s) { return device->deviceSettings(b, s); },
        [&](wchar_t *b, int s) { return device->parameter(L"Model", b, s); },
        [&](wchar_t *b, int s) { return device->parameterValues(L"Port", b, s); },
        [&](wchar_t *b, int s) { return device->modemOperator(b, s); },
        [&](wchar_t *b, int s) { return device->resultDescription(b, s); },
        [&](wchar_t *b, int s) { return device->badParamDescription(b, s); }};
    int index = 0;
    for (const auto &getter : getters) {
        if (index == 4)
            device->setPinpadPortMode(9); // a failure, so the error texts are set
        const QString full = device.text(getter);
        QVERIFY2(!full.isEmpty(), qPrintable(QString::number(index)));
        const wchar_t canary = L'\x7e7e';
        std::vector<wchar_t> buffer(4200, canary);
        const int length = getter(nullBuffer ? nullptr : buffer.data(), size);
        QCOMPARE(length, full.size());
        const int written = nullBuffer || size <= 0 ? 0 : qMin(size, full.size() + 1);
        for (int i = written; i < int(buffer.size()); ++i)
            QVERIFY2(buffer[std::size_t(i)] == canary, qPrintable(QString("getter %1 wrote at %2").arg(index).arg(i)));
        if (written > 0) {
            QCOMPARE(buffer[std::size_t(written - 1)], L'\0');
            QCOMPARE(QString::fromWCharArray(buffer.data(), written - 1), full.left(written - 1));
        }
        ++index;
    }
}

void TestSimFptr::badArguments_failWithoutCrash_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("code");
    QTest::newRow("null text") << 0 << NullArgument;
    QTest::newRow("null settings") << 1 << NullArgument;
    QTest::newRow("null name") << 2 << NullArgument;
    QTest::newRow("null value") << 3 << NullArgument;
    QTest::newRow("null int out") << 4 << NullArgument;
    QTest::newRow("huge text") << 5 << TextTooLong;
    QTest::newRow("line break") << 6 << InvalidArgument;
    QTest::newRow("line param A") << 7 << InvalidArgument;
    QTest::newRow("line param B") << 8 << InvalidArgument;
}

void TestSimFptr::badArguments_failWithoutCrash()
{
    QFETCH(int, index);
    QFETCH(int, code);
    Device device(fptr);
    std::wstring huge(2000001, L'y');
    IFptr *d = device.get();
    const std::function<int()> calls[] = {
        [d] { return d->setLineText(nullptr); }, [d] { return d->setDeviceSettings(nullptr); },
        [d] { return d->setParameter(nullptr, L"1"); }, [d] { return d->setParameter(L"Model", nullptr); },
        [d] { return d->modemState(nullptr); }, [&] { return d->setLineText(huge.c_str()); },
        [d] { return d->setLineText(L"a\nb"); }, [d] { return d->setLineParamA(3); },
        [d] { return d->setLineParamB(0); }};
    QVERIFY(calls[index]() < 0);
    QCOMPARE(device.code(), code);
    QVERIFY(device.bad());
    QVERIFY(!device.badDescription().isEmpty());
}

int TestSimFptr::runDialog(const Device &device, const std::function<void(QDialog *)> &drive)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            // Never leave an unexpected modal loop running.
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (auto *open = qobject_cast<QDialog *>(widget); open && open->isVisible())
                    open->reject();
            }
            return;
        }
        seen = dialog->objectName() == "SimSettingsDialog";
        drive(dialog);
    });
    const int result = device->showProperties();
    if (!seen)
        return -1000;
    return result;
}

void TestSimFptr::settingsDialog_acceptAndCancel_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("ipPort");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("width");
    QTest::newRow("accepted") << true << "4000" << 1 << "40";
    QTest::newRow("cancelled") << false << "4000" << 0 << "48";
    QTest::newRow("invalid then cancelled") << true << "99999" << 0 << "48";
}

void TestSimFptr::settingsDialog_acceptAndCancel()
{
    QFETCH(bool, accept);
    QFETCH(QString, ipPort);
    QFETCH(int, result);
    QFETCH(QString, width);
    Device device(fptr);
    QWidget owner;
    device->setOwnerWindow(&owner);
    QString refusal;
    const int shown = runDialog(device, [&](QDialog *dialog) {
        auto *combo = dialog->findChild<QComboBox *>("cmbPaperWidth");
        auto *fault = dialog->findChild<QComboBox *>("cmbPrinterFault");
        auto *edit = dialog->findChild<QLineEdit *>("leIPPort");
        auto *buttons = dialog->findChild<QDialogButtonBox *>("buttonBox");
        if (!combo || !fault || !edit || !buttons || dialog->parentWidget() != &owner) {
            dialog->reject();
            return;
        }
        combo->setCurrentIndex(combo->findData("40"));
        fault->setCurrentIndex(fault->findData("2"));
        edit->setText(ipPort);
        if (!accept) {
            buttons->button(QDialogButtonBox::Cancel)->click();
            return;
        }
        buttons->button(QDialogButtonBox::Ok)->click();
        if (dialog->isVisible()) { // refused: the reason is shown, nothing applied
            refusal = dialog->findChild<QLabel *>("lbError")->text();
            dialog->reject();
        }
    });
    QCOMPARE(shown, result);
    QCOMPARE(device.parameter("PaperWidth"), width);
    QCOMPARE(device.parameter("PrinterFault"), result == 1 ? QStringLiteral("2") : QStringLiteral("0"));
    QCOMPARE(refusal.contains("IPPort"), ipPort == "99999");
}

void TestSimFptr::trace_recordsCallsWithMaskedCardNumbers()
{
    Device device(fptr);
    QVERIFY(device.configure({{"Trace", "1"}, {"TapeFile", ""}}) >= 0);
    QVERIFY(device->setLineText(L"КАРТА 4000123412345678") >= 0);
    QVERIFY(device->setFinishParam(2) < 0);
    const QDir settingsDir(QFileInfo(QSettings(QSettings::IniFormat, QSettings::UserScope,
                                               "ORVA", "vanter9").fileName()).absolutePath()
                           + "/vanter9");
    const QStringList traces = settingsDir.entryList({"trace-fptr-*.log"});
    QVERIFY2(!traces.isEmpty(), qPrintable(settingsDir.path()));
    QString text;
    for (const QString &name : traces)
        text += readFile(settingsDir.filePath(name));
    QVERIFY(text.contains(QRegularExpression(
        "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} setLineText\\(\"КАРТА 400012\\*{6}5678\"\\) -> 0")));
    QVERIFY(!text.contains("4000123412345678"));
    QVERIFY(text.contains(QRegularExpression("setFinishParam\\(2\\) -> -104 \\[-104\\] ")));
}

BENCH_TEST_MAIN(TestSimFptr)
#include "tst_simfptr.moc"
