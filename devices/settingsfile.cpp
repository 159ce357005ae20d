#include "settingsfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace SettingsFile {

namespace {
const QLatin1String DocumentElement("neb_settings_array");
const QLatin1String ObjectElement("object");
const QLatin1String VersionAttribute("version");
const QLatin1String NameAttribute("name");
const QLatin1String Version("2.0");
// Characters XML 1.0 cannot carry in any form. A settings string holding one
// would make a file that no reader accepts, so such a save fails instead.
bool isXmlText(const QString &text)
{
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D)
            return false;
        if (u == 0xFFFE || u == 0xFFFF)
            return false;
    }
    return true;
}

// A reader turns a literal carriage return into a line feed, so it is
// written as a character reference to come back unchanged.
void writeText(QXmlStreamWriter &xml, const QString &text)
{
    const QStringList pieces = text.split(QLatin1Char('\r'));
    for (int i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            xml.writeEntityReference(QStringLiteral("#13"));
        if (!pieces[i].isEmpty())
            xml.writeCharacters(pieces[i]);
    }
}

} // namespace

bool write(QIODevice *device, const QVector<Device> &devices)
{
    for (const Device &saved : devices) {
        if (!isXmlText(saved.name) || !isXmlText(saved.settings))
            return false;
    }

    QXmlStreamWriter xml(device);
    xml.setAutoFormatting(false);
    xml.writeStartDocument();
    xml.writeStartElement(DocumentElement);
    xml.writeAttribute(VersionAttribute, Version);
    for (const Device &saved : devices) {
        xml.writeStartElement(ObjectElement);
        xml.writeAttribute(NameAttribute, saved.name);
        writeText(xml, saved.settings);
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return !xml.hasError();
}

QString read(QIODevice *device, const DeviceHandler &handler)
{
    QXmlStreamReader xml(device);
    if (xml.readNextStartElement()) {
        if (xml.name() != DocumentElement || xml.attributes().value(VersionAttribute) != Version) {
            xml.raiseError(QCoreApplication::translate("PayCardMainWindow", "Неизвестный формат файла"));
        } else {
            while (xml.readNextStartElement()) {
                // Elements the writer does not produce, an "object" without a
                // name among them, are passed over with their content.
                if (xml.name() != ObjectElement || !xml.attributes().hasAttribute(NameAttribute)) {
                    xml.skipCurrentElement();
                    continue;
                }
                Device device;
                device.name = xml.attributes().value(NameAttribute).toString();
                device.settings = xml.readElementText();
                if (xml.hasError())
                    break;
                const QString error = handler(device);
                if (!error.isEmpty()) {
                    xml.raiseError(error);
                    break;
                }
            }
        }
    }
    return xml.hasError() ? xml.errorString() : QString();
}

bool save(const QString &fileName, const QVector<Device> &devices, bool *writeFailed)
{
    *writeFailed = false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!write(&file, devices) || !file.commit()) {
        file.cancelWriting();
        *writeFailed = true;
    }
    return true;
}

QString keepUnreadable(const QString &fileName)
{
    if (!QFileInfo::exists(fileName))
        return QString();
    const QString copy = fileName + QStringLiteral(".bad-")
                         + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    return QFile::copy(fileName, copy) ? copy : QString();
}

} // namespace SettingsFile
