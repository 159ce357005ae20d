#include "portstatus.h"

#include <QCoreApplication>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("PayCardMainWindow", text);
}

QString orQuestionMark(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("?") : text;
}

QString bufferLines(int inputBufferSize, int outputBufferSize)
{
    return tr("Входной буффер - %1 б\n").arg(inputBufferSize)
           + tr("Выходной буффер - %1 б").arg(outputBufferSize);
}

} // namespace

QString portModeName(int mode)
{
    switch (mode) {
    case 1:
        return tr("синхронно");
    case 2:
        return tr("асинхронно");
    default:
        return tr("выключено");
    }
}

QString modemStateName(int state)
{
    switch (state) {
    case 0:
        return tr("выключен");
    case 1:
        return tr("инициализируется");
    case 2:
        return tr("инициализирован");
    case 3:
        return tr("соединяется");
    case 4:
        return tr("подключен");
    case 5:
        return tr("отключается");
    case 7:
        return tr("инициализирован (GPRS-соединение)");
    case 8:
        return tr("отключается от хоста");
    default:
        // 6 has never had a name.
        return QString();
    }
}

QString modemStatusText(const ModemStatus &status)
{
    const QString signal = status.signalLevel == 0 ? QStringLiteral("?") : QString::number(status.signalLevel);
    return tr("Модем %1\n").arg(modemStateName(status.state))
           + tr("Мощность сигнала %1 dBm\n").arg(signal)
           + tr("Оператор - %1\n").arg(orQuestionMark(status.operatorName))
           + tr("Последняя ошибка - \n%1\n").arg(orQuestionMark(status.lastError))
           + bufferLines(status.inputBufferSize, status.outputBufferSize);
}

QString pinpadStatusText(int inputBufferSize, int outputBufferSize)
{
    return bufferLines(inputBufferSize, outputBufferSize);
}
