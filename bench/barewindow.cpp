// Start-up floor of the toolkit: an empty main window, shown and quit on its
// first paint.

#include "firstpaint.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    QuitOnFirstPaint quit(&window);
    window.show();
    app.exec();
    return 0;
}
