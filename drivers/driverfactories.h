#ifndef DRIVERFACTORIES_H
#define DRIVERFACTORIES_H

#include "brxlibrary.h"
#include "qnebinterface.h"

#include <QString>

#include <memory>

// The program's directory with a trailing separator: where the driver
// libraries are loaded from, and what every driver object gets as its
// "SearchDir". Without an application object the last value is returned.
QString applicationDirectory();

// Owns the payment-terminal library. Every terminal driver object comes from
// create() and goes back through release() of the same factory.
class PaycardFactory
{
public:
    PaycardFactory();
    virtual ~PaycardFactory();

    bool isReady() const;
    // Always a wrapper; it holds no driver object when the library is not
    // ready or its create function returned none.
    std::unique_ptr<QNebPaycard> create();
    // Throws DeviceNotFoundException, and leaves the wrapper alone, when it
    // holds no driver object.
    void release(std::unique_ptr<QNebPaycard> &wrapper);
    // Gives back a wrapper that never made it into a list, whatever it
    // holds; for clean-up paths that must not throw.
    void discard(std::unique_ptr<QNebPaycard> &wrapper) noexcept;

    // Loads another file as the terminal library, for when the one under
    // the fixed name is not ready (so no driver object of it exists). Returns
    // an empty string once the file is loaded with both functions; otherwise
    // the loader's reason, and the factory stays as it was.
    QString useLibrary(const QString &fileName);

private:
    std::unique_ptr<BRXLibrary<NEB::PayCard::IPayCard>> library;
};

// Owns the two fiscal-register libraries: kind 0 ("fptr") and kind 1
// ("rcpprn"), which expose the same interface.
class FptrFactory
{
public:
    FptrFactory();
    virtual ~FptrFactory();

    bool isReady(int kind) const;
    // No wrapper at all for an unknown kind or a library that is not ready.
    std::unique_ptr<QNebFptr> create(int kind);
    void release(int kind, std::unique_ptr<QNebFptr> &wrapper);
    void discard(int kind, std::unique_ptr<QNebFptr> &wrapper) noexcept;

private:
    BRXLibrary<NEB::Fptr::IFptr> *libraryOfKind(int kind) const;

    std::unique_ptr<BRXLibrary<NEB::Fptr::IFptr>> fptrLibrary;
    std::unique_ptr<BRXLibrary<NEB::Fptr::IFptr>> rcpprnLibrary;
};

#endif // DRIVERFACTORIES_H
