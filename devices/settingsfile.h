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
// read whole. A device the writer could not write again is an error too.
QString read(QIODevice *device, const DeviceHandler &handler);

// Writes the file through a temporary one that replaces it only when written
// completely, so a failed save leaves the previous file whole; where the
// folder refuses new files the file is written in place, in an order that
// still leaves it whole when the disk is full. Returns false when the file
// could not even be opened; *writeFailed tells a later failure.
bool save(const QString &fileName, const QVector<Device> &devices, bool *writeFailed);

// Copies a file that could not be loaded to a name beside it stamped with
// `time`, so that the next save does not destroy what the user had, and
// removes all but the newest copies. Returns the copy's path, or an empty
// string when nothing could be kept.
QString keepUnreadable(const QString &fileName, const QDateTime &time = QDateTime::currentDateTime());

} // namespace SettingsFile

#endif // SETTINGSFILE_H
