#ifndef SETTINGSFILE_H
#define SETTINGSFILE_H

#include <QDateTime>
#include <QString>
#include <QVector>

#include <functional>

class QIODevice;

// The device settings file: an XML document "neb_settings_array" (version
// "2.0") holding one "object" per device, its "name" attribute and, as text,
// the driver's own settings string, which the bench never interprets.
namespace SettingsFile {

// What the loader accepts. Thousands of real devices fit many times over;
// the bounds exist so that a damaged or hostile file is refused at once
// instead of stalling start-up in the XML reader, which slows down
// quadratically with the attributes of one element.
constexpr qint64 MaxFileSize = 8 * 1024 * 1024;
constexpr int MaxAttributes = 16;
constexpr int MaxStartTagBytes = 64 * 1024;
constexpr int MaxNameLength = 4096;
constexpr int MaxSettingsLength = 1024 * 1024;
// Copies of unreadable files kept per file; older ones are removed.
constexpr int KeptCopies = 10;

struct Device
{
    QString name;
    QString settings;
};

// Whether the device can be written so that the loader reads it back the
// same: within the bounds and free of characters XML cannot carry.
bool isWritable(const Device &device);

// Writes the whole document. Returns false when a device is not writable or
// the output device reported an error.
bool write(QIODevice *device, const QVector<Device> &devices);

// Called once per "object" with a name; returns an error text that ends the
// reading, or an empty string to go on.
using DeviceHandler = std::function<QString(const Device &device)>;

// Reads the document and hands each device to the handler in file order.
// Returns the error that ended the reading (the handler's, a format or bound
// error or the XML reader's own), or an empty string when the document was
// read to its end. A device the writer could not write again is an error
// too. *skipped (may be null) counts the elements passed over: anything but
// an "object" with a name, which a later save would drop.
QString read(QIODevice *device, const DeviceHandler &handler, int *skipped = nullptr);

// Whether saving may put a file at fileName: a regular file (a link to one
// included) or nothing. A folder, a device or a pipe there is never replaced.
bool isReplaceable(const QString &fileName);

struct File
{
    QString name;
    QVector<Device> devices;
};

// Saves the files all or nothing. Each is written through a temporary file
// and checked; only when every one was written whole do they replace the old
// files, so a failure leaves all the old ones. Where the folder refuses new
// files they are written in place, each in an order that leaves it whole on
// a full disk, and those already written are put back when a later one
// fails. Returns false when the files were not saved.
bool save(const QVector<File> &files);

// Copies a file that could not be loaded to a name beside it stamped with
// `time`, so that the next save does not destroy what the user had, and
// removes all but the newest copies. Returns the copy's path, or an empty
// string when nothing could be kept.
QString keepUnreadable(const QString &fileName, const QDateTime &time = QDateTime::currentDateTime());

} // namespace SettingsFile

#endif // SETTINGSFILE_H
