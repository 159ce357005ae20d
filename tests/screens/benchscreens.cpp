// Shows the window, beside the simulated drivers, after one scene played
// through its buttons, and keeps it open for a screenshot:
//
//     benchscreens authorization   an approved payment, result tab
//     benchscreens report          a report begun, two items, finished
//
// It runs with a configuration directory of its own, so it neither reads nor
// changes the user's devices.
#include "paycardmainwindow.h"
#include "settingsfolder.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace {

void click(const PayCardMainWindow &window, const char *button)
{
    if (auto *found = window.findChild<QPushButton *>(QLatin1String(button)))
        found->click();
    else
        std::fprintf(stderr, "no button %s\n", button);
}

} // namespace

int main(int argc, char *argv[])
{
    const QString config = QDir::temp().filePath(QStringLiteral("paycard-bench-screens"));
    QDir(config).removeRecursively();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    useSettingsDirectory(config + QStringLiteral("/ORVA/vanter9"));

    QApplication app(argc, argv);
    const QString scene = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("authorization");
    PayCardMainWindow window;
    window.show();

    QTimer::singleShot(0, &window, [&window, scene] {
        if (scene == QLatin1String("authorization")) {
            click(window, "pbtnFillAuthorizationFields");
            click(window, "pbtnAuthorization");
        } else if (scene == QLatin1String("report")) {
            click(window, "pbtnSectionReports");
            click(window, "pbtnReportFillFields");
            click(window, "pbtnReportBegin");
            click(window, "pbtnReportAdd");
            click(window, "pbtnReportAdd");
            click(window, "pbtnReportEnd");
        } else {
            std::fprintf(stderr, "unknown scene %s\n", qPrintable(scene));
        }
    });
    return app.exec();
}
