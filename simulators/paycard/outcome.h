#ifndef SIMPAYCARD_OUTCOME_H
#define SIMPAYCARD_OUTCOME_H

#include <QString>
#include <QVector>

// How the simulated terminal decides what an operation ends with. The engineer
// steers it from the settings dialog: a result chosen there wins; otherwise
// the kopecks of the sum pick a row of the amount table; otherwise the
// operation is approved.
namespace SimPayCard {

// The actions an operator-chosen failure can be aimed at, in the order the
// settings dialog lists them.
enum class Action {
    Authorize = 0,
    CompleteAuthorization,
    ServiceOperation,
    BeginReport,
    AddReportItem,
    EndReport,
    ResetReport
};
constexpr int ActionCount = 7;
QString actionName(Action action);

// What the operator chose in the settings dialog.
enum class OperatorChoice {
    None = 0,   // let the amount table decide
    Approve,
    Decline,    // with declineResponseCode
    Fail,       // failAction fails with failResultCode
    Timeout
};
constexpr int OperatorChoiceCount = 5;
QString operatorChoiceName(OperatorChoice choice);

struct ScenarioOptions
{
    OperatorChoice choice = OperatorChoice::None;
    int declineResponseCode = 5;
    Action failAction = Action::Authorize;
    int failResultCode = -10052;
    bool amountScenarios = true;
    int delayMs = 0;

    bool operator==(const ScenarioOptions &other) const;
};

constexpr int MaxDelayMs = 60000;
constexpr int MaxResponseCode = 999;

struct Outcome
{
    enum Kind {
        Approved,  // response code 0, result 0
        Declined,  // host answered with a refusal: response fields are filled
        Failed     // no response: resultCode tells why
    };
    Kind kind = Approved;
    int responseCode = 0;
    int resultCode = 0;
    QString text;    // the result in words, for the slip and the description
    QString reason;  // what chose it: the settings or a row of the amount table
};

// One row of the amount table: the kopecks of a sum and what they lead to.
struct AmountRow
{
    int kopecks;
    Outcome outcome;
};
const QVector<AmountRow> &amountTable();

// Refusal texts by response code; unknown codes get a generic text.
QString declineText(int responseCode);
// The response codes the settings dialog offers for a chosen refusal.
QVector<int> knownDeclineCodes();

// The outcome of a host exchange (authorization, service operation, report
// end). hasAmount is false where the sum plays no part, so the table does not
// apply. Operator failures aimed at other actions leave this one alone.
Outcome chooseOutcome(const ScenarioOptions &options, Action action, bool hasAmount,
                      qint64 kopecks);

// An operator failure aimed at an action that is not a host exchange (begin,
// add, reset, completion): returns true and fills outcome when it applies.
bool operatorFailure(const ScenarioOptions &options, Action action, Outcome *outcome);

} // namespace SimPayCard

#endif // SIMPAYCARD_OUTCOME_H
