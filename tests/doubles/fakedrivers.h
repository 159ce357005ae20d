#ifndef FAKEDRIVERS_H
#define FAKEDRIVERS_H

#include "ifptr.h"
#include "ipaycard.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>

// Absurd answers, for checking that the bench survives a driver that gives
// them: the test driver library shares one set of these flags among all its
// objects and its create and release functions, so it can turn absurd under
// a running window. No flag set is a driver that answers as scripted.
namespace AbsurdDriver {

enum Flag : unsigned {
    NegativeLengths = 1u << 0, // string getters report INT_MIN or -1
    HugeLengths = 1u << 1,     // string getters report INT_MAX
    LengthPastBuffer = 1u << 2, // string getters report one more than any buffer holds
    Unterminated = 1u << 3,    // string getters fill the whole buffer and write no NUL
    GarbageResults = 1u << 4,  // every operation fails; the result code is INT_MIN, the bad-parameter flag -1
    SilentFailures = 1u << 5,  // every operation fails with result code 0
    GarbageNumbers = 1u << 6,  // number getters write absurd values, another with every call
    NullCreate = 1u << 7,      // the create functions return null
    IdleRelease = 1u << 8,     // the release functions do nothing at all
    ThrowsInt = 1u << 9,       // every operation but the string getters, and create, throws an int
};

} // namespace AbsurdDriver

struct AbsurdAnswers
{
    unsigned flags = 0;
    unsigned turn = 0; // advances with every absurd value handed out

    bool has(AbsurdDriver::Flag flag) const { return (flags & flag) != 0; }
    // What a call answers whose scripted answer is `honest`.
    int result(int honest);
    // What a number getter writes instead of `honest`.
    int number(const QString &operation, int honest);
    double number(double honest);
    // Writes `value` into the caller's buffer; returns the length to report.
    int text(const std::wstring &value, wchar_t *buffer, int size);
};

// In-process driver objects for tests: they record every call and answer
// from a script. Construct one, fill in the script, hand its address to a
// wrapper (QNebPaycard(&fake)), then compare `calls`.
//
// Recording. Each call appends one entry to `calls`, in call order, as
// "operation(arg, arg)" with the arguments as text:
//   - actions and int/double getters: "authorize()", "resultCode()";
//   - setters: "setSum(12.5)", "setCurrencyCode(643)" (texts unquoted,
//     doubles with QString::number), "setOwnerWindow(0x55d0...)" (see
//     pointerText);
//   - string getters record the buffer size they were given:
//     "slipText(1024)", "parameter(Protocol, 2048)",
//     "parameterValues(Protocol, 2048)"; "setParameter(SearchDir, /x/)".
//
// Scripting, all in public members of FakeDriverScript:
//   - results[op]: what the operation returns instead of its natural result
//     (0 for actions, setters and number getters; the full length for string
//     getters). For the named operations (parameter, setParameter,
//     parameterValues) the key "op:Name" is looked up before "op", so one
//     parameter can fail alone. A scripted result on a string getter is the
//     "misbehaving length": returned whatever was written.
//   - strings[op]: the value of a string getter ("resultDescription",
//     "badParamDescription", "slipText", "deviceSettings", "modemOperator"...).
//     Written with the driver convention: as much as fits, NUL-terminated,
//     the full length returned. An op listed in noTerminator gets as much as
//     fits of the value with no NUL written at all (the buffer's remaining
//     characters stay what they were).
//   - ints[op], doubles[op]: values written by number getters ("resultCode",
//     "badParam", "responseCode", "pinpadPortHandle", "commission"...). An op
//     absent from the table writes nothing, so the caller's initial value
//     stays; the write happens whatever results[op] says.
//   - parameters[name], parameterValueLists[name]: what parameter() and
//     parameterValues() answer for a name (absent: empty text, length 0).
//   - failWith(code, description[, badParamDescription]): scripts the
//     reason a failing operation is fetched for.
//   - onCall: called after each call is recorded, with the entry; for tests
//     that need to change the script in the middle of a sequence.
//   - reads: the operations that answered as getters so far (number and
//     string getters, parameter, parameterValues), filled before onCall
//     runs; a test can tell from it whose result the caller may ignore.
//   - absurd: while the flags it points at are set, every call is still
//     recorded but answers absurdly from the script's values, a string
//     getter without a value with "абсурд <operation>".
// Setters that have a matching getter in the interface store what they were
// given when they succeed, so it reads back: setDeviceEnabled, setDeviceSettings,
// setParameter, setPinpadPortMode, setModemPortMode. The payment operation
// inputs do not: their getters of the same name report results.
class FakeDriverScript
{
public:
    QStringList calls;
    QHash<QString, int> results;
    QHash<QString, QString> strings;
    QSet<QString> noTerminator;
    QHash<QString, int> ints;
    QHash<QString, double> doubles;
    QHash<QString, QString> parameters;
    QHash<QString, QString> parameterValueLists;
    std::function<void(const QString &call)> onCall;
    QSet<QString> reads;
    AbsurdAnswers *absurd = nullptr;

    // Sets resultCode, resultDescription and the bad-parameter answers.
    // An empty badParamDescription leaves the bad-parameter flag at 0.
    void failWith(int code, const QString &description, const QString &badParamDescription = QString());

    // Entries of `calls` for one operation, e.g. callsOf("slipText") gives
    // {"slipText(1024)", "slipText(1501)"}.
    QStringList callsOf(const QString &operation) const;
    int callCount(const QString &operation) const { return callsOf(operation).size(); }

    // How a pointer argument appears in `calls`.
    static QString pointerText(const void *pointer);

protected:
    bool absurdly() const { return absurd && absurd->flags; }
    void note(const QString &operation, const QStringList &arguments);
    int scripted(const QString &operation, const QString &key, int unscripted) const;
    int record(const QString &operation, const QStringList &arguments = QStringList(),
               const QString &key = QString());
    int answerString(const QString &operation, const QString &value, wchar_t *buffer, int size,
                     const QStringList &arguments = QStringList(), const QString &key = QString());
    int answerInt(const QString &operation, int *value);
    int answerDouble(const QString &operation, double *value);
    int answerNamed(const QString &operation, const QHash<QString, QString> &table,
                    const wchar_t *name, wchar_t *buffer, int size);
    static QString text(const wchar_t *wide);
};

// Operations common to both driver interfaces.
template <class I>
class FakeDriverBase : public I, public FakeDriverScript
{
public:
    int NEBAPI deviceEnabled(int *enabled) override { return answerInt(QStringLiteral("deviceEnabled"), enabled); }
    int NEBAPI setDeviceEnabled(int enabled) override
    {
        return storeInt(QStringLiteral("setDeviceEnabled"), QStringLiteral("deviceEnabled"), enabled);
    }
    int NEBAPI resultCode(int *code) override { return answerInt(QStringLiteral("resultCode"), code); }
    int NEBAPI resultDescription(wchar_t *buffer, int size) override
    {
        return getString(QStringLiteral("resultDescription"), buffer, size);
    }
    int NEBAPI badParam(int *flag) override { return answerInt(QStringLiteral("badParam"), flag); }
    int NEBAPI badParamDescription(wchar_t *buffer, int size) override
    {
        return getString(QStringLiteral("badParamDescription"), buffer, size);
    }
    int NEBAPI setOwnerWindow(void *window) override
    {
        return record(QStringLiteral("setOwnerWindow"), {pointerText(window)});
    }
    int NEBAPI showProperties() override { return record(QStringLiteral("showProperties")); }
    int NEBAPI deviceSettings(wchar_t *buffer, int size) override
    {
        return getString(QStringLiteral("deviceSettings"), buffer, size);
    }
    int NEBAPI setDeviceSettings(const wchar_t *settings) override
    {
        const int result = record(QStringLiteral("setDeviceSettings"), {text(settings)});
        if (result >= 0)
            strings.insert(QStringLiteral("deviceSettings"), text(settings));
        return result;
    }
    int NEBAPI parameter(const wchar_t *name, wchar_t *buffer, int size) override
    {
        return answerNamed(QStringLiteral("parameter"), parameters, name, buffer, size);
    }
    int NEBAPI setParameter(const wchar_t *name, const wchar_t *value) override
    {
        const QString op = QStringLiteral("setParameter");
        const int result = record(op, {text(name), text(value)}, op + QLatin1Char(':') + text(name));
        if (result >= 0)
            parameters.insert(text(name), text(value));
        return result;
    }
    int NEBAPI parameterValues(const wchar_t *name, wchar_t *buffer, int size) override
    {
        return answerNamed(QStringLiteral("parameterValues"), parameterValueLists, name, buffer, size);
    }
    int NEBAPI applySettings() override { return record(QStringLiteral("applySettings")); }

protected:
    int getString(const QString &operation, wchar_t *buffer, int size)
    {
        return answerString(operation, strings.value(operation), buffer, size);
    }
    int setInt(const QString &operation, int value) { return record(operation, {QString::number(value)}); }
    int setDouble(const QString &operation, double value)
    {
        return record(operation, {QString::number(value)});
    }
    int setText(const QString &operation, const wchar_t *value) { return record(operation, {text(value)}); }
    int storeInt(const QString &operation, const QString &getter, int value)
    {
        const int result = setInt(operation, value);
        if (result >= 0)
            ints.insert(getter, value);
        return result;
    }
};

class FakePaycard : public FakeDriverBase<NEB::PayCard::IPayCard>
{
public:
    virtual ~FakePaycard() = default;

    int NEBAPI setOperationType(int type) override { return setInt(QStringLiteral("setOperationType"), type); }
    int NEBAPI setServiceOperationType(int type) override
    {
        return setInt(QStringLiteral("setServiceOperationType"), type);
    }
    int NEBAPI setAuthorizationType(int type) override { return setInt(QStringLiteral("setAuthorizationType"), type); }
    int NEBAPI setSum(double sum) override { return setDouble(QStringLiteral("setSum"), sum); }
    int NEBAPI setCurrencyCode(const wchar_t *code) override { return setText(QStringLiteral("setCurrencyCode"), code); }
    int NEBAPI setReferenceNumber(const wchar_t *number) override
    {
        return setText(QStringLiteral("setReferenceNumber"), number);
    }
    int NEBAPI setAccountNumber(const wchar_t *number) override
    {
        return setText(QStringLiteral("setAccountNumber"), number);
    }
    int NEBAPI setPhoneNumber(const wchar_t *number) override { return setText(QStringLiteral("setPhoneNumber"), number); }
    int NEBAPI setTrack2(const wchar_t *track) override { return setText(QStringLiteral("setTrack2"), track); }
    int NEBAPI setCharLineLength(int length) override { return setInt(QStringLiteral("setCharLineLength"), length); }
    int NEBAPI setEcrReceiptNumber(int number) override { return setInt(QStringLiteral("setEcrReceiptNumber"), number); }
    int NEBAPI setReportType(int type) override { return setInt(QStringLiteral("setReportType"), type); }
    int NEBAPI setReportOperationType(int type) override
    {
        return setInt(QStringLiteral("setReportOperationType"), type);
    }
    int NEBAPI setReportSum(double sum) override { return setDouble(QStringLiteral("setReportSum"), sum); }
    int NEBAPI setReportTerminalId(const wchar_t *id) override { return setText(QStringLiteral("setReportTerminalId"), id); }
    int NEBAPI setSlipNumber(int number) override { return setInt(QStringLiteral("setSlipNumber"), number); }
    int NEBAPI setPinpadPort(int handle) override { return setInt(QStringLiteral("setPinpadPort"), handle); }
    int NEBAPI setModemPort(int handle) override { return setInt(QStringLiteral("setModemPort"), handle); }

    int NEBAPI authorize() override { return record(QStringLiteral("authorize")); }
    int NEBAPI completeAuthorization() override { return record(QStringLiteral("completeAuthorization")); }
    int NEBAPI executeServiceOperation() override { return record(QStringLiteral("executeServiceOperation")); }
    int NEBAPI beginReport() override { return record(QStringLiteral("beginReport")); }
    int NEBAPI addReportItem() override { return record(QStringLiteral("addReportItem")); }
    int NEBAPI endReport() override { return record(QStringLiteral("endReport")); }
    int NEBAPI resetReport() override { return record(QStringLiteral("resetReport")); }

    int NEBAPI responseCode(int *code) override { return answerInt(QStringLiteral("responseCode"), code); }
    int NEBAPI authorizationCode(wchar_t *b, int s) override { return getString(QStringLiteral("authorizationCode"), b, s); }
    int NEBAPI transactionId(wchar_t *b, int s) override { return getString(QStringLiteral("transactionId"), b, s); }
    int NEBAPI transactionDate(wchar_t *b, int s) override { return getString(QStringLiteral("transactionDate"), b, s); }
    int NEBAPI transactionTime(wchar_t *b, int s) override { return getString(QStringLiteral("transactionTime"), b, s); }
    int NEBAPI terminalId(wchar_t *b, int s) override { return getString(QStringLiteral("terminalId"), b, s); }
    int NEBAPI referenceNumber(wchar_t *b, int s) override { return getString(QStringLiteral("referenceNumber"), b, s); }
    int NEBAPI cardNumber(wchar_t *b, int s) override { return getString(QStringLiteral("cardNumber"), b, s); }
    int NEBAPI cardType(wchar_t *b, int s) override { return getString(QStringLiteral("cardType"), b, s); }
    int NEBAPI cardExpiryDate(wchar_t *b, int s) override { return getString(QStringLiteral("cardExpiryDate"), b, s); }
    int NEBAPI operatorName(wchar_t *b, int s) override { return getString(QStringLiteral("operatorName"), b, s); }
    int NEBAPI amountId(wchar_t *b, int s) override { return getString(QStringLiteral("amountId"), b, s); }
    int NEBAPI commissionId(wchar_t *b, int s) override { return getString(QStringLiteral("commissionId"), b, s); }
    int NEBAPI slipText(wchar_t *b, int s) override { return getString(QStringLiteral("slipText"), b, s); }
    int NEBAPI slipNumber(int *number) override { return answerInt(QStringLiteral("slipNumber"), number); }
    int NEBAPI commission(double *value) override { return answerDouble(QStringLiteral("commission"), value); }
    int NEBAPI charLineLength(int *length) override { return answerInt(QStringLiteral("charLineLength"), length); }
};

class FakeFptr : public FakeDriverBase<NEB::Fptr::IFptr>
{
public:
    virtual ~FakeFptr() = default;

    int NEBAPI setLineParamA(int value) override { return setInt(QStringLiteral("setLineParamA"), value); }
    int NEBAPI setLineParamB(int value) override { return setInt(QStringLiteral("setLineParamB"), value); }
    int NEBAPI setLineText(const wchar_t *line) override { return setText(QStringLiteral("setLineText"), line); }
    int NEBAPI printLine() override { return record(QStringLiteral("printLine")); }
    int NEBAPI setFinishParam(int value) override { return setInt(QStringLiteral("setFinishParam"), value); }
    int NEBAPI finishStepA() override { return record(QStringLiteral("finishStepA")); }
    int NEBAPI finishStepB() override { return record(QStringLiteral("finishStepB")); }
    int NEBAPI finishStepC() override { return record(QStringLiteral("finishStepC")); }

    int NEBAPI setPinpadPortMode(int mode) override
    {
        return storeInt(QStringLiteral("setPinpadPortMode"), QStringLiteral("pinpadPortMode"), mode);
    }
    int NEBAPI pinpadPortMode(int *mode) override { return answerInt(QStringLiteral("pinpadPortMode"), mode); }
    int NEBAPI pinpadPowerOn() override { return record(QStringLiteral("pinpadPowerOn")); }
    int NEBAPI pinpadPowerOff() override { return record(QStringLiteral("pinpadPowerOff")); }
    int NEBAPI updatePinpadStatus() override { return record(QStringLiteral("updatePinpadStatus")); }
    int NEBAPI pinpadPortHandle(int *handle) override { return answerInt(QStringLiteral("pinpadPortHandle"), handle); }

    int NEBAPI setModemPortMode(int mode) override
    {
        return storeInt(QStringLiteral("setModemPortMode"), QStringLiteral("modemPortMode"), mode);
    }
    int NEBAPI modemPortMode(int *mode) override { return answerInt(QStringLiteral("modemPortMode"), mode); }
    int NEBAPI modemPowerOn() override { return record(QStringLiteral("modemPowerOn")); }
    int NEBAPI modemPowerOff() override { return record(QStringLiteral("modemPowerOff")); }
    int NEBAPI updateModemStatus() override { return record(QStringLiteral("updateModemStatus")); }
    int NEBAPI modemPortHandle(int *handle) override { return answerInt(QStringLiteral("modemPortHandle"), handle); }
    int NEBAPI modemState(int *state) override { return answerInt(QStringLiteral("modemState"), state); }
    int NEBAPI modemSignalLevel(int *dbm) override { return answerInt(QStringLiteral("modemSignalLevel"), dbm); }
    int NEBAPI modemOperator(wchar_t *b, int s) override { return getString(QStringLiteral("modemOperator"), b, s); }
    int NEBAPI modemLastError(wchar_t *b, int s) override { return getString(QStringLiteral("modemLastError"), b, s); }

    int NEBAPI inputBufferSize(int *bytes) override { return answerInt(QStringLiteral("inputBufferSize"), bytes); }
    int NEBAPI outputBufferSize(int *bytes) override { return answerInt(QStringLiteral("outputBufferSize"), bytes); }
};

#endif // FAKEDRIVERS_H
