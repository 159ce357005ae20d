#include "benchtest.h"
#include "settingsfile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// A device that accepts a fixed number of bytes and then fails, like a full
// disk in the middle of a save.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(qint64 capacity) : capacity(capacity) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 length) override
    {
        if (written + length > capacity)
            return -1;
        written += length;
        return length;
    }

private:
    qint64 capacity;
    qint64 written = 0;
};

struct ReadResult
{
    QString error;
    QVector<SettingsFile::Device> devices;
};

ReadResult readDocument(const QByteArray &document, const QString &failOnName = QStringLiteral("\x01"))
{
    QBuffer buffer;
    buffer.setData(document);
    buffer.open(QIODevice::ReadOnly);
    ReadResult result;
    result.error = SettingsFile::read(&buffer, [&](const SettingsFile::Device &device) {
        result.devices.append(device);
        return device.name == failOnName ? QStringLiteral("refused") : QString();
    });
    return result;
}

QByteArray writeDocument(const QVector<SettingsFile::Device> &devices)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!SettingsFile::write(&buffer, devices))
        return QByteArray();
    return buffer.data();
}

const QString UnknownFormat = QStringLiteral("Неизвестный формат файла");

} // namespace

class SettingsFileTest : public QObject
{
    Q_OBJECT

private slots:
    void write_producesCompactDocument()
    {
        const QByteArray document = writeDocument({{QStringLiteral("Касса 1"), QStringLiteral("A=1")},
                                                   {QStringLiteral("x"), QStringLiteral("B")}});
        QCOMPARE(QString::fromUtf8(document),
                 QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                                "<neb_settings_array version=\"2.0\">"
                                "<object name=\"Касса 1\">A=1</object>"
                                "<object name=\"x\">B</object>"
                                "</neb_settings_array>\n"));
    }

    void roundTrip_keepsNamesAndSettingsExactly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("settings");
        QTest::newRow("plain") << "Терминал" << "PROTOCOL=0;PORT=COM1";
        QTest::newRow("markup") << "<a & \"b\">" << "<x a=\"1\">&amp;</x> ' \" & < >";
        QTest::newRow("cyrillic") << "ККТ №5" << "Модель=Ф-2;Порт=USB:ВИРТ";
        QTest::newRow("newlines") << "line\nbreak" << "first\nsecond\r\nthird\rfourth\n";
        QTest::newRow("tabs and blanks") << "  padded  " << "\tindented  \t";
        QTest::newRow("empty name") << "" << "S";
        QTest::newRow("surrogate pair") << QStringLiteral("\U0001F600") << QStringLiteral("a\U0001F600b");
        // At the bounds, in the characters that cost the most bytes.
        QTest::newRow("longest name and settings") << QString(SettingsFile::MaxNameLength, '"')
                                                   << QString(SettingsFile::MaxSettingsLength, '<');
    }

    void roundTrip_keepsNamesAndSettingsExactly()
    {
        QFETCH(QString, name);
        QFETCH(QString, settings);
        const ReadResult result = readDocument(writeDocument({{name, settings}}));
        QCOMPARE(result.error, QString());
        QCOMPARE(result.devices.size(), 1);
        QCOMPARE(result.devices[0].name, name);
        QCOMPARE(result.devices[0].settings, settings);
    }

    void roundTrip_severalMegabytes()
    {
        QVector<SettingsFile::Device> devices;
        for (int i = 0; i < 6; ++i)
            devices.append({QString::number(i), QString(512 * 1024, QChar(u'Ж' + i))});
        const ReadResult result = readDocument(writeDocument(devices));
        QCOMPARE(result.error, QString());
        QCOMPARE(result.devices.size(), devices.size());
        QCOMPARE(result.devices.last().settings, devices.last().settings);
    }

    void write_failingDevice_reportsError_data()
    {
        QTest::addColumn<int>("capacity");
        QTest::newRow("nothing fits") << 0;
        QTest::newRow("fails in the header") << 40;
        QTest::newRow("fails in the settings") << 500;
        QTest::newRow("fails at the last byte") << -1; // the whole document but one byte
    }

    void write_failingDevice_reportsError()
    {
        QFETCH(int, capacity);
        const QVector<SettingsFile::Device> devices{{QStringLiteral("a"), QString(1000, QLatin1Char('s'))}};
        if (capacity < 0)
            capacity = writeDocument(devices).size() - 1;
        FailingDevice device(capacity);
        QVERIFY(!SettingsFile::write(&device, devices));
    }

    // Such a file could never be read again: refusing to write it keeps the
    // previous file in place.
    void write_characterXmlCannotCarry_refused()
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(!SettingsFile::write(&buffer, {{QStringLiteral("a"), QStringLiteral("x\x01y")}}));
        QVERIFY(!SettingsFile::write(&buffer, {{QStringLiteral("\x1b"), QStringLiteral("s")}}));
        QVERIFY(!SettingsFile::write(&buffer, {{QString(QChar(0xD800)), QStringLiteral("s")}}));
        QVERIFY(!SettingsFile::write(&buffer, {{QStringLiteral("a"), QString(QChar(0xDC00)) + "x"}}));
        QCOMPARE(buffer.size(), 0);
    }

    void read_rejectsOrSkips_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("error"); // "*" for the XML reader's own text
        QTest::addColumn<QStringList>("names");

        const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
        QTest::newRow("empty file") << QByteArray() << "*" << QStringList();
        QTest::newRow("wrong document element")
            << head + "<settings version=\"2.0\"><object name=\"a\">s</object></settings>" << UnknownFormat
            << QStringList();
        QTest::newRow("no version") << head + "<neb_settings_array><object name=\"a\">s</object></neb_settings_array>"
                                    << UnknownFormat << QStringList();
        QTest::newRow("other version")
            << head + "<neb_settings_array version=\"2.1\"><object name=\"a\">s</object></neb_settings_array>"
            << UnknownFormat << QStringList();
        QTest::newRow("malformed after first object")
            << head + "<neb_settings_array version=\"2.0\"><object name=\"a\">s</object><object name=\"b\">s</obj"
            << "*" << QStringList{"a"};
        QTest::newRow("object with child element")
            << head + "<neb_settings_array version=\"2.0\"><object name=\"a\"><x/></object><object name=\"b\">s</object></neb_settings_array>"
            << "*" << QStringList();
        QTest::newRow("unknown elements between objects")
            << head + "<neb_settings_array version=\"2.0\"><object name=\"a\">s</object><note><object name=\"hidden\">s</object></note>"
                      "<object name=\"b\">t</object></neb_settings_array>"
            << "" << QStringList{"a", "b"};
        QTest::newRow("object without name is passed over")
            << head + "<neb_settings_array version=\"2.0\"><object>s</object><object name=\"b\">t</object></neb_settings_array>"
            << "" << QStringList{"b"};
        QTest::newRow("bytes that are not UTF-8")
            << head + "<neb_settings_array version=\"2.0\"><object name=\"a\">\xff\xfe\xc3</object></neb_settings_array>"
            << "*" << QStringList();
        QTest::newRow("second document element")
            << head + "<neb_settings_array version=\"2.0\"><object name=\"a\">s</object></neb_settings_array>"
                      "<neb_settings_array version=\"2.0\"><object name=\"b\">s</object></neb_settings_array>"
            << "*" << QStringList{"a"};
        QByteArray markup = "<x";
        for (int i = 0; i <= SettingsFile::MaxAttributes; ++i)
            markup += " a" + QByteArray::number(i) + "='>'";
        markup += ">";
        QTest::newRow("markup in a comment and character data is not counted")
            << head + "<!-- " + markup + " --><neb_settings_array version=\"2.0\"><object name=\"a\"><![CDATA["
                   + markup + "]]></object></neb_settings_array>"
            << "" << QStringList{"a"};
        QTest::newRow("too many attributes, quoted '>' included")
            << head + "<neb_settings_array version=\"2.0\">" + markup + "</x></neb_settings_array>"
            << QString("Слишком много атрибутов у элемента") << QStringList();
        QTest::newRow("start tag too long")
            << head + "<neb_settings_array version=\"2.0\"><object name=\"a\"" + QByteArray(SettingsFile::MaxStartTagBytes, ' ')
                   + ">s</object></neb_settings_array>"
            << QString("Слишком длинный элемент") << QStringList();
        QTest::newRow("handler refuses: reading stops")
            << head + "<neb_settings_array version=\"2.0\"><object name=\"a\">s</object><object name=\"stop\">s</object>"
                      "<object name=\"c\">s</object></neb_settings_array>"
            << "refused" << QStringList{"a", "stop"};
    }

    void read_rejectsOrSkips()
    {
        QFETCH(QByteArray, document);
        QFETCH(QString, error);
        QFETCH(QStringList, names);
        const ReadResult result = readDocument(document, QStringLiteral("stop"));
        if (error == QLatin1String("*")) {
            QVERIFY2(!result.error.isEmpty(), "the XML reader's error was expected");
            QVERIFY(result.error != UnknownFormat);
        } else {
            QCOMPARE(result.error, error);
        }
        QStringList read;
        for (const SettingsFile::Device &device : result.devices)
            read.append(device.name);
        QCOMPARE(read, names);
    }

    void read_entityExpansionBomb_failsWithoutExpanding()
    {
        QByteArray document = "<?xml version=\"1.0\"?><!DOCTYPE neb_settings_array [<!ENTITY a \"aaaaaaaaaa\">";
        char previous = 'a';
        for (char name = 'b'; name <= 'k'; ++name) {
            document += QByteArray("<!ENTITY ") + name + " \"";
            for (int i = 0; i < 10; ++i)
                document += QByteArray("&") + previous + ";";
            document += "\">";
            previous = name;
        }
        document += "]><neb_settings_array version=\"2.0\"><object name=\"a\">&k;</object></neb_settings_array>";
        const ReadResult result = readDocument(document);
        QVERIFY(!result.error.isEmpty());
        QVERIFY(result.devices.isEmpty());
    }

    // The files are saved all or nothing: anything but a regular file where
    // one of them goes (a folder, a link to a device) leaves every old file.
    void save_pairAllOrNothing_data()
    {
        QTest::addColumn<QString>("blocker"); // what stands where the second file goes
        QTest::newRow("nothing") << "";
        QTest::newRow("folder") << "folder";
        QTest::newRow("file held open") << "held open";
#ifndef Q_OS_WIN // where QFile::link makes a shortcut file, not a link
        QTest::newRow("link to a device") << "device link";
        QTest::newRow("dangling link") << "dangling link";
#endif
    }

    void save_pairAllOrNothing()
    {
        QFETCH(QString, blocker);
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("paycard.cfg"));
        const QString second = dir.filePath(QStringLiteral("paycard_fptr.cfg"));
        const QVector<SettingsFile::Device> devices{{QStringLiteral("a"), QStringLiteral("1")}};
        QFile old(first);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        if (blocker == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(second));
        else if (blocker == QLatin1String("device link"))
            QVERIFY(QFile::link(QStringLiteral("/dev/null"), second));
        else if (blocker == QLatin1String("dangling link"))
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), second));
        QFile held(second);
        if (blocker == QLatin1String("held open")) {
            QVERIFY(held.open(QIODevice::WriteOnly));
            held.write("old");
            QVERIFY(held.flush());
        }

        // A file held open by another program can be replaced on POSIX
        // systems but not on Windows, where the first file goes back.
#ifdef Q_OS_WIN
        const bool replaceable = blocker.isEmpty();
#else
        const bool replaceable = blocker.isEmpty() || held.isOpen();
#endif
        QCOMPARE(SettingsFile::save({{first, devices}, {second, devices}}), replaceable);
        held.close();
        QVERIFY(old.open(QIODevice::ReadOnly));
        const QByteArray firstNow = old.readAll();
        if (replaceable) {
            QCOMPARE(readDocument(firstNow).devices.size(), 1);
            return;
        }
        QCOMPARE(firstNow, QByteArray("old"));
        if (blocker == QLatin1String("held open")) {
            QVERIFY(held.open(QIODevice::ReadOnly));
            QCOMPARE(held.readAll(), QByteArray("old"));
            return;
        }
        QCOMPARE(QFileInfo(second).isDir(), blocker == QLatin1String("folder"));
        QCOMPARE(QFileInfo(second).isSymLink(), blocker != QLatin1String("folder"));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("gone"))));
    }

    void keepUnreadable_copiesBesideTheFile()
    {
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("paycard.cfg"));
        QCOMPARE(SettingsFile::keepUnreadable(fileName), QString());
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<broken");
        file.close();
        const QString kept = SettingsFile::keepUnreadable(fileName);
        QVERIFY(kept.startsWith(fileName + QStringLiteral(".bad-")));
        QFile copy(kept);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), QByteArray("<broken"));
        QVERIFY(QFileInfo::exists(fileName));
    }
};

BENCH_TEST_MAIN(SettingsFileTest)
#include "tst_settingsfile.moc"
