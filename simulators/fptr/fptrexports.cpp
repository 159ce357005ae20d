// The library's only exports: create and release of driver objects.

#include "fptrdriver.h"

#include <new>
#include <set>

namespace {

// Objects made by this library. Release checks against it, so a pointer
// from elsewhere (the twin library, a stale copy) is refused instead of
// being deleted as an object of ours.
std::set<FptrDriver *> &liveObjects()
{
    static std::set<FptrDriver *> objects;
    return objects;
}

} // namespace

extern "C" NEB_EXPORT NEB::Fptr::IFptr *NEBAPI CreateFptrInterface(int version)
{
    if (version != NEB::Fptr::InterfaceVersion)
        return nullptr;
    auto *driver = new (std::nothrow) FptrDriver;
    if (driver)
        liveObjects().insert(driver);
    return driver;
}

extern "C" NEB_EXPORT int NEBAPI ReleaseFptrInterface(NEB::Fptr::IFptr **object)
{
    if (!object)
        return -1;
    if (!*object)
        return 0;
    for (FptrDriver *driver : liveObjects()) {
        if (static_cast<NEB::Fptr::IFptr *>(driver) == *object) {
            liveObjects().erase(driver);
            delete driver;
            *object = nullptr;
            return 0;
        }
    }
    return -2;
}
