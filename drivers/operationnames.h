#ifndef OPERATIONNAMES_H
#define OPERATIONNAMES_H

#include "ifptr.h"
#include "ipaycard.h"

#include <type_traits>
#include <utility>
#include <vector>

// Names of the driver operations for the call journal, looked up by the
// operation's member-function pointer. Pointers of different signatures have
// different types, so each signature gets a table of its own, built on first
// use from the lists below; only a journal that is switched on asks.

#define NEB_COMMON_OPERATIONS(X)                                                                   \
    X(deviceEnabled) X(setDeviceEnabled) X(resultCode) X(resultDescription) X(badParam)            \
    X(badParamDescription) X(setOwnerWindow) X(showProperties) X(deviceSettings)                   \
    X(setDeviceSettings) X(parameter) X(setParameter) X(parameterValues) X(applySettings)

#define NEB_PAYCARD_OPERATIONS(X)                                                                  \
    NEB_COMMON_OPERATIONS(X)                                                                       \
    X(setOperationType) X(setServiceOperationType) X(setAuthorizationType) X(setSum)               \
    X(setCurrencyCode) X(setReferenceNumber) X(setAccountNumber) X(setPhoneNumber) X(setTrack2)    \
    X(setCharLineLength) X(setEcrReceiptNumber) X(setReportType) X(setReportOperationType)         \
    X(setReportSum) X(setReportTerminalId) X(setSlipNumber) X(setPinpadPort) X(setModemPort)       \
    X(authorize) X(completeAuthorization) X(executeServiceOperation) X(beginReport)                \
    X(addReportItem) X(endReport) X(resetReport) X(responseCode) X(authorizationCode)              \
    X(transactionId) X(transactionDate) X(transactionTime) X(terminalId) X(referenceNumber)        \
    X(cardNumber) X(cardType) X(cardExpiryDate) X(operatorName) X(amountId) X(commissionId)        \
    X(slipText) X(slipNumber) X(commission) X(charLineLength)

#define NEB_FPTR_OPERATIONS(X)                                                                     \
    NEB_COMMON_OPERATIONS(X)                                                                       \
    X(setLineParamA) X(setLineParamB) X(setLineText) X(printLine) X(setFinishParam)                \
    X(finishStepA) X(finishStepB) X(finishStepC) X(setPinpadPortMode) X(pinpadPortMode)            \
    X(pinpadPowerOn) X(pinpadPowerOff) X(updatePinpadStatus) X(pinpadPortHandle)                   \
    X(setModemPortMode) X(modemPortMode) X(modemPowerOn) X(modemPowerOff) X(updateModemStatus)     \
    X(modemPortHandle) X(modemState) X(modemSignalLevel) X(modemOperator) X(modemLastError)        \
    X(inputBufferSize) X(outputBufferSize)

namespace OperationNames {

template <class Pointer>
using Table = std::vector<std::pair<Pointer, const char *>>;

template <class Pointer, class Other>
void addIfSameSignature(Table<Pointer> &table, Other operation, const char *name)
{
    if constexpr (std::is_same<Pointer, Other>::value)
        table.emplace_back(operation, name);
}

template <class I>
struct Lists;

template <>
struct Lists<NEB::PayCard::IPayCard>
{
    template <class Pointer>
    static Table<Pointer> build()
    {
        using I = NEB::PayCard::IPayCard;
        Table<Pointer> table;
#define NEB_ADD_NAME(name) addIfSameSignature(table, &I::name, #name);
        NEB_PAYCARD_OPERATIONS(NEB_ADD_NAME)
#undef NEB_ADD_NAME
        return table;
    }
};

template <>
struct Lists<NEB::Fptr::IFptr>
{
    template <class Pointer>
    static Table<Pointer> build()
    {
        using I = NEB::Fptr::IFptr;
        Table<Pointer> table;
#define NEB_ADD_NAME(name) addIfSameSignature(table, &I::name, #name);
        NEB_FPTR_OPERATIONS(NEB_ADD_NAME)
#undef NEB_ADD_NAME
        return table;
    }
};

// The name of an operation of interface I; "?" for one missing from the lists.
template <class I, class Pointer>
const char *of(Pointer operation)
{
    static const Table<Pointer> table = Lists<I>::template build<Pointer>();
    for (const auto &entry : table) {
        if (entry.first == operation)
            return entry.second;
    }
    return "?";
}

} // namespace OperationNames

#endif // OPERATIONNAMES_H
