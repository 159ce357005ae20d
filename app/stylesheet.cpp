#include "stylesheet.h"

#include <QFile>
#include <QWidget>

void applyBenchStyleSheet(QWidget *window)
{
    // On the window itself, so its dialogs are drawn through the sheet too.
    QFile file(QStringLiteral(":/qss/paycard_t.qss"));
    file.open(QIODevice::ReadOnly);
    window->setStyleSheet(QString::fromUtf8(file.readAll()));
}
