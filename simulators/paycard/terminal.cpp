#include "terminal.h"

#include "cardnumbers.h"
#include "paycardcodes.h"
#include "simtext.h"

#include <QDate>
#include <QRegularExpression>

#include <cmath>

namespace SimPayCard {

namespace {

constexpr double MaxSum = 1000000000.0;
constexpr int MaxReferenceLength = 32;
constexpr int MaxAccountLength = 64;
constexpr int MaxPhoneLength = 20;
const char *const OperatorName = "Тестовый оператор";

// Echoes of host input inside messages stay short whatever the host sent.
QString shortened(const QString &text)
{
    constexpr int limit = 40;
    return text.size() <= limit ? text : text.left(limit) + QStringLiteral("…");
}

bool validSum(double sum)
{
    return std::isfinite(sum) && sum >= 0.0 && sum <= MaxSum;
}

qint64 toKopecks(double sum)
{
    return static_cast<qint64>(std::llround(sum * 100.0));
}

Status badInput(const QString &name, const QString &text)
{
    return Status::failure(ResultCode::InvalidInput, text, name);
}

struct Track2
{
    bool valid = false;
    QString cardNumber;
    QString expiry;  // MM/YY
};

// PAN of 12 to 19 digits, '=', expiry YYMM, then any digits (service code and
// discretionary data); the start and end sentinels may be present.
Track2 parseTrack2(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^;?([0-9]{12,19})=([0-9]{2})([0-9]{2})[0-9]*\\??$"));
    Track2 track;
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return track;
    const int month = match.captured(3).toInt();
    if (month < 1 || month > 12)
        return track;
    track.valid = true;
    track.cardNumber = match.captured(1);
    track.expiry = match.captured(3) + QLatin1Char('/') + match.captured(2);
    return track;
}

QString twoDigits(int code)
{
    return code < 0 ? QString::number(code) : QStringLiteral("%1").arg(code, 2, 10, QLatin1Char('0'));
}

// The status of an outcome that is not an approval: a refusal names its
// reason and response code, a failure what chose it.
Status outcomeStatus(const Outcome &outcome)
{
    if (outcome.kind == Outcome::Declined)
        return Status::failure(outcome.resultCode,
                               QStringLiteral("%1 (код ответа %2; %3)")
                                   .arg(outcome.text, twoDigits(outcome.responseCode), outcome.reason));
    return Status::failure(outcome.resultCode, outcome.reason);
}

} // namespace

Status Status::failure(int code, const QString &description, const QString &badParam)
{
    Status status;
    status.failed = true;
    status.resultCode = code;
    status.description = description;
    status.badParam = badParam;
    return status;
}

namespace InputName {
QString operationType() { return QStringLiteral("Тип операции"); }
QString authorizationType() { return QStringLiteral("Тип авторизации"); }
QString sum() { return QStringLiteral("Сумма"); }
QString currencyCode() { return QStringLiteral("Код валюты"); }
QString referenceNumber() { return QStringLiteral("Ссылочный номер"); }
QString accountNumber() { return QStringLiteral("Номер счета"); }
QString phoneNumber() { return QStringLiteral("Номер телефона"); }
QString track2() { return QStringLiteral("Дорожка 2"); }
QString ecrReceiptNumber() { return QStringLiteral("Номер чека ККТ"); }
QString serviceOperationType() { return QStringLiteral("Тип служебной операции"); }
QString reportType() { return QStringLiteral("Тип отчета"); }
QString reportOperationType() { return QStringLiteral("Тип операции отчета"); }
QString reportSum() { return QStringLiteral("Сумма отчета"); }
QString reportTerminalId() { return QStringLiteral("Идентификатор терминала отчета"); }
QString slipNumber() { return QStringLiteral("Номер слипа"); }
} // namespace InputName

QString Terminal::defaultCardNumber()
{
    return QStringLiteral("9999990000001234");
}

QString Terminal::cardTypeFor(const QString &cardNumber)
{
    static const char *const names[] = {"ORBICARD", "VELORA", "NORDPAY"};
    const int digit = cardNumber.isEmpty() ? 0 : cardNumber.at(0).digitValue();
    return QString::fromLatin1(names[(digit < 0 ? 0 : digit) % 3]);
}

void Terminal::clearResults(bool dropPending)
{
    startAction();
    if (dropPending)
        pending = Pending();
}

Status Terminal::exchangeCheck() const
{
    return beforeExchange ? beforeExchange() : Status::success();
}

void Terminal::startAction()
{
    currentResponse = Response();
    currentSlip = Slip();
}

int Terminal::nextSlipNumber()
{
    return ++lastSlipNumber;
}

void Terminal::keepSlip(int number, const Slip &slip)
{
    keptSlips.insert(number, slip);
    while (keptSlips.size() > MaxKeptSlips)
        keptSlips.erase(keptSlips.begin());
}

Slip Terminal::slipHeader(const TerminalConfig &config, const QString &title) const
{
    const QDateTime now = QDateTime::currentDateTime();
    Slip slip;
    slip.addCentered(config.header);
    slip.addPair(QStringLiteral("Терминал:"), config.terminalId);
    if (!config.pointCode.isEmpty())
        slip.addPair(QStringLiteral("Код точки:"), config.pointCode);
    slip.addPair(now.toString(QStringLiteral("dd.MM.yyyy")), now.toString(QStringLiteral("HH:mm:ss")));
    slip.addRule();
    slip.addCentered(title.toUpper());
    return slip;
}

Status Terminal::validateAuthorization() const
{
    const Inputs &in = inputs;
    if (in.operationType < 0 || in.operationType >= Operation::Count)
        return badInput(InputName::operationType(),
                        QStringLiteral("нужно значение от 0 до 9, получено %1").arg(in.operationType));
    if (in.authorizationType < 0 || in.authorizationType >= AuthorizationTypeCount)
        return badInput(InputName::authorizationType(),
                        QStringLiteral("нужно значение от 0 до 4, получено %1").arg(in.authorizationType));
    static const QRegularExpression currency(QStringLiteral("^[0-9]{3}$"));
    if (!currency.match(in.currencyCode).hasMatch())
        return badInput(InputName::currencyCode(),
                        QStringLiteral("нужно ровно три цифры, получено «%1»").arg(shortened(in.currencyCode)));
    if (!validSum(in.sum))
        return badInput(InputName::sum(),
                        QStringLiteral("нужна сумма от 0 до 1000000000"));
    if (Operation::needsSum(in.operationType) && toKopecks(in.sum) <= 0)
        return badInput(InputName::sum(),
                        QStringLiteral("операция «%1» требует положительной суммы")
                            .arg(Operation::name(in.operationType)));
    if (Operation::needsReference(in.operationType)) {
        if (in.referenceNumber.trimmed().isEmpty())
            return badInput(InputName::referenceNumber(),
                            QStringLiteral("операция «%1» требует ссылочного номера исходной операции")
                                .arg(Operation::name(in.operationType)));
        if (in.referenceNumber.size() > MaxReferenceLength)
            return badInput(InputName::referenceNumber(),
                            QStringLiteral("не длиннее %1 символов").arg(MaxReferenceLength));
    }
    if (!in.track2.isEmpty() && !parseTrack2(in.track2).valid)
        return badInput(InputName::track2(),
                        QStringLiteral("нужен формат «номер карты=ГГММ…», получено «%1»")
                            .arg(shortened(in.track2)));
    if (in.accountNumber.size() > MaxAccountLength)
        return badInput(InputName::accountNumber(),
                        QStringLiteral("не длиннее %1 символов").arg(MaxAccountLength));
    static const QRegularExpression phone(QStringLiteral("^[0-9+()\\- ]*$"));
    if (in.phoneNumber.size() > MaxPhoneLength || !phone.match(in.phoneNumber).hasMatch())
        return badInput(InputName::phoneNumber(),
                        QStringLiteral("допустимы цифры, «+», «-», скобки и пробелы, не длиннее %1 символов")
                            .arg(MaxPhoneLength));
    if (in.ecrReceiptNumber < 0)
        return badInput(InputName::ecrReceiptNumber(),
                        QStringLiteral("номер не может быть отрицательным"));
    return Status::success();
}

Status Terminal::authorize(const TerminalConfig &config)
{
    startAction();
    pending = Pending();

    Status status = validateAuthorization();
    if (!status.ok())
        return status;

    const int type = inputs.operationType;
    qint64 kopecks = Operation::ignoresSum(type) ? 0 : toKopecks(inputs.sum);
    const QString reference = inputs.referenceNumber.trimmed();
    if (Operation::needsReference(type)) {
        const ReferenceCheck check = transactions.checkReference(type, reference, kopecks);
        if (check.resultCode != 0)
            return Status::failure(check.resultCode, check.message, InputName::referenceNumber());
        // A cancellation without a sum undoes the whole original operation.
        if (kopecks == 0)
            kopecks = transactions.find(reference)->kopecks;
    }

    status = exchangeCheck();
    if (!status.ok())
        return status;
    const Outcome outcome = chooseOutcome(config.scenario, Action::Authorize,
                                          !Operation::ignoresSum(type), kopecks);

    Transaction transaction;
    transaction.operationType = type;
    transaction.kopecks = kopecks;
    transaction.currency = inputs.currencyCode;
    transaction.originalReference = Operation::needsReference(type) ? reference : QString();
    transaction.time = QDateTime::currentDateTime();

    if (outcome.kind == Outcome::Failed) {
        // No answer came, so there is nothing to report but the failure.
        currentResponse.responseCode = outcome.responseCode;
        Slip slip = authorizationSlip(config, transaction, outcome,
                                      QStringLiteral("НЕ ВЫПОЛНЕНО: %1").arg(outcome.text.toUpper()));
        currentSlip = slip;
        return outcomeStatus(outcome);
    }

    const Track2 track = parseTrack2(inputs.track2);
    const QString card = track.valid ? track.cardNumber : defaultCardNumber();
    const int sequence = ++lastTransaction;

    transaction.referenceNumber = transaction.time.toString(QStringLiteral("yyMMdd"))
        + QStringLiteral("%1").arg(sequence % 1000000, 6, 10, QLatin1Char('0'));
    transaction.maskedCard = maskCardNumber(card);
    transaction.cardType = cardTypeFor(card);
    transaction.slipNumber = nextSlipNumber();
    if (outcome.kind == Outcome::Approved)
        transaction.authorizationCode = QStringLiteral("%1").arg(
            (static_cast<qint64>(sequence) * 104729 + 31337) % 1000000, 6, 10, QLatin1Char('0'));

    Response &r = currentResponse;
    r.responseCode = outcome.responseCode;
    r.authorizationCode = transaction.authorizationCode;
    r.transactionId = QStringLiteral("%1").arg(sequence, 10, 10, QLatin1Char('0'));
    r.transactionDate = transaction.time.toString(QStringLiteral("dd.MM.yyyy"));
    r.transactionTime = transaction.time.toString(QStringLiteral("HH:mm:ss"));
    r.terminalId = config.terminalId;
    r.referenceNumber = transaction.referenceNumber;
    r.cardNumber = transaction.maskedCard;
    r.cardType = transaction.cardType;
    if (track.valid) {
        r.cardExpiryDate = track.expiry;
    } else {
        const QDate expiry = QDate::currentDate().addYears(3);
        r.cardExpiryDate = QStringLiteral("12/%1").arg(expiry.year() % 100, 2, 10, QLatin1Char('0'));
    }
    r.operatorName = QString::fromUtf8(OperatorName);
    r.amountId = QStringLiteral("AMT%1").arg(sequence, 8, 10, QLatin1Char('0'));
    r.commissionId = QStringLiteral("COM%1").arg(sequence, 8, 10, QLatin1Char('0'));
    // Only payments for services carry the one per cent commission.
    if (type == Operation::ServicePayment)
        r.commission = static_cast<double>((kopecks + 50) / 100) / 100.0;
    r.slipNumber = transaction.slipNumber;

    const QString words = outcome.kind == Outcome::Approved
        ? outcome.text.toUpper()
        : QStringLiteral("ОТКАЗ: %1").arg(outcome.text.toUpper());
    currentSlip = authorizationSlip(config, transaction, outcome, words);
    keepSlip(transaction.slipNumber, currentSlip);

    if (outcome.kind == Outcome::Declined)
        return outcomeStatus(outcome);
    pending.active = true;
    pending.transaction = transaction;
    return Status::success();
}

Slip Terminal::authorizationSlip(const TerminalConfig &config, const Transaction &transaction,
                                 const Outcome &outcome, const QString &resultWords) const
{
    Slip slip = slipHeader(config, Operation::name(transaction.operationType));
    const Response &r = currentResponse;
    if (inputs.ecrReceiptNumber > 0)
        slip.addPair(QStringLiteral("Чек ККТ:"), QString::number(inputs.ecrReceiptNumber));
    if (transaction.slipNumber > 0)
        slip.addPair(QStringLiteral("Слип №:"), QString::number(transaction.slipNumber));
    slip.addPair(QStringLiteral("Сумма:"), formatKopecks(transaction.kopecks) + QLatin1Char(' ')
                                               + currencyName(transaction.currency));
    if (r.commission > 0.0)
        slip.addPair(QStringLiteral("Комиссия:"), QString::number(r.commission, 'f', 2));
    if (!transaction.maskedCard.isEmpty()) {
        slip.addPair(QStringLiteral("Карта:"), transaction.maskedCard);
        slip.addPair(QStringLiteral("Тип карты:"), transaction.cardType);
        slip.addPair(QStringLiteral("Срок действия:"), r.cardExpiryDate);
    }
    if (!transaction.authorizationCode.isEmpty())
        slip.addPair(QStringLiteral("Код авторизации:"), transaction.authorizationCode);
    if (!transaction.referenceNumber.isEmpty())
        slip.addPair(QStringLiteral("Ссылочный номер:"), transaction.referenceNumber);
    if (!transaction.originalReference.isEmpty())
        slip.addPair(QStringLiteral("Исходная операция:"), transaction.originalReference);
    if (!inputs.accountNumber.isEmpty())
        slip.addPair(QStringLiteral("Счет:"), inputs.accountNumber);
    if (!inputs.phoneNumber.isEmpty())
        slip.addPair(QStringLiteral("Телефон:"), inputs.phoneNumber);
    if (outcome.kind != Outcome::Failed)
        slip.addPair(QStringLiteral("Код ответа:"), twoDigits(outcome.responseCode));
    slip.addRule();
    slip.addCentered(resultWords);
    // The cardholder signs only what was approved, and only where no PIN
    // confirmed the operation.
    if (outcome.kind == Outcome::Approved && inputs.authorizationType <= 1) {
        slip.addBlank();
        slip.addText(QStringLiteral("Подпись клиента:"));
        slip.addBlank();
        slip.addRule(QLatin1Char('_'));
    } else if (outcome.kind == Outcome::Approved) {
        slip.addCentered(QStringLiteral("Подтверждено PIN-кодом"));
    }
    return slip;
}

Status Terminal::completeAuthorization(const TerminalConfig &config)
{
    if (!pending.active)
        return Status::failure(ResultCode::NoPendingAuthorization,
                               QStringLiteral("сначала выполните авторизацию"));
    const Status status = exchangeCheck();
    if (!status.ok())
        return status;
    const Transaction transaction = pending.transaction;
    pending = Pending();
    Outcome failure;
    if (operatorFailure(config.scenario, Action::CompleteAuthorization, &failure)) {
        // The terminal reverses what it could not complete; the slip must
        // not keep saying the operation went through.
        currentSlip = authorizationSlip(config, transaction, failure,
                                        QStringLiteral("НЕ ЗАВЕРШЕНО: %1").arg(failure.text.toUpper()));
        return outcomeStatus(failure);
    }
    // A report closing the shift may have run between the two steps.
    const ReferenceCheck check = transactions.checkReference(
        transaction.operationType, transaction.originalReference, transaction.kopecks);
    if (check.resultCode != 0)
        return Status::failure(check.resultCode, check.message, InputName::referenceNumber());
    transactions.record(transaction);
    return Status::success();
}

Status Terminal::executeServiceOperation(const TerminalConfig &config)
{
    startAction();
    const int type = inputs.serviceOperationType;
    if (type < 0 || type >= ServiceOperationCount)
        return badInput(InputName::serviceOperationType(),
                        QStringLiteral("нужно значение от 0 до 5, получено %1").arg(type));
    static const char *const titles[ServiceOperationCount] = {
        "Обновление ключей", "Загрузка настроек", "Загрузка ПО",
        "Загрузка настроек и ПО", "Меню кассира", "Меню администратора"};
    const QString title = QString::fromUtf8(titles[type]);
    const Status status = exchangeCheck();
    if (!status.ok())
        return status;
    const Outcome outcome = chooseOutcome(config.scenario, Action::ServiceOperation, false, 0);

    const QDateTime now = QDateTime::currentDateTime();
    currentResponse.responseCode = outcome.responseCode;
    Slip slip = slipHeader(config, title);
    if (outcome.kind == Outcome::Failed) {
        slip.addRule();
        slip.addCentered(QStringLiteral("НЕ ВЫПОЛНЕНО: %1").arg(outcome.text.toUpper()));
        currentSlip = slip;
        return outcomeStatus(outcome);
    }
    currentResponse.transactionDate = now.toString(QStringLiteral("dd.MM.yyyy"));
    currentResponse.transactionTime = now.toString(QStringLiteral("HH:mm:ss"));
    currentResponse.terminalId = config.terminalId;
    currentResponse.slipNumber = nextSlipNumber();
    slip.addPair(QStringLiteral("Слип №:"), QString::number(currentResponse.slipNumber));
    if (outcome.kind == Outcome::Approved) {
        switch (type) {
        case 0:
            ++keyGeneration;
            slip.addPair(QStringLiteral("Набор ключей:"), QString::number(keyGeneration));
            slip.addText(QStringLiteral("Ключи авторизации обновлены"));
            break;
        case 3:
        case 1:
            ++settingsVersion;
            slip.addPair(QStringLiteral("Версия настроек:"), QStringLiteral("1.%1").arg(settingsVersion));
            slip.addText(QStringLiteral("Настройки загружены"));
            if (type == 1)
                break;
            Q_FALLTHROUGH();
        case 2:
            slip.addPair(QStringLiteral("Версия ПО:"), QStringLiteral("3.0.%1").arg(settingsVersion));
            slip.addText(QStringLiteral("ПО загружено"));
            break;
        case 4:
            slip.addText(QStringLiteral("Сеанс меню кассира завершен"));
            break;
        case 5:
            slip.addText(QStringLiteral("Сеанс меню администратора завершен"));
            break;
        }
    }
    slip.addPair(QStringLiteral("Код ответа:"), twoDigits(outcome.responseCode));
    slip.addRule();
    slip.addCentered(outcome.kind == Outcome::Approved
                         ? QStringLiteral("ВЫПОЛНЕНО")
                         : QStringLiteral("ОТКАЗ: %1").arg(outcome.text.toUpper()));
    currentSlip = slip;
    keepSlip(currentResponse.slipNumber, slip);
    if (outcome.kind == Outcome::Declined)
        return outcomeStatus(outcome);
    return Status::success();
}

Status Terminal::beginReport(const TerminalConfig &config)
{
    Outcome failure;
    if (operatorFailure(config.scenario, Action::BeginReport, &failure))
        return outcomeStatus(failure);
    if (report.open)
        return Status::failure(ResultCode::ReportAlreadyOpen,
                               QStringLiteral("закончите или прервите его"));
    const int type = inputs.reportType;
    if (type < 0 || type >= ReportTypeCount)
        return badInput(InputName::reportType(),
                        QStringLiteral("нужно значение от 0 до 5, получено %1").arg(type));
    if (!inputs.reportTerminalId.isEmpty() && inputs.reportTerminalId != config.terminalId)
        return Status::failure(ResultCode::ReportTerminalMismatch,
                               QStringLiteral("в отчете «%1», у терминала «%2»")
                                   .arg(shortened(inputs.reportTerminalId), config.terminalId),
                               InputName::reportTerminalId());
    if (inputs.slipNumber < 0)
        return badInput(InputName::slipNumber(), QStringLiteral("номер не может быть отрицательным"));
    if (type == 5 && inputs.slipNumber > 0 && !keptSlips.contains(inputs.slipNumber))
        return Status::failure(ResultCode::SlipNotFound,
                               QStringLiteral("№ %1").arg(inputs.slipNumber),
                               InputName::slipNumber());
    startAction();
    report = OpenReport();
    report.open = true;
    report.type = type;
    report.slipNumber = inputs.slipNumber;
    return Status::success();
}

Status Terminal::addReportItem(const TerminalConfig &config)
{
    Outcome failure;
    if (operatorFailure(config.scenario, Action::AddReportItem, &failure))
        return outcomeStatus(failure);
    if (!report.open)
        return Status::failure(ResultCode::ReportNotOpen,
                               QStringLiteral("сначала начните отчет"));
    if (inputs.reportOperationType < 0 || inputs.reportOperationType >= Operation::Count)
        return badInput(InputName::reportOperationType(),
                        QStringLiteral("нужно значение от 0 до 9, получено %1")
                            .arg(inputs.reportOperationType));
    if (!validSum(inputs.reportSum))
        return badInput(InputName::reportSum(), QStringLiteral("нужна сумма от 0 до 1000000000"));
    TypeTotal &total = report.ecrTotals[inputs.reportOperationType];
    ++total.count;
    total.kopecks += toKopecks(inputs.reportSum);
    return Status::success();
}

Slip Terminal::reconciliation(bool *matched) const
{
    const QMap<int, TypeTotal> own = transactions.currentShiftTotals();
    QMap<int, bool> types;
    for (auto it = own.cbegin(); it != own.cend(); ++it)
        types.insert(it.key(), true);
    for (auto it = report.ecrTotals.cbegin(); it != report.ecrTotals.cend(); ++it)
        types.insert(it.key(), true);
    Slip slip;
    slip.addRule();
    slip.addCentered(QStringLiteral("СВЕРКА С ККТ"));
    *matched = true;
    for (auto it = types.cbegin(); it != types.cend(); ++it) {
        const qint64 terminalSum = own.value(it.key()).kopecks;
        const qint64 ecrSum = report.ecrTotals.value(it.key()).kopecks;
        slip.addText(Operation::name(it.key()));
        slip.addPair(QStringLiteral(" терминал:"), formatKopecks(terminalSum));
        slip.addPair(QStringLiteral(" ККТ:"), formatKopecks(ecrSum));
        if (terminalSum != ecrSum)
            *matched = false;
    }
    slip.addCentered(*matched ? QStringLiteral("ИТОГИ СОВПАЛИ") : QStringLiteral("ИТОГИ НЕ СОВПАЛИ"));
    return slip;
}

Slip Terminal::reportBody(int type) const
{
    Slip slip;
    const QVector<Transaction> shift = transactions.currentShiftTransactions();
    const bool listEntries = type == 1 || type == 4;
    const bool listTotals = type == 0 || type == 2 || type == 4;
    if (listEntries) {
        if (shift.isEmpty())
            slip.addText(QStringLiteral("Нет операций"));
        for (const Transaction &t : shift) {
            slip.addPair(t.time.toString(QStringLiteral("HH:mm:ss")), Operation::name(t.operationType));
            slip.addPair(QStringLiteral(" Сумма:"), formatKopecks(t.kopecks));
            slip.addPair(QStringLiteral(" Карта:"), t.maskedCard);
            slip.addPair(QStringLiteral(" Ссылочный номер:"), t.referenceNumber);
            if (t.cancelled)
                slip.addText(QStringLiteral(" ОТМЕНЕНА"));
        }
    }
    if (listTotals) {
        slip.addRule();
        const QMap<int, TypeTotal> totals = transactions.currentShiftTotals();
        if (totals.isEmpty())
            slip.addText(QStringLiteral("Нет операций"));
        for (auto it = totals.cbegin(); it != totals.cend(); ++it) {
            slip.addText(Operation::name(it.key()));
            slip.addPair(QStringLiteral(" %1 шт.").arg(it.value().count), formatKopecks(it.value().kopecks));
        }
    }
    if (type == 3) {
        slip.addPair(QStringLiteral("Операций:"), QString::number(shift.size()));
    }
    slip.addPair(QStringLiteral("ИТОГО:"), formatKopecks(transactions.currentShiftNet()));
    return slip;
}

Status Terminal::endReport(const TerminalConfig &config)
{
    if (!report.open) {
        Outcome failure;
        if (operatorFailure(config.scenario, Action::EndReport, &failure))
            return outcomeStatus(failure);
        return Status::failure(ResultCode::ReportNotOpen,
                               QStringLiteral("сначала начните отчет"));
    }
    startAction();
    static const char *const titles[ReportTypeCount] = {
        "Закрытие смены", "Журнал операций", "Итоги операций",
        "Краткий отчет", "Полный отчет", "Запрос чека"};
    const Status status = exchangeCheck();
    if (!status.ok())
        return status;
    const Outcome outcome = chooseOutcome(config.scenario, Action::EndReport, false, 0);
    currentResponse.responseCode = outcome.responseCode;
    if (outcome.kind != Outcome::Approved) {
        // The report stays open: the engineer may finish it again or abort it.
        Slip slip = slipHeader(config, QString::fromUtf8(titles[report.type]));
        slip.addRule();
        slip.addCentered(QStringLiteral("НЕ ВЫПОЛНЕНО: %1").arg(outcome.text.toUpper()));
        currentSlip = slip;
        return outcomeStatus(outcome);
    }

    Slip slip;
    if (report.type == 5) {
        const int number = report.slipNumber > 0 ? report.slipNumber
            : (keptSlips.isEmpty() ? 0 : keptSlips.lastKey());
        if (!keptSlips.contains(number)) {
            return Status::failure(ResultCode::SlipNotFound,
                                   QStringLiteral("копировать нечего"), InputName::slipNumber());
        }
        slip.addCentered(QStringLiteral("КОПИЯ"));
        slip.append(keptSlips.value(number));
        currentResponse.slipNumber = number;
    } else {
        slip = slipHeader(config, QString::fromUtf8(titles[report.type]));
        slip.addPair(QStringLiteral("Смена:"), QString::number(transactions.shift()));
        slip.append(reportBody(report.type));
        bool matched = true;
        if (!report.ecrTotals.isEmpty())
            slip.append(reconciliation(&matched));
        // Response code 1 tells the register its totals differ from the
        // terminal's; the report itself still went through.
        currentResponse.responseCode = matched ? 0 : 1;
        if (report.type == 0) {
            slip.addCentered(QStringLiteral("СМЕНА %1 ЗАКРЫТА").arg(transactions.shift()));
            transactions.closeShift();
        }
        currentResponse.slipNumber = nextSlipNumber();
        keepSlip(currentResponse.slipNumber, slip);
    }
    const QDateTime now = QDateTime::currentDateTime();
    currentResponse.transactionDate = now.toString(QStringLiteral("dd.MM.yyyy"));
    currentResponse.transactionTime = now.toString(QStringLiteral("HH:mm:ss"));
    currentResponse.terminalId = config.terminalId;
    currentSlip = slip;
    report = OpenReport();
    return Status::success();
}

Status Terminal::resetReport(const TerminalConfig &config)
{
    Outcome failure;
    if (operatorFailure(config.scenario, Action::ResetReport, &failure))
        return outcomeStatus(failure);
    if (!report.open)
        return Status::failure(ResultCode::ReportNotOpen,
                               QStringLiteral("прерывать нечего"));
    report = OpenReport();
    startAction();
    return Status::success();
}

} // namespace SimPayCard
