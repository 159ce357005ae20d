#include "commandline.h"
#include "startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    CommandLine::prepare(argc, argv);
    QApplication app(argc, argv);
    installTranslation();
    return CommandLine::run(app.arguments());
}
