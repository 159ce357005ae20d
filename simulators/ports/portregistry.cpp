#include "portregistry.h"

#include <map>
#include <mutex>

namespace SimPorts {
namespace {

// The bench drives everything from its GUI thread, but a host is free to use
// drivers from several threads, and a lock costs nothing here.
struct Registry
{
    std::mutex mutex;
    std::map<int, PortState> ports;
    // Handles start well above the port modes 1 and 2, so that a mode passed
    // by mistake where a handle is expected is not taken for a real port.
    int lastHandle = 100;
};

Registry &registry()
{
    static Registry instance;
    return instance;
}

} // namespace

int openPort(PortKind kind, const PortState &initial)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const int handle = ++r.lastHandle;
    PortState state = initial;
    state.kind = kind;
    r.ports[handle] = state;
    return handle;
}

void updatePort(int handle, const PortState &state)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const auto it = r.ports.find(handle);
    if (it == r.ports.end())
        return;
    const PortKind kind = it->second.kind;
    it->second = state;
    it->second.kind = kind;
}

void closePort(int handle)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.ports.erase(handle);
}

bool portState(int handle, PortState *state)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const auto it = r.ports.find(handle);
    if (it == r.ports.end())
        return false;
    if (state)
        *state = it->second;
    return true;
}

} // namespace SimPorts
