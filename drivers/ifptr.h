#ifndef IFPTR_H
#define IFPTR_H

#include "nebapi.h"

#include <cwchar>

// Interface of the fiscal-register driver object. Conventions as in
// ipaycard.h: signed results, negative on failure, reason fetched afterwards;
// string getters return the full length and write what fits.
namespace NEB {
namespace Fptr {

class IFptr
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

    // Slip printing: per line A, B, text, print; after the last line the
    // finishing parameter and the three finishing steps close the document.
    virtual int NEBAPI setLineParamA(int value) = 0;
    virtual int NEBAPI setLineParamB(int value) = 0;
    virtual int NEBAPI setLineText(const wchar_t *text) = 0;
    virtual int NEBAPI printLine() = 0;
    virtual int NEBAPI setFinishParam(int value) = 0;
    virtual int NEBAPI finishStepA() = 0;
    virtual int NEBAPI finishStepB() = 0;
    virtual int NEBAPI finishStepC() = 0;

    // Pinpad port. Modes: 1 synchronous, 2 asynchronous, anything else off.
    virtual int NEBAPI setPinpadPortMode(int mode) = 0;
    virtual int NEBAPI pinpadPortMode(int *mode) = 0;
    virtual int NEBAPI pinpadPowerOn() = 0;
    virtual int NEBAPI pinpadPowerOff() = 0;
    virtual int NEBAPI updatePinpadStatus() = 0;
    virtual int NEBAPI pinpadPortHandle(int *handle) = 0;

    // Modem port.
    virtual int NEBAPI setModemPortMode(int mode) = 0;
    virtual int NEBAPI modemPortMode(int *mode) = 0;
    virtual int NEBAPI modemPowerOn() = 0;
    virtual int NEBAPI modemPowerOff() = 0;
    virtual int NEBAPI updateModemStatus() = 0;
    virtual int NEBAPI modemPortHandle(int *handle) = 0;
    virtual int NEBAPI modemState(int *state) = 0;
    virtual int NEBAPI modemSignalLevel(int *dbm) = 0;
    virtual int NEBAPI modemOperator(wchar_t *buffer, int size) = 0;
    virtual int NEBAPI modemLastError(wchar_t *buffer, int size) = 0;

    // Buffer sizes of the port whose status was updated last, in bytes.
    virtual int NEBAPI inputBufferSize(int *bytes) = 0;
    virtual int NEBAPI outputBufferSize(int *bytes) = 0;

protected:
    // Driver objects are destroyed only by the library's release function.
    ~IFptr() = default;
};

// The interface version the host asks for.
constexpr int InterfaceVersion = 15;

typedef IFptr *(NEBAPI *CreateFptrInterfaceFunction)(int version);
// Takes the address of the caller's pointer and sets it to null.
typedef int (NEBAPI *ReleaseFptrInterfaceFunction)(IFptr **object);

} // namespace Fptr
} // namespace NEB

#endif // IFPTR_H
