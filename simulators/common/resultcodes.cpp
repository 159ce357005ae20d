#include "resultcodes.h"

#include <QHash>

namespace SimResult {

QString text(int code)
{
    // One table, so that the README, the dialogs and the results can never
    // disagree about what a code means.
    static const QHash<int, QString> texts = {
        {Ok, QStringLiteral("Ошибок нет")},
        {NullArgument, QStringLiteral("Не задан обязательный аргумент")},
        {InvalidArgument, QStringLiteral("Недопустимое значение аргумента")},
        {DeviceDisabled, QStringLiteral("Устройство выключено")},
        {UnknownParameter, QStringLiteral("Неизвестный параметр")},
        {InvalidParameterValue, QStringLiteral("Недопустимое значение параметра")},
        {InvalidSettings, QStringLiteral("Неверная строка настроек")},
        {FileError, QStringLiteral("Ошибка записи файла")},
        {TextTooLong, QStringLiteral("Слишком длинная строка")},
        {NoGui, QStringLiteral("Диалог недоступен: приложение без графического интерфейса")},
        {PaperEnd, QStringLiteral("Нет бумаги")},
        {CoverOpen, QStringLiteral("Открыта крышка принтера")},
        {PrinterError, QStringLiteral("Ошибка принтера")},
        {LineTooLong, QStringLiteral("Строка не помещается в ширину бумаги")},
        {WrongSequence, QStringLiteral("Нарушен порядок печати документа")},
        {PortNotInitialised, QStringLiteral("Порт не инициализирован")},
        {ModemFailure, QStringLiteral("Модем не отвечает")},
        {NoModem, QStringLiteral("У устройства нет модема")},
    };
    return texts.value(code);
}

} // namespace SimResult
