#include "outcome.h"

#include "paycardcodes.h"

namespace SimPayCard {

namespace {

Outcome approved()
{
    Outcome outcome;
    outcome.kind = Outcome::Approved;
    outcome.text = QStringLiteral("Одобрено");
    return outcome;
}

Outcome declined(int responseCode)
{
    Outcome outcome;
    outcome.kind = Outcome::Declined;
    outcome.responseCode = responseCode;
    outcome.resultCode = ResultCode::Declined;
    outcome.text = declineText(responseCode);
    return outcome;
}

// A failure without a response. The response code -1 says "no answer" to a
// caller that reads it anyway.
Outcome failed(int resultCode)
{
    Outcome outcome;
    outcome.kind = Outcome::Failed;
    outcome.responseCode = -1;
    outcome.resultCode = resultCode;
    // Code 0 has a description ("no errors") that must not name a failure.
    if (resultCode != ResultCode::Ok)
        outcome.text = ResultCode::description(resultCode);
    if (outcome.text.isEmpty())
        outcome.text = ResultCode::description(ResultCode::OperatorFailure);
    return outcome;
}

struct DeclineEntry
{
    int code;
    const char *text;
};

const DeclineEntry declineEntries[] = {
    {5, "Отказ эмитента"},
    {14, "Неверный номер карты"},
    {51, "Недостаточно средств"},
    {54, "Истек срок действия карты"},
    {55, "Неверный PIN-код"},
    {57, "Операция не разрешена держателю карты"},
    {61, "Превышен лимит суммы"},
    {75, "Превышено число попыток ввода PIN-кода"},
    {96, "Системная ошибка хоста"},
};

} // namespace

QString actionName(Action action)
{
    switch (action) {
    case Action::Authorize: return QStringLiteral("Авторизация");
    case Action::CompleteAuthorization: return QStringLiteral("Завершение авторизации");
    case Action::ServiceOperation: return QStringLiteral("Служебная операция");
    case Action::BeginReport: return QStringLiteral("Начало отчета");
    case Action::AddReportItem: return QStringLiteral("Добавление в отчет");
    case Action::EndReport: return QStringLiteral("Завершение отчета");
    case Action::ResetReport: return QStringLiteral("Прерывание отчета");
    }
    return QString();
}

QString operatorChoiceName(OperatorChoice choice)
{
    switch (choice) {
    case OperatorChoice::None: return QStringLiteral("Не задан (по сумме)");
    case OperatorChoice::Approve: return QStringLiteral("Одобрить");
    case OperatorChoice::Decline: return QStringLiteral("Отклонить с кодом ответа");
    case OperatorChoice::Fail: return QStringLiteral("Сбой операции с кодом результата");
    case OperatorChoice::Timeout: return QStringLiteral("Тайм-аут");
    }
    return QString();
}

bool ScenarioOptions::operator==(const ScenarioOptions &other) const
{
    return choice == other.choice && declineResponseCode == other.declineResponseCode
        && failAction == other.failAction && failResultCode == other.failResultCode
        && amountScenarios == other.amountScenarios && delayMs == other.delayMs;
}

const QVector<AmountRow> &amountTable()
{
    static const QVector<AmountRow> table = {
        {0, approved()},
        {5, declined(5)},
        {14, declined(14)},
        {51, declined(51)},
        {54, declined(54)},
        {55, declined(55)},
        {61, declined(61)},
        {75, declined(75)},
        {91, failed(ResultCode::HostUnreachable)},
        {92, failed(ResultCode::HostTimeout)},
        {93, failed(ResultCode::CancelledOnPinpad)},
        {94, failed(ResultCode::PinpadNoAnswer)},
    };
    return table;
}

QString declineText(int responseCode)
{
    for (const DeclineEntry &entry : declineEntries) {
        if (entry.code == responseCode)
            return QString::fromUtf8(entry.text);
    }
    return QStringLiteral("Отказ");
}

QVector<int> knownDeclineCodes()
{
    QVector<int> codes;
    for (const DeclineEntry &entry : declineEntries)
        codes.append(entry.code);
    return codes;
}

Outcome chooseOutcome(const ScenarioOptions &options, Action action, bool hasAmount,
                      qint64 kopecks)
{
    Outcome chosen;
    switch (options.choice) {
    case OperatorChoice::Approve:
        chosen = approved();
        break;
    case OperatorChoice::Decline:
        chosen = declined(options.declineResponseCode);
        break;
    case OperatorChoice::Timeout:
        chosen = failed(ResultCode::HostTimeout);
        break;
    case OperatorChoice::Fail:
        if (options.failAction != action)
            break;
        chosen = failed(options.failResultCode);
        break;
    case OperatorChoice::None:
        break;
    }
    if (options.choice != OperatorChoice::None
        && (options.choice != OperatorChoice::Fail || options.failAction == action)) {
        chosen.reason = QStringLiteral("результат задан в настройках имитатора");
        return chosen;
    }
    if (options.amountScenarios && hasAmount) {
        // The remainder of a negative count would be negative; sums are
        // validated as non-negative before this, the guard keeps it harmless.
        const int cents = static_cast<int>((kopecks < 0 ? -kopecks : kopecks) % 100);
        for (const AmountRow &row : amountTable()) {
            if (row.kopecks == cents) {
                chosen = row.outcome;
                chosen.reason = QStringLiteral("сценарий по копейкам суммы .%1")
                                    .arg(cents, 2, 10, QLatin1Char('0'));
                return chosen;
            }
        }
    }
    return approved();
}

bool operatorFailure(const ScenarioOptions &options, Action action, Outcome *outcome)
{
    if (options.choice != OperatorChoice::Fail || options.failAction != action)
        return false;
    if (outcome) {
        *outcome = failed(options.failResultCode);
        outcome->reason = QStringLiteral("результат задан в настройках имитатора");
    }
    return true;
}

} // namespace SimPayCard
