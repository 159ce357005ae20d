#ifndef PORTREGISTRY_H
#define PORTREGISTRY_H

// The pinpad and modem ports opened by the simulated fiscal registers, shared
// by every simulated driver in the process. The register opens and updates a
// port; a simulated payment terminal that is handed the port's handle asks
// here whether the port behind it exists, is initialised and is powered.

#if defined(_WIN32)
#  if defined(SIMPORTS_BUILD)
#    define SIMPORTS_EXPORT __declspec(dllexport)
#  else
#    define SIMPORTS_EXPORT __declspec(dllimport)
#  endif
#else
#  define SIMPORTS_EXPORT __attribute__((visibility("default")))
#endif

namespace SimPorts {

enum class PortKind { Pinpad, Modem };

// What a connection to the host through a modem port runs into.
enum class ModemFault { None, NoAnswer, ConnectionError };

struct PortState
{
    PortKind kind = PortKind::Pinpad;
    int mode = 0;          // 1 synchronous, 2 asynchronous, anything else off
    bool powered = false;
    int modemState = 0;    // modem ports only: the state last reported
    ModemFault modemFault = ModemFault::None; // modem ports only
};

// A new non-zero handle, never reused within the process.
SIMPORTS_EXPORT int openPort(PortKind kind, const PortState &initial);
// Unknown or closed handles are ignored. The kind stays the one given at open.
SIMPORTS_EXPORT void updatePort(int handle, const PortState &state);
// The handle becomes unknown.
SIMPORTS_EXPORT void closePort(int handle);
// False for 0, unknown and closed handles; state may be null.
SIMPORTS_EXPORT bool portState(int handle, PortState *state);

} // namespace SimPorts

#endif // PORTREGISTRY_H
