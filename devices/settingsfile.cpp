#include "settingsfile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
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
// The file's texts belong to the window that shows them.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(PayCardMainWindow)
};

// Characters XML 1.0 cannot carry in any form, and halves of surrogate pairs
// that UTF-8 cannot encode. A text holding one would make a file that no
// reader accepts, or one that reads back different.
bool isXmlText(const QString &text)
{
    for (int i = 0, size = text.size(); i < size; ++i) {
        const ushort u = text[i].unicode();
        if (u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D)
            return false;
        if (u == 0xFFFE || u == 0xFFFF)
            return false;
        if (QChar::isLowSurrogate(u))
            return false;
        if (QChar::isHighSurrogate(u)) {
            if (i + 1 == size || !QChar::isLowSurrogate(text[i + 1].unicode()))
                return false;
            ++i;
        }
    }
    return true;
}

// Looks over the raw bytes, before the XML reader sees them, for a start tag
// with more attributes or bytes than the writer ever produces. Comments,
// character data sections and processing instructions are passed over, so
// their text cannot be mistaken for markup.
QString startTagsError(const QByteArray &data)
{
    const char *const begin = data.constData();
    const char *const end = begin + data.size();
    const auto skipPast = [&](const char *from, const char *marker) {
        const int at = data.indexOf(marker, int(from - begin));
        return at < 0 ? end : begin + at + qstrlen(marker);
    };
    const char *p = begin;
    while (p < end) {
        p = static_cast<const char *>(memchr(p, '<', size_t(end - p)));
        if (!p)
            break;
        ++p;
        const QByteArray rest = QByteArray::fromRawData(p, int(qMin<qptrdiff>(end - p, 8)));
        if (rest.startsWith("!--")) {
            p = skipPast(p, "-->");
            continue;
        }
        if (rest.startsWith("![CDATA[")) {
            p = skipPast(p, "]]>");
            continue;
        }
        if (rest.startsWith('?')) {
            p = skipPast(p, "?>");
            continue;
        }
        if (rest.startsWith('!') || rest.startsWith('/'))
            continue;
        const char *const tag = p;
        int attributes = 0;
        char quote = 0;
        for (; p < end; ++p) {
            if (quote) {
                if (*p == quote)
                    quote = 0;
            } else if (*p == '"' || *p == '\'') {
                quote = *p;
            } else if (*p == '=') {
                ++attributes;
            } else if (*p == '>') {
                break;
            }
            if (attributes > MaxAttributes)
                return Texts::tr("Слишком много атрибутов у элемента");
            if (p - tag > MaxStartTagBytes)
                return Texts::tr("Слишком длинный элемент");
        }
    }
    return QString();
}

QString deviceError(const Device &device)
{
    if (device.name.size() > MaxNameLength)
        return Texts::tr("Слишком длинное имя устройства");
    if (device.settings.size() > MaxSettingsLength)
        return Texts::tr("Слишком длинная строка настроек устройства");
    if (!isXmlText(device.name) || !isXmlText(device.settings))
        return Texts::tr("Недопустимый символ в имени или настройках устройства");
    return QString();
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

bool isWritable(const Device &device)
{
    return deviceError(device).isEmpty();
}

bool write(QIODevice *device, const QVector<Device> &devices)
{
    for (const Device &saved : devices) {
        if (!isWritable(saved))
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
    // The size is checked first: everything after it works on the whole file.
    const QByteArray data = device->read(MaxFileSize + 1);
    if (data.size() > MaxFileSize)
        return Texts::tr("Файл настроек слишком велик");
    const QString tagError = startTagsError(data);
    if (!tagError.isEmpty())
        return tagError;

    QXmlStreamReader xml(data);
    if (xml.readNextStartElement()) {
        if (xml.name() != DocumentElement || xml.attributes().value(VersionAttribute) != Version) {
            xml.raiseError(Texts::tr("Неизвестный формат файла"));
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
                // A device that could not be saved again would make every
                // later save fail, and the file would never change again.
                QString error = deviceError(device);
                if (error.isEmpty())
                    error = handler(device);
                if (!error.isEmpty()) {
                    xml.raiseError(error);
                    break;
                }
            }
            // A second document element or other content after the first
            // would be lost by the next save: the reader refuses it here.
            while (!xml.hasError() && !xml.atEnd())
                xml.readNext();
        }
    }
    return xml.hasError() ? xml.errorString() : QString();
}

namespace {

// Writes the file over itself, for a folder that refuses new files. The part
// past the old end goes first, while every old byte is still in place; the
// old bytes about to be overwritten are kept, and written back when the rest
// fails. Either way a full disk leaves the previous file whole.
bool writeInPlace(const QString &fileName, const QByteArray &document, bool *writeFailed)
{
    QFile file(fileName);
    if (!file.exists() || !file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return false;
    const qint64 oldSize = file.size();
    const qint64 size = document.size();
    const qint64 head = qMin(oldSize, size);
    const QByteArray previous = file.read(head);
    const auto writeAt = [&file](qint64 at, const char *data, qint64 length) {
        return file.seek(at) && file.write(data, length) == length;
    };
    bool written = previous.size() == head
                   && (size <= oldSize || writeAt(oldSize, document.constData() + oldSize, size - oldSize));
    if (written && !writeAt(0, document.constData(), head)) {
        writeAt(0, previous.constData(), head);
        written = false;
    }
    if (written && size < oldSize)
        written = file.resize(size);
    if (!written) {
        file.resize(oldSize);
        *writeFailed = true;
    }
    return true;
}

} // namespace

bool save(const QString &fileName, const QVector<Device> &devices, bool *writeFailed)
{
    *writeFailed = false;
    // Composed in memory first: when the folder refuses new files the file is
    // written in place, and what turns out unwritable must not have touched it.
    QBuffer document;
    document.open(QIODevice::WriteOnly);
    if (!write(&document, devices) || document.size() > MaxFileSize) {
        *writeFailed = true;
        return true;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return writeInPlace(fileName, document.data(), writeFailed);
    // commit() in Qt 5 does not notice that the final flush of its buffer
    // failed (a full disk), so the flush is made and checked here.
    const bool written = file.write(document.data()) == document.size() && file.flush()
                         && file.error() == QFileDevice::NoError;
    if (!written || !file.commit()) {
        file.cancelWriting();
        *writeFailed = true;
    }
    return true;
}

QString keepUnreadable(const QString &fileName, const QDateTime &time)
{
    if (!QFileInfo::exists(fileName))
        return QString();
    const QString prefix = fileName + QStringLiteral(".bad-");
    const QString copy = prefix + time.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    if (!QFile::copy(fileName, copy))
        return QString();
    // The stamp sorts by time, so the names sort the copies oldest first.
    const QFileInfo info(prefix);
    QStringList copies = info.dir().entryList({info.fileName() + QLatin1Char('*')}, QDir::Files, QDir::Name);
    while (copies.size() > KeptCopies)
        QFile::remove(info.dir().filePath(copies.takeFirst()));
    return copy;
}

} // namespace SettingsFile
