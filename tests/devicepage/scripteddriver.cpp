#include "scripteddriver.h"

using NEB::Fptr::IFptr;
using NEB::PayCard::IPayCard;

namespace {

ScriptedDriverHooks hooks = {};

template <class Object, class I>
int release(I **object)
{
    if (!object)
        return -1;
    if (*object && hooks.released)
        hooks.released(static_cast<Object *>(*object));
    // The library made the object, so it goes back here like a real
    // driver's; tests keep only its address.
    delete static_cast<Object *>(*object);
    *object = nullptr;
    return 0;
}

} // namespace

extern "C" {

NEB_EXPORT void ScriptedDriverSetHooks(const ScriptedDriverHooks *newHooks)
{
    hooks = newHooks ? *newHooks : ScriptedDriverHooks{};
}

NEB_EXPORT IPayCard *NEBAPI CreatePayCardInterface(int)
{
    auto *object = new FakePaycard;
    if (hooks.paycardCreated)
        hooks.paycardCreated(object);
    return object;
}

NEB_EXPORT int NEBAPI ReleasePayCardInterface(IPayCard **object)
{
    return release<FakePaycard>(object);
}

NEB_EXPORT IFptr *NEBAPI CreateFptrInterface(int)
{
    auto *object = new FakeFptr;
    if (hooks.fptrCreated)
        hooks.fptrCreated(object);
    return object;
}

NEB_EXPORT int NEBAPI ReleaseFptrInterface(IFptr **object)
{
    return release<FakeFptr>(object);
}

} // extern "C"
