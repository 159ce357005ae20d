#ifndef IPAYCARD_H
#define IPAYCARD_H

#include "nebapi.h"

#include <cwchar>

// Interface of the payment-terminal driver object.
//
// Every operation returns a signed result, negative on failure; the reason is
// fetched afterwards with resultCode, resultDescription, badParam and
// badParamDescription. String getters take (buffer, size in characters), write
// a NUL-terminated text truncated to what fits and return the length of the
// full value without the NUL. Number getters write through the pointer.
namespace NEB {
namespace PayCard {

class IPayCard
{
public:
    // Common to both driver interfaces.
    virtual int NEBAPI deviceEnabled(int *enabled) = 0;
    virtual int NEBAPI setDeviceEnabled(int enabled) = 0;
    virtual int NEBAPI resultCode(int *code) = 0;
    virtual int NEBAPI resultDescription(wchar_t *buffer, int size) = 0;
    virtual int NEBAPI badParam(int *flag) = 0;
    virtual int NEBAPI badParamDescription(wchar_t *buffer, int size) = 0;
    // The owner of the driver's own dialogs: a QWidget pointer of the host.
    virtual int NEBAPI setOwnerWindow(void *window) = 0;
    virtual int NEBAPI showProperties() = 0;
    virtual int NEBAPI deviceSettings(wchar_t *buffer, int size) = 0;
    virtual int NEBAPI setDeviceSettings(const wchar_t *settings) = 0;
    virtual int NEBAPI parameter(const wchar_t *name, wchar_t *buffer, int size) = 0;
    virtual int NEBAPI setParameter(const wchar_t *name, const wchar_t *value) = 0;
    virtual int NEBAPI parameterValues(const wchar_t *name, wchar_t *buffer, int size) = 0;
    virtual int NEBAPI applySettings() = 0;

    // Inputs, set before an operation.
    virtual int NEBAPI setOperationType(int type) = 0;
    virtual int NEBAPI setServiceOperationType(int type) = 0;
    virtual int NEBAPI setAuthorizationType(int type) = 0;
    virtual int NEBAPI setSum(double sum) = 0;
    virtual int NEBAPI setCurrencyCode(const wchar_t *code) = 0;
    virtual int NEBAPI setReferenceNumber(const wchar_t *number) = 0;
    virtual int NEBAPI setAccountNumber(const wchar_t *number) = 0;
    virtual int NEBAPI setPhoneNumber(const wchar_t *number) = 0;
    virtual int NEBAPI setTrack2(const wchar_t *track) = 0;
    virtual int NEBAPI setCharLineLength(int length) = 0;
    virtual int NEBAPI setEcrReceiptNumber(int number) = 0;
    virtual int NEBAPI setReportType(int type) = 0;
    virtual int NEBAPI setReportOperationType(int type) = 0;
    virtual int NEBAPI setReportSum(double sum) = 0;
    virtual int NEBAPI setReportTerminalId(const wchar_t *id) = 0;
    virtual int NEBAPI setSlipNumber(int number) = 0;
    // Port handles read from the fiscal register, passed on unchanged.
    virtual int NEBAPI setPinpadPort(int handle) = 0;
    virtual int NEBAPI setModemPort(int handle) = 0;

    // Actions.
    virtual int NEBAPI authorize() = 0;
    virtual int NEBAPI completeAuthorization() = 0;
    virtual int NEBAPI executeServiceOperation() = 0;
    virtual int NEBAPI beginReport() = 0;
    virtual int NEBAPI addReportItem() = 0;
    virtual int NEBAPI endReport() = 0;
    virtual int NEBAPI resetReport() = 0;

    // Results of the last action.
    virtual int NEBAPI responseCode(int *code) = 0;
    virtual int NEBAPI authorizationCode(wchar_t *buffer, int size) = 0;
    virtual int NEBAPI transactionId(wchar_t *buffer, int size) = 0;
    virtual int NEBAPI transactionDate(wchar_t *buffer, int size) = 0;
    virtual int NEBAPI transactionTime(wchar_t *buffer, int size) = 0;
    virtual int NEBAPI terminalId(wchar_t *buffer, int size) = 0;
    virtual int NEBAPI referenceNumber(wchar_t *buffer, int size) = 0;
    virtual int NEBAPI cardNumber(wchar_t *buffer, int size) = 0;
    virtual int NEBAPI cardType(wchar_t *buffer, int size) = 0;
    virtual int NEBAPI cardExpiryDate(wchar_t *buffer, int size) = 0;
    virtual int NEBAPI operatorName(wchar_t *buffer, int size) = 0;
    virtual int NEBAPI amountId(wchar_t *buffer, int size) = 0;
    virtual int NEBAPI commissionId(wchar_t *buffer, int size) = 0;
    virtual int NEBAPI slipText(wchar_t *buffer, int size) = 0;
    virtual int NEBAPI slipNumber(int *number) = 0;
    virtual int NEBAPI commission(double *value) = 0;
    virtual int NEBAPI charLineLength(int *length) = 0;

protected:
    // Driver objects are destroyed only by the library's release function.
    ~IPayCard() = default;
};

// The interface version the host asks for.
constexpr int InterfaceVersion = 3;

typedef IPayCard *(NEBAPI *CreatePayCardInterfaceFunction)(int version);
// Takes the address of the caller's pointer and sets it to null.
typedef int (NEBAPI *ReleasePayCardInterfaceFunction)(IPayCard **object);

} // namespace PayCard
} // namespace NEB

#endif // IPAYCARD_H
