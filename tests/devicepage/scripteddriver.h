#ifndef SCRIPTEDDRIVER_H
#define SCRIPTEDDRIVER_H

#include "fakedrivers.h"

// A driver library whose objects are the recording fakes, so that the window
// can be driven through the real loader while a test scripts and reads every
// object the window makes. Released objects are only reported, not deleted,
// so their record can still be read; a test process lives too briefly for
// that to matter.
struct ScriptedDriverHooks
{
    void (*paycardCreated)(FakePaycard *object);
    void (*fptrCreated)(FakeFptr *object);
    void (*released)(const void *object);
};

typedef void (*ScriptedDriverSetHooksFunction)(const ScriptedDriverHooks *hooks);

#endif // SCRIPTEDDRIVER_H
