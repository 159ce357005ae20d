#ifndef BRXLIBRARY_H
#define BRXLIBRARY_H

#include "nebapi.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QString>

// Loader of one driver library: the file and its create and release
// functions. Loading is a separate step (loadDriverLibrary), so a missing
// library never stops the loader from being built.
template <class I>
class BRXLibrary : public QLibrary
{
public:
    typedef I *(NEBAPI *CreateFunction)(int version);
    typedef int (NEBAPI *ReleaseFunction)(I **object);

    BRXLibrary(const QString &fileName, const QString &interfaceName)
        : QLibrary(fileName)
        , createSymbol(QStringLiteral("Create") + interfaceName + QStringLiteral("Interface"))
        , releaseSymbol(QStringLiteral("Release") + interfaceName + QStringLiteral("Interface"))
    {
        setLoadHints(QLibrary::ResolveAllSymbolsHint);
    }

    // Driver objects must all be released before this runs.
    ~BRXLibrary() override { unload(); }

    bool isReady() const { return isLoaded() && createFunction && releaseFunction; }

    CreateFunction createFunction = nullptr;
    ReleaseFunction releaseFunction = nullptr;
    const QString createSymbol;
    const QString releaseSymbol;
};

// Loads the library and resolves both functions. A load failure leaves one
// debug line; a missing symbol leaves nothing. Returns whether both
// functions were found.
template <class I>
bool loadDriverLibrary(BRXLibrary<I> *library)
{
    if (!library->load()) {
        qDebug("%s", qUtf8Printable(QCoreApplication::translate("QLibrary", "<%1> load error [%2]")
                                        .arg(library->fileName(), library->errorString())));
        return false;
    }
    library->createFunction = reinterpret_cast<typename BRXLibrary<I>::CreateFunction>(
        library->resolve(library->createSymbol.toUtf8().constData()));
    library->releaseFunction = reinterpret_cast<typename BRXLibrary<I>::ReleaseFunction>(
        library->resolve(library->releaseSymbol.toUtf8().constData()));
    return library->createFunction && library->releaseFunction;
}

#endif // BRXLIBRARY_H
