#include "stylesheet.h"

#include <QFile>
#include <QWidget>

void applyBenchStyleSheet(QWidget *window)
{
    QFile file(QStringLiteral(":/qss/paycard_t.qss"));
    file.open(QIODevice::ReadOnly);
    window->setStyleSheet(QString::fromUtf8(file.readAll()));
}
