// Start-up floor of this window: the bench's own form with its style sheet
// and the toolkit translation, and nothing else: no devices, no driver
// libraries, no settings files, no code lists. Shown on the page the bench
// opens on and quit on its first paint.

#include "firstpaint.h"
#include "startup.h"
#include "stylesheet.h"
#include "ui_paycardmainwindow.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installTranslation();
    QMainWindow window;
    Ui::PayCardMainWindow ui;
    ui.setupUi(&window);
    applyBenchStyleSheet(&window);
    // The page the bench opens on, so that both paint the same widgets.
    ui.stackedWidgetMain->setCurrentIndex(1);
    window.adjustSize();
    QuitOnFirstPaint quit(&window);
    window.show();
    app.exec();
    return 0;
}
