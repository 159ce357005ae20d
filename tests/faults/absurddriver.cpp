// The absurd driver library: both interfaces, every operation answering
// according to the flags of absurddriver.h. With no flag set it behaves: it
// succeeds, reads back the enabled state, names protocol 9 on a serial port
// and its string getters follow the convention.

#include "absurddriver.h"
#include "ifptr.h"
#include "ipaycard.h"

#include <algorithm>
#include <climits>
#include <cwchar>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace AbsurdDriver;
using NEB::Fptr::IFptr;
using NEB::PayCard::IPayCard;

namespace {

unsigned flags = 0;
unsigned turn = 0; // advances with every absurd value handed out

// Objects an idle release left alive; still reachable, also after static
// destructors ran at exit, so a leak checker blames nobody for what the
// driver chose to keep.
std::vector<const void *> *const kept = new std::vector<const void *>;

bool has(Flag flag)
{
    return (flags & flag) != 0;
}

template <class T, std::size_t N>
T next(const T (&values)[N])
{
    return values[turn++ % N];
}

// Characters a driver should never send: a lone surrogate, a
// non-character, the extremes of the type, a control character, markup and
// a line break.
const wchar_t garbage[] = {wchar_t(0xD800), wchar_t(0xFFFF), WCHAR_MAX, WCHAR_MIN, wchar_t(0x01),
                           L'<', L'&', L'\n', L'Ж'};

int result()
{
    if (has(ThrowsInt))
        throw 42;
    if (has(GarbageResults)) {
        static const int codes[] = {INT_MIN, -1, -2147483647, -10052};
        return next(codes);
    }
    return has(SilentFailures) ? -1 : 0;
}

int writeNumber(int *target, int honest)
{
    static const int absurd[] = {INT_MIN, INT_MAX, -1, 6, 9, 0x7fff, -10051, 10053, 0};
    if (target)
        *target = has(GarbageNumbers) ? next(absurd) : honest;
    return result();
}

int writeText(const std::wstring &value, wchar_t *buffer, int size)
{
    int honest = int(value.size());
    if (buffer && size > 0) {
        if (has(Unterminated)) {
            for (int i = 0; i < size; ++i)
                buffer[i] = std::size_t(i) < value.size() ? value[std::size_t(i)] : garbage[std::size_t(i) % std::size(garbage)];
            honest = size;
        } else {
            const std::size_t copied = std::min(value.size(), std::size_t(size - 1));
            value.copy(buffer, copied);
            buffer[copied] = L'\0';
        }
    }
    if (has(NegativeLengths)) {
        static const int lengths[] = {INT_MIN, -1};
        return next(lengths);
    }
    if (has(HugeLengths))
        return INT_MAX;
    if (has(LengthPastBuffer))
        return size < INT_MAX ? std::max(size, 0) + 1 : INT_MAX;
    return honest;
}

std::wstring parameterValue(const wchar_t *name)
{
    const std::wstring key = name ? name : L"";
    if (key == L"Protocol")
        return L"9";
    if (key == L"Port")
        return L"COM1";
    if (key == L"Model")
        return L"M";
    return L"абсурд";
}

std::wstring parameterList(const wchar_t *name)
{
    const std::wstring key = name ? name : L"";
    if (key == L"Protocol")
        return L"9:Девятый;";
    if (key == L"Port")
        return L"COM1:COM1;";
    if (key == L"Model")
        return L"M:Модель;";
    return std::wstring();
}

#define ACTION(name) int NEBAPI name() override { return result(); }
#define SET_INT(name) int NEBAPI name(int) override { return result(); }
#define SET_DOUBLE(name) int NEBAPI name(double) override { return result(); }
#define SET_TEXT(name) int NEBAPI name(const wchar_t *) override { return result(); }
#define GET_INT(name) int NEBAPI name(int *value) override { return writeNumber(value, 0); }
#define GET_TEXT(name) int NEBAPI name(wchar_t *buffer, int size) override { return writeText(L"абсурд " #name, buffer, size); }

template <class I>
class Common : public I
{
public:
    virtual ~Common() = default;

    int NEBAPI deviceEnabled(int *value) override { return writeNumber(value, enabled); }
    int NEBAPI setDeviceEnabled(int value) override
    {
        enabled = value;
        return result();
    }
    int NEBAPI resultCode(int *code) override
    {
        if (code)
            *code = has(GarbageResults) ? INT_MIN : 0;
        return result();
    }
    GET_TEXT(resultDescription)
    int NEBAPI badParam(int *flag) override
    {
        if (flag)
            *flag = has(GarbageResults) ? -1 : 0;
        return result();
    }
    GET_TEXT(badParamDescription)
    int NEBAPI setOwnerWindow(void *) override { return result(); }
    int NEBAPI showProperties() override
    {
        if (has(GarbageResults) || has(SilentFailures))
            return result();
        return has(GarbageNumbers) ? INT_MAX : 1;
    }
    GET_TEXT(deviceSettings)
    SET_TEXT(setDeviceSettings)
    int NEBAPI parameter(const wchar_t *name, wchar_t *buffer, int size) override
    {
        return writeText(parameterValue(name), buffer, size);
    }
    int NEBAPI setParameter(const wchar_t *, const wchar_t *) override { return result(); }
    int NEBAPI parameterValues(const wchar_t *name, wchar_t *buffer, int size) override
    {
        return writeText(parameterList(name), buffer, size);
    }
    ACTION(applySettings)

private:
    int enabled = 0;
};

class PayCard final : public Common<IPayCard>
{
public:
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
    int NEBAPI commission(double *value) override
    {
        static const double absurd[] = {std::numeric_limits<double>::quiet_NaN(),
                                        std::numeric_limits<double>::infinity(),
                                        -std::numeric_limits<double>::infinity(), 1e308, -1e308,
                                        std::numeric_limits<double>::denorm_min()};
        if (value)
            *value = has(GarbageNumbers) ? next(absurd) : 0.0;
        return result();
    }
};

class Fptr final : public Common<IFptr>
{
public:
    SET_INT(setLineParamA) SET_INT(setLineParamB) SET_TEXT(setLineText) ACTION(printLine)
    SET_INT(setFinishParam) ACTION(finishStepA) ACTION(finishStepB) ACTION(finishStepC)
    SET_INT(setPinpadPortMode) GET_INT(pinpadPortMode) ACTION(pinpadPowerOn) ACTION(pinpadPowerOff)
    ACTION(updatePinpadStatus) GET_INT(pinpadPortHandle)
    SET_INT(setModemPortMode) GET_INT(modemPortMode) ACTION(modemPowerOn) ACTION(modemPowerOff)
    ACTION(updateModemStatus) GET_INT(modemPortHandle) GET_INT(modemState) GET_INT(modemSignalLevel)
    GET_TEXT(modemOperator) GET_TEXT(modemLastError) GET_INT(inputBufferSize) GET_INT(outputBufferSize)
};

template <class Object>
Object *create()
{
    if (has(ThrowsInt))
        throw 42;
    return has(NullCreate) ? nullptr : new Object;
}

// Deletes through the concrete type: the interfaces' destructors are
// protected on purpose.
template <class Object, class I>
int release(I **object)
{
    if (has(IdleRelease)) {
        if (object && *object)
            kept->push_back(*object);
        return result();
    }
    if (object) {
        delete static_cast<Object *>(*object);
        *object = nullptr;
    }
    return result();
}

} // namespace

extern "C" {

NEB_EXPORT IPayCard *NEBAPI CreatePayCardInterface(int)
{
    return create<PayCard>();
}

NEB_EXPORT int NEBAPI ReleasePayCardInterface(IPayCard **object)
{
    return release<PayCard>(object);
}

NEB_EXPORT IFptr *NEBAPI CreateFptrInterface(int)
{
    return create<Fptr>();
}

NEB_EXPORT int NEBAPI ReleaseFptrInterface(IFptr **object)
{
    return release<Fptr>(object);
}

NEB_EXPORT void AbsurdDriverSetVariant(unsigned newFlags)
{
    flags = newFlags;
    turn = 0;
}

} // extern "C"
