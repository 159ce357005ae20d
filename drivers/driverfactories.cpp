#include "driverfactories.h"

#include <QCoreApplication>
#include <QDir>

using NEB::Fptr::IFptr;
using NEB::PayCard::IPayCard;

QString applicationDirectory()
{
    static QString directory;
    if (QCoreApplication::instance())
        directory = QCoreApplication::applicationDirPath() + QDir::separator();
    return directory;
}

namespace {

template <class I>
std::unique_ptr<BRXLibrary<I>> loadLibrary(const char *file, const char *interfaceName)
{
    // The directory string already ends with a separator and the file name
    // starts with one; QLibrary copes with the doubled separator and adds the
    // platform's prefix and suffix.
    auto library = std::make_unique<BRXLibrary<I>>(applicationDirectory() + QLatin1String(file),
                                                   QLatin1String(interfaceName));
    loadDriverLibrary(library.get());
    return library;
}

// The library's create function, through the call journal when one is open.
template <class I>
I *createThrough(BRXLibrary<I> *library, const char *libraryName, int version)
{
    const QByteArray symbol = library->createSymbol.toLatin1();
    return guardDriverCall(symbol.constData(), [&] {
        if (DriverJournal *journal = DriverJournal::active())
            return journal->create<I>(libraryName, library->createSymbol, version,
                                      [library, version] { return library->createFunction(version); });
        return library->createFunction(version);
    });
}

template <class I, class Wrapper>
void releaseThrough(BRXLibrary<I> *library, std::unique_ptr<Wrapper> &wrapper)
{
    if (!wrapper || !wrapper->driverObject())
        throw DeviceNotFoundException();
    I *object = wrapper->driverObject();
    if (library && library->isReady()) {
        // Releases run while lists are emptied and destroyed, where nothing
        // may be thrown; an object whose release threw is given up as gone.
        try {
            if (DriverJournal *journal = DriverJournal::active())
                journal->release(library->releaseSymbol, object,
                                 [library, &object] { return library->releaseFunction(&object); });
            else
                library->releaseFunction(&object);
        } catch (...) {
        }
    }
    wrapper.reset();
}

template <class I, class Wrapper>
void discardThrough(BRXLibrary<I> *library, std::unique_ptr<Wrapper> &wrapper) noexcept
{
    if (wrapper && wrapper->driverObject())
        releaseThrough(library, wrapper);
    wrapper.reset();
}

} // namespace

PaycardFactory::PaycardFactory()
{
    if (QCoreApplication::instance())
        library = loadLibrary<IPayCard>("/paycard", "PayCard");
}

PaycardFactory::~PaycardFactory() = default;

bool PaycardFactory::isReady() const
{
    return library && library->isReady();
}

std::unique_ptr<QNebPaycard> PaycardFactory::create()
{
    IPayCard *object = isReady() ? createThrough(library.get(), "paycard", NEB::PayCard::InterfaceVersion) : nullptr;
    return std::make_unique<QNebPaycard>(object);
}

void PaycardFactory::release(std::unique_ptr<QNebPaycard> &wrapper)
{
    releaseThrough(library.get(), wrapper);
}

void PaycardFactory::discard(std::unique_ptr<QNebPaycard> &wrapper) noexcept
{
    discardThrough(library.get(), wrapper);
}

QString PaycardFactory::useLibrary(const QString &fileName)
{
    if (isReady())
        return QCoreApplication::translate("PaycardFactory", "Библиотека дПС уже загружена");
    auto candidate = std::make_unique<BRXLibrary<IPayCard>>(fileName, QStringLiteral("PayCard"));
    if (!loadDriverLibrary(candidate.get())) {
        // After a missing symbol the loader's text names it; the file itself
        // loaded and is unloaded again with the candidate.
        const QString reason = candidate->errorString();
        if (!reason.isEmpty())
            return reason;
        return QCoreApplication::translate("PaycardFactory", "В библиотеке нет функций %1 и %2")
            .arg(candidate->createSymbol, candidate->releaseSymbol);
    }
    library = std::move(candidate);
    return QString();
}

FptrFactory::FptrFactory()
{
    if (QCoreApplication::instance()) {
        fptrLibrary = loadLibrary<IFptr>("/fptr", "Fptr");
        rcpprnLibrary = loadLibrary<IFptr>("/rcpprn", "Fptr");
    }
}

FptrFactory::~FptrFactory()
{
    rcpprnLibrary.reset();
    fptrLibrary.reset();
}

BRXLibrary<IFptr> *FptrFactory::libraryOfKind(int kind) const
{
    switch (kind) {
    case 0:
        return fptrLibrary.get();
    case 1:
        return rcpprnLibrary.get();
    default:
        return nullptr;
    }
}

bool FptrFactory::isReady(int kind) const
{
    const BRXLibrary<IFptr> *library = libraryOfKind(kind);
    return library && library->isReady();
}

std::unique_ptr<QNebFptr> FptrFactory::create(int kind)
{
    if (!isReady(kind))
        return nullptr;
    return std::make_unique<QNebFptr>(
        createThrough(libraryOfKind(kind), kind == 0 ? "fptr" : "rcpprn", NEB::Fptr::InterfaceVersion));
}

void FptrFactory::release(int kind, std::unique_ptr<QNebFptr> &wrapper)
{
    releaseThrough(libraryOfKind(kind), wrapper);
}

void FptrFactory::discard(int kind, std::unique_ptr<QNebFptr> &wrapper) noexcept
{
    discardThrough(libraryOfKind(kind), wrapper);
}
