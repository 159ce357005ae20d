#ifndef SETTINGSFILE_H
#define SETTINGSFILE_H

#include <QString>
#include <QVector>

#include <functional>

class QIODevice;

// The device settings file: an XML document "neb_settings_array" (version
// "2.0") holding one "object" per device, its "name" attribute and, as text,
// the driver's own settings string, which the bench never interprets.
namespace SettingsFile {

struct Device
{
    QString name;
    QString settings;
};

// Writes the whole document. Returns false when the device reported an error.
bool write(QIODevice *device, const QVector<Device> &devices);

// Called once per "object" with a name; returns an error text that ends the
// reading, or an empty string to go on.
using DeviceHandler = std::function<QString(const Device &device)>;

// Reads the document and hands each device to the handler in file order.
// Returns the error that ended the reading (the handler's, a format error or
// the XML reader's own), or an empty string when the document was read whole.
QString read(QIODevice *device, const DeviceHandler &handler);

// Writes the file through a temporary one that replaces it only when written
// completely, so a failed save leaves the previous file whole. Returns false
// when the file could not even be opened; *writeFailed tells a later failure.
bool save(const QString &fileName, const QVector<Device> &devices, bool *writeFailed);

// Copies a file that could not be loaded to a name beside it, so that the
// next save does not destroy what the user had. Returns the copy's path, or
// an empty string when nothing could be kept.
QString keepUnreadable(const QString &fileName);

} // namespace SettingsFile

#endif // SETTINGSFILE_H
