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

#include <memory>
#include <vector>

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

QString read(QIODevice *device, const DeviceHandler &handler, int *skipped)
{
    int passedOver = 0;
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
                    ++passedOver;
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
    if (skipped)
        *skipped = passedOver;
    return xml.hasError() ? xml.errorString() : QString();
}

namespace {

// A settings file written over itself, for a folder that refuses new files.
// The part past the old end goes first, while every old byte is still in
// place; the old content is kept, and written back when the rest fails or a
// file saved with it fails. Either way a full disk leaves the previous file
// whole.
class InPlaceFile
{
public:
    explicit InPlaceFile(const QString &fileName) : file(fileName) {}

    // A file that was loaded is within the loader's bound; one that is not
    // cannot be kept to be written back.
    bool open()
    {
        if (!file.exists() || !file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)
            || file.size() > MaxFileSize)
            return false;
        previous = file.readAll();
        return previous.size() == file.size();
    }

    bool write(const QByteArray &document)
    {
        const qint64 oldSize = previous.size();
        const qint64 size = document.size();
        const bool written = (size <= oldSize || writeAt(oldSize, document.constData() + oldSize, size - oldSize))
                             && writeAt(0, document.constData(), qMin(oldSize, size))
                             && (size >= oldSize || file.resize(size));
        if (!written)
            restore();
        return written;
    }

    void restore()
    {
        writeAt(0, previous.constData(), previous.size());
        file.resize(previous.size());
    }

private:
    bool writeAt(qint64 at, const char *data, qint64 length)
    {
        return file.seek(at) && file.write(data, length) == length;
    }

    QFile file;
    QByteArray previous;
};

bool saveInPlace(const QVector<File> &files, const QVector<QByteArray> &documents)
{
    std::vector<std::unique_ptr<InPlaceFile>> targets;
    for (const File &file : files) {
        targets.push_back(std::make_unique<InPlaceFile>(file.name));
        if (!targets.back()->open())
            return false;
    }
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (!targets[i]->write(documents[int(i)])) {
            while (i-- > 0)
                targets[i]->restore();
            return false;
        }
    }
    return true;
}

// What stood under a file's name before a save replaced it. A file that
// could not be read whole is not known, and is never "put back" as less.
struct Previous
{
    bool known = false;
    bool existed = false;
    QByteArray content;
};

Previous readPrevious(const QString &fileName)
{
    Previous previous;
    QFile file(fileName);
    previous.existed = file.exists();
    if (!previous.existed) {
        previous.known = true;
    } else if (file.open(QIODevice::ReadOnly) && file.size() <= MaxFileSize) {
        previous.content = file.readAll();
        previous.known = previous.content.size() == file.size();
    }
    return previous;
}

void putBack(const QString &fileName, const Previous &previous)
{
    if (!previous.known)
        return;
    if (!previous.existed) {
        QFile::remove(fileName);
        return;
    }
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly) && file.write(previous.content) == previous.content.size() && file.flush())
        file.commit();
}

} // namespace

bool isReplaceable(const QString &fileName)
{
    // A link is followed to what it names; a dangling one is refused with
    // the rest, since saving would create a file at an unexpected place.
    const QFileInfo info(fileName);
    return info.isFile() || (!info.exists() && !info.isSymLink());
}

bool save(const QVector<File> &files)
{
    // Composed in memory first: a file that turns out unwritable must not
    // have touched any of them.
    QVector<QByteArray> documents;
    for (const File &file : files) {
        if (!isReplaceable(file.name))
            return false;
        QBuffer document;
        document.open(QIODevice::WriteOnly);
        if (!write(&document, file.devices) || document.size() > MaxFileSize)
            return false;
        documents.append(document.data());
    }

    // Every new file is written and checked before the first replaces its
    // old one, so a failure leaves all the old ones.
    std::vector<std::unique_ptr<QSaveFile>> written;
    const auto cancelAll = [&written] {
        for (const auto &file : written)
            file->cancelWriting();
    };
    for (int i = 0; i < files.size(); ++i) {
        auto file = std::make_unique<QSaveFile>(files[i].name);
        if (!file->open(QIODevice::WriteOnly)) {
            cancelAll();
            return saveInPlace(files, documents);
        }
        // commit() in Qt 5 does not notice that the final flush of its buffer
        // failed (a full disk), so the flush is made and checked here.
        written.push_back(std::move(file));
        QSaveFile &last = *written.back();
        if (last.write(documents[i]) != documents[i].size() || !last.flush() || last.error() != QFileDevice::NoError) {
            cancelAll();
            return false;
        }
    }
    // Replacing can still fail: Windows refuses to rename over a file that
    // another program holds open. The files replaced before it then get
    // their previous content back, so the pair is never left half new.
    QVector<Previous> previous;
    for (const File &file : files)
        previous.append(readPrevious(file.name));
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (!written[i]->commit()) {
            for (std::size_t j = i + 1; j < written.size(); ++j)
                written[j]->cancelWriting();
            while (i-- > 0)
                putBack(files[int(i)].name, previous[int(i)]);
            return false;
        }
    }
    return true;
}

QString keepUnreadable(const QString &fileName, const QDateTime &time)
{
    // Only a regular file is read to be copied: a pipe or a device would
    // never end.
    if (!QFileInfo(fileName).isFile())
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
