// Feeds the settings loader damaged and hostile files made from files the
// bench wrote itself, and checks what a user relies on:
// - the loader never crashes, never hangs and never takes unbounded memory
//   (run it in the sanitizer build to have every bad access reported);
// - whatever it accepts can be written again and reads back the same;
// - on every Nth input, through the real window: a file it refuses gives the
//   load warning and its bytes are still on disk afterwards, and a file it
//   accepts is saved again in a form that loads.
// Every input is derived from the seed and its number alone, so one input is
// made again with --seed S --only N.

#include "paycardmainwindow.h"
#include "settingsfile.h"
#include "settingsfixtures.h"
#include "settingsfolder.h"
#include "toolenvironment.h"
#include "windowrun.h"

#include <QApplication>
#include <QBuffer>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextCodec>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

using namespace SettingsFixtures;

namespace {

using Rng = QRandomGenerator;

constexpr int MaxInputSize = int(SettingsFile::MaxFileSize) + 1024 * 1024;

// The input being tried, for the last words of a crash or a hang.
quint64 currentSeed = 0;
qint64 currentInput = -1;

void reportCurrentInput()
{
    char line[160];
    const int length = std::snprintf(line, sizeof line, "\nsettingsfuzz: failed on input %lld; made again with --seed %llu --only %lld\n",
                                     static_cast<long long>(currentInput), static_cast<unsigned long long>(currentSeed),
                                     static_cast<long long>(currentInput));
    if (length > 0 && ::write(STDERR_FILENO, line, size_t(length)) < 0) {
    }
}

void onTimeout(int)
{
    reportCurrentInput();
    const char text[] = "settingsfuzz: the input took longer than the time limit\n";
    if (::write(STDERR_FILENO, text, sizeof text - 1) < 0) {
    }
    _exit(3);
}

qint64 peakMemoryMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

int position(Rng &rng, const QByteArray &data) { return int(rng.bounded(quint32(data.size() + 1))); }

template <class T>
const T &oneOf(Rng &rng, const QVector<T> &choices)
{
    return choices[int(rng.bounded(quint32(choices.size())))];
}

// Start and end of every element with the given name, as the writer lays
// them out (no nesting).
QVector<QPair<int, int>> elements(const QByteArray &data, const QByteArray &name)
{
    QVector<QPair<int, int>> found;
    const QByteArray open = '<' + name;
    const QByteArray close = "</" + name + '>';
    for (int from = data.indexOf(open); from >= 0; from = data.indexOf(open, from + 1)) {
        const int end = data.indexOf(close, from);
        if (end < 0)
            break;
        found.append({from, end + close.size()});
    }
    return found;
}

// Just after the name of a random start tag, where attributes can go.
int inStartTag(Rng &rng, const QByteArray &data)
{
    QVector<int> places;
    for (const QByteArray &name : {QByteArray("<object"), QByteArray("<neb_settings_array")}) {
        for (int at = data.indexOf(name); at >= 0; at = data.indexOf(name, at + 1))
            places.append(at + name.size());
    }
    return places.isEmpty() ? position(rng, data) : oneOf(rng, places);
}

QByteArray afterDeclaration(const QByteArray &data, const QByteArray &inserted)
{
    const int end = data.startsWith("<?xml") ? data.indexOf("?>") : -1;
    const int at = end < 0 ? 0 : end + 2;
    return QByteArray(data).insert(at, inserted);
}

// A document type whose entities nest ten deep, ten references each: a
// reader that expanded them would make 10^levels copies.
QByteArray entityBomb(int levels)
{
    QByteArray doctype = "<!DOCTYPE neb_settings_array [<!ENTITY e0 \"lol\">";
    for (int level = 1; level <= levels; ++level) {
        doctype += "<!ENTITY e" + QByteArray::number(level) + " \"";
        for (int i = 0; i < 10; ++i)
            doctype += "&e" + QByteArray::number(level - 1) + ';';
        doctype += "\">";
    }
    return doctype + "]>";
}

struct Mutation
{
    const char *name;
    std::function<void(QByteArray &data, Rng &rng, const QVector<QByteArray> &seeds)> apply;
};

const QVector<Mutation> &mutations()
{
    static const QVector<Mutation> all{
        {"bit flips",
         [](QByteArray &data, Rng &rng, const QVector<QByteArray> &) {
             for (int i = 0, flips = 1 + int(rng.bounded(8)); i < flips && !data.isEmpty(); ++i)
                 {
                 const int at = int(rng.bounded(quint32(data.size())));
                 data[at] = char(data.at(at) ^ (1 << rng.bounded(8)));
             }
         }},
        {"truncations", [](QByteArray &data, Rng &rng, const QVector<QByteArray> &) { data.truncate(position(rng, data)); }},
        {"duplicated elements",
         [](QByteArray &data, Rng &rng, const QVector<QByteArray> &) {
             const auto objects = elements(data, "object");
             if (objects.isEmpty()) {
                 const int from = position(rng, data);
                 data.insert(from, data.mid(from, int(rng.bounded(64))));
                 return;
             }
             const auto object = oneOf(rng, objects);
             const QByteArray copy = data.mid(object.first, object.second - object.first);
             // Sometimes thousands of times: the size bound must hold.
             const int copies = rng.bounded(8) == 0 ? 1000 + int(rng.bounded(50000)) : 1 + int(rng.bounded(3));
             data.insert(object.second, copy.repeated(std::min(copies, MaxInputSize / int(copy.size()) + 1)));
         }},
        {"shuffled elements",
         [](QByteArray &data, Rng &rng, const QVector<QByteArray> &) {
             const auto objects = elements(data, "object");
             if (objects.size() < 2) {
                 // Two byte ranges change places.
                 const int a = position(rng, data), b = position(rng, data);
                 const int from = std::min(a, b), to = std::max(a, b);
                 const int middle = from + (to - from) / 2;
                 data = data.left(from) + data.mid(middle, to - middle) + data.mid(from, middle - from) + data.mid(to);
                 return;
             }
             QVector<QByteArray> parts;
             for (const auto &object : objects)
                 parts.append(data.mid(object.first, object.second - object.first));
             std::shuffle(parts.begin(), parts.end(), rng);
             QByteArray shuffled = data.left(objects.first().first);
             for (const QByteArray &part : parts)
                 shuffled += part;
             data = shuffled + data.mid(objects.last().second);
         }},
        {"huge attributes",
         [](QByteArray &data, Rng &rng, const QVector<QByteArray> &) {
             const int at = inStartTag(rng, data);
             if (rng.bounded(2) == 0) {
                 const int length = oneOf(rng, QVector<int>{100, 5000, 65536, 70000, 1 << 20, 9 << 20});
                 const QByteArray name = rng.bounded(2) == 0 ? "name" : "extra";
                 data.insert(at, ' ' + name + "=\"" + QByteArray(length, 'x') + '"');
             } else {
                 QByteArray attributes;
                 for (int i = 0, count = 1 + int(rng.bounded(40)); i < count; ++i)
                     attributes += " a" + QByteArray::number(i) + "=\"v\"";
                 data.insert(at, attributes);
             }
         }},
        {"deep nesting",
         [](QByteArray &data, Rng &rng, const QVector<QByteArray> &) {
             const int depth = oneOf(rng, QVector<int>{10, 1000, 100000, 1000000});
             QByteArray nested = QByteArray("<d>").repeated(depth);
             if (rng.bounded(2) == 0)
                 nested += QByteArray("</d>").repeated(depth);
             const auto objects = elements(data, "object");
             const int at = objects.isEmpty() || rng.bounded(3) == 0 ? position(rng, data)
                                                                      : oneOf(rng, objects).second;
             data.insert(at, nested);
         }},
        {"entity declarations",
         [](QByteArray &data, Rng &rng, const QVector<QByteArray> &) {
             QByteArray doctype;
             QByteArray reference;
             switch (rng.bounded(5)) {
             case 0: // a billion laughs
                 doctype = entityBomb(9);
                 reference = "&e9;";
                 break;
             case 1:
                 doctype = entityBomb(int(rng.bounded(5)));
                 reference = "&e" + QByteArray::number(int(rng.bounded(5))) + ';';
                 break;
             case 2:
                 doctype = "<!DOCTYPE neb_settings_array [<!ENTITY ext SYSTEM \"file:///etc/passwd\">]>";
                 reference = "&ext;";
                 break;
             case 3:
                 doctype = "<!DOCTYPE neb_settings_array [<!ENTITY % p \"<!ENTITY q 'x'>\"> %p;]>";
                 reference = "&q;";
                 break;
             default:
                 reference = "&undeclared;";
                 break;
             }
             if (!doctype.isEmpty())
                 data = afterDeclaration(data, doctype);
             const auto objects = elements(data, "object");
             if (objects.isEmpty()) {
                 data.insert(position(rng, data), reference);
                 return;
             }
             // Into the text of an object, or into its name.
             const auto object = oneOf(rng, objects);
             const int text = data.indexOf('>', object.first);
             const int name = data.indexOf("name=\"", object.first);
             data.insert(rng.bounded(2) == 0 || name < 0 || name > text ? text + 1 : name + 6, reference);
         }},
        {"invalid UTF-8",
         [](QByteArray &data, Rng &rng, const QVector<QByteArray> &) {
             static const QVector<QByteArray> sequences{"\xC3\x28", "\xFF", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                                        "\xE2\x82", "\x80", "\xF8\x88\x80\x80\x80", "\xEF\xBF\xBE"};
             data.insert(position(rng, data), oneOf(rng, sequences));
         }},
        {"byte-order marks",
         [](QByteArray &data, Rng &rng, const QVector<QByteArray> &) {
             static const QVector<QByteArray> marks{QByteArray("\xEF\xBB\xBF"), QByteArray("\xFF\xFE", 2),
                                                    QByteArray("\xFE\xFF", 2), QByteArray("\x00\x00\xFE\xFF", 4),
                                                    QByteArray("\xFF\xFE\x00\x00", 4)};
             switch (rng.bounded(3)) {
             case 0:
                 data.prepend(oneOf(rng, marks));
                 break;
             case 1:
                 data.insert(position(rng, data), oneOf(rng, marks));
                 break;
             default: { // the whole document in another encoding, with or without its mark
                 const char *name = oneOf(rng, QVector<const char *>{"UTF-16LE", "UTF-16BE", "UTF-32LE", "UTF-16"});
                 QTextCodec *codec = QTextCodec::codecForName(name);
                 data = codec->fromUnicode(QString::fromUtf8(data));
                 break;
             }
             }
         }},
        {"NULs",
         [](QByteArray &data, Rng &rng, const QVector<QByteArray> &) {
             for (int i = 0, count = 1 + int(rng.bounded(4)); i < count; ++i) {
                 const int at = position(rng, data);
                 if (rng.bounded(2) == 0 && at < data.size())
                     data[at] = '\0';
                 else
                     data.insert(at, rng.bounded(3) == 0 ? QByteArray("&#0;") : QByteArray(1, '\0'));
             }
         }},
        {"character references",
         [](QByteArray &data, Rng &rng, const QVector<QByteArray> &) {
             static const QVector<QByteArray> references{"&#1;",     "&#xD800;", "&#xDFFF;",    "&#xFFFE;", "&#x10FFFF;",
                                                         "&#13;",    "&#x110000;", "&#99999999999;", "&#x;",    "&lt;",
                                                         "&#x1F600;"};
             data.insert(position(rng, data), oneOf(rng, references));
         }},
        {"declared encodings",
         [](QByteArray &data, Rng &rng, const QVector<QByteArray> &) {
             static const QVector<QByteArray> encodings{"UTF-16", "ISO-8859-1", "KOI8-R", "bogus", "UTF-32", ""};
             const QByteArray declared = "encoding=\"UTF-8\"";
             const int at = data.indexOf(declared);
             if (at >= 0)
                 data.replace(at, declared.size(), "encoding=\"" + oneOf(rng, encodings) + '"');
             else
                 data.prepend("<?xml version=\"1.0\" encoding=\"" + oneOf(rng, encodings) + "\"?>");
         }},
        {"spliced files",
         [](QByteArray &data, Rng &rng, const QVector<QByteArray> &seeds) {
             const QByteArray &other = oneOf(rng, seeds);
             data = data.left(position(rng, data)) + other.mid(position(rng, other));
         }},
    };
    return all;
}

QString readDevices(const QByteArray &data, QVector<SettingsFile::Device> *devices)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return SettingsFile::read(&buffer, [devices](const SettingsFile::Device &device) {
        devices->append(device);
        return QString();
    });
}

void writeBytes(const QString &fileName, const QByteArray &data)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(fileName));
}

void cleanSettingsDirectory()
{
    QDir(settingsDirectory()).removeRecursively();
    QDir().mkpath(settingsDirectory());
}

// Files the bench writes itself: a first start, and lists of terminals with
// every protocol and names holding markup, line breaks and Cyrillic.
QVector<QByteArray> benchWrittenSeeds()
{
    QVector<QByteArray> seeds;
    const auto keepFiles = [&seeds] {
        seeds.append(readFile(paycardFile()));
        seeds.append(readFile(fptrFile()));
    };
    cleanSettingsDirectory();
    startAndClose();
    keepFiles();
    const QStringList names{QStringLiteral("Касса 1"), QStringLiteral("<a & \"b\">"), QStringLiteral("строка\r\nперенос\t"),
                            QString(), QStringLiteral("\U0001F600")};
    for (int count : {3, 12}) {
        QVector<SettingsFile::Device> devices;
        for (int i = 0; i < count; ++i)
            devices.append({names[i % names.size()], terminalSettings(QString::number(i % 4))});
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        SettingsFile::write(&buffer, devices);
        cleanSettingsDirectory();
        writeBytes(paycardFile(), buffer.data());
        startAndClose();
        keepFiles();
    }
    return seeds;
}

struct Figures
{
    qint64 inputs = 0;
    qint64 accepted = 0;
    QVector<qint64> applied = QVector<qint64>(mutations().size());
    int windowRuns = 0;
    int windowRefused = 0;
    qint64 slowestReadMs = 0;
    qint64 slowestWindowMs = 0;
};

QByteArray makeInput(quint64 seed, qint64 number, const QVector<QByteArray> &seeds, Figures *figures)
{
    const quint32 key[] = {quint32(seed), quint32(seed >> 32), quint32(number), quint32(quint64(number) >> 32)};
    Rng rng(key, 4);
    QByteArray data = oneOf(rng, seeds);
    for (int i = 0, count = 1 + int(rng.bounded(3)); i < count; ++i) {
        const int kind = int(rng.bounded(quint32(mutations().size())));
        mutations()[kind].apply(data, rng, seeds);
        // Mutations on mutations grow without end; the loader reads no more
        // than its bound and one byte, so a little past it is as good.
        if (data.size() > MaxInputSize)
            data.truncate(MaxInputSize);
        if (figures)
            ++figures->applied[kind];
    }
    return data;
}

// The real load path: the file as the user's, the window opened and closed.
// Returns what went wrong, or an empty string.
QString checkThroughWindow(const QByteArray &data, bool terminalFile, const QString &loaderError, Figures *figures)
{
    const QString fileName = terminalFile ? paycardFile() : fptrFile();
    cleanSettingsDirectory();
    writeBytes(fileName, data);
    const QStringList texts = startAndClose();
    ++figures->windowRuns;
    const QString warningStart = LoadWarning.section(QStringLiteral("%1"), 0, 0);
    const QStringList copies = filesBeside(fileName);
    if (texts.isEmpty()) {
        if (!loaderError.isEmpty())
            return QStringLiteral("refused by the loader (%1) but loaded without a warning").arg(loaderError);
        if (!copies.isEmpty())
            return QStringLiteral("loaded, yet kept aside");
        QVector<SettingsFile::Device> devices;
        const QString error = readDevices(readFile(fileName), &devices);
        if (!error.isEmpty())
            return QStringLiteral("loaded, but saved again as a file that does not load: ") + error;
        return QString();
    }
    // A file the loader takes is still kept aside, with a warning of its
    // own, when elements were passed over or registers do not pair with the
    // terminals.
    const bool keptAccepted = loaderError.isEmpty() && texts.size() == 1 && !texts[0].startsWith(warningStart);
    if (!keptAccepted && (texts.size() != 1 || !texts[0].startsWith(warningStart)))
        return QStringLiteral("unexpected messages: ") + texts.join(QStringLiteral(" | "));
    if (!keptAccepted)
        ++figures->windowRefused;
    if (copies.size() != 1)
        return QStringLiteral("refused or kept, and %1 copies kept aside").arg(copies.size());
    if (readFile(settingsDirectory() + copies[0]) != data)
        return QStringLiteral("refused, and the copy kept aside differs from the file");
    return QString();
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir configHome;
    if (!useOwnConfiguration(configHome))
        return 1;
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Settings-file fuzzing through the bench's loader."));
    parser.addHelpOption();
    const QCommandLineOption inputsOption(QStringLiteral("inputs"), QStringLiteral("Inputs to try."), QStringLiteral("n"),
                                          QStringLiteral("100000"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed of the inputs."), QStringLiteral("s"),
                                        QStringLiteral("1"));
    const QCommandLineOption onlyOption(QStringLiteral("only"), QStringLiteral("Try this one input."), QStringLiteral("n"));
    const QCommandLineOption everyOption(QStringLiteral("window-every"),
                                         QStringLiteral("Load every Nth input through the real window."),
                                         QStringLiteral("n"), QStringLiteral("500"));
    const QCommandLineOption timeOption(QStringLiteral("time-limit"), QStringLiteral("Seconds one input may take."),
                                        QStringLiteral("s"), QStringLiteral("10"));
    const QCommandLineOption memoryOption(QStringLiteral("memory-limit"),
                                          QStringLiteral("Peak resident memory allowed, in MiB."), QStringLiteral("mib"),
                                          QStringLiteral("2048"));
    const QCommandLineOption saveOption(QStringLiteral("save"), QStringLiteral("Write the --only input to this file."),
                                        QStringLiteral("file"));
    parser.addOptions({inputsOption, seedOption, onlyOption, everyOption, timeOption, memoryOption, saveOption});
    parser.process(app);

    const qint64 inputs = parser.value(inputsOption).toLongLong();
    currentSeed = parser.value(seedOption).toULongLong();
    const qint64 windowEvery = std::max(1LL, parser.value(everyOption).toLongLong());
    const unsigned timeLimit = parser.value(timeOption).toUInt();
    const qint64 memoryLimit = parser.value(memoryOption).toLongLong();
    const bool only = parser.isSet(onlyOption);
    const qint64 first = only ? parser.value(onlyOption).toLongLong() : 0;
    const qint64 last = only ? first + 1 : inputs;

#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_set_death_callback(reportCurrentInput);
#endif
    std::signal(SIGALRM, onTimeout);

    const QVector<QByteArray> seeds = benchWrittenSeeds();
    for (const QByteArray &seed : seeds) {
        QVector<SettingsFile::Device> devices;
        if (!readDevices(seed, &devices).isEmpty()) {
            std::fprintf(stderr, "a file the bench wrote does not load:\n%s\n", seed.constData());
            return 1;
        }
    }

    Figures figures;
    QElapsedTimer total;
    total.start();
    for (qint64 number = first; number < last; ++number) {
        currentInput = number;
        const QByteArray data = makeInput(currentSeed, number, seeds, &figures);
        if (only && parser.isSet(saveOption))
            writeBytes(parser.value(saveOption), data);

        QElapsedTimer timer;
        timer.start();
        alarm(timeLimit);
        QVector<SettingsFile::Device> devices;
        const QString error = readDevices(data, &devices);
        QString failure;
        if (error.isEmpty()) {
            ++figures.accepted;
            // What the loader accepts, the next save must write and the
            // load after it read back unchanged.
            QBuffer written;
            written.open(QIODevice::WriteOnly);
            QVector<SettingsFile::Device> again;
            if (!SettingsFile::write(&written, devices))
                failure = QStringLiteral("accepted, but cannot be written again");
            else if (!readDevices(written.data(), &again).isEmpty())
                failure = QStringLiteral("accepted, but written again as a file that does not load");
            else if (again.size() != devices.size()
                     || !std::equal(again.begin(), again.end(), devices.begin(), [](const auto &a, const auto &b) {
                            return a.name == b.name && a.settings == b.settings;
                        }))
                failure = QStringLiteral("accepted, but reads back different after a save");
        }
        figures.slowestReadMs = std::max(figures.slowestReadMs, timer.elapsed());
        if (failure.isEmpty() && (only || number % windowEvery == 0)) {
            timer.restart();
            failure = checkThroughWindow(data, (number / windowEvery) % 2 == 0, error, &figures);
            figures.slowestWindowMs = std::max(figures.slowestWindowMs, timer.elapsed());
        }
        alarm(0);
        ++figures.inputs;

        if (!failure.isEmpty()) {
            reportCurrentInput();
            std::fprintf(stderr, "settingsfuzz: %s\n", qPrintable(failure));
            return 1;
        }
        if (peakMemoryMiB() > memoryLimit) {
            reportCurrentInput();
            std::fprintf(stderr, "settingsfuzz: peak memory %lld MiB over the limit\n",
                         static_cast<long long>(peakMemoryMiB()));
            return 1;
        }
        if (!only && (number + 1) % 10000 == 0)
            std::fprintf(stderr, "%lld inputs...\n", static_cast<long long>(number + 1));
    }

    std::printf("Settings-file fuzzing (seed %llu): %lld inputs from %d files the bench wrote, %lld accepted, %lld "
                "refused\n",
                static_cast<unsigned long long>(currentSeed), static_cast<long long>(figures.inputs), int(seeds.size()),
                static_cast<long long>(figures.accepted), static_cast<long long>(figures.inputs - figures.accepted));
    std::printf("Mutations applied:");
    for (int i = 0; i < mutations().size(); ++i)
        std::printf("%s %s %lld", i ? "," : "", mutations()[i].name, static_cast<long long>(figures.applied[i]));
    std::printf("\nThrough the window (every %lldth input): %d files, %d refused with the load warning and kept on "
                "disk byte for byte, %d loaded and saved again in a form that loads\n",
                static_cast<long long>(windowEvery), figures.windowRuns, figures.windowRefused,
                figures.windowRuns - figures.windowRefused);
    std::printf("Slowest input: %lld ms in the loader, %lld ms through the window (limit %u s); peak memory: %lld "
                "MiB (limit %lld MiB); total time: %lld s\n",
                static_cast<long long>(figures.slowestReadMs), static_cast<long long>(figures.slowestWindowMs),
                timeLimit, static_cast<long long>(peakMemoryMiB()), memoryLimit,
                static_cast<long long>(total.elapsed() / 1000));
    return 0;
}
