// The simulated payment terminal, driven through its exported functions and
// interface exactly as the bench drives the real driver.

#include "benchtest.h"

#include "ifptr.h"
#include "ipaycard.h"
#include "portregistry.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QLibrary>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

using NEB::PayCard::IPayCard;
using NEB::Fptr::IFptr;

namespace {

// Result codes the terminal documents; the tests check them by value so a
// renumbering shows up here.
enum : int {
    DeviceDisabled = -3,
    InvalidSettings = -6,
    InvalidParameterValue = -5,
    InvalidInput = -200,
    NoPendingAuthorization = -201,
    ReferenceNotFound = -202,
    AlreadyCancelled = -203,
    ReferenceWrongOperation = -204,
    CancelOutsideShift = -205,
    RefundExceedsAmount = -206,
    Declined = -210,
    ReportAlreadyOpen = -220,
    ReportNotOpen = -221,
    PinpadPortNotSet = -230,
    ModemPortNotSet = -231,
    PortUnknown = -232,
    PortWrongKind = -233,
    PortNotInitialised = -234,
    PortNotPowered = -235,
    PinpadNoAnswer = -10050,
    CancelledOnPinpad = -10051,
    HostTimeout = -10052,
    HostUnreachable = 10053,
};

using TextGetter = int (NEBAPI IPayCard::*)(wchar_t *, int);

std::wstring w(const QString &text)
{
    return text.toStdWString();
}

QString readText(IPayCard *device, TextGetter getter)
{
    std::vector<wchar_t> buffer(64, L'\0');
    int length = (device->*getter)(buffer.data(), int(buffer.size()));
    if (length >= int(buffer.size())) {
        buffer.assign(size_t(length) + 1, L'\0');
        length = (device->*getter)(buffer.data(), int(buffer.size()));
    }
    return length > 0 ? QString::fromWCharArray(buffer.data()) : QString();
}

struct Failure
{
    int code = 0;
    QString description;
    int badParam = 0;
    QString badParamText;
};

Failure lastFailure(IPayCard *device)
{
    Failure failure;
    device->resultCode(&failure.code);
    failure.description = readText(device, &IPayCard::resultDescription);
    device->badParam(&failure.badParam);
    failure.badParamText = readText(device, &IPayCard::badParamDescription);
    return failure;
}

QString parameter(IPayCard *device, const QString &name)
{
    wchar_t buffer[512] = {};
    const int length = device->parameter(w(name).c_str(), buffer, 512);
    return length >= 0 ? QString::fromWCharArray(buffer) : QStringLiteral("<failed>");
}

bool setParameter(IPayCard *device, const QString &name, const QString &value)
{
    return device->setParameter(w(name).c_str(), w(value).c_str()) >= 0;
}

bool configure(IPayCard *device, const QMap<QString, QString> &values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (!setParameter(device, it.key(), it.value()))
            return false;
    }
    return device->applySettings() >= 0;
}

QStringList valueList(IPayCard *device, const QString &name)
{
    wchar_t buffer[4096] = {};
    device->parameterValues(w(name).c_str(), buffer, 4096);
    return QString::fromWCharArray(buffer).split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

QString settingsOf(IPayCard *device)
{
    return readText(device, &IPayCard::deviceSettings);
}

// The slip cut into the rows the bench shows.
QStringList slipRows(IPayCard *device)
{
    const QString slip = readText(device, &IPayCard::slipText);
    int width = 0;
    device->charLineLength(&width);
    QStringList rows;
    for (int i = 0; width > 0 && i < slip.size(); i += width)
        rows.append(slip.mid(i, width));
    return rows;
}

} // namespace

class TestSimPayCard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void create_onlyVersionThree_givesObject_data();
    void create_onlyVersionThree_givesObject();
    void release_nullAndForeignPointers_areHarmless();
    void parameterValues_listEntries();
    void protocolLabels_shortDistinctAndNamePortUse();
    void applySettings_validatesValues_data();
    void applySettings_validatesValues();
    void settingsString_roundTripsEveryOption();
    void settingsString_rejectsMalformed_data();
    void settingsString_rejectsMalformed();
    void amountTable_choosesOutcome_data();
    void amountTable_choosesOutcome();
    void amountScenariosOff_approvesEverySum();
    void operatorChoice_overridesAmountTable_data();
    void operatorChoice_overridesAmountTable();
    void operatorFailure_hitsOnlyChosenAction();
    void authorize_rejectsBadInput_data();
    void authorize_rejectsBadInput();
    void authorize_fillsEveryResponseField();
    void track2_givesMaskedCardAndExpiry();
    void completeAuthorization_needsSuccessfulAuthorize();
    void journal_refundAndCancellationRules();
    void journal_cancellationOnlyWithinShift();
    void reports_wrongOrderFails_data();
    void reports_wrongOrderFails();
    void shiftClose_totalsAndStartsNewShift();
    void receiptRequest_copiesKeptSlip();
    void slip_widthIsClamped_data();
    void slip_widthIsClamped();
    void slip_holdsOperationDetails_data();
    void slip_holdsOperationDetails();
    void serviceOperations_eachHasOwnSlip();
    void serviceOperation_rejectsUnknownType_data();
    void serviceOperation_rejectsUnknownType();
    void ecrPorts_governOperationsOfPortProtocols();
    void ecrPorts_reportPortState_data();
    void ecrPorts_reportPortState();
    void disabledDevice_refusesActionsOnly();
    void getters_respectBuffers_data();
    void getters_respectBuffers();
    void nullArguments_failWithoutCrash();
    void devices_areIndependent();
    void trace_masksCardNumbers();
    void settingsDialog_acceptAppliesAndCancelKeeps_data();
    void settingsDialog_acceptAppliesAndCancelKeeps();

private:
    struct Releaser
    {
        TestSimPayCard *owner;
        void operator()(IPayCard *device) const { owner->release(device, &device); }
    };
    using Device = std::unique_ptr<IPayCard, Releaser>;

    Device make();
    void release(IPayCard *, IPayCard **object) { releaseFn(object); }
    IFptr *makeRegister();
    void releaseRegister(IFptr *fptr) { releaseFptrFn(&fptr); }
    // Runs a full authorization; returns the result of the step that failed
    // or of completeAuthorization.
    int pay(IPayCard *device, double sum, int operationType = 0,
            const QString &reference = QString(), int authorizationType = 2);
    QString lastReference(IPayCard *device) { return readText(device, &IPayCard::referenceNumber); }
    int runReport(IPayCard *device, int type, const QVector<QPair<double, int>> &items);

    QLibrary library;
    QLibrary fptrLibrary;
    NEB::PayCard::CreatePayCardInterfaceFunction createFn = nullptr;
    NEB::PayCard::ReleasePayCardInterfaceFunction releaseFn = nullptr;
    NEB::Fptr::CreateFptrInterfaceFunction createFptrFn = nullptr;
    NEB::Fptr::ReleaseFptrInterfaceFunction releaseFptrFn = nullptr;
};

void TestSimPayCard::initTestCase()
{
    library.setFileName(QCoreApplication::applicationDirPath() + QStringLiteral("/paycard"));
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    createFn = reinterpret_cast<NEB::PayCard::CreatePayCardInterfaceFunction>(
        library.resolve("CreatePayCardInterface"));
    releaseFn = reinterpret_cast<NEB::PayCard::ReleasePayCardInterfaceFunction>(
        library.resolve("ReleasePayCardInterface"));
    QVERIFY(createFn && releaseFn);

    fptrLibrary.setFileName(QCoreApplication::applicationDirPath() + QStringLiteral("/fptr"));
    QVERIFY2(fptrLibrary.load(), qPrintable(fptrLibrary.errorString()));
    createFptrFn = reinterpret_cast<NEB::Fptr::CreateFptrInterfaceFunction>(
        fptrLibrary.resolve("CreateFptrInterface"));
    releaseFptrFn = reinterpret_cast<NEB::Fptr::ReleaseFptrInterfaceFunction>(
        fptrLibrary.resolve("ReleaseFptrInterface"));
    QVERIFY(createFptrFn && releaseFptrFn);
}

void TestSimPayCard::cleanupTestCase()
{
    library.unload();
    fptrLibrary.unload();
}

TestSimPayCard::Device TestSimPayCard::make()
{
    IPayCard *device = createFn(NEB::PayCard::InterfaceVersion);
    if (device)
        device->setDeviceEnabled(1);
    return Device(device, Releaser{this});
}

IFptr *TestSimPayCard::makeRegister()
{
    IFptr *fptr = createFptrFn(NEB::Fptr::InterfaceVersion);
    if (fptr)
        fptr->setDeviceEnabled(1);
    return fptr;
}

int TestSimPayCard::pay(IPayCard *device, double sum, int operationType, const QString &reference,
                        int authorizationType)
{
    device->setOperationType(operationType);
    device->setAuthorizationType(authorizationType);
    device->setSum(sum);
    device->setCurrencyCode(L"643");
    device->setReferenceNumber(w(reference).c_str());
    device->setTrack2(L"");
    device->setCharLineLength(35);
    const int result = device->authorize();
    return result < 0 ? result : device->completeAuthorization();
}

int TestSimPayCard::runReport(IPayCard *device, int type, const QVector<QPair<double, int>> &items)
{
    device->setReportType(type);
    device->setReportTerminalId(L"");
    device->setSlipNumber(0);
    int result = device->beginReport();
    for (const auto &item : items) {
        if (result < 0)
            return result;
        device->setReportSum(item.first);
        device->setReportOperationType(item.second);
        result = device->addReportItem();
    }
    return result < 0 ? result : device->endReport();
}

void TestSimPayCard::create_onlyVersionThree_givesObject_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("created");
    QTest::newRow("3") << 3 << true;
    QTest::newRow("2") << 2 << false;
    QTest::newRow("4") << 4 << false;
    QTest::newRow("0") << 0 << false;
    QTest::newRow("negative") << -3 << false;
}

void TestSimPayCard::create_onlyVersionThree_givesObject()
{
    QFETCH(int, version);
    QFETCH(bool, created);
    IPayCard *device = createFn(version);
    QCOMPARE(device != nullptr, created);
    if (device) {
        QCOMPARE(releaseFn(&device), 0);
        QVERIFY(device == nullptr);
    }
}

void TestSimPayCard::release_nullAndForeignPointers_areHarmless()
{
    QCOMPARE(releaseFn(nullptr), 0);
    IPayCard *none = nullptr;
    QCOMPARE(releaseFn(&none), 0);
    // A pointer the library did not make must not be deleted.
    int notADevice = 0;
    IPayCard *foreign = reinterpret_cast<IPayCard *>(&notADevice);
    QVERIFY(releaseFn(&foreign) < 0);
    QVERIFY(foreign != nullptr);
}

void TestSimPayCard::parameterValues_listEntries()
{
    Device device = make();
    const QStringList ports = valueList(device.get(), QStringLiteral("Port"));
    QStringList portLabels;
    for (const QString &entry : ports)
        portLabels.append(entry.section(QLatin1Char(':'), 1));
    for (int i = 1; i <= 16; ++i)
        QVERIFY2(portLabels.contains(QStringLiteral("COM%1").arg(i)), qPrintable(QString::number(i)));
    for (const char *label : {"TCP/IP", "UDP/IP", "Bluetooth", "Файл устройства"})
        QVERIFY2(portLabels.contains(QString::fromUtf8(label)), label);
    QVERIFY(std::any_of(portLabels.cbegin(), portLabels.cend(),
                        [](const QString &l) { return l.startsWith(QLatin1String("USB:")); }));
    QVERIFY(!valueList(device.get(), QStringLiteral("BaudRate")).isEmpty());
    QVERIFY(!valueList(device.get(), QStringLiteral("Model")).isEmpty());
    // Free values have no list, but the names exist.
    for (const char *name : {"PointCode", "TTYSuffix", "IPAddress", "IPPort", "MACAddress", "SearchDir"}) {
        wchar_t buffer[16] = {};
        QVERIFY2(device->parameterValues(w(QString::fromLatin1(name)).c_str(), buffer, 16) == 0, name);
    }
    QVERIFY(device->parameterValues(L"NoSuchParameter", nullptr, 0) < 0);
    QCOMPARE(parameter(device.get(), QStringLiteral("Protocol")), QStringLiteral("0"));
}

void TestSimPayCard::protocolLabels_shortDistinctAndNamePortUse()
{
    Device device = make();
    const QStringList entries = valueList(device.get(), QStringLiteral("Protocol"));
    QCOMPARE(entries.size(), 14);
    QSet<QString> labels;
    for (int i = 0; i < entries.size(); ++i) {
        QCOMPARE(entries.at(i).section(QLatin1Char(':'), 0, 0), QString::number(i));
        const QString label = entries.at(i).section(QLatin1Char(':'), 1);
        QVERIFY(!label.isEmpty() && label.size() <= 40);
        labels.insert(label);
        const bool throughEcr = i >= 8 && i <= 10;
        QVERIFY2(label.contains(QStringLiteral("через порт ККТ")) == throughEcr, qPrintable(label));
    }
    QCOMPARE(labels.size(), 14);
}

void TestSimPayCard::applySettings_validatesValues_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("protocol 13") << "Protocol" << "13" << true;
    QTest::newRow("protocol 14") << "Protocol" << "14" << false;
    QTest::newRow("protocol text") << "Protocol" << "abc" << false;
    QTest::newRow("port tcp") << "Port" << "TCP" << true;
    QTest::newRow("port COM17") << "Port" << "COM17" << false;
    QTest::newRow("baud 9600") << "BaudRate" << "9600" << true;
    QTest::newRow("baud 1234") << "BaudRate" << "1234" << false;
    QTest::newRow("ip host") << "IPAddress" << "terminal.local" << true;
    QTest::newRow("ip 300") << "IPAddress" << "300.1.1.1" << false;
    QTest::newRow("ip short") << "IPAddress" << "10.1.1" << false;
    QTest::newRow("ip port 65535") << "IPPort" << "65535" << true;
    QTest::newRow("ip port 0") << "IPPort" << "0" << false;
    QTest::newRow("mac ok") << "MACAddress" << "02:00:00:5a:11:01" << true;
    QTest::newRow("mac bad") << "MACAddress" << "02:00:00:5a:11" << false;
    QTest::newRow("point code long") << "PointCode" << "1234567890123456" << false;
    QTest::newRow("tty slash") << "TTYSuffix" << "../x" << false;
    QTest::newRow("delay 60000") << "ResponseDelay" << "60000" << true;
    QTest::newRow("delay negative") << "ResponseDelay" << "-1" << false;
    QTest::newRow("fail code text") << "FailResultCode" << "x" << false;
    QTest::newRow("fail code 0") << "FailResultCode" << "0" << true;
    QTest::newRow("terminal id empty") << "TerminalId" << "" << false;
    QTest::newRow("operator result 5") << "OperatorResult" << "5" << false;
    QTest::newRow("decline code unlisted") << "DeclineCode" << "52" << false;
}

void TestSimPayCard::applySettings_validatesValues()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(bool, accepted);
    Device device = make();
    const QString before = parameter(device.get(), name);
    QVERIFY(setParameter(device.get(), name, value));
    const int result = device->applySettings();
    QCOMPARE(result >= 0, accepted);
    if (accepted) {
        QCOMPARE(parameter(device.get(), name), value);
        return;
    }
    const Failure failure = lastFailure(device.get());
    QCOMPARE(failure.code, int(InvalidParameterValue));
    QCOMPARE(failure.badParam, 1);
    QVERIFY2(failure.badParamText.contains(name), qPrintable(failure.badParamText));
    QCOMPARE(parameter(device.get(), name), before);
}

void TestSimPayCard::settingsString_roundTripsEveryOption()
{
    const QMap<QString, QString> values = {
        {"Protocol", "13"}, {"Model", "2"}, {"Port", "TTY"}, {"BaudRate", "38400"},
        {"PointCode", "77"}, {"TTYSuffix", "ACM1"}, {"IPAddress", "10.0.0.7"}, {"IPPort", "4100"},
        {"MACAddress", "02:00:00:00:00:07"}, {"SearchDir", "/opt/bench;=\\x/"},
        {"OperatorResult", "3"}, {"DeclineCode", "61"}, {"FailAction", "5"},
        {"FailResultCode", "-10051"}, {"AmountScenarios", "0"}, {"ResponseDelay", "15"},
        {"TerminalId", "TERM42"}, {"Trace", "0"}};
    Device source = make();
    QVERIFY(configure(source.get(), values));
    const QString settings = settingsOf(source.get());
    QVERIFY(!settings.isEmpty());

    Device target = make();
    QCOMPARE(target->setDeviceSettings(w(settings).c_str()), 0);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        QCOMPARE(parameter(target.get(), it.key()), it.value());
    QCOMPARE(settingsOf(target.get()), settings);
    // The restored options act, not only read back: the operator's choice
    // fails the end of a report with the chosen code.
    QCOMPARE(runReport(target.get(), 2, {}), -10051);
}

void TestSimPayCard::settingsString_rejectsMalformed_data()
{
    QTest::addColumn<QString>("settings");
    QTest::newRow("empty") << "";
    QTest::newRow("garbage") << "garbage";
    QTest::newRow("other device") << "SIMFPTR/1;Protocol=1";
    QTest::newRow("other version") << "SIMPAYCARD/2;Protocol=1";
    QTest::newRow("unknown name") << "SIMPAYCARD/1;Colour=red";
    QTest::newRow("bad value") << "SIMPAYCARD/1;Protocol=99";
    QTest::newRow("no separator") << "SIMPAYCARD/1;Protocol";
    QTest::newRow("twice") << "SIMPAYCARD/1;Protocol=1;Protocol=2";
    QTest::newRow("dangling escape") << "SIMPAYCARD/1;PointCode=1\\";
}

void TestSimPayCard::settingsString_rejectsMalformed()
{
    QFETCH(QString, settings);
    Device device = make();
    QVERIFY(configure(device.get(), {{"Protocol", "4"}, {"TerminalId", "KEEP1"}}));
    const QString before = settingsOf(device.get());
    QVERIFY(device->setDeviceSettings(w(settings).c_str()) < 0);
    const Failure failure = lastFailure(device.get());
    QCOMPARE(failure.code, int(InvalidSettings));
    QCOMPARE(failure.badParam, 1);
    QCOMPARE(settingsOf(device.get()), before);
}

void TestSimPayCard::amountTable_choosesOutcome_data()
{
    QTest::addColumn<double>("sum");
    QTest::addColumn<int>("resultCode");
    QTest::addColumn<int>("responseCode");
    QTest::newRow(".00 approved") << 100.00 << 0 << 0;
    QTest::newRow(".05 issuer") << 100.05 << int(Declined) << 5;
    QTest::newRow(".14 card number") << 7.14 << int(Declined) << 14;
    QTest::newRow(".51 funds") << 100.51 << int(Declined) << 51;
    QTest::newRow(".54 expired") << 0.54 << int(Declined) << 54;
    QTest::newRow(".55 pin") << 12.55 << int(Declined) << 55;
    QTest::newRow(".61 limit") << 999.61 << int(Declined) << 61;
    QTest::newRow(".75 pin tries") << 1.75 << int(Declined) << 75;
    QTest::newRow(".91 host unreachable") << 3.91 << int(HostUnreachable) << -1;
    QTest::newRow(".92 timeout") << 3.92 << int(HostTimeout) << -1;
    QTest::newRow(".93 cancelled") << 3.93 << int(CancelledOnPinpad) << -1;
    QTest::newRow(".94 pinpad silent") << 3.94 << int(PinpadNoAnswer) << -1;
    QTest::newRow(".37 not listed") << 10.37 << 0 << 0;
}

void TestSimPayCard::amountTable_choosesOutcome()
{
    QFETCH(double, sum);
    QFETCH(int, resultCode);
    QFETCH(int, responseCode);
    Device device = make();
    const int result = pay(device.get(), sum);
    QCOMPARE(result < 0, resultCode != 0);
    // Read before any getter: a getter that succeeds clears the error state.
    QCOMPARE(lastFailure(device.get()).code, resultCode);
    int response = 12345;
    device->responseCode(&response);
    QCOMPARE(response, responseCode);
    // A refusal came from the host and carries its fields; the four codes of
    // "no answer" carry none.
    const bool noAnswer = resultCode == HostUnreachable || (resultCode >= HostTimeout && resultCode <= PinpadNoAnswer);
    QCOMPARE(lastReference(device.get()).isEmpty(), noAnswer);
    QCOMPARE(readText(device.get(), &IPayCard::authorizationCode).isEmpty(), resultCode != 0);
    QVERIFY(!readText(device.get(), &IPayCard::slipText).isEmpty());
}

void TestSimPayCard::amountScenariosOff_approvesEverySum()
{
    Device device = make();
    QVERIFY(configure(device.get(), {{"AmountScenarios", "0"}}));
    for (double sum : {100.51, 3.91, 3.92, 12.55})
        QVERIFY2(pay(device.get(), sum) == 0, qPrintable(QString::number(sum)));
}

void TestSimPayCard::operatorChoice_overridesAmountTable_data()
{
    QTest::addColumn<QString>("choice");
    QTest::addColumn<double>("sum");
    QTest::addColumn<int>("resultCode");
    QTest::addColumn<int>("responseCode");
    QTest::newRow("approve despite .51") << "1" << 100.51 << 0 << 0;
    QTest::newRow("decline despite .00") << "2" << 100.00 << int(Declined) << 55;
    QTest::newRow("timeout") << "4" << 100.00 << int(HostTimeout) << -1;
    QTest::newRow("fail authorize") << "3" << 100.00 << -10051 << -1;
}

void TestSimPayCard::operatorChoice_overridesAmountTable()
{
    QFETCH(QString, choice);
    QFETCH(double, sum);
    QFETCH(int, resultCode);
    QFETCH(int, responseCode);
    Device device = make();
    QVERIFY(configure(device.get(), {{"OperatorResult", choice}, {"DeclineCode", "55"},
                                     {"FailAction", "0"}, {"FailResultCode", "-10051"}}));
    QCOMPARE(pay(device.get(), sum) < 0, resultCode != 0);
    if (resultCode != 0)
        QCOMPARE(lastFailure(device.get()).code, resultCode);
    int response = 12345;
    device->responseCode(&response);
    QCOMPARE(response, responseCode);
}

void TestSimPayCard::operatorFailure_hitsOnlyChosenAction()
{
    Device device = make();
    QVERIFY(configure(device.get(), {{"OperatorResult", "3"}, {"FailAction", "1"},
                                     {"FailResultCode", "-211"}}));
    device->setOperationType(0);
    device->setAuthorizationType(2);
    device->setSum(100.51);  // other actions still follow the amount table
    QVERIFY(device->authorize() < 0);
    QCOMPARE(lastFailure(device.get()).code, int(Declined));

    device->setSum(100.00);
    QCOMPARE(device->authorize(), 0);
    const QString reference = lastReference(device.get());
    QVERIFY(device->completeAuthorization() < 0);
    QCOMPARE(lastFailure(device.get()).code, -211);
    QVERIFY(readText(device.get(), &IPayCard::slipText).contains(QStringLiteral("НЕ ЗАВЕРШЕНО")));
    // The failed completion left nothing in the journal to refund.
    QVERIFY(configure(device.get(), {{"OperatorResult", "0"}}));
    QVERIFY(pay(device.get(), 10.00, 1, reference) < 0);
    QCOMPARE(lastFailure(device.get()).code, int(ReferenceNotFound));
}

void TestSimPayCard::authorize_rejectsBadInput_data()
{
    QTest::addColumn<int>("operationType");
    QTest::addColumn<int>("authorizationType");
    QTest::addColumn<double>("sum");
    QTest::addColumn<QString>("currency");
    QTest::addColumn<QString>("track2");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QString>("badInput");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("operation -1") << -1 << 2 << 1.0 << "643" << "" << "" << "Тип операции";
    QTest::newRow("operation 10") << 10 << 2 << 1.0 << "643" << "" << "" << "Тип операции";
    QTest::newRow("authorization 5") << 0 << 5 << 1.0 << "643" << "" << "" << "Тип авторизации";
    QTest::newRow("authorization -1") << 0 << -1 << 1.0 << "643" << "" << "" << "Тип авторизации";
    QTest::newRow("currency two digits") << 0 << 2 << 1.0 << "64" << "" << "" << "Код валюты";
    QTest::newRow("currency four digits") << 0 << 2 << 1.0 << "6430" << "" << "" << "Код валюты";
    QTest::newRow("currency letters") << 0 << 2 << 1.0 << "RUB" << "" << "" << "Код валюты";
    QTest::newRow("currency empty") << 0 << 2 << 1.0 << "" << "" << "" << "Код валюты";
    QTest::newRow("payment zero sum") << 0 << 2 << 0.0 << "643" << "" << "" << "Сумма";
    QTest::newRow("payment below a kopeck") << 0 << 2 << 0.004 << "643" << "" << "" << "Сумма";
    QTest::newRow("negative sum") << 0 << 2 << -5.0 << "643" << "" << "" << "Сумма";
    QTest::newRow("nan sum") << 0 << 2 << nan << "643" << "" << "" << "Сумма";
    QTest::newRow("huge sum") << 0 << 2 << 1e12 << "643" << "" << "" << "Сумма";
    QTest::newRow("track no separator") << 0 << 2 << 1.0 << "643" << "99999900000012342812" << "" << "Дорожка 2";
    QTest::newRow("track month 13") << 0 << 2 << 1.0 << "643" << "9999990000001234=2813" << "" << "Дорожка 2";
    QTest::newRow("track short pan") << 0 << 2 << 1.0 << "643" << "12345=2812" << "" << "Дорожка 2";
    QTest::newRow("track letters") << 0 << 2 << 1.0 << "643" << "99999900000A1234=2812" << "" << "Дорожка 2";
    QTest::newRow("refund no reference") << 1 << 2 << 1.0 << "643" << "" << "" << "Ссылочный номер";
    QTest::newRow("cancel no reference") << 2 << 2 << 0.0 << "643" << "" << "  " << "Ссылочный номер";
}

void TestSimPayCard::authorize_rejectsBadInput()
{
    QFETCH(int, operationType);
    QFETCH(int, authorizationType);
    QFETCH(double, sum);
    QFETCH(QString, currency);
    QFETCH(QString, track2);
    QFETCH(QString, reference);
    QFETCH(QString, badInput);
    Device device = make();
    device->setOperationType(operationType);
    device->setAuthorizationType(authorizationType);
    device->setSum(sum);
    QCOMPARE(device->setCurrencyCode(w(currency).c_str()), 0);
    QCOMPARE(device->setTrack2(w(track2).c_str()), 0);
    QCOMPARE(device->setReferenceNumber(w(reference).c_str()), 0);
    QVERIFY(device->authorize() < 0);
    const Failure failure = lastFailure(device.get());
    QCOMPARE(failure.code, int(InvalidInput));
    QCOMPARE(failure.badParam, 1);
    QCOMPARE(failure.badParamText, badInput);
    QVERIFY(device->completeAuthorization() < 0);
    QCOMPARE(lastFailure(device.get()).code, int(NoPendingAuthorization));
}

void TestSimPayCard::authorize_fillsEveryResponseField()
{
    Device device = make();
    QVERIFY(configure(device.get(), {{"TerminalId", "TERM7"}}));
    QCOMPARE(pay(device.get(), 250.00, 9), 0);
    for (TextGetter getter : {&IPayCard::authorizationCode, &IPayCard::transactionId,
                              &IPayCard::terminalId, &IPayCard::referenceNumber,
                              &IPayCard::cardNumber, &IPayCard::cardType, &IPayCard::cardExpiryDate,
                              &IPayCard::operatorName, &IPayCard::amountId, &IPayCard::commissionId})
        QVERIFY(!readText(device.get(), getter).isEmpty());
    QCOMPARE(readText(device.get(), &IPayCard::terminalId), QStringLiteral("TERM7"));
    QVERIFY(QDate::fromString(readText(device.get(), &IPayCard::transactionDate),
                              QStringLiteral("dd.MM.yyyy")).isValid());
    QVERIFY(QTime::fromString(readText(device.get(), &IPayCard::transactionTime),
                              QStringLiteral("HH:mm:ss")).isValid());
    double commission = 0;
    QCOMPARE(device->commission(&commission), 0);
    QCOMPARE(commission, 2.50);  // one per cent on payments for services
    int slip = 0;
    device->slipNumber(&slip);
    QVERIFY(slip > 0);
    int response = -1;
    device->responseCode(&response);
    QCOMPARE(response, 0);
}

void TestSimPayCard::track2_givesMaskedCardAndExpiry()
{
    Device device = make();
    device->setOperationType(0);
    device->setAuthorizationType(0);
    device->setSum(5.00);
    device->setCurrencyCode(L"643");
    device->setTrack2(L";4999991234567890=28121010000?");
    QCOMPARE(device->authorize(), 0);
    QCOMPARE(readText(device.get(), &IPayCard::cardNumber), QStringLiteral("499999******7890"));
    QCOMPARE(readText(device.get(), &IPayCard::cardExpiryDate), QStringLiteral("12/28"));
    QVERIFY(!readText(device.get(), &IPayCard::slipText).contains(QStringLiteral("4999991234567890")));
}

void TestSimPayCard::completeAuthorization_needsSuccessfulAuthorize()
{
    Device device = make();
    QVERIFY(device->completeAuthorization() < 0);
    QCOMPARE(lastFailure(device.get()).code, int(NoPendingAuthorization));
    QCOMPARE(pay(device.get(), 10.00), 0);
    QVERIFY(device->completeAuthorization() < 0);  // already completed
    QCOMPARE(lastFailure(device.get()).code, int(NoPendingAuthorization));
    device->setSum(10.51);
    QVERIFY(device->authorize() < 0);  // declined: nothing to complete
    QVERIFY(device->completeAuthorization() < 0);
    QCOMPARE(lastFailure(device.get()).code, int(NoPendingAuthorization));
}

void TestSimPayCard::journal_refundAndCancellationRules()
{
    Device device = make();
    QCOMPARE(pay(device.get(), 100.00), 0);
    const QString payment = lastReference(device.get());
    QCOMPARE(pay(device.get(), 30.00, 1, payment), 0);  // partial refund
    const QString refund = lastReference(device.get());
    QVERIFY(pay(device.get(), 80.00, 1, payment) < 0);  // more than what is left
    QCOMPARE(lastFailure(device.get()).code, int(RefundExceedsAmount));
    QVERIFY(pay(device.get(), 0.0, 3, payment) < 0);  // not a refund
    QCOMPARE(lastFailure(device.get()).code, int(ReferenceWrongOperation));
    QVERIFY(pay(device.get(), 0.0, 2, refund) < 0);  // not a payment
    QCOMPARE(lastFailure(device.get()).code, int(ReferenceWrongOperation));
    QCOMPARE(pay(device.get(), 0.0, 3, refund), 0);
    QVERIFY(pay(device.get(), 0.0, 3, refund) < 0);
    QCOMPARE(lastFailure(device.get()).code, int(AlreadyCancelled));
    QCOMPARE(pay(device.get(), 0.0, 2, payment), 0);
    QVERIFY(pay(device.get(), 0.0, 2, payment) < 0);
    QCOMPARE(lastFailure(device.get()).code, int(AlreadyCancelled));
    QVERIFY(pay(device.get(), 0.0, 2, QStringLiteral("000000000000")) < 0);
    const Failure unknown = lastFailure(device.get());
    QCOMPARE(unknown.code, int(ReferenceNotFound));
    QCOMPARE(unknown.badParamText, QStringLiteral("Ссылочный номер"));
}

void TestSimPayCard::journal_cancellationOnlyWithinShift()
{
    Device device = make();
    QCOMPARE(pay(device.get(), 40.00), 0);
    const QString payment = lastReference(device.get());
    QCOMPARE(runReport(device.get(), 0, {}), 0);
    QVERIFY(pay(device.get(), 0.0, 2, payment) < 0);
    QCOMPARE(lastFailure(device.get()).code, int(CancelOutsideShift));
    QCOMPARE(pay(device.get(), 40.00, 1, payment), 0);  // a refund still works
}

void TestSimPayCard::reports_wrongOrderFails_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("resultCode");
    QTest::newRow("add without begin") << "a" << int(ReportNotOpen);
    QTest::newRow("end without begin") << "e" << int(ReportNotOpen);
    QTest::newRow("reset without begin") << "r" << int(ReportNotOpen);
    QTest::newRow("begin twice") << "bb" << int(ReportAlreadyOpen);
    QTest::newRow("end after reset") << "bre" << int(ReportNotOpen);
    QTest::newRow("add after end") << "bea" << int(ReportNotOpen);
}

void TestSimPayCard::reports_wrongOrderFails()
{
    QFETCH(QString, steps);
    QFETCH(int, resultCode);
    Device device = make();
    device->setReportType(2);
    device->setReportSum(1.0);
    device->setReportOperationType(0);
    int result = 0;
    for (int i = 0; i < steps.size(); ++i) {
        switch (steps.at(i).toLatin1()) {
        case 'b': result = device->beginReport(); break;
        case 'a': result = device->addReportItem(); break;
        case 'e': result = device->endReport(); break;
        case 'r': result = device->resetReport(); break;
        }
        QVERIFY2((result < 0) == (i == steps.size() - 1), qPrintable(QString::number(i)));
    }
    QCOMPARE(lastFailure(device.get()).code, resultCode);
}

void TestSimPayCard::shiftClose_totalsAndStartsNewShift()
{
    Device device = make();
    QCOMPARE(pay(device.get(), 100.00), 0);
    QCOMPARE(pay(device.get(), 50.00), 0);
    QCOMPARE(pay(device.get(), 20.00, 1, lastReference(device.get())), 0);

    // Register totals that differ from the terminal's: reported, not refused.
    QCOMPARE(runReport(device.get(), 2, {{150.00, 0}, {25.00, 1}}), 0);
    int response = 0;
    device->responseCode(&response);
    QCOMPARE(response, 1);
    QVERIFY(slipRows(device.get()).join(QString()).contains(QStringLiteral("ИТОГИ НЕ СОВПАЛИ")));

    QCOMPARE(runReport(device.get(), 0, {{150.00, 0}, {20.00, 1}}), 0);
    device->responseCode(&response);
    QCOMPARE(response, 0);
    const QString closing = slipRows(device.get()).join(QLatin1Char('\n'));
    QVERIFY(closing.contains(QStringLiteral("ИТОГИ СОВПАЛИ")));
    QVERIFY(closing.contains(QStringLiteral("СМЕНА 1 ЗАКРЫТА")));
    QVERIFY(closing.contains(QStringLiteral("130.00")));  // 150 paid less 20 refunded

    QCOMPARE(runReport(device.get(), 0, {}), 0);
    const QString next = slipRows(device.get()).join(QLatin1Char('\n'));
    QVERIFY(next.contains(QStringLiteral("СМЕНА 2 ЗАКРЫТА")));
    QVERIFY(next.contains(QStringLiteral("Нет операций")));
}

void TestSimPayCard::receiptRequest_copiesKeptSlip()
{
    Device device = make();
    QCOMPARE(pay(device.get(), 12.00), 0);
    int number = 0;
    device->slipNumber(&number);
    const QString reference = lastReference(device.get());
    device->setReportType(5);
    device->setSlipNumber(number);
    QCOMPARE(device->beginReport(), 0);
    QCOMPARE(device->endReport(), 0);
    const QString copy = slipRows(device.get()).join(QString());
    QVERIFY(copy.contains(QStringLiteral("КОПИЯ")));
    QVERIFY(copy.contains(reference));
    device->setSlipNumber(number + 100);
    QVERIFY(device->beginReport() < 0);
    QCOMPARE(lastFailure(device.get()).badParamText, QStringLiteral("Номер слипа"));
}

void TestSimPayCard::slip_widthIsClamped_data()
{
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("used");
    QTest::newRow("35") << 35 << 35;
    QTest::newRow("minimum") << 24 << 24;
    QTest::newRow("too narrow") << 10 << 24;
    QTest::newRow("zero") << 0 << 24;
    QTest::newRow("negative") << -40 << 24;
    QTest::newRow("widest") << 80 << 80;
    QTest::newRow("huge") << 999999999 << 80;
}

void TestSimPayCard::slip_widthIsClamped()
{
    QFETCH(int, requested);
    QFETCH(int, used);
    Device device = make();
    QCOMPARE(pay(device.get(), 1.00), 0);
    device->setCharLineLength(requested);
    int width = 0;
    QCOMPARE(device->charLineLength(&width), 0);
    QCOMPARE(width, used);
    const QString slip = readText(device.get(), &IPayCard::slipText);
    QVERIFY(!slip.isEmpty());
    QCOMPARE(slip.size() % used, 0);
    QVERIFY(!slip.contains(QLatin1Char('\n')));
    // Every row holds something or is a deliberate blank; the reference
    // number and the amount line each fit one row.
    const QStringList rows = slipRows(device.get());
    QVERIFY(std::any_of(rows.cbegin(), rows.cend(), [&](const QString &row) {
        return row.startsWith(QStringLiteral("Сумма:")) && row.endsWith(QStringLiteral("1.00 RUB"));
    }));
}

void TestSimPayCard::slip_holdsOperationDetails_data()
{
    QTest::addColumn<int>("authorizationType");
    QTest::addColumn<double>("sum");
    QTest::addColumn<QString>("words");
    QTest::addColumn<bool>("signature");
    QTest::newRow("reader, signature") << 0 << 100.00 << "ОДОБРЕНО" << true;
    QTest::newRow("manual, signature") << 1 << 100.00 << "ОДОБРЕНО" << true;
    QTest::newRow("reader, PIN") << 2 << 100.00 << "ОДОБРЕНО" << false;
    QTest::newRow("chip") << 4 << 100.00 << "ОДОБРЕНО" << false;
    QTest::newRow("declined, signature type") << 0 << 100.51 << "НЕДОСТАТОЧНО СРЕДСТВ" << false;
}

void TestSimPayCard::slip_holdsOperationDetails()
{
    QFETCH(int, authorizationType);
    QFETCH(double, sum);
    QFETCH(QString, words);
    QFETCH(bool, signature);
    Device device = make();
    pay(device.get(), sum, 0, QString(), authorizationType);
    const QString slip = slipRows(device.get()).join(QLatin1Char('\n'));
    QVERIFY(slip.contains(QStringLiteral("ОПЛАТА")));
    QVERIFY(slip.contains(QString::number(sum, 'f', 2)));
    QVERIFY(slip.contains(readText(device.get(), &IPayCard::cardNumber)));
    QVERIFY(slip.contains(lastReference(device.get())));
    QVERIFY(slip.contains(words));
    QCOMPARE(slip.contains(QStringLiteral("Подпись")), signature);
    const QString authorizationCode = readText(device.get(), &IPayCard::authorizationCode);
    if (!authorizationCode.isEmpty())
        QVERIFY(slip.contains(authorizationCode));
}

void TestSimPayCard::serviceOperations_eachHasOwnSlip()
{
    Device device = make();
    device->setCharLineLength(40);
    QSet<QString> titles;
    for (int type = 0; type <= 5; ++type) {
        device->setServiceOperationType(type);
        QCOMPARE(device->executeServiceOperation(), 0);
        int response = -1;
        device->responseCode(&response);
        QCOMPARE(response, 0);
        const QStringList rows = slipRows(device.get());
        QVERIFY(rows.size() > 4);
        // The title is the centred row under the first rule.
        const int rule = rows.indexOf(QString(40, QLatin1Char('-')));
        QVERIFY(rule >= 0 && rule + 1 < rows.size());
        titles.insert(rows.at(rule + 1).trimmed());
    }
    QCOMPARE(titles.size(), 6);
}

void TestSimPayCard::serviceOperation_rejectsUnknownType_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("-1") << -1;
    QTest::newRow("6") << 6;
}

void TestSimPayCard::serviceOperation_rejectsUnknownType()
{
    QFETCH(int, type);
    Device device = make();
    device->setServiceOperationType(type);
    QVERIFY(device->executeServiceOperation() < 0);
    const Failure failure = lastFailure(device.get());
    QCOMPARE(failure.code, int(InvalidInput));
    QCOMPARE(failure.badParamText, QStringLiteral("Тип служебной операции"));
}

void TestSimPayCard::ecrPorts_governOperationsOfPortProtocols()
{
    Device device = make();
    IFptr *fptr = makeRegister();
    QVERIFY(fptr);
    auto passPorts = [&]() {
        int pinpad = 0;
        int modem = 0;
        fptr->pinpadPortHandle(&pinpad);
        fptr->modemPortHandle(&modem);
        device->setPinpadPort(pinpad);
        device->setModemPort(modem);
    };
    auto failsWith = [&](int code) {
        const bool failed = pay(device.get(), 1.00) < 0 && lastFailure(device.get()).code == code;
        if (!failed)
            qWarning() << "expected" << code << "got" << lastFailure(device.get()).description;
        return failed;
    };

    QCOMPARE(pay(device.get(), 1.00), 0);  // protocol 0 needs no port
    QVERIFY(configure(device.get(), {{"Protocol", "8"}}));
    passPorts();
    QVERIFY(failsWith(PinpadPortNotSet));
    device->setServiceOperationType(0);
    QVERIFY(device->executeServiceOperation() < 0);
    QVERIFY(lastFailure(device.get()).description.contains(QStringLiteral("порт")));

    QCOMPARE(fptr->setPinpadPortMode(1), 0);
    passPorts();
    QVERIFY(failsWith(PortNotPowered));
    QCOMPARE(fptr->pinpadPowerOn(), 0);
    QCOMPARE(pay(device.get(), 1.00), 0);
    QCOMPARE(fptr->pinpadPowerOff(), 0);
    QVERIFY(failsWith(PortNotPowered));
    QCOMPARE(fptr->pinpadPowerOn(), 0);

    // Protocol 10 reaches the host through the register's modem as well.
    QVERIFY(configure(device.get(), {{"Protocol", "10"}}));
    QVERIFY(failsWith(ModemPortNotSet));
    QCOMPARE(fptr->setModemPortMode(2), 0);
    QCOMPARE(fptr->modemPowerOn(), 0);
    passPorts();
    QCOMPARE(pay(device.get(), 1.00), 0);

    // Switching the register off closes its ports behind the handles.
    QCOMPARE(fptr->setDeviceEnabled(0), 0);
    QVERIFY(failsWith(PortUnknown));
    releaseRegister(fptr);
}

void TestSimPayCard::ecrPorts_reportPortState_data()
{
    QTest::addColumn<int>("kind");  // 0 pinpad, 1 modem, -1 no port at all
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("powered");
    QTest::addColumn<int>("resultCode");
    QTest::newRow("ready") << 0 << 2 << true << 0;
    QTest::newRow("not initialised") << 0 << 0 << true << int(PortNotInitialised);
    QTest::newRow("mode 3 is off") << 0 << 3 << true << int(PortNotInitialised);
    QTest::newRow("not powered") << 0 << 1 << false << int(PortNotPowered);
    QTest::newRow("modem as pinpad") << 1 << 1 << true << int(PortWrongKind);
    QTest::newRow("closed") << -1 << 1 << true << int(PortUnknown);
}

void TestSimPayCard::ecrPorts_reportPortState()
{
    QFETCH(int, kind);
    QFETCH(int, mode);
    QFETCH(bool, powered);
    QFETCH(int, resultCode);
    SimPorts::PortState state;
    state.kind = kind == 1 ? SimPorts::PortKind::Modem : SimPorts::PortKind::Pinpad;
    state.mode = mode;
    state.powered = powered;
    const int handle = SimPorts::openPort(state.kind, state);
    if (kind < 0)
        SimPorts::closePort(handle);
    Device device = make();
    QVERIFY(configure(device.get(), {{"Protocol", "9"}}));
    device->setPinpadPort(handle);
    const int result = pay(device.get(), 1.00);
    SimPorts::closePort(handle);
    QCOMPARE(result < 0, resultCode != 0);
    if (resultCode != 0)
        QCOMPARE(lastFailure(device.get()).code, resultCode);
}

void TestSimPayCard::disabledDevice_refusesActionsOnly()
{
    Device device = make();
    QCOMPARE(device->setDeviceEnabled(0), 0);
    int enabled = 1;
    device->deviceEnabled(&enabled);
    QCOMPARE(enabled, 0);
    QCOMPARE(device->setSum(5.0), 0);
    QCOMPARE(device->setCurrencyCode(L"643"), 0);
    QVERIFY(setParameter(device.get(), QStringLiteral("Protocol"), QStringLiteral("4")));
    QCOMPARE(device->applySettings(), 0);
    QVERIFY(!settingsOf(device.get()).isEmpty());
    using Action = int (NEBAPI IPayCard::*)();
    const Action actions[] = {&IPayCard::authorize, &IPayCard::completeAuthorization,
                              &IPayCard::executeServiceOperation, &IPayCard::beginReport,
                              &IPayCard::addReportItem, &IPayCard::endReport, &IPayCard::resetReport};
    for (Action action : actions) {
        QVERIFY((device.get()->*action)() < 0);
        QCOMPARE(lastFailure(device.get()).code, int(DeviceDisabled));
    }
    QCOMPARE(device->setDeviceEnabled(1), 0);
    QCOMPARE(pay(device.get(), 5.0), 0);
}

void TestSimPayCard::getters_respectBuffers_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("null") << -100;
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -1;
    QTest::newRow("one") << 1;
    QTest::newRow("short") << 5;
    QTest::newRow("roomy") << 4000;
}

void TestSimPayCard::getters_respectBuffers()
{
    QFETCH(int, size);
    Device device = make();
    QCOMPARE(pay(device.get(), 77.00), 0);
    const TextGetter getters[] = {
        &IPayCard::authorizationCode, &IPayCard::transactionId, &IPayCard::transactionDate,
        &IPayCard::transactionTime, &IPayCard::terminalId, &IPayCard::referenceNumber,
        &IPayCard::cardNumber, &IPayCard::cardType, &IPayCard::cardExpiryDate,
        &IPayCard::operatorName, &IPayCard::amountId, &IPayCard::commissionId,
        &IPayCard::slipText, &IPayCard::deviceSettings, &IPayCard::resultDescription};
    for (TextGetter getter : getters) {
        const QString full = readText(device.get(), getter);
        constexpr int guard = 8;
        std::vector<wchar_t> buffer(size_t(qMax(size, 0)) + guard, L'#');
        const int length = (device.get()->*getter)(size == -100 ? nullptr : buffer.data(), size);
        if (getter != &IPayCard::resultDescription)
            QCOMPARE(length, full.size());
        for (size_t i = size_t(qMax(size, 0)); i < buffer.size(); ++i)
            QCOMPARE(buffer[i], L'#');
        if (size > 0) {
            const int kept = qMin(size - 1, int(full.size()));
            QCOMPARE(QString::fromWCharArray(buffer.data(), kept), full.left(kept));
            QCOMPARE(buffer[size_t(kept)], L'\0');
        }
    }
}

void TestSimPayCard::nullArguments_failWithoutCrash()
{
    Device device = make();
    QVERIFY(device->responseCode(nullptr) < 0);
    QVERIFY(device->slipNumber(nullptr) < 0);
    QVERIFY(device->commission(nullptr) < 0);
    QVERIFY(device->charLineLength(nullptr) < 0);
    QVERIFY(device->setCurrencyCode(nullptr) < 0);
    QCOMPARE(lastFailure(device.get()).badParam, 1);
    QVERIFY(device->setTrack2(nullptr) < 0);
    QVERIFY(device->setParameter(nullptr, L"1") < 0);
    QVERIFY(device->setParameter(L"Protocol", nullptr) < 0);
    QVERIFY(device->setDeviceSettings(nullptr) < 0);
    QVERIFY(device->parameter(nullptr, nullptr, 0) < 0);
    // Texts far beyond any real value are stored but refused by the check.
    const std::wstring huge(200000, L'7');
    QCOMPARE(device->setReferenceNumber(huge.c_str()), 0);
    QCOMPARE(device->setAccountNumber(huge.c_str()), 0);
    device->setOperationType(0);
    device->setSum(1.0);
    device->setCurrencyCode(L"643");
    QVERIFY(device->authorize() < 0);
    QCOMPARE(lastFailure(device.get()).badParamText, QStringLiteral("Номер счета"));
    QVERIFY(lastFailure(device.get()).description.size() < 1000);
}

void TestSimPayCard::devices_areIndependent()
{
    Device first = make();
    Device second = make();
    QVERIFY(configure(first.get(), {{"Protocol", "7"}, {"OperatorResult", "4"}}));
    QCOMPARE(parameter(second.get(), QStringLiteral("Protocol")), QStringLiteral("0"));
    QCOMPARE(pay(second.get(), 10.00), 0);
    const QString reference = lastReference(second.get());
    QVERIFY(pay(first.get(), 10.00) < 0);
    QCOMPARE(lastFailure(first.get()).code, int(HostTimeout));
    QCOMPARE(lastFailure(second.get()).code, 0);
    QVERIFY(configure(first.get(), {{"OperatorResult", "0"}}));
    QVERIFY(pay(first.get(), 0.0, 2, reference) < 0);
    QCOMPARE(lastFailure(first.get()).code, int(ReferenceNotFound));
    QCOMPARE(pay(second.get(), 0.0, 2, reference), 0);
}

void TestSimPayCard::trace_masksCardNumbers()
{
    Device device = make();
    QVERIFY(configure(device.get(), {{"Trace", "1"}}));
    device->setOperationType(0);
    device->setSum(3.00);
    device->setCurrencyCode(L"643");
    device->setTrack2(L"9999997777777777=3001");
    QCOMPARE(device->authorize(), 0);
    QVERIFY(configure(device.get(), {{"Trace", "0"}}));

    const QString root = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QString traced;
    QDirIterator it(root, {QStringLiteral("trace-paycard-*.log")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        QVERIFY(file.open(QIODevice::ReadOnly));
        traced += QString::fromUtf8(file.readAll());
    }
    QVERIFY2(traced.contains(QStringLiteral("authorize")), qPrintable(root));
    QVERIFY(traced.contains(QStringLiteral("999999******7777")));
    QVERIFY(!traced.contains(QStringLiteral("9999997777777777")));
}

void TestSimPayCard::settingsDialog_acceptAppliesAndCancelKeeps_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("accept") << true;
    QTest::newRow("cancel") << false;
}

void TestSimPayCard::settingsDialog_acceptAppliesAndCancelKeeps()
{
    QFETCH(bool, accept);
    Device device = make();
    QWidget owner;
    owner.show();
    device->setOwnerWindow(&owner);
    const QString before = settingsOf(device.get());

    QString problem = QStringLiteral("the dialog never opened");
    int amountRows = 0;
    QTimer::singleShot(0, [&]() {
        QDialog *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            problem = QStringLiteral("no modal dialog");
            return;
        }
        problem.clear();
        if (dialog->parentWidget() != &owner)
            problem = QStringLiteral("the dialog is not parented to the owner window");
        auto *protocol = dialog->findChild<QComboBox *>(QStringLiteral("cmbProtocol"));
        auto *choice = dialog->findChild<QComboBox *>(QStringLiteral("cmbOperatorResult"));
        auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("twAmountTable"));
        if (!protocol || !choice || !table) {
            problem = QStringLiteral("a widget is missing");
            dialog->reject();
            return;
        }
        amountRows = table->rowCount();
        protocol->setCurrentIndex(protocol->findData(QStringLiteral("13")));
        choice->setCurrentIndex(choice->findData(QStringLiteral("4")));
        auto *buttons = dialog->findChild<QDialogButtonBox *>();
        QTest::mouseClick(buttons->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel),
                          Qt::LeftButton);
        if (dialog->isVisible()) {
            problem = QStringLiteral("the dialog stayed open");
            dialog->reject();
        }
    });
    const int result = device->showProperties();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(amountRows, 13);
    QCOMPARE(result, accept ? 1 : 0);
    if (accept) {
        QCOMPARE(parameter(device.get(), QStringLiteral("Protocol")), QStringLiteral("13"));
        QVERIFY(pay(device.get(), 1.00) < 0);  // the chosen timeout acts
        QCOMPARE(lastFailure(device.get()).code, int(HostTimeout));
    } else {
        QCOMPARE(settingsOf(device.get()), before);
    }
}

BENCH_TEST_MAIN(TestSimPayCard)

#include "tst_simpaycard.moc"
