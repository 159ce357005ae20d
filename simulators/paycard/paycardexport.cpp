#include "paycarddevice.h"

// The library's only exports: the host creates and releases driver objects
// through these two and reaches everything else through the interface.

extern "C" NEB_EXPORT NEB::PayCard::IPayCard *NEBAPI CreatePayCardInterface(int version)
{
    if (version != NEB::PayCard::InterfaceVersion)
        return nullptr;
    return new SimPayCard::PayCardDevice;
}

extern "C" NEB_EXPORT int NEBAPI ReleasePayCardInterface(NEB::PayCard::IPayCard **object)
{
    if (!object || !*object)
        return 0;
    // Only objects this library made and still holds are deleted; anything
    // else is left alone rather than freed through the wrong allocator.
    if (!SimPayCard::PayCardDevice::isLive(*object))
        return -1;
    delete static_cast<SimPayCard::PayCardDevice *>(*object);
    *object = nullptr;
    return 0;
}
