#ifndef TESTDRIVER_H
#define TESTDRIVER_H

#include "fakedrivers.h"

#include <QLibrary>

// The test driver library (testdriver.cpp), loaded by the bench through the
// real loader from the driver folder a test is registered with. Its objects
// are the fakes above; each library file has one control, through which a
// test steers the library and reads what it saw of the loader.
struct TestDriverControl
{
    // Shared by every object the library makes, and by its create and
    // release functions.
    AbsurdAnswers absurd;
    // Called with every new object before the bench sees it. An object no
    // hook scripts names the version it was made for in its device
    // settings, so a test can tell through a wrapper which object it holds.
    void (*paycardCreated)(FakePaycard *object) = nullptr;
    void (*fptrCreated)(FakeFptr *object) = nullptr;
    // With this set, released objects are handed to it and kept, not
    // deleted, so that a test can still read them.
    void (*released)(const void *object) = nullptr;

    int createCalls = 0;
    int lastVersion = 0;                       // argument of the last create call
    const void *lastCreated = nullptr;         // object the last create call returned
    int releaseCalls = 0;
    const void *releaseArgument = nullptr;     // address the last release call received
    const void *releasedObject = nullptr;      // pointer value found behind that address
    const void *pointerAfterRelease = nullptr; // what release left behind it
};

// The control of the library file `path`, named as the bench names it: the
// very instance the bench loads from there; null when there is none. The
// library is never unloaded, which keeps the control valid.
inline TestDriverControl *testDriver(const QString &path)
{
    using Control = TestDriverControl *(*)();
    auto control = reinterpret_cast<Control>(QLibrary(path).resolve("TestDriver"));
    return control ? control() : nullptr;
}

#endif // TESTDRIVER_H
