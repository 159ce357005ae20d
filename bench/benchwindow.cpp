// The bench as its users start it, with whatever devices the settings
// directory holds, shown and quit on its first paint. The same steps as the
// program's main; only the quit differs.

#include "firstpaint.h"
#include "paycardmainwindow.h"
#include "startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installTranslation();
    PayCardMainWindow window;
    QuitOnFirstPaint quit(&window);
    window.show();
    app.exec();
    return 0;
}
