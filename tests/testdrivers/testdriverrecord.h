#ifndef TESTDRIVERRECORD_H
#define TESTDRIVERRECORD_H

// What a test driver library saw of the loader, read by the tests through the
// extra exports "TestDriverRecording" and "TestDriverReset" (resolved with QLibrary). Every library
// file keeps its own record.
struct TestDriverRecord
{
    int createCalls;
    int lastVersion;            // argument of the last create call
    const void *lastCreated;    // object the last create call returned
    int releaseCalls;
    const void *releaseArgument; // address the last release call received
    const void *releasedObject;  // pointer value found behind that address
    const void *pointerAfterRelease; // what release left behind it
};

typedef const TestDriverRecord *(*TestDriverRecordFunction)();
typedef void (*TestDriverResetFunction)();

#endif // TESTDRIVERRECORD_H
