#include "journal.h"

#include "paycardcodes.h"
#include "slip.h"

namespace SimPayCard {

namespace Operation {

QString name(int type)
{
    switch (type) {
    case Payment: return QStringLiteral("Оплата");
    case Refund: return QStringLiteral("Возврат");
    case CancelPayment: return QStringLiteral("Отмена оплаты");
    case CancelRefund: return QStringLiteral("Отмена возврата");
    case ActivationWithoutSum: return QStringLiteral("Активация без суммы");
    case ActivationWithSum: return QStringLiteral("Активация с суммой");
    case BonusDiscount: return QStringLiteral("Бонусы и скидка");
    case Prepayment: return QStringLiteral("Внесение предоплаты");
    case BalanceInquiry: return QStringLiteral("Просмотр баланса");
    case ServicePayment: return QStringLiteral("Оплата услуг");
    default: return QStringLiteral("Операция %1").arg(type);
    }
}

bool needsSum(int type)
{
    return type == Payment || type == Refund || type == ActivationWithSum
        || type == BonusDiscount || type == Prepayment || type == ServicePayment;
}

bool ignoresSum(int type)
{
    return type == ActivationWithoutSum || type == BalanceInquiry;
}

bool needsReference(int type)
{
    return type == Refund || type == CancelPayment || type == CancelRefund;
}

bool isDebit(int type)
{
    return type == Payment || type == ActivationWithSum || type == BonusDiscount
        || type == Prepayment || type == ServicePayment;
}

} // namespace Operation

const Transaction *Journal::find(const QString &referenceNumber) const
{
    for (const Transaction &transaction : transactions) {
        if (transaction.referenceNumber == referenceNumber)
            return &transaction;
    }
    return nullptr;
}

ReferenceCheck Journal::checkReference(int operationType, const QString &referenceNumber,
                                       qint64 kopecks) const
{
    ReferenceCheck check;
    if (!Operation::needsReference(operationType))
        return check;
    const Transaction *original = find(referenceNumber);
    if (!original) {
        check.resultCode = ResultCode::ReferenceNotFound;
        check.message = QStringLiteral("«%1»").arg(referenceNumber.left(40));
        return check;
    }
    const bool fitting = operationType == Operation::CancelRefund
        ? original->operationType == Operation::Refund
        : Operation::isDebit(original->operationType);
    if (!fitting) {
        check.resultCode = ResultCode::ReferenceWrongOperation;
        check.message = QStringLiteral("«%1» к операции «%2» (%3)")
                            .arg(Operation::name(operationType),
                                 Operation::name(original->operationType), referenceNumber);
        return check;
    }
    if (original->cancelled) {
        check.resultCode = ResultCode::AlreadyCancelled;
        check.message = QStringLiteral("операция %1").arg(referenceNumber);
        return check;
    }
    if (operationType == Operation::Refund) {
        if (kopecks > original->kopecks - original->refundedKopecks) {
            check.resultCode = ResultCode::RefundExceedsAmount;
            check.message = QStringLiteral("возврат %1 при остатке %2 операции %3")
                                .arg(formatKopecks(kopecks),
                                     formatKopecks(original->kopecks - original->refundedKopecks),
                                     referenceNumber);
        }
        return check;
    }
    // A cancellation undoes the whole operation, which only the terminal's
    // current shift can still do; after a close it takes a refund.
    if (original->shift != currentShift) {
        check.resultCode = ResultCode::CancelOutsideShift;
        check.message = QStringLiteral("операция %1 из закрытой смены %2")
                            .arg(referenceNumber).arg(original->shift);
        return check;
    }
    if (kopecks > original->kopecks) {
        check.resultCode = ResultCode::RefundExceedsAmount;
        check.message = QStringLiteral("отмена %1 при сумме %2 операции %3")
                            .arg(formatKopecks(kopecks), formatKopecks(original->kopecks),
                                 referenceNumber);
    }
    return check;
}

void Journal::record(Transaction transaction)
{
    transaction.shift = currentShift;
    if (Operation::needsReference(transaction.operationType)) {
        for (Transaction &original : transactions) {
            if (original.referenceNumber != transaction.originalReference)
                continue;
            if (transaction.operationType == Operation::Refund)
                original.refundedKopecks += transaction.kopecks;
            else
                original.cancelled = true;
            break;
        }
    }
    transactions.append(transaction);
}

QVector<Transaction> Journal::currentShiftTransactions() const
{
    QVector<Transaction> result;
    for (const Transaction &transaction : transactions) {
        if (transaction.shift == currentShift)
            result.append(transaction);
    }
    return result;
}

QMap<int, TypeTotal> Journal::currentShiftTotals() const
{
    QMap<int, TypeTotal> totals;
    for (const Transaction &transaction : transactions) {
        if (transaction.shift != currentShift)
            continue;
        TypeTotal &total = totals[transaction.operationType];
        ++total.count;
        total.kopecks += transaction.kopecks;
    }
    return totals;
}

qint64 Journal::currentShiftNet() const
{
    qint64 net = 0;
    for (const Transaction &transaction : transactions) {
        if (transaction.shift != currentShift)
            continue;
        if (Operation::isDebit(transaction.operationType)
            || transaction.operationType == Operation::CancelRefund)
            net += transaction.kopecks;
        else if (transaction.operationType == Operation::Refund
                 || transaction.operationType == Operation::CancelPayment)
            net -= transaction.kopecks;
    }
    return net;
}

void Journal::closeShift()
{
    ++currentShift;
}

} // namespace SimPayCard
