#ifndef SIMPAYCARD_JOURNAL_H
#define SIMPAYCARD_JOURNAL_H

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QVector>

// The terminal's transaction journal. Each driver object keeps its own for its
// lifetime; it is not saved, so a restarted bench starts with an empty journal
// and shift 1.
namespace SimPayCard {

// Operation types as the authorization inputs number them.
namespace Operation {
constexpr int Payment = 0;
constexpr int Refund = 1;
constexpr int CancelPayment = 2;
constexpr int CancelRefund = 3;
constexpr int ActivationWithoutSum = 4;
constexpr int ActivationWithSum = 5;
constexpr int BonusDiscount = 6;
constexpr int Prepayment = 7;
constexpr int BalanceInquiry = 8;
constexpr int ServicePayment = 9;
constexpr int Count = 10;

QString name(int type);
// Operations that need a positive sum.
bool needsSum(int type);
// Operations whose sum plays no part (it is ignored, not refused).
bool ignoresSum(int type);
// Operations that refer to an earlier one by its reference number.
bool needsReference(int type);
// Operations that move money from the card (the ones a refund or a payment
// cancellation may refer to).
bool isDebit(int type);
} // namespace Operation

struct Transaction
{
    int operationType = 0;
    qint64 kopecks = 0;
    QString currency;
    QString referenceNumber;
    QString originalReference;  // for refunds and cancellations
    QString authorizationCode;
    QString maskedCard;
    QString cardType;
    QDateTime time;
    int shift = 1;
    int slipNumber = 0;
    bool cancelled = false;
    qint64 refundedKopecks = 0;
};

struct TypeTotal
{
    int count = 0;
    qint64 kopecks = 0;
};

struct ReferenceCheck
{
    int resultCode = 0;  // 0 when the operation may go ahead
    QString message;
};

class Journal
{
public:
    int shift() const { return currentShift; }

    const Transaction *find(const QString &referenceNumber) const;

    // Whether an operation of this type and sum may refer to referenceNumber;
    // kopecks 0 on a cancellation stands for the whole original sum.
    ReferenceCheck checkReference(int operationType, const QString &referenceNumber,
                                  qint64 kopecks) const;

    // Records a completed operation and applies it to the one it refers to:
    // a cancellation marks the original cancelled, a refund adds to its
    // refunded sum. The transaction's shift is set here.
    void record(Transaction transaction);

    QVector<Transaction> currentShiftTransactions() const;
    // Count and sum per operation type over the current shift.
    QMap<int, TypeTotal> currentShiftTotals() const;
    // The net sum of the shift: debits less refunds and payment cancellations,
    // plus refund cancellations.
    qint64 currentShiftNet() const;

    void closeShift();

private:
    QVector<Transaction> transactions;
    int currentShift = 1;
};

} // namespace SimPayCard

#endif // SIMPAYCARD_JOURNAL_H
