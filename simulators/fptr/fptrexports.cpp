// The library's only exports: create and release of driver objects.

#include "fptrdriver.h"

#include <map>
#include <new>

namespace {

// Objects made by this library, by the interface pointer the host holds.
// Release looks the host's pointer up here, so a pointer from elsewhere (the
// twin library, a stale copy) is refused instead of being deleted as an
// object of ours, and it is found without a walk over every live object.
std::map<const NEB::Fptr::IFptr *, FptrDriver *> &liveObjects()
{
    static std::map<const NEB::Fptr::IFptr *, FptrDriver *> objects;
    return objects;
}

} // namespace

extern "C" NEB_EXPORT NEB::Fptr::IFptr *NEBAPI CreateFptrInterface(int version)
{
    if (version != NEB::Fptr::InterfaceVersion)
        return nullptr;
    auto *driver = new (std::nothrow) FptrDriver;
    if (driver)
        liveObjects().emplace(driver, driver);
    return driver;
}

extern "C" NEB_EXPORT int NEBAPI ReleaseFptrInterface(NEB::Fptr::IFptr **object)
{
    if (!object)
        return -1;
    if (!*object)
        return 0;
    const auto found = liveObjects().find(*object);
    if (found == liveObjects().end())
        return -2;
    FptrDriver *driver = found->second;
    liveObjects().erase(found);
    delete driver;
    *object = nullptr;
    return 0;
}
