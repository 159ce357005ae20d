#include "paycardcodes.h"

namespace SimPayCard {
namespace ResultCode {

QString description(int code)
{
    switch (code) {
    case Ok: return QStringLiteral("Ошибок нет");
    case InvalidInput: return QStringLiteral("Неверное значение входного параметра");
    case NoPendingAuthorization:
        return QStringLiteral("Нет выполненной авторизации для завершения");
    case ReferenceNotFound:
        return QStringLiteral("Операция с таким ссылочным номером не найдена");
    case AlreadyCancelled: return QStringLiteral("Операция уже отменена");
    case ReferenceWrongOperation:
        return QStringLiteral("Операцию с этим ссылочным номером нельзя отменить или вернуть этой операцией");
    case CancelOutsideShift:
        return QStringLiteral("Отмена возможна только в текущей смене");
    case RefundExceedsAmount:
        return QStringLiteral("Сумма превышает остаток исходной операции");
    case Declined: return QStringLiteral("Операция отклонена");
    case OperatorFailure: return QStringLiteral("Сбой, заданный в настройках имитатора");
    case ReportAlreadyOpen: return QStringLiteral("Отчет уже начат");
    case ReportNotOpen: return QStringLiteral("Отчет не начат");
    case SlipNotFound: return QStringLiteral("Слип с таким номером не найден");
    case ReportTerminalMismatch:
        return QStringLiteral("Идентификатор терминала отчета не совпадает с идентификатором терминала");
    case PinpadPortNotSet: return QStringLiteral("Не задан порт пинпада ККТ");
    case ModemPortNotSet: return QStringLiteral("Не задан порт модема ККТ");
    case PortUnknown: return QStringLiteral("Порт ККТ не найден");
    case PortWrongKind: return QStringLiteral("Дескриптор указывает на порт ККТ другого типа");
    case PortNotInitialised: return QStringLiteral("Порт ККТ не инициализирован");
    case PortNotPowered: return QStringLiteral("Питание порта ККТ выключено");
    case ModemNoAnswer: return QStringLiteral("Модем ККТ не отвечает");
    case ModemConnectionError: return QStringLiteral("Модем ККТ не может соединиться с хостом");
    case PinpadNoAnswer: return QStringLiteral("Пинпад не отвечает");
    case CancelledOnPinpad: return QStringLiteral("Операция отменена на пинпаде");
    case HostTimeout: return QStringLiteral("Превышено время ожидания ответа хоста");
    case HostUnreachable: return QStringLiteral("Нет связи с хостом");
    default: return QString();
    }
}

bool isNoAnswer(int code)
{
    return (code >= HostTimeout && code <= PinpadNoAnswer) || code == HostUnreachable;
}

} // namespace ResultCode
} // namespace SimPayCard
