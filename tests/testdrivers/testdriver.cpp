// A driver library for the loader tests. One source, three variants:
//   default                    both interfaces, create and release, recorded;
//   TESTDRIVER_NO_RELEASE      the release functions are not exported;
//   TESTDRIVER_NULL_CREATE     create returns no object.
// The driver objects answer every operation with success and nothing else,
// except deviceSettings, which names the version they were created with, so
// a test can tell through a wrapper which object it holds.

#include "ifptr.h"
#include "ipaycard.h"
#include "testdriverrecord.h"

#include <algorithm>
#include <cwchar>
#include <string>

using NEB::Fptr::IFptr;
using NEB::PayCard::IPayCard;

namespace {

TestDriverRecord record = {};

int writeText(const std::wstring &text, wchar_t *buffer, int size)
{
    if (buffer && size > 0) {
        const std::size_t copied = std::min(text.size(), std::size_t(size - 1));
        text.copy(buffer, copied);
        buffer[copied] = L'\0';
    }
    return int(text.size());
}

#define ACTION(name) int NEBAPI name() override { return 0; }
#define SET_INT(name) int NEBAPI name(int) override { return 0; }
#define SET_DOUBLE(name) int NEBAPI name(double) override { return 0; }
#define SET_TEXT(name) int NEBAPI name(const wchar_t *) override { return 0; }
#define GET_INT(name) int NEBAPI name(int *) override { return 0; }
#define GET_TEXT(name) int NEBAPI name(wchar_t *buffer, int size) override { return writeText(std::wstring(), buffer, size); }

template <class I>
class Common : public I
{
public:
    explicit Common(int version) : settings(L"version " + std::to_wstring(version)) {}
    virtual ~Common() = default;

    GET_INT(deviceEnabled)
    SET_INT(setDeviceEnabled)
    GET_INT(resultCode)
    GET_TEXT(resultDescription)
    GET_INT(badParam)
    GET_TEXT(badParamDescription)
    int NEBAPI setOwnerWindow(void *) override { return 0; }
    ACTION(showProperties)
    int NEBAPI deviceSettings(wchar_t *buffer, int size) override { return writeText(settings, buffer, size); }
    SET_TEXT(setDeviceSettings)
    int NEBAPI parameter(const wchar_t *, wchar_t *buffer, int size) override { return writeText(std::wstring(), buffer, size); }
    int NEBAPI setParameter(const wchar_t *, const wchar_t *) override { return 0; }
    int NEBAPI parameterValues(const wchar_t *, wchar_t *buffer, int size) override
    {
        return writeText(std::wstring(), buffer, size);
    }
    ACTION(applySettings)

private:
    const std::wstring settings;
};

class PayCard final : public Common<IPayCard>
{
public:
    using Common::Common;

    SET_INT(setOperationType) SET_INT(setServiceOperationType) SET_INT(setAuthorizationType)
    SET_DOUBLE(setSum) SET_TEXT(setCurrencyCode) SET_TEXT(setReferenceNumber) SET_TEXT(setAccountNumber)
    SET_TEXT(setPhoneNumber) SET_TEXT(setTrack2) SET_INT(setCharLineLength) SET_INT(setEcrReceiptNumber)
    SET_INT(setReportType) SET_INT(setReportOperationType) SET_DOUBLE(setReportSum)
    SET_TEXT(setReportTerminalId) SET_INT(setSlipNumber) SET_INT(setPinpadPort) SET_INT(setModemPort)
    ACTION(authorize) ACTION(completeAuthorization) ACTION(executeServiceOperation)
    ACTION(beginReport) ACTION(addReportItem) ACTION(endReport) ACTION(resetReport)
    GET_INT(responseCode) GET_TEXT(authorizationCode) GET_TEXT(transactionId) GET_TEXT(transactionDate)
    GET_TEXT(transactionTime) GET_TEXT(terminalId) GET_TEXT(referenceNumber) GET_TEXT(cardNumber)
    GET_TEXT(cardType) GET_TEXT(cardExpiryDate) GET_TEXT(operatorName) GET_TEXT(amountId)
    GET_TEXT(commissionId) GET_TEXT(slipText) GET_INT(slipNumber) GET_INT(charLineLength)
    int NEBAPI commission(double *) override { return 0; }
};

class Fptr final : public Common<IFptr>
{
public:
    using Common::Common;

    SET_INT(setLineParamA) SET_INT(setLineParamB) SET_TEXT(setLineText) ACTION(printLine)
    SET_INT(setFinishParam) ACTION(finishStepA) ACTION(finishStepB) ACTION(finishStepC)
    SET_INT(setPinpadPortMode) GET_INT(pinpadPortMode) ACTION(pinpadPowerOn) ACTION(pinpadPowerOff)
    ACTION(updatePinpadStatus) GET_INT(pinpadPortHandle)
    SET_INT(setModemPortMode) GET_INT(modemPortMode) ACTION(modemPowerOn) ACTION(modemPowerOff)
    ACTION(updateModemStatus) GET_INT(modemPortHandle) GET_INT(modemState) GET_INT(modemSignalLevel)
    GET_TEXT(modemOperator) GET_TEXT(modemLastError) GET_INT(inputBufferSize) GET_INT(outputBufferSize)
};

template <class Object>
Object *create(int version)
{
    ++record.createCalls;
    record.lastVersion = version;
#ifdef TESTDRIVER_NULL_CREATE
    Object *object = nullptr;
#else
    Object *object = new Object(version);
#endif
    record.lastCreated = object;
    return object;
}

// Deletes through the concrete type, as a real driver would: the interfaces'
// destructors are protected on purpose.
template <class Object, class I>
int release(I **object)
{
    ++record.releaseCalls;
    record.releaseArgument = object;
    record.releasedObject = object ? *object : nullptr;
    if (object) {
        delete static_cast<Object *>(*object);
        *object = nullptr;
    }
    record.pointerAfterRelease = object ? *object : nullptr;
    return 0;
}

} // namespace

extern "C" {

NEB_EXPORT IPayCard *NEBAPI CreatePayCardInterface(int version)
{
    return create<PayCard>(version);
}

NEB_EXPORT IFptr *NEBAPI CreateFptrInterface(int version)
{
    return create<Fptr>(version);
}

#ifndef TESTDRIVER_NO_RELEASE
NEB_EXPORT int NEBAPI ReleasePayCardInterface(IPayCard **object)
{
    return release<PayCard>(object);
}

NEB_EXPORT int NEBAPI ReleaseFptrInterface(IFptr **object)
{
    return release<Fptr>(object);
}
#endif

NEB_EXPORT const TestDriverRecord *TestDriverRecording()
{
    return &record;
}

NEB_EXPORT void TestDriverReset()
{
    record = {};
}

} // extern "C"
