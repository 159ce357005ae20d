// The simulated payment terminal, driven through its exported functions and
// interface exactly as the bench drives the real driver.

#include "benchtest.h"
#include "settingsfolder.h"

#include "dialoganswerer.h"
#include "ifptr.h"
#include "ipaycard.h"
#include "portregistry.h"

#include <QDialog>
#include <QDirIterator>
#include <QFormLayout>
#include <QLabel>
#include <QLibrary>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <vector>

using NEB::PayCard::IPayCard;
using NEB::Fptr::IFptr;

namespace {

// Result codes the terminal documents; the tests check them by value so a
// renumbering shows up here.
enum : int {
    DeviceDisabled = -3, InvalidParameterValue = -5, InvalidSettings = -6,
    InvalidInput = -200, NoPendingAuthorization = -201, ReferenceNotFound = -202,
    AlreadyCancelled = -203, ReferenceWrongOperation = -204, CancelOutsideShift = -205,
    RefundExceedsAmount = -206, Declined = -210, ReportAlreadyOpen = -220, ReportNotOpen = -221,
    PinpadPortNotSet = -230, ModemPortNotSet = -231, PortUnknown = -232, PortWrongKind = -233,
    PortNotInitialised = -234, PortNotPowered = -235, ModemNoAnswer = -236, ModemConnectionError = -237,
    PinpadNoAnswer = -10050, CancelledOnPinpad = -10051, HostTimeout = -10052, HostUnreachable = 10053,
};

NEB::PayCard::CreatePayCardInterfaceFunction createFn = nullptr;
NEB::PayCard::ReleasePayCardInterfaceFunction releaseFn = nullptr;
NEB::Fptr::CreateFptrInterfaceFunction createFptrFn = nullptr;
NEB::Fptr::ReleaseFptrInterfaceFunction releaseFptrFn = nullptr;

struct Releaser
{
    void operator()(IPayCard *device) const { releaseFn(&device); }
    void operator()(IFptr *fptr) const { releaseFptrFn(&fptr); }
};
using Device = std::unique_ptr<IPayCard, Releaser>;
using Register = std::unique_ptr<IFptr, Releaser>;

Device make()
{
    Device device(createFn(NEB::PayCard::InterfaceVersion));
    if (device)
        device->setDeviceEnabled(1);
    return device;
}

using TextGetter = int (NEBAPI IPayCard::*)(wchar_t *, int);

// Every text the host reads after an operation.
const TextGetter responseGetters[] = {
    &IPayCard::authorizationCode, &IPayCard::transactionId, &IPayCard::transactionDate,
    &IPayCard::transactionTime, &IPayCard::terminalId, &IPayCard::referenceNumber,
    &IPayCard::cardNumber, &IPayCard::cardType, &IPayCard::cardExpiryDate,
    &IPayCard::operatorName, &IPayCard::amountId, &IPayCard::commissionId};

std::wstring w(const QString &text) { return text.toStdWString(); }

// The common helpers below serve the register as well as the terminal.
template <class I>
QString text(I *device, int (NEBAPI I::*getter)(wchar_t *, int))
{
    std::vector<wchar_t> buffer(64, L'\0');
    int length = (device->*getter)(buffer.data(), int(buffer.size()));
    if (length >= int(buffer.size())) {
        buffer.assign(size_t(length) + 1, L'\0');
        length = (device->*getter)(buffer.data(), int(buffer.size()));
    }
    return length > 0 ? QString::fromWCharArray(buffer.data()) : QString();
}

// Getters leave the error state alone; actions and setters replace it.
template <class I> int code(I *device) { int value = 0; device->resultCode(&value); return value; }
template <class I> int badFlag(I *device) { int flag = 0; device->badParam(&flag); return flag; }
template <class I> QString badText(I *device) { return text(device, &I::badParamDescription); }
// 0 for an action that succeeded, else the result code it left behind.
int resultOf(IPayCard *device, int result) { return result >= 0 ? 0 : code(device) ? code(device) : result; }

int response(IPayCard *device) { int value = 12345; device->responseCode(&value); return value; }
QString reference(IPayCard *device) { return text(device, &IPayCard::referenceNumber); }
template <class I> QString settingsOf(I *device) { return text(device, &I::deviceSettings); }

template <class I>
QString parameter(I *device, const QString &name)
{
    wchar_t buffer[512] = {};
    return device->parameter(w(name).c_str(), buffer, 512) >= 0 ? QString::fromWCharArray(buffer) : "<failed>";
}

template <class I>
bool setParameter(I *device, const QString &name, const QString &value)
{
    return device->setParameter(w(name).c_str(), w(value).c_str()) >= 0;
}

// pairs: "Name=value;Name=value".
bool configure(IPayCard *device, const QString &pairs)
{
    for (const QString &pair : pairs.split(QLatin1Char(';'))) {
        if (!pair.isEmpty() && !setParameter(device, pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1)))
            return false;
    }
    return device->applySettings() >= 0;
}

QStringList valueList(IPayCard *device, const QString &name)
{
    wchar_t buffer[4096] = {};
    device->parameterValues(w(name).c_str(), buffer, 4096);
    QStringList entries = QString::fromWCharArray(buffer).split(QLatin1Char(';'));
    entries.removeAll(QString());
    return entries;
}

// The slip cut into the rows the bench shows.
QStringList slipRows(IPayCard *device)
{
    const QString slip = text(device, &IPayCard::slipText);
    int width = 0;
    device->charLineLength(&width);
    QStringList rows;
    for (int i = 0; width > 0 && i < slip.size(); i += width)
        rows.append(slip.mid(i, width));
    return rows;
}

QString slipOf(IPayCard *device) { return slipRows(device).join(QLatin1Char('\n')); }

// Sets every authorization input; true when the device took them all.
bool prepare(IPayCard *device, double sum, int operationType = 0, const QString &referenceNumber = {},
             int authorizationType = 2, const QString &track2 = {}, const QString &currency = "643")
{
    const int results[] = {
        device->setOperationType(operationType), device->setAuthorizationType(authorizationType),
        device->setSum(sum), device->setCurrencyCode(w(currency).c_str()),
        device->setReferenceNumber(w(referenceNumber).c_str()), device->setTrack2(w(track2).c_str()),
        device->setCharLineLength(35)};
    return std::all_of(std::begin(results), std::end(results), [](int result) { return result == 0; });
}

// A full authorization; the result of the step that failed or of completion.
int pay(IPayCard *device, double sum, int operationType = 0, const QString &referenceNumber = {},
        int authorizationType = 2, const QString &track2 = {})
{
    const bool prepared = prepare(device, sum, operationType, referenceNumber, authorizationType, track2);
    const int result = prepared ? device->authorize() : -1;
    return result < 0 ? result : device->completeAuthorization();
}

int runReport(IPayCard *device, int type, const QVector<QPair<double, int>> &items = {})
{
    device->setReportType(type);
    device->setReportTerminalId(L"");
    device->setSlipNumber(0);
    int result = device->beginReport();
    for (int i = 0; result >= 0 && i < items.size(); ++i) {
        device->setReportSum(items.at(i).first);
        device->setReportOperationType(items.at(i).second);
        result = device->addReportItem();
    }
    return result < 0 ? result : device->endReport();
}

// named: the input the rejection names.
struct BadInput { int operationType, authorizationType; double sum; QString currency, track2, referenceNumber, named; };
struct SlipCase { int requestedWidth, usedWidth, authorizationType; double sum; QString words; bool signature; };

} // namespace

Q_DECLARE_METATYPE(BadInput)
Q_DECLARE_METATYPE(SlipCase)

class TestSimPayCard : public QObject
{
    Q_OBJECT

    QLibrary library;
    QLibrary fptrLibrary;
    Device device;      // a fresh, enabled device for every test function and row
    IPayCard *d = nullptr;

private slots:
    // The terminal and the register whose ports it uses, loaded from bin/ as the bench loads them.
    void initTestCase()
    {
        library.setFileName(QCoreApplication::applicationDirPath() + QStringLiteral("/paycard"));
        fptrLibrary.setFileName(QCoreApplication::applicationDirPath() + QStringLiteral("/fptr"));
        QVERIFY2(library.load() && fptrLibrary.load(), qPrintable(library.errorString() + fptrLibrary.errorString()));
        createFn = reinterpret_cast<decltype(createFn)>(library.resolve("CreatePayCardInterface"));
        releaseFn = reinterpret_cast<decltype(releaseFn)>(library.resolve("ReleasePayCardInterface"));
        createFptrFn = reinterpret_cast<decltype(createFptrFn)>(fptrLibrary.resolve("CreateFptrInterface"));
        releaseFptrFn = reinterpret_cast<decltype(releaseFptrFn)>(fptrLibrary.resolve("ReleaseFptrInterface"));
        QVERIFY(createFn && releaseFn && createFptrFn && releaseFptrFn);
    }

    void cleanupTestCase() { library.unload(); fptrLibrary.unload(); }
    void init() { device = make(); d = device.get(); QVERIFY(d); }
    void cleanup() { device.reset(); }

    void exports_createOnlyVersionThreeAndReleaseOnlyOwnObjects()
    {
        for (int version : {3, 2, 4, 0, -3}) {
            IPayCard *created = createFn(version);
            QVERIFY2((created != nullptr) == (version == 3), qPrintable(QString::number(version)));
            if (created) {
                QCOMPARE(releaseFn(&created), 0);
                QVERIFY(created == nullptr);
            }
        }
        QCOMPARE(releaseFn(nullptr), 0);
        IPayCard *none = nullptr;
        QCOMPARE(releaseFn(&none), 0);
        // A pointer the library did not make must not be deleted.
        int notADevice = 0;
        IPayCard *foreign = reinterpret_cast<IPayCard *>(&notADevice);
        QVERIFY(releaseFn(&foreign) < 0);
        QVERIFY(foreign != nullptr);
    }

    void parameters_listValuesAndProtocolLabels()
    {
        QStringList portLabels;
        for (const QString &entry : valueList(d, "Port"))
            portLabels.append(entry.section(QLatin1Char(':'), 1));
        QStringList expected = {"TCP/IP", "UDP/IP", "Bluetooth", "Файл устройства"};
        for (int i = 1; i <= 16; ++i)
            expected.append(QStringLiteral("COM%1").arg(i));
        for (const QString &label : expected)
            QVERIFY2(portLabels.contains(label), qPrintable(label));
        QVERIFY(std::any_of(portLabels.cbegin(), portLabels.cend(),
                            [](const QString &l) { return l.startsWith(QLatin1String("USB:")); }));
        QVERIFY(!valueList(d, "BaudRate").isEmpty() && !valueList(d, "Model").isEmpty());
        // Free values have no list, but the names exist.
        for (const wchar_t *name : {L"PointCode", L"TTYSuffix", L"IPAddress", L"IPPort", L"MACAddress", L"SearchDir"}) {
            wchar_t buffer[16] = {};
            QVERIFY2(d->parameterValues(name, buffer, 16) == 0, qPrintable(QString::fromWCharArray(name)));
        }
        QVERIFY(d->parameterValues(L"NoSuchParameter", nullptr, 0) < 0);
        QCOMPARE(parameter(d, "Protocol"), QStringLiteral("0"));

        // Protocols: numbered 0..13, short distinct labels, and the ones that
        // work through the register's port say so.
        const QStringList entries = valueList(d, "Protocol");
        QCOMPARE(entries.size(), 14);
        QSet<QString> labels;
        for (int i = 0; i < entries.size(); ++i) {
            QCOMPARE(entries.at(i).section(QLatin1Char(':'), 0, 0), QString::number(i));
            const QString label = entries.at(i).section(QLatin1Char(':'), 1);
            QVERIFY(!label.isEmpty() && label.size() <= 40);
            labels.insert(label);
            QVERIFY2(label.contains("через порт ККТ") == (i >= 8 && i <= 10), qPrintable(label));
        }
        QCOMPARE(labels.size(), 14);
    }

    // A value set by name and applied, or (no name) a whole settings string:
    // a rejected one fails with its code and changes nothing. The register
    // shares the connection parameters (rows marked both): it must take and
    // refuse the same values, for the same reason.
    void settings_validatedAndRejectionChangesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("both");
        // Per parameter: values applySettings accepts, then values it refuses.
        const struct { const char *name; QStringList accepted, refused; bool both = false; } values[] = {
            {"Protocol", {"13"}, {"14", "abc"}},
            {"Port", {"TCP"}, {"TCP/IP"}}, // each spells its network ports as before
            {"Port", {"COM16", "TTY", "USB2"}, {"COM17", "COM0", "com1", ""}, true},
            {"BaudRate", {"2400", "115200"}, {"1200", "1234"}, true},
            {"IPAddress", {"terminal.local", "10.0.0.7", "host-1", ""}, {"300.1.1.1", "10.1.1", "host name", "хост"}, true},
            {"IPPort", {"1", "65535"}, {"0", "65536", "abc", ""}, true},
            {"MACAddress", {"02:00:00:5a:11:01", "02-00-00-5A-11-0F", "0A:1b:2C:3d:4E:5f", ""},
             {"0A:1B:2C", "02:00:00:5a:11:0g", "02:00:00:5a:11:011", "02.00.00.5a.11.01"}, true},
            {"TTYSuffix", {"USB_0.1-a", ""}, {"../x", "tty S0", "ттыС0", QString(33, 'a')}, true},
            {"SearchDir", {"/opt/bench dir/"}, {QString(4097, 'x')}, true},
            {"PointCode", {"AZaz09", "123456789012345"}, {"1234567890123456", "00-01", "ТОЧКА"}},
            {"ResponseDelay", {"60000"}, {"-1"}},
            {"FailResultCode", {"0"}, {"x"}},
            {"TerminalId", {"ABCDEFGH12345678"}, {"", "ABCDEFGH123456789", "SIM 1"}},
            {"OperatorResult", {}, {"5"}},
            {"DeclineCode", {}, {"52"}}};
        for (const auto &entry : values) {
            for (const QString &value : entry.accepted + entry.refused)
                QTest::newRow(qPrintable(QStringLiteral("%1=%2").arg(entry.name, value).left(60)))
                    << entry.name << value << entry.accepted.contains(value) << entry.both;
        }
        for (const char *settings : {"", "garbage", "SIMFPTR/1;Protocol=1", "SIMPAYCARD/2;Protocol=1",
                                     "SIMPAYCARD/1;Colour=red", "SIMPAYCARD/1;Protocol=99", "SIMPAYCARD/1;Protocol",
                                     "SIMPAYCARD/1;Protocol=1;Protocol=2", "SIMPAYCARD/1;PointCode=1\\"})
            QTest::newRow(qPrintable(QStringLiteral("string «%1»").arg(settings))) << "" << settings << false << false;
    }

    void settings_validatedAndRejectionChangesNothing()
    {
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(bool, accepted);
        QFETCH(bool, both);
        QVERIFY(configure(d, "Protocol=4;TerminalId=KEEP1"));
        QStringList refusals;
        const auto check = [&](auto *device) {
            const QString shown = name.isEmpty() ? QStringLiteral("Protocol") : name;
            const QString before = parameter(device, shown);
            const QString settings = settingsOf(device);
            if (!name.isEmpty())
                QVERIFY(setParameter(device, name, value));
            const int result = name.isEmpty() ? device->setDeviceSettings(w(value).c_str()) : device->applySettings();
            QCOMPARE(result >= 0, accepted);
            QCOMPARE(parameter(device, shown), accepted ? value : before);
            if (accepted) {
                QVERIFY(settingsOf(device).split(';').contains(name + '=' + value));
                return;
            }
            QCOMPARE(code(device), int(name.isEmpty() ? InvalidSettings : InvalidParameterValue));
            QCOMPARE(badFlag(device), 1);
            QVERIFY2(badText(device).contains(name), qPrintable(badText(device)));
            QCOMPARE(settingsOf(device), settings);
            refusals.append(badText(device));
        };
        check(d);
        if (both) {
            Register fptr(createFptrFn(NEB::Fptr::InterfaceVersion));
            QVERIFY(fptr);
            check(fptr.get());
            QCOMPARE(refusals.value(1), refusals.value(0));
        }
    }

    void settingsString_roundTripsEveryOption()
    {
        const QMap<QString, QString> values = {
            {"Protocol", "13"}, {"Model", "2"}, {"Port", "TTY"}, {"BaudRate", "38400"},
            {"PointCode", "77"}, {"TTYSuffix", "ACM1"}, {"IPAddress", "10.0.0.7"}, {"IPPort", "4100"},
            {"MACAddress", "02:00:00:00:00:07"}, {"SearchDir", "/opt/bench;=\\x/"},
            {"OperatorResult", "3"}, {"DeclineCode", "61"}, {"FailAction", "5"},
            {"FailResultCode", "-10051"}, {"AmountScenarios", "0"}, {"ResponseDelay", "15"},
            {"TerminalId", "TERM42"}, {"Trace", "0"}};
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            QVERIFY(setParameter(d, it.key(), it.value()));
        QCOMPARE(d->applySettings(), 0);
        const QString settings = settingsOf(d);
        QVERIFY(!settings.isEmpty());

        Device target = make();
        QCOMPARE(target->setDeviceSettings(w(settings).c_str()), 0);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            QCOMPARE(parameter(target.get(), it.key()), it.value());
        QCOMPARE(settingsOf(target.get()), settings);
        // The restored options act, not only read back: the operator's choice
        // fails the end of a report with the chosen code.
        QCOMPARE(runReport(target.get(), 2), -10051);
    }

    // An operator's choice wins; else the kopecks pick an amount table row
    // (while the table is on); else the payment is approved.
    void outcome_operatorChoiceThenAmountTableThenApproval_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<double>("sum");
        QTest::addColumn<int>("resultCode");
        QTest::addColumn<int>("responseCode");
        QTest::newRow(".00 approved") << "" << 100.00 << 0 << 0;
        QTest::newRow(".05 issuer") << "" << 100.05 << int(Declined) << 5;
        QTest::newRow(".14 card number") << "" << 7.14 << int(Declined) << 14;
        QTest::newRow(".51 funds") << "" << 100.51 << int(Declined) << 51;
        QTest::newRow(".54 expired") << "" << 0.54 << int(Declined) << 54;
        QTest::newRow(".55 pin") << "" << 12.55 << int(Declined) << 55;
        QTest::newRow(".61 limit") << "" << 999.61 << int(Declined) << 61;
        QTest::newRow(".75 pin tries") << "" << 1.75 << int(Declined) << 75;
        QTest::newRow(".91 host unreachable") << "" << 3.91 << int(HostUnreachable) << -1;
        QTest::newRow(".92 timeout") << "" << 3.92 << int(HostTimeout) << -1;
        QTest::newRow(".93 cancelled") << "" << 3.93 << int(CancelledOnPinpad) << -1;
        QTest::newRow(".94 pinpad silent") << "" << 3.94 << int(PinpadNoAnswer) << -1;
        QTest::newRow(".37 not listed") << "" << 10.37 << 0 << 0;
        for (double sum : {100.51, 3.91, 3.92, 12.55})
            QTest::newRow(qPrintable(QStringLiteral("table off %1").arg(sum))) << "AmountScenarios=0" << sum << 0 << 0;
        QTest::newRow("approve despite .51") << "OperatorResult=1" << 100.51 << 0 << 0;
        QTest::newRow("decline despite .00") << "OperatorResult=2;DeclineCode=55" << 100.00 << int(Declined) << 55;
        QTest::newRow("timeout") << "OperatorResult=4" << 100.00 << int(HostTimeout) << -1;
        QTest::newRow("fail authorize") << "OperatorResult=3;FailAction=0;FailResultCode=-10051" << 100.00
                                        << -10051 << -1;
    }

    void outcome_operatorChoiceThenAmountTableThenApproval()
    {
        QFETCH(QString, settings);
        QFETCH(double, sum);
        QFETCH(int, resultCode);
        QFETCH(int, responseCode);
        QVERIFY(configure(d, settings));
        QCOMPARE(resultOf(d, pay(d, sum)), resultCode);
        const QString description = text(d, &IPayCard::resultDescription);
        QCOMPARE(response(d), responseCode);
        // A refusal came from the host and carries its fields; the four codes
        // of "no answer" carry none.
        const bool noAnswer = resultCode == HostUnreachable || (resultCode >= HostTimeout && resultCode <= PinpadNoAnswer);
        QCOMPARE(reference(d).isEmpty(), noAnswer);
        QCOMPARE(text(d, &IPayCard::authorizationCode).isEmpty(), resultCode != 0);
        QVERIFY(!text(d, &IPayCard::slipText).isEmpty());
        // Reading the response leaves the failure for the host to read after it.
        for (TextGetter getter : responseGetters)
            text(d, getter);
        int number = 0;
        double commission = 0;
        d->slipNumber(&number);
        d->commission(&commission);
        d->charLineLength(&number);
        d->deviceEnabled(&number);
        parameter(d, "Protocol");
        valueList(d, "Port");
        settingsOf(d);
        QCOMPARE(code(d), resultCode);
        QCOMPARE(text(d, &IPayCard::resultDescription), description);
    }

    void completeAuthorization_needsSuccessfulAuthorize()
    {
        QCOMPARE(resultOf(d, d->completeAuthorization()), int(NoPendingAuthorization));
        QCOMPARE(pay(d, 10.00), 0);
        QCOMPARE(resultOf(d, d->completeAuthorization()), int(NoPendingAuthorization));  // done already
        d->setSum(10.51);
        QVERIFY(d->authorize() < 0);  // declined: nothing to complete
        QCOMPARE(resultOf(d, d->completeAuthorization()), int(NoPendingAuthorization));
    }

    void operatorFailure_hitsOnlyChosenAction()
    {
        QVERIFY(configure(d, "OperatorResult=3;FailAction=1;FailResultCode=-211"));
        QVERIFY(prepare(d, 100.51));  // other actions still follow the amount table
        QCOMPARE(resultOf(d, d->authorize()), int(Declined));
        d->setSum(100.00);
        QCOMPARE(d->authorize(), 0);
        const QString payment = reference(d);
        QCOMPARE(resultOf(d, d->completeAuthorization()), -211);
        QVERIFY(text(d, &IPayCard::slipText).contains("НЕ ЗАВЕРШЕНО"));
        // The failed completion left nothing in the journal to refund.
        QVERIFY(configure(d, "OperatorResult=0"));
        QCOMPARE(resultOf(d, pay(d, 10.00, 1, payment)), int(ReferenceNotFound));
    }

    // Code 0 is a failure that reports no error: the chosen action (the last
    // of the script) fails while resultCode reads 0; the ones before it work.
    void operatorFailure_withCodeZeroStillFails_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("script");
        const char *const scripts[] = {"A", "AC", "S", "b", "ba", "be", "br"};
        for (int action = 0; action < int(std::size(scripts)); ++action)
            QTest::newRow(scripts[action]) << action << QString(scripts[action]);
    }

    void operatorFailure_withCodeZeroStillFails()
    {
        QFETCH(int, action);
        QFETCH(QString, script);
        QVERIFY(configure(d, QStringLiteral("OperatorResult=3;FailResultCode=0;FailAction=%1").arg(action)));
        QVERIFY(prepare(d, 1.00));
        d->setReportType(2);
        const QMap<QChar, int (NEBAPI IPayCard::*)()> actions = {
            {'A', &IPayCard::authorize}, {'C', &IPayCard::completeAuthorization},
            {'S', &IPayCard::executeServiceOperation}, {'b', &IPayCard::beginReport},
            {'a', &IPayCard::addReportItem}, {'e', &IPayCard::endReport}, {'r', &IPayCard::resetReport}};
        for (int i = 0; i < script.size(); ++i) {
            const int result = (d->*actions.value(script.at(i)))();
            QVERIFY2((result < 0) == (i == script.size() - 1), qPrintable(QString::number(result)));
        }
        QCOMPARE(code(d), 0);
        QVERIFY2(text(d, &IPayCard::resultDescription).startsWith("Сбой, заданный в настройках имитатора"),
                 qPrintable(text(d, &IPayCard::resultDescription)));
    }

    void authorize_rejectsBadInput_data()
    {
        QTest::addColumn<BadInput>("input");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("operation -1") << BadInput{-1, 2, 1.0, "643", "", "", "Тип операции"};
        QTest::newRow("operation 10") << BadInput{10, 2, 1.0, "643", "", "", "Тип операции"};
        QTest::newRow("authorization 5") << BadInput{0, 5, 1.0, "643", "", "", "Тип авторизации"};
        QTest::newRow("authorization -1") << BadInput{0, -1, 1.0, "643", "", "", "Тип авторизации"};
        QTest::newRow("currency two digits") << BadInput{0, 2, 1.0, "64", "", "", "Код валюты"};
        QTest::newRow("currency four digits") << BadInput{0, 2, 1.0, "6430", "", "", "Код валюты"};
        QTest::newRow("currency letters") << BadInput{0, 2, 1.0, "RUB", "", "", "Код валюты"};
        QTest::newRow("currency empty") << BadInput{0, 2, 1.0, "", "", "", "Код валюты"};
        QTest::newRow("payment zero sum") << BadInput{0, 2, 0.0, "643", "", "", "Сумма"};
        QTest::newRow("payment below a kopeck") << BadInput{0, 2, 0.004, "643", "", "", "Сумма"};
        QTest::newRow("negative sum") << BadInput{0, 2, -5.0, "643", "", "", "Сумма"};
        QTest::newRow("nan sum") << BadInput{0, 2, nan, "643", "", "", "Сумма"};
        QTest::newRow("huge sum") << BadInput{0, 2, 1e12, "643", "", "", "Сумма"};
        QTest::newRow("track no separator") << BadInput{0, 2, 1.0, "643", "99999900000012342812", "", "Дорожка 2"};
        QTest::newRow("track month 13") << BadInput{0, 2, 1.0, "643", "9999990000001234=2813", "", "Дорожка 2"};
        QTest::newRow("track short pan") << BadInput{0, 2, 1.0, "643", "12345=2812", "", "Дорожка 2"};
        QTest::newRow("track letters") << BadInput{0, 2, 1.0, "643", "99999900000A1234=2812", "", "Дорожка 2"};
        QTest::newRow("refund no reference") << BadInput{1, 2, 1.0, "643", "", "", "Ссылочный номер"};
        QTest::newRow("cancel no reference") << BadInput{2, 2, 0.0, "643", "", "  ", "Ссылочный номер"};
    }

    void authorize_rejectsBadInput()
    {
        QFETCH(BadInput, input);
        // The setters store anything; authorize() does the checking.
        QVERIFY(prepare(d, input.sum, input.operationType, input.referenceNumber, input.authorizationType,
                        input.track2, input.currency));
        QCOMPARE(resultOf(d, d->authorize()), int(InvalidInput));
        QCOMPARE(badFlag(d), 1);
        QCOMPARE(badText(d), input.named);
        QCOMPARE(resultOf(d, d->completeAuthorization()), int(NoPendingAuthorization));
    }

    void authorize_fillsEveryResponseFieldAndMasksTrack2Card()
    {
        QVERIFY(configure(d, "TerminalId=TERM7"));
        QCOMPARE(pay(d, 250.00, 9, {}, 0, ";4999991234567890=28121010000?"), 0);
        for (TextGetter getter : responseGetters)
            QVERIFY(!text(d, getter).isEmpty());
        QCOMPARE(text(d, &IPayCard::terminalId), QStringLiteral("TERM7"));
        QCOMPARE(text(d, &IPayCard::cardNumber), QStringLiteral("499999******7890"));
        QCOMPARE(text(d, &IPayCard::cardExpiryDate), QStringLiteral("12/28"));
        QVERIFY(!text(d, &IPayCard::slipText).contains("4999991234567890"));
        QVERIFY(QDate::fromString(text(d, &IPayCard::transactionDate), "dd.MM.yyyy").isValid());
        QVERIFY(QTime::fromString(text(d, &IPayCard::transactionTime), "HH:mm:ss").isValid());
        double commission = 0;
        QCOMPARE(d->commission(&commission), 0);
        QCOMPARE(commission, 2.50);  // one per cent on payments for services
        int slip = 0;
        d->slipNumber(&slip);
        QVERIFY(slip > 0);
        QCOMPARE(response(d), 0);
    }

    void journal_referenceRulesRefundLimitsAndShift()
    {
        // Operation (-1 closes the shift), sum, the step whose reference it
        // names, the result expected, and the name its own reference is kept under.
        struct Step { int operation; double sum; const char *refers; int resultCode; const char *keep; };
        const Step steps[] = {
            {0, 100.00, "", 0, "payment"},
            {1, 30.00, "payment", 0, "refund"},  // partial refund
            {1, 80.00, "payment", RefundExceedsAmount, ""},  // more than what is left
            {3, 0.0, "payment", ReferenceWrongOperation, ""},  // not a refund
            {2, 0.0, "refund", ReferenceWrongOperation, ""},  // not a payment
            {3, 0.0, "refund", 0, ""},
            {3, 0.0, "refund", AlreadyCancelled, ""},
            {2, 0.0, "payment", 0, ""},
            {2, 0.0, "payment", AlreadyCancelled, ""},
            {2, 0.0, "unknown", ReferenceNotFound, ""},
            {0, 40.00, "", 0, "second"},
            {-1, 0.0, "", 0, ""},
            {2, 0.0, "second", CancelOutsideShift, ""},
            {1, 40.00, "second", 0, ""},  // a refund still works after the close
        };
        QMap<QString, QString> kept = {{"unknown", "000000000000"}};
        for (size_t i = 0; i < std::size(steps); ++i) {
            const Step &step = steps[i];
            const int result = step.operation < 0 ? runReport(d, 0)
                                                  : pay(d, step.sum, step.operation, kept.value(step.refers));
            QVERIFY2(resultOf(d, result) == step.resultCode,
                     qPrintable(QStringLiteral("step %1 ended with %2").arg(i).arg(code(d))));
            if (step.resultCode != 0)
                QCOMPARE(badText(d), QStringLiteral("Ссылочный номер"));
            if (*step.keep)
                kept.insert(step.keep, reference(d));
        }
    }

    void reports_wrongOrderFails_data()
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

    void reports_wrongOrderFails()
    {
        QFETCH(QString, steps);
        QFETCH(int, resultCode);
        d->setReportType(2);
        d->setReportSum(1.0);
        d->setReportOperationType(0);
        const QMap<QChar, int (NEBAPI IPayCard::*)()> actions = {
            {'b', &IPayCard::beginReport}, {'a', &IPayCard::addReportItem},
            {'e', &IPayCard::endReport}, {'r', &IPayCard::resetReport}};
        for (int i = 0; i < steps.size(); ++i) {
            const int result = (d->*actions.value(steps.at(i)))();
            QVERIFY2((result < 0) == (i == steps.size() - 1), qPrintable(QString::number(i)));
        }
        QCOMPARE(code(d), resultCode);
    }

    void shiftClose_reconcilesTotalsAndStartsNewShift()
    {
        QCOMPARE(pay(d, 100.00), 0);
        QCOMPARE(pay(d, 50.00), 0);
        QCOMPARE(pay(d, 20.00, 1, reference(d)), 0);
        // Register totals that differ from the terminal's: reported, not refused.
        QCOMPARE(runReport(d, 2, {{150.00, 0}, {25.00, 1}}), 0);
        QCOMPARE(response(d), 1);
        QVERIFY(slipOf(d).contains("ИТОГИ НЕ СОВПАЛИ"));

        QCOMPARE(runReport(d, 0, {{150.00, 0}, {20.00, 1}}), 0);
        QCOMPARE(response(d), 0);
        const QString closing = slipOf(d);
        for (const char *words : {"ИТОГИ СОВПАЛИ", "СМЕНА 1 ЗАКРЫТА", "130.00"})  // 150 paid less 20 refunded
            QVERIFY2(closing.contains(words), words);

        QCOMPARE(runReport(d, 0), 0);
        for (const char *words : {"СМЕНА 2 ЗАКРЫТА", "Нет операций"})
            QVERIFY2(slipOf(d).contains(words), words);
    }

    void receiptRequest_copiesKeptSlip()
    {
        QCOMPARE(pay(d, 12.00), 0);
        int number = 0;
        d->slipNumber(&number);
        const QString payment = reference(d);
        d->setReportType(5);
        d->setSlipNumber(number);
        QCOMPARE(d->beginReport(), 0);
        QCOMPARE(d->endReport(), 0);
        const QString copy = slipRows(d).join(QString());
        QVERIFY(copy.contains("КОПИЯ"));
        QVERIFY(copy.contains(payment));
        d->setSlipNumber(number + 100);
        QVERIFY(d->beginReport() < 0);
        QCOMPARE(badText(d), QStringLiteral("Номер слипа"));
    }

    void slip_clampedWidthPaddedRowsAndDetails_data()
    {
        QTest::addColumn<SlipCase>("slip");
        QTest::newRow("35, reader: signature") << SlipCase{35, 35, 0, 100.00, "ОДОБРЕНО", true};
        QTest::newRow("minimum, manual: signature") << SlipCase{24, 24, 1, 1.00, "ОДОБРЕНО", true};
        QTest::newRow("too narrow, PIN") << SlipCase{10, 24, 2, 100.00, "ОДОБРЕНО", false};
        QTest::newRow("zero, chip") << SlipCase{0, 24, 4, 100.00, "ОДОБРЕНО", false};
        QTest::newRow("negative, PIN") << SlipCase{-40, 24, 2, 1.00, "ОДОБРЕНО", false};
        QTest::newRow("widest, declined") << SlipCase{80, 80, 0, 100.51, "НЕДОСТАТОЧНО СРЕДСТВ", false};
        QTest::newRow("huge, PIN") << SlipCase{999999999, 80, 2, 1.00, "ОДОБРЕНО", false};
    }

    void slip_clampedWidthPaddedRowsAndDetails()
    {
        QFETCH(SlipCase, slip);
        pay(d, slip.sum, 0, {}, slip.authorizationType);
        d->setCharLineLength(slip.requestedWidth);
        int width = 0;
        QCOMPARE(d->charLineLength(&width), 0);
        QCOMPARE(width, slip.usedWidth);
        // One string of equally long rows without separators.
        const QString raw = text(d, &IPayCard::slipText);
        QVERIFY(!raw.isEmpty() && !raw.contains(QLatin1Char('\n')));
        QCOMPARE(raw.size() % width, 0);
        const QStringList rows = slipRows(d);
        const QString amount = QString::number(slip.sum, 'f', 2) + QStringLiteral(" RUB");
        QVERIFY(std::any_of(rows.cbegin(), rows.cend(), [&](const QString &row) {
            return row.startsWith("Сумма:") && row.endsWith(amount);
        }));
        const QString joined = rows.join(QLatin1Char('\n'));
        const QString authorizationCode = text(d, &IPayCard::authorizationCode);
        QCOMPARE(authorizationCode.isEmpty(), slip.sum == 100.51);
        for (const QString &part : {QStringLiteral("ОПЛАТА"), slip.words, reference(d),
                                    text(d, &IPayCard::cardNumber), authorizationCode})
            QVERIFY2(joined.contains(part), qPrintable(part));
        QCOMPARE(joined.contains("Подпись"), slip.signature);
    }

    void serviceOperations_eachHasOwnSlipAndUnknownTypesFail()
    {
        d->setCharLineLength(40);
        QSet<QString> titles;
        for (int type = 0; type <= 5; ++type) {
            d->setServiceOperationType(type);
            QCOMPARE(d->executeServiceOperation(), 0);
            QCOMPARE(response(d), 0);
            const QStringList rows = slipRows(d);
            QVERIFY(rows.size() > 4);
            // The title is the centred row under the first rule.
            const int rule = rows.indexOf(QString(40, QLatin1Char('-')));
            QVERIFY(rule >= 0 && rule + 1 < rows.size());
            titles.insert(rows.at(rule + 1).trimmed());
        }
        QCOMPARE(titles.size(), 6);
        for (int type : {-1, 6}) {
            d->setServiceOperationType(type);
            QCOMPARE(resultOf(d, d->executeServiceOperation()), int(InvalidInput));
            QCOMPARE(badText(d), QStringLiteral("Тип служебной операции"));
        }
    }

    // The register's handles are handed over first, as the bench does when a
    // device is selected; then the register's ports are worked (steps) and a
    // payment shows what the terminal finds behind the handles.
    void ecrPorts_governOperationsOfPortProtocols_data()
    {
        QTest::addColumn<int>("protocol");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("resultCode");
        const QString pinpadReady = "pinpadMode:1 pinpadOn";
        const QString bothReady = pinpadReady + " modemMode:2 modemOn";
        const auto row = [](int protocol, const QString &steps, int resultCode) {
            QTest::addRow("%d: %s", protocol, qPrintable(steps)) << protocol << steps << resultCode;
        };
        row(0, "", 0);  // needs no port
        row(7, "forget", 0);
        row(8, "forget", PinpadPortNotSet);
        row(8, "", PortNotInitialised);
        row(8, "pinpadMode:2", PortNotPowered);
        row(8, pinpadReady, 0);
        row(9, pinpadReady + " pinpadOff", PortNotPowered);
        row(9, pinpadReady + " pinpadMode:0", PortNotInitialised);
        row(8, pinpadReady + " pinpadMode:0 " + pinpadReady, 0);
        row(8, pinpadReady + " disable", PortNotInitialised);
        row(8, pinpadReady + " release", PortUnknown);
        row(10, pinpadReady, PortNotInitialised);  // the modem's
        row(10, bothReady, 0);
        row(10, bothReady + " modemMode:0", PortNotInitialised);
        // The modem's own scenario decides whether the host can be reached.
        row(10, bothReady + " modem:1", 0);
        row(10, bothReady + " modem:2", ModemConnectionError);
        row(10, "modem:3 " + bothReady, ModemNoAnswer);
        row(10, bothReady + " modem:3 modem:0", 0);
        row(9, pinpadReady + " modemMode:2 modemOn modem:3", 0);  // the modem plays no part
    }

    void ecrPorts_governOperationsOfPortProtocols()
    {
        QFETCH(int, protocol);
        QFETCH(QString, steps);
        QFETCH(int, resultCode);
        Register fptr(createFptrFn(NEB::Fptr::InterfaceVersion));
        QVERIFY(fptr);
        int pinpad = 0, modem = 0;
        fptr->pinpadPortHandle(&pinpad);
        fptr->modemPortHandle(&modem);
        QCOMPARE(d->setPinpadPort(pinpad), 0);
        QCOMPARE(d->setModemPort(modem), 0);
        QVERIFY(configure(d, QStringLiteral("Protocol=%1").arg(protocol)));
        const QMap<QString, std::function<int()>> calls = {
            {"pinpadMode:0", [&] { return fptr->setPinpadPortMode(0); }},
            {"pinpadMode:1", [&] { return fptr->setPinpadPortMode(1); }},
            {"pinpadMode:2", [&] { return fptr->setPinpadPortMode(2); }},
            {"pinpadOn", [&] { return fptr->pinpadPowerOn(); }},
            {"pinpadOff", [&] { return fptr->pinpadPowerOff(); }},
            {"modemMode:0", [&] { return fptr->setModemPortMode(0); }},
            {"modemMode:2", [&] { return fptr->setModemPortMode(2); }},
            {"modemOn", [&] { return fptr->modemPowerOn(); }},
            {"disable", [&] { return fptr->setDeviceEnabled(0); }},
            {"release", [&] { fptr.reset(); return 0; }},
            {"forget", [&] { return d->setPinpadPort(0) + d->setModemPort(0); }}};
        const auto modemScenario = [&](const QString &value) {
            return fptr->setParameter(L"ModemScenario", w(value).c_str()) < 0 ? -1 : fptr->applySettings();
        };
        for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
            QVERIFY2(calls.contains(step) || step.startsWith("modem:"), qPrintable(step));
            QCOMPARE(step.startsWith("modem:") ? modemScenario(step.mid(6)) : calls.value(step)(), 0);
        }
        QCOMPARE(resultOf(d, pay(d, 1.00)), resultCode);
        // Service operations are bound by the same ports and say which failed.
        d->setServiceOperationType(0);
        QCOMPARE(resultOf(d, d->executeServiceOperation()), resultCode);
        if (resultCode != 0)
            QVERIFY(text(d, &IPayCard::resultDescription).contains("порт"));
    }

    void ecrPorts_reportPortStateFromRegistry_data()
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

    void ecrPorts_reportPortStateFromRegistry()
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
        QVERIFY(configure(d, "Protocol=9"));
        d->setPinpadPort(handle);
        const int result = resultOf(d, pay(d, 1.00));
        SimPorts::closePort(handle);
        QCOMPARE(result, resultCode);
    }

    void disabledDevice_refusesActionsOnly()
    {
        QCOMPARE(d->setDeviceEnabled(0), 0);
        int enabled = 1;
        d->deviceEnabled(&enabled);
        QCOMPARE(enabled, 0);
        QCOMPARE(d->setSum(5.0), 0);
        QCOMPARE(d->setCurrencyCode(L"643"), 0);
        QVERIFY(configure(d, "Protocol=4"));
        QVERIFY(!settingsOf(d).isEmpty());
        for (auto action : {&IPayCard::authorize, &IPayCard::completeAuthorization,
                            &IPayCard::executeServiceOperation, &IPayCard::beginReport,
                            &IPayCard::addReportItem, &IPayCard::endReport, &IPayCard::resetReport})
            QCOMPARE(resultOf(d, (d->*action)()), int(DeviceDisabled));
        QCOMPARE(d->setDeviceEnabled(1), 0);
        QCOMPARE(pay(d, 5.0), 0);
    }

    void getters_honourBufferSizes_data()
    {
        QTest::addColumn<int>("size");  // -100: a null buffer
        for (int size : {-100, 0, -1, 1, 5, 4000})
            QTest::newRow(qPrintable(QString::number(size))) << size;
    }

    void getters_honourBufferSizes()
    {
        QFETCH(int, size);
        QCOMPARE(pay(d, 77.00), 0);
        std::vector<TextGetter> getters(std::begin(responseGetters), std::end(responseGetters));
        getters.insert(getters.end(), {&IPayCard::slipText, &IPayCard::deviceSettings, &IPayCard::resultDescription});
        for (TextGetter getter : getters) {
            const QString full = text(d, getter);
            // Guard cells past the size the getter was given must stay untouched.
            std::vector<wchar_t> buffer(size_t(qMax(size, 0)) + 8, L'#');
            const int length = (d->*getter)(size == -100 ? nullptr : buffer.data(), size);
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

    void nullAndHugeArguments_failWithoutCrash()
    {
        QVERIFY(d->setCurrencyCode(nullptr) < 0);
        QCOMPARE(badFlag(d), 1);
        const int results[] = {d->responseCode(nullptr), d->slipNumber(nullptr), d->commission(nullptr),
                               d->charLineLength(nullptr), d->setTrack2(nullptr), d->setParameter(nullptr, L"1"),
                               d->setParameter(L"Protocol", nullptr), d->setDeviceSettings(nullptr),
                               d->parameter(nullptr, nullptr, 0)};
        for (size_t i = 0; i < std::size(results); ++i)
            QVERIFY2(results[i] < 0, qPrintable(QString::number(i)));
        // Texts far beyond any real value are stored but refused by the check.
        const std::wstring huge(200000, L'7');
        QCOMPARE(d->setAccountNumber(huge.c_str()), 0);
        QVERIFY(prepare(d, 1.0));
        QCOMPARE(d->setReferenceNumber(huge.c_str()), 0);
        QVERIFY(d->authorize() < 0);
        QCOMPARE(badText(d), QStringLiteral("Номер счета"));
        QVERIFY(text(d, &IPayCard::resultDescription).size() < 1000);
    }

    void devices_areIndependent()
    {
        Device second = make();
        QVERIFY(configure(d, "Protocol=7;OperatorResult=4"));
        QCOMPARE(parameter(second.get(), "Protocol"), QStringLiteral("0"));
        QCOMPARE(pay(second.get(), 10.00), 0);
        const QString payment = reference(second.get());
        QCOMPARE(resultOf(d, pay(d, 10.00)), int(HostTimeout));
        QCOMPARE(code(second.get()), 0);
        QVERIFY(configure(d, "OperatorResult=0"));
        QCOMPARE(resultOf(d, pay(d, 0.0, 2, payment)), int(ReferenceNotFound));
        QCOMPARE(pay(second.get(), 0.0, 2, payment), 0);
    }

    void trace_masksCardNumbers()
    {
        QVERIFY(configure(d, "Trace=1"));
        QVERIFY(prepare(d, 3.00, 0, {}, 2, "9999997777777777=3001"));
        QCOMPARE(d->authorize(), 0);
        QVERIFY(configure(d, "Trace=0"));

        const QString root = settingsDirectory();
        QString traced;
        QDirIterator it(root, {QStringLiteral("trace-paycard-*.log")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            traced += QString::fromUtf8(file.readAll());
        }
        QVERIFY2(traced.contains("authorize"), qPrintable(root));
        QVERIFY(traced.contains("999999******7777"));
        QVERIFY(!traced.contains("9999997777777777"));
    }

    void settingsDialog_acceptAppliesAndCancelKeeps_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("accept") << true;
        QTest::newRow("cancel") << false;
    }

    void settingsDialog_acceptAppliesAndCancelKeeps()
    {
        QFETCH(bool, accept);
        QWidget owner;
        owner.show();
        d->setOwnerWindow(&owner);
        const QString before = settingsOf(d);
        Scenario::DialogAnswer answer;
        answer.accept = accept;
        answer.fields = {{QStringLiteral("cmbProtocol"), 13}, {QStringLiteral("cmbOperatorResult"), 4}};
        DialogAnswerer answerer;
        QWidget *parent = nullptr;
        int amountRows = 0;
        answerer.inspect = [&](QDialog *dialog) {
            parent = dialog->parentWidget();
            if (auto *table = dialog->findChild<QTableWidget *>("twAmountTable"))
                amountRows = table->rowCount();
        };
        answerer.begin({answer});
        const int result = d->showProperties();
        QCOMPARE(answerer.finish(), QStringList());
        QCOMPARE(parent, &owner);
        QCOMPARE(amountRows, 13);
        QCOMPARE(result, accept ? 1 : 0);
        if (!accept) {
            QCOMPARE(settingsOf(d), before);
            return;
        }
        QCOMPARE(parameter(d, "Protocol"), QStringLiteral("13"));
        QCOMPARE(resultOf(d, pay(d, 1.00)), int(HostTimeout));  // the chosen timeout acts
    }

    // The terminal's and the register's dialogs name the settings they share alike.
    void settingsDialogs_nameSharedSettingsAlike()
    {
        Register fptr(createFptrFn(NEB::Fptr::InterfaceVersion));
        QVERIFY(fptr);
        QMap<QString, QString> labels[2];  // field name -> its label
        for (QMap<QString, QString> &shown : labels) {
            Scenario::DialogAnswer cancel;
            cancel.accept = false;
            DialogAnswerer answerer;
            answerer.inspect = [&](QDialog *dialog) {
                for (QWidget *field : dialog->findChildren<QWidget *>(QRegularExpression("^(cmb|le)"))) {
                    auto *form = qobject_cast<QFormLayout *>(field->parentWidget()->layout());
                    if (auto *label = form ? qobject_cast<QLabel *>(form->labelForField(field)) : nullptr)
                        shown.insert(field->objectName(), label->text());
                }
            };
            answerer.begin({cancel});
            QCOMPARE(&shown == labels ? d->showProperties() : fptr->showProperties(), 0);
            QCOMPARE(answerer.finish(), QStringList());
        }
        int shared = 0;
        for (auto it = labels[0].cbegin(); it != labels[0].cend(); ++it) {
            if (labels[1].contains(it.key())) {
                ++shared;
                QCOMPARE(labels[1].value(it.key()), it.value());
            }
        }
        QCOMPARE(shared, 9);  // model, port, speed, device file, addresses, search directory, trace
    }
};

BENCH_TEST_MAIN(TestSimPayCard)

#include "tst_simpaycard.moc"
