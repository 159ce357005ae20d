// The test driver library: both driver interfaces, with the fakes of
// fakedrivers.h as their objects, steered through TestDriverControl. Built
// under the file names the bench loads into each driver folder the tests run
// from; TESTDRIVER_NO_RELEASE leaves the release functions out, the one
// thing a test cannot choose at run time.

#include "testdriver.h"

#include <vector>

#ifdef Q_OS_UNIX
#include <dlfcn.h>
#endif

using namespace AbsurdDriver;
using NEB::Fptr::IFptr;
using NEB::PayCard::IPayCard;

namespace {

TestDriverControl control;

// Objects handed to a test or left alive by an idle release, reachable for
// good, so a leak checker blames nobody for what the driver chose to keep.
std::vector<const void *> *const kept = new std::vector<const void *>;

#ifdef Q_OS_UNIX
// The library stays mapped when the bench unloads it: what it keeps must stay
// reachable for the leak checker, and what a test still holds callable.
const bool pinned = [] {
    Dl_info self;
    return dladdr(&control, &self) && dlopen(self.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}();
#endif

template <class Object, class I>
I *create(int version, void (*created)(Object *))
{
    ++control.createCalls;
    control.lastVersion = version;
    control.lastCreated = nullptr;
    if (control.absurd.has(ThrowsInt))
        throw 42;
    if (control.absurd.has(NullCreate))
        return nullptr;
    auto *object = new Object;
    object->absurd = &control.absurd;
    if (created)
        created(object);
    else
        object->strings.insert(QStringLiteral("deviceSettings"), QStringLiteral("version %1").arg(version));
    I *made = object;
    control.lastCreated = made;
    return made;
}

// Deletes through the concrete type, as a real driver would: the interfaces'
// destructors are protected on purpose.
template <class Object, class I>
int release(I **object)
{
    ++control.releaseCalls;
    control.releaseArgument = object;
    control.releasedObject = object ? *object : nullptr;
    if (!object)
        return -1;
    auto *released = static_cast<Object *>(*object);
    if (control.absurd.has(IdleRelease)) {
        kept->push_back(released);
    } else {
        if (released && control.released) {
            kept->push_back(released);
            control.released(released);
        } else {
            delete released;
        }
        *object = nullptr;
    }
    control.pointerAfterRelease = *object;
    return control.absurd.result(0);
}

} // namespace

extern "C" {

NEB_EXPORT IPayCard *NEBAPI CreatePayCardInterface(int version)
{
    return create<FakePaycard, IPayCard>(version, control.paycardCreated);
}

NEB_EXPORT IFptr *NEBAPI CreateFptrInterface(int version)
{
    return create<FakeFptr, IFptr>(version, control.fptrCreated);
}

#ifndef TESTDRIVER_NO_RELEASE
NEB_EXPORT int NEBAPI ReleasePayCardInterface(IPayCard **object)
{
    return release<FakePaycard>(object);
}

NEB_EXPORT int NEBAPI ReleaseFptrInterface(IFptr **object)
{
    return release<FakeFptr>(object);
}
#endif

NEB_EXPORT TestDriverControl *TestDriver()
{
    return &control;
}

} // extern "C"
