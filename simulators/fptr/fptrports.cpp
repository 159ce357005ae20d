// The register's pinpad and modem ports: modes, power, status, the modem's
// scenario, and what the port table shows the terminal of each.

#include "fptrdriver.h"

#include "portregistry.h"

using Sim::CallTrace;
using SimResult::Code;

namespace {

// Invented operator of the simulated mobile network.
const QString OperatorName = QStringLiteral("СимСеть");
const int PinpadInputBuffer = 1024;
const int PinpadOutputBuffer = 1024;
const int ModemInputBuffer = 4096;
const int ModemOutputBuffer = 2048;

enum ModemScenario { ModemHost = 0, ModemGprs = 1, ModemConnectError = 2, ModemNoAnswer = 3 };

QString portName(bool modem)
{
    return modem ? QStringLiteral("модема") : QStringLiteral("пинпада");
}

} // namespace

int FptrDriver::setPinpadPortMode(int mode)
{
    CallTrace trace(*this, "setPinpadPortMode", [=] { return QString::number(mode); });
    return trace(doSetPortMode(pinpad, false, mode));
}

int FptrDriver::pinpadPortMode(int *mode)
{
    CallTrace trace(*this, "pinpadPortMode");
    return trace.withInt(outInt(mode, pinpad.mode), mode);
}

int FptrDriver::pinpadPowerOn()
{
    CallTrace trace(*this, "pinpadPowerOn");
    return trace(doPower(pinpad, false, true));
}

int FptrDriver::pinpadPowerOff()
{
    CallTrace trace(*this, "pinpadPowerOff");
    return trace(doPower(pinpad, false, false));
}

int FptrDriver::updatePinpadStatus()
{
    CallTrace trace(*this, "updatePinpadStatus");
    return trace(doUpdatePinpadStatus());
}

int FptrDriver::pinpadPortHandle(int *handle)
{
    CallTrace trace(*this, "pinpadPortHandle");
    return trace.withInt(outInt(handle, pinpad.handle), handle);
}

int FptrDriver::setModemPortMode(int mode)
{
    CallTrace trace(*this, "setModemPortMode", [=] { return QString::number(mode); });
    return trace(doSetPortMode(modem, true, mode));
}

int FptrDriver::modemPortMode(int *mode)
{
    CallTrace trace(*this, "modemPortMode");
    return trace.withInt(outInt(mode, modem.mode), mode);
}

int FptrDriver::modemPowerOn()
{
    CallTrace trace(*this, "modemPowerOn");
    return trace(doPower(modem, true, true));
}

int FptrDriver::modemPowerOff()
{
    CallTrace trace(*this, "modemPowerOff");
    return trace(doPower(modem, true, false));
}

int FptrDriver::updateModemStatus()
{
    CallTrace trace(*this, "updateModemStatus");
    return trace(doUpdateModemStatus());
}

int FptrDriver::modemPortHandle(int *handle)
{
    CallTrace trace(*this, "modemPortHandle");
    return trace.withInt(outInt(handle, modem.handle), handle);
}

int FptrDriver::modemState(int *state)
{
    CallTrace trace(*this, "modemState");
    return trace.withInt(outInt(state, status.modemState), state);
}

int FptrDriver::modemSignalLevel(int *dbm)
{
    CallTrace trace(*this, "modemSignalLevel");
    return trace.withInt(outInt(dbm, status.signal), dbm);
}

int FptrDriver::modemOperator(wchar_t *buffer, int size)
{
    CallTrace trace(*this, "modemOperator", [=] { return QString::number(size); });
    return trace.withText(outText(status.operatorName, buffer, size), buffer, size);
}

int FptrDriver::modemLastError(wchar_t *buffer, int size)
{
    CallTrace trace(*this, "modemLastError", [=] { return QString::number(size); });
    return trace.withText(outText(status.lastError, buffer, size), buffer, size);
}

int FptrDriver::inputBufferSize(int *bytes)
{
    CallTrace trace(*this, "inputBufferSize");
    return trace.withInt(outInt(bytes, status.inputBuffer), bytes);
}

int FptrDriver::outputBufferSize(int *bytes)
{
    CallTrace trace(*this, "outputBufferSize");
    return trace.withInt(outInt(bytes, status.outputBuffer), bytes);
}

void FptrDriver::publish(const Port &port, bool isModem)
{
    SimPorts::PortState state;
    state.kind = isModem ? SimPorts::PortKind::Modem : SimPorts::PortKind::Pinpad;
    state.mode = port.mode;
    state.powered = port.powered;
    state.modemState = isModem ? modemInternalState : 0;
    // The terminal meets the scenario's fault whenever it connects, whether
    // or not anyone asked the modem for its status before.
    if (isModem) {
        switch (intValue(QStringLiteral("ModemScenario"))) {
        case ModemConnectError: state.modemFault = SimPorts::ModemFault::ConnectionError; break;
        case ModemNoAnswer: state.modemFault = SimPorts::ModemFault::NoAnswer; break;
        default: break;
        }
    }
    SimPorts::updatePort(port.handle, state);
}

void FptrDriver::closePort(Port &port, bool isModem)
{
    port.mode = 0;
    port.powered = false;
    if (isModem) {
        modemStep = 0;
        modemInternalState = 0;
        modemError.clear();
    }
    // A closed port has nothing to report until it is initialised again.
    status = Status();
    publish(port, isModem);
}

void FptrDriver::closePorts()
{
    closePort(pinpad, false);
    closePort(modem, true);
}

int FptrDriver::needModem(bool isModem)
{
    if (!isModem || HasModem)
        return 0;
    return fail(Code::NoModem, QStringLiteral("у принтера чеков есть только порт пинпада"));
}

int FptrDriver::doSetPortMode(Port &port, bool isModem, int mode)
{
    if (const int result = needEnabled())
        return result;
    if (const int result = needModem(isModem))
        return result;
    if (mode != 0 && mode != 1 && mode != 2) {
        return failParam(Code::InvalidArgument,
                         QStringLiteral("Режим порта %1 должен быть 0 (выключен), 1 (синхронно) "
                                        "или 2 (асинхронно), передано %2")
                             .arg(portName(isModem)).arg(mode));
    }
    // Mode 0 is how the host says "off": the port closes but keeps its
    // handle, so a terminal that holds it sees a port that is not initialised.
    if (mode == 0) {
        closePort(port, isModem);
    } else {
        port.mode = mode;
        publish(port, isModem);
    }
    return succeed();
}

int FptrDriver::doPower(Port &port, bool isModem, bool on)
{
    if (const int result = needEnabled())
        return result;
    if (const int result = needModem(isModem))
        return result;
    if (!port.initialised()) {
        return fail(Code::PortNotInitialised,
                    QStringLiteral("сначала инициализируйте порт %1 (режим 1 или 2)")
                        .arg(portName(isModem)));
    }
    if (isModem && on && !port.powered) {
        // A fresh power-on starts the modem's state sequence from the top.
        modemStep = 0;
        modemError.clear();
    }
    port.powered = on;
    publish(port, isModem);
    return succeed();
}

int FptrDriver::doUpdatePinpadStatus()
{
    if (const int result = needEnabled())
        return result;
    if (!pinpad.initialised()) {
        return fail(Code::PortNotInitialised,
                    QStringLiteral("сначала инициализируйте порт пинпада (режим 1 или 2)"));
    }
    status.inputBuffer = PinpadInputBuffer;
    status.outputBuffer = PinpadOutputBuffer;
    return succeed();
}

int FptrDriver::doUpdateModemStatus()
{
    if (const int result = needEnabled())
        return result;
    if (const int result = needModem(true))
        return result;
    if (!modem.initialised()) {
        return fail(Code::PortNotInitialised,
                    QStringLiteral("сначала инициализируйте порт модема (режим 1 или 2)"));
    }
    ++modemUpdates;
    status.inputBuffer = ModemInputBuffer;
    status.outputBuffer = ModemOutputBuffer;

    const int scenario = intValue(QStringLiteral("ModemScenario"));
    if (modem.powered && scenario == ModemNoAnswer) {
        modemInternalState = 0;
        modemError = QStringLiteral("Модем не отвечает на команды инициализации");
    } else if (modem.powered) {
        // One step of the scenario's sequence per status update; the last
        // state then holds.
        static const QVector<int> host = {1, 2, 3, 4};
        static const QVector<int> gprs = {1, 2, 7};
        static const QVector<int> broken = {1, 2, 3, 2};
        const QVector<int> &sequence =
            scenario == ModemGprs ? gprs : scenario == ModemConnectError ? broken : host;
        modemInternalState = sequence.at(qMin(modemStep, sequence.size() - 1));
        if (modemStep < sequence.size())
            ++modemStep;
        if (scenario == ModemConnectError && modemStep == sequence.size())
            modemError = QStringLiteral("Хост не отвечает: соединение разорвано по таймауту");
    } else {
        // After power-off the modem reports disconnecting once, then off.
        modemInternalState = (modemInternalState != 0 && modemInternalState != 5) ? 5 : 0;
    }
    publish(modem, true);

    status.modemState = modemInternalState;
    const bool registered = modemInternalState == 2 || modemInternalState == 3
                            || modemInternalState == 4 || modemInternalState == 7;
    status.signal = (modem.powered && modemInternalState != 0 && modemInternalState != 5)
                        ? -(51 + (modemUpdates * 13) % 63)
                        : 0;
    status.operatorName = registered ? OperatorName : QString();
    status.lastError = modemError;

    if (modem.powered && scenario == ModemNoAnswer)
        return fail(Code::ModemFailure, modemError);
    return succeed();
}
