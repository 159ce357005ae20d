#ifndef SIMPAYCARD_TERMINAL_H
#define SIMPAYCARD_TERMINAL_H

#include "journal.h"
#include "outcome.h"
#include "slip.h"

#include <QMap>
#include <QString>

#include <functional>

// The simulated terminal itself, free of the driver boundary: it takes the
// operation inputs, decides the outcome, keeps the journal, the open report
// and the slips, and says how each action ended. The driver object around it
// adds the enabled state, the ports, the delay and the error reporting.
namespace SimPayCard {

struct Inputs
{
    int operationType = 0;
    int serviceOperationType = 0;
    int authorizationType = 0;
    double sum = 0.0;
    QString currencyCode = QStringLiteral("643");
    QString referenceNumber;
    QString accountNumber;
    QString phoneNumber;
    QString track2;
    int ecrReceiptNumber = 0;
    int reportType = 0;
    int reportOperationType = 0;
    double reportSum = 0.0;
    QString reportTerminalId;
    int slipNumber = 0;
};

struct Response
{
    int responseCode = 0;
    QString authorizationCode;
    QString transactionId;
    QString transactionDate;
    QString transactionTime;
    QString terminalId;
    QString referenceNumber;
    QString cardNumber;  // masked
    QString cardType;
    QString cardExpiryDate;
    QString operatorName;
    QString amountId;
    QString commissionId;
    double commission = 0.0;
    int slipNumber = 0;
};

struct TerminalConfig
{
    QString terminalId = QStringLiteral("SIM00001");
    QString pointCode;
    QString header = QStringLiteral("СИМУЛЯТОР ТЕРМИНАЛА");
    ScenarioOptions scenario;
};

// How an action ended. badParam names the rejected input, empty otherwise.
// A failure may carry result code 0: the operator can choose it to see how
// the host copes with a failed call that reports no error.
struct Status
{
    bool failed = false;
    int resultCode = 0;
    QString description;
    QString badParam;

    bool ok() const { return !failed; }
    static Status success() { return Status(); }
    static Status failure(int code, const QString &description,
                          const QString &badParam = QString());
};

// Input names as the rejections report them.
namespace InputName {
QString operationType();
QString authorizationType();
QString sum();
QString currencyCode();
QString referenceNumber();
QString accountNumber();
QString phoneNumber();
QString track2();
QString ecrReceiptNumber();
QString serviceOperationType();
QString reportType();
QString reportOperationType();
QString reportSum();
QString reportTerminalId();
QString slipNumber();
} // namespace InputName

class Terminal
{
public:
    static constexpr int AuthorizationTypeCount = 5;
    static constexpr int ServiceOperationCount = 6;
    static constexpr int ReportTypeCount = 6;
    static constexpr int MaxKeptSlips = 100;

    Inputs inputs;
    // Runs just before the terminal talks to the pinpad or the host, after
    // the inputs were found valid; a failure it returns ends the action. The
    // driver checks the register's ports here.
    std::function<Status()> beforeExchange;

    Status authorize(const TerminalConfig &config);
    Status completeAuthorization(const TerminalConfig &config);
    Status executeServiceOperation(const TerminalConfig &config);
    Status beginReport(const TerminalConfig &config);
    Status addReportItem(const TerminalConfig &config);
    Status endReport(const TerminalConfig &config);
    Status resetReport(const TerminalConfig &config);

    // Forgets the last action's response and slip, and an authorization
    // waiting for completion when dropPending is set: for actions refused
    // before they reach the terminal.
    void clearResults(bool dropPending);
    Status validateAuthorization() const;

    const Response &response() const { return currentResponse; }
    QString slipText() const { return currentSlip.render(width); }
    int lineWidth() const { return width; }
    void setLineWidth(int requested) { width = Slip::clampWidth(requested); }
    const Journal &journal() const { return transactions; }
    bool reportOpen() const { return report.open; }
    bool authorizationPending() const { return pending.active; }

    // Test card used when no track 2 is given.
    static QString defaultCardNumber();
    static QString cardTypeFor(const QString &cardNumber);

private:
    struct Pending
    {
        bool active = false;
        Transaction transaction;
    };
    struct OpenReport
    {
        bool open = false;
        int type = 0;
        int slipNumber = 0;
        QMap<int, TypeTotal> ecrTotals;
    };

    void startAction();
    int nextSlipNumber();
    void keepSlip(int number, const Slip &slip);
    Slip slipHeader(const TerminalConfig &config, const QString &title) const;
    Status exchangeCheck() const;
    Slip authorizationSlip(const TerminalConfig &config, const Transaction &transaction,
                           const Outcome &outcome, const QString &resultWords) const;
    Slip reportBody(int type) const;
    Slip reconciliation(bool *matched) const;

    Response currentResponse;
    Slip currentSlip;
    int width = Slip::DefaultWidth;
    Journal transactions;
    Pending pending;
    OpenReport report;
    QMap<int, Slip> keptSlips;
    int lastSlipNumber = 0;
    int lastTransaction = 0;
    int keyGeneration = 1;
    int settingsVersion = 1;
};

} // namespace SimPayCard

#endif // SIMPAYCARD_TERMINAL_H
