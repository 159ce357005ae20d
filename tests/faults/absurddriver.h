#ifndef ABSURDDRIVER_H
#define ABSURDDRIVER_H

// A driver library that answers with absurd values, for checking that the
// bench survives it. What it does wrong is chosen at run time, through the
// extra export "AbsurdDriverSetVariant" (resolved with QLibrary), from these
// flags; 0 is a driver that behaves.
namespace AbsurdDriver {

enum Flag : unsigned {
    NegativeLengths = 1u << 0, // string getters report INT_MIN or -1
    HugeLengths = 1u << 1,     // string getters report INT_MAX
    LengthPastBuffer = 1u << 2, // string getters report one more than any buffer holds
    Unterminated = 1u << 3,    // string getters fill the whole buffer and write no NUL
    GarbageResults = 1u << 4,  // every operation fails; the result code is INT_MIN, the bad-parameter flag -1
    SilentFailures = 1u << 5,  // every operation fails with result code 0
    GarbageNumbers = 1u << 6,  // number getters write absurd values, another with every call
    NullCreate = 1u << 7,      // the create functions return null
    IdleRelease = 1u << 8,     // the release functions do nothing at all
    ThrowsInt = 1u << 9,       // every operation and create function throws an int
};

} // namespace AbsurdDriver

typedef void (*AbsurdDriverSetVariantFunction)(unsigned flags);

#endif // ABSURDDRIVER_H
