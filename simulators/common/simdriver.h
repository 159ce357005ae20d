#ifndef SIMDRIVER_H
#define SIMDRIVER_H

#include "calltrace.h"
#include "simdevice.h"

#include "nebapi.h"

namespace Sim {

// The common half of a driver object: implements the operations both driver
// interfaces share (same names, same signatures) on top of SimDevice, each
// traced. A concrete driver derives from SimDriver<IFptr> or
// SimDriver<IPayCard> and implements the rest of its interface.
template <class Interface>
class SimDriver : public Interface, public SimDevice
{
public:
    using SimDevice::SimDevice;

    int NEBAPI deviceEnabled(int *enabled) override
    {
        CallTrace trace(*this, "deviceEnabled");
        return trace.withInt(SimDevice::deviceEnabled(enabled), enabled);
    }
    int NEBAPI setDeviceEnabled(int enabled) override
    {
        CallTrace trace(*this, "setDeviceEnabled", [=] { return QString::number(enabled); });
        return trace(SimDevice::setDeviceEnabled(enabled));
    }
    int NEBAPI resultCode(int *code) override
    {
        CallTrace trace(*this, "resultCode");
        return trace.withInt(SimDevice::resultCode(code), code);
    }
    int NEBAPI resultDescription(wchar_t *buffer, int size) override
    {
        CallTrace trace(*this, "resultDescription", [=] { return QString::number(size); });
        return trace.withText(SimDevice::resultDescription(buffer, size), buffer, size);
    }
    int NEBAPI badParam(int *flag) override
    {
        CallTrace trace(*this, "badParam");
        return trace.withInt(SimDevice::badParam(flag), flag);
    }
    int NEBAPI badParamDescription(wchar_t *buffer, int size) override
    {
        CallTrace trace(*this, "badParamDescription", [=] { return QString::number(size); });
        return trace.withText(SimDevice::badParamDescription(buffer, size), buffer, size);
    }
    int NEBAPI setOwnerWindow(void *window) override
    {
        CallTrace trace(*this, "setOwnerWindow",
                        [=] { return window ? QStringLiteral("window") : QStringLiteral("null"); });
        return trace(SimDevice::setOwnerWindow(window));
    }
    int NEBAPI showProperties() override
    {
        CallTrace trace(*this, "showProperties");
        return trace(SimDevice::showProperties());
    }
    int NEBAPI deviceSettings(wchar_t *buffer, int size) override
    {
        CallTrace trace(*this, "deviceSettings", [=] { return QString::number(size); });
        return trace.withText(SimDevice::deviceSettings(buffer, size), buffer, size);
    }
    int NEBAPI setDeviceSettings(const wchar_t *settings) override
    {
        CallTrace trace(*this, "setDeviceSettings", [=] { return traceArgument(settings); });
        return trace(SimDevice::setDeviceSettings(settings));
    }
    int NEBAPI parameter(const wchar_t *name, wchar_t *buffer, int size) override
    {
        CallTrace trace(*this, "parameter",
                        [=] { return traceArgument(name) + QStringLiteral(", %1").arg(size); });
        return trace.withText(SimDevice::parameter(name, buffer, size), buffer, size);
    }
    int NEBAPI setParameter(const wchar_t *name, const wchar_t *value) override
    {
        CallTrace trace(*this, "setParameter",
                        [=] { return traceArgument(name) + QStringLiteral(", ") + traceArgument(value); });
        return trace(SimDevice::setParameter(name, value));
    }
    int NEBAPI parameterValues(const wchar_t *name, wchar_t *buffer, int size) override
    {
        CallTrace trace(*this, "parameterValues",
                        [=] { return traceArgument(name) + QStringLiteral(", %1").arg(size); });
        return trace.withText(SimDevice::parameterValues(name, buffer, size), buffer, size);
    }
    int NEBAPI applySettings() override
    {
        CallTrace trace(*this, "applySettings");
        return trace(SimDevice::applySettings());
    }
};

} // namespace Sim

#endif // SIMDRIVER_H
