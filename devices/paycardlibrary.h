#ifndef PAYCARDLIBRARY_H
#define PAYCARDLIBRARY_H

#include <QString>

class PaycardFactory;

// A terminal library the user chose because none lay under the fixed name
// beside the program. Its path is kept in the settings directory, so the
// next start finds it too; the library under the fixed name always wins.
namespace PaycardLibrary {

// The file that holds the remembered path.
QString memoryFile();

// The remembered path, or an empty string.
QString remembered();

// Keeps the path for the next start. False when it could not be written.
bool remember(const QString &libraryPath);

// Loads the remembered library into a factory whose own library is not
// ready. Returns whether the factory is ready afterwards.
bool useRemembered(PaycardFactory *factory);

} // namespace PaycardLibrary

#endif // PAYCARDLIBRARY_H
