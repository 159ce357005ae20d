// Start-up plus shut-down of the window with many saved terminal devices.
//
// For each device count the settings files are prepared once (one untimed
// run leaves both files as the bench itself writes them), then the window is
// built and destroyed several times and the fastest run is kept. The time per
// device is the growth over the one-device run divided by the added devices;
// the ratio of the per-device figures of the two large counts is about 1 when
// start-up grows linearly.

#include "paycardmainwindow.h"
#include "startup.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

const QString PaycardFile = QStringLiteral("paycard.cfg");
const QString FptrFile = QStringLiteral("paycard_fptr.cfg");

QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &name, const QByteArray &data)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// A paycard.cfg of `count` copies of the one object the bench saved.
QByteArray paycardFileWith(const QByteArray &saved, int count)
{
    const int start = saved.indexOf("<object");
    const int end = saved.indexOf("</object>") + int(sizeof("</object>")) - 1;
    const QByteArray object = saved.mid(start, end - start);
    QByteArray file = saved.left(start);
    file.reserve(file.size() + object.size() * count + 32);
    for (int i = 0; i < count; ++i)
        file += object;
    file += saved.mid(end);
    return file;
}

double runOnce()
{
    QElapsedTimer timer;
    timer.start();
    {
        PayCardMainWindow window;
    }
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    QApplication app(argc, argv);

    const QStringList arguments = app.arguments().mid(1);
    QList<int> counts{1, 1000, 4000};
    int repeats = 3;
    if (!arguments.isEmpty())
        repeats = std::max(1, arguments.first().toInt());

    const QString directory = settingsDirectory();
    runOnce(); // no files yet: the window makes its default device and saves it
    const QByteArray saved = readFile(directory + PaycardFile);
    if (!saved.contains("<object")) {
        std::fprintf(stderr, "the bench saved no device; are the simulated drivers beside the program?\n");
        return 1;
    }

    QList<double> seconds;
    for (int count : counts) {
        QFile::remove(directory + FptrFile);
        if (!writeFile(directory + PaycardFile, paycardFileWith(saved, count)))
            return 1;
        runOnce(); // settles both files in the form the bench writes them
        double best = 1e9;
        for (int i = 0; i < repeats; ++i)
            best = std::min(best, runOnce());
        const int loaded = QString::fromUtf8(readFile(directory + PaycardFile)).count(QStringLiteral("<object"));
        if (loaded != count) {
            std::fprintf(stderr, "expected %d saved devices, found %d\n", count, loaded);
            return 1;
        }
        seconds.append(best);
        std::printf("%5d devices: %8.3f s start-up plus shut-down (best of %d)\n", count, best, repeats);
    }

    const double perDeviceSmall = (seconds[1] - seconds[0]) / (counts[1] - counts[0]);
    const double perDeviceLarge = (seconds[2] - seconds[0]) / (counts[2] - counts[0]);
    std::printf("per device, %d devices: %.3f ms\n", counts[1], perDeviceSmall * 1e3);
    std::printf("per device, %d devices: %.3f ms\n", counts[2], perDeviceLarge * 1e3);
    std::printf("ratio %d/%d per-device time: %.2f (about 1 means linear growth)\n", counts[2], counts[1],
                perDeviceLarge / perDeviceSmall);
    return 0;
}
