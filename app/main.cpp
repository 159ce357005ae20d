#include "paycardmainwindow.h"
#include "startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installTranslation();
    PayCardMainWindow window;
    window.show();
    app.exec();
    return 0;
}
