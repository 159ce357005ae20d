#include "operationtexts.h"

#include "dialogs.h"
#include "exception.h"

#include <QCoreApplication>
#include <QVector>

namespace OperationText {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("PayCardMainWindow", text);
}

QString lineFormat(ResponseField field)
{
    switch (field) {
    case ResponseField::AuthorizationCode:
        return tr("Код авторизации: %1\n");
    case ResponseField::TransactionId:
        return tr("Идентификатор транзакции: %1\n");
    case ResponseField::TransactionDate:
        return tr("Дата транзакции: %1\n");
    case ResponseField::TransactionTime:
        return tr("Время транзакции: %1\n");
    case ResponseField::TerminalId:
        return tr("Идентификатор терминала: %1\n");
    case ResponseField::ReferenceNumber:
        return tr("Ссылочный номер: %1\n");
    case ResponseField::CardNumber:
        return tr("Номер карты: %1\n");
    case ResponseField::CardType:
        return tr("Тип карты: %1\n");
    case ResponseField::CardExpiryDate:
        return tr("Срок действия карты: %1\n");
    case ResponseField::PointCode:
        return tr("Код точки: %1\n");
    case ResponseField::Commission:
        return tr("Комиссия: %1\n");
    case ResponseField::OperatorName:
        return tr("Имя оператора: %1\n");
    case ResponseField::SlipNumber:
        return tr("Номер слипа: %1\n");
    case ResponseField::AmountId:
        return tr("Идентификатор суммы: %1\n");
    case ResponseField::CommissionId:
        return tr("Идентификатор комиссии: %1\n");
    }
    return QString();
}

// A driver may hand over megabytes for any field; fifteen of them would make
// a result text the view could not lay out, so each is cut where shown.
QString valueText(const QVariant &value)
{
    if (value.userType() == QMetaType::Double)
        return QString::number(value.toDouble(), 'f', 2);
    return readableText(value.toString());
}

struct ProtocolGroup
{
    QVector<int> protocols;
    QVector<ResponseField> fields;
};

using F = ResponseField;

// Which response fields each terminal protocol defines, in the order the
// result shows them. A protocol missing here is not supported.
const QVector<ProtocolGroup> protocolGroups = {
    {{0, 8, 12},
     {F::AuthorizationCode, F::TransactionId, F::TransactionDate, F::TransactionTime, F::TerminalId,
      F::ReferenceNumber, F::CardNumber, F::CardType}},
    {{2},
     {F::AuthorizationCode, F::TransactionId, F::TransactionDate, F::TransactionTime, F::PointCode,
      F::Commission, F::OperatorName, F::SlipNumber, F::ReferenceNumber, F::AmountId, F::CommissionId}},
    {{4, 10, 11},
     {F::AuthorizationCode, F::TransactionId, F::TransactionDate, F::TransactionTime, F::CardNumber,
      F::CardType, F::ReferenceNumber}},
    {{6, 9, 13},
     {F::AuthorizationCode, F::TerminalId, F::TransactionDate, F::TransactionTime, F::ReferenceNumber,
      F::CardNumber, F::CardType, F::CardExpiryDate}},
    {{7},
     {F::AuthorizationCode, F::TerminalId, F::TransactionDate, F::TransactionTime, F::SlipNumber,
      F::ReferenceNumber, F::CardNumber, F::CardType, F::CardExpiryDate}},
};

const ProtocolGroup *groupOf(int protocol)
{
    for (const ProtocolGroup &group : protocolGroups) {
        for (int member : group.protocols) {
            if (member == protocol)
                return &group;
        }
    }
    return nullptr;
}

} // namespace

QString responseCodeText(int responseCode)
{
    return tr("Код ответа: %1\n").arg(responseCode);
}

QString authorizationResultText(int responseCode, int protocol, const FieldReader &read)
{
    const ProtocolGroup *group = groupOf(protocol);
    if (!group)
        throw Exception(tr("Протокол не поддерживается"));
    QString text = responseCodeText(responseCode);
    for (ResponseField field : group->fields)
        text += lineFormat(field).arg(valueText(read(field)));
    return text;
}

bool hasResponseFields(int resultCode)
{
    return !((resultCode >= -10052 && resultCode <= -10050) || resultCode == 10053);
}

QString slipViewText(const QString &slip, int width)
{
    // Widened first: the absolute value of the smallest int does not fit one.
    const qint64 lineLength = qAbs(qint64(width));
    if (lineLength == 0 || lineLength >= slip.size())
        return slip;
    // Whole lines at a time: a slip of megabytes must not cost a division
    // and an append per character.
    QString text;
    text.reserve(int(slip.size() + slip.size() / lineLength));
    for (qint64 start = 0; start < slip.size(); start += lineLength) {
        if (start > 0)
            text += QLatin1Char('\n');
        text.append(slip.constData() + start, int(qMin(lineLength, slip.size() - start)));
    }
    return text;
}

QString gatheredParagraphs(const QString &text, int linesPerParagraph)
{
    if (linesPerParagraph <= 1)
        return text;
    QString gathered = text;
    int line = 0;
    for (QChar &c : gathered) {
        if (c == QLatin1Char('\n') && ++line % linesPerParagraph != 0)
            c = QChar::LineSeparator;
    }
    return gathered;
}

bool laysOutUnshaped(const QString &text)
{
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u < 0x20) {
            // Other controls the shaper and the plain glyph lookup may treat
            // differently.
            if (u != '\t' && u != '\n' && u != '\r')
                return false;
            continue;
        }
        // Left out: controls, the soft hyphen, combining diacritics
        // U+0300..036F, Cyrillic combining marks U+0483..0489, format
        // characters U+2029..202E and U+2060..206F (U+2028 separates the
        // lines of a paragraph), combining marks for symbols U+20D0..20FF.
        const bool plain = (u < 0x0300 && (u < 0x7f || u >= 0xa0) && u != 0x00ad)
            || (u >= 0x0370 && u < 0x0530 && (u < 0x0483 || u > 0x0489))
            || (u >= 0x2010 && u < 0x2600 && (u <= 0x2028 || u > 0x202e) && (u < 0x2060 || u > 0x206f)
                && (u < 0x20d0 || u > 0x20ff));
        if (!plain)
            return false;
    }
    return true;
}

} // namespace OperationText
