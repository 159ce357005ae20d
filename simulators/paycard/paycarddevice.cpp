#include "paycarddevice.h"

#include "connection.h"
#include "paycardcodes.h"
#include "settingsdialog.h"

#include "portregistry.h"

#include <QFormLayout>
#include <QHeaderView>
#include <QTableWidget>
#include <QThread>

#include <unordered_set>

namespace SimPayCard {

namespace Param {
const char *const Protocol = "Protocol";
const char *const Model = "Model";
const char *const PointCode = "PointCode";
const char *const OperatorResult = "OperatorResult";
const char *const DeclineCode = "DeclineCode";
const char *const FailAction = "FailAction";
const char *const FailResultCode = "FailResultCode";
const char *const AmountScenarios = "AmountScenarios";
const char *const ResponseDelay = "ResponseDelay";
const char *const TerminalId = "TerminalId";
} // namespace Param

namespace {

QString name(const char *text)
{
    return QString::fromLatin1(text);
}

// The host shows the label of the current protocol as the device's name, so
// each label says which response fields the protocol fills and how it is
// connected. Protocols 1, 3 and 5 have no field group the host shows.
const char *const protocolLabels[ProtocolCount] = {
    "Стандартный",
    "Резервный 1",
    "Оплата услуг с комиссией",
    "Резервный 3",
    "Краткий",
    "Резервный 5",
    "Со сроком карты",
    "Со сроком карты и слипом",
    "Стандартный через порт ККТ",
    "Со сроком карты через порт ККТ",
    "Краткий через порт ККТ и модем",
    "Краткий, вариант 2",
    "Стандартный, вариант 2",
    "Со сроком карты, вариант 2",
};

QVector<Sim::ValueChoice> numberedChoices(int count, QString (*labelOf)(int))
{
    QVector<Sim::ValueChoice> choices;
    for (int i = 0; i < count; ++i)
        choices.append({QString::number(i), labelOf(i)});
    return choices;
}

QVector<Sim::ValueChoice> declineChoices()
{
    QVector<Sim::ValueChoice> choices;
    for (int code : knownDeclineCodes())
        choices.append({QString::number(code), QStringLiteral("%1 - %2")
                                                   .arg(code, 2, 10, QLatin1Char('0'))
                                                   .arg(declineText(code))});
    return choices;
}

// Kept as interface pointers: a pointer from elsewhere must be recognised
// before anything treats it as one of our objects. A standard set, which
// does not rehash itself smaller as thousands are released one by one.
std::unordered_set<const NEB::PayCard::IPayCard *> &liveDevices()
{
    static std::unordered_set<const NEB::PayCard::IPayCard *> devices;
    return devices;
}

} // namespace

PayCardDevice::PayCardDevice()
    : Sim::SimDriver<NEB::PayCard::IPayCard>(QStringLiteral("SIMPAYCARD"), QStringLiteral("paycard"))
{
    using Sim::Definition;
    // The same for every object: built once and shared, instead of formatting
    // some forty labels anew for each and freeing them again at release.
    static const QVector<Definition> definitions = [] {
        const Sim::ConnectionProfile connection{
            QStringLiteral("TCP"), QStringLiteral("UDP"), QStringLiteral("BT"), QStringLiteral("USB:СимТерм-%1"),
            false, QStringLiteral("USB0"), QStringLiteral("8800"), QStringLiteral("00:00:00:00:00:00")};
        QVector<Definition> list = commonDefinitions();
        list.append({name(Param::Protocol), QStringLiteral("Протокол"), QStringLiteral("0"),
                     numberedChoices(ProtocolCount, [](int i) { return QString::fromUtf8(protocolLabels[i]); }),
                     false});
        list.append({name(Param::Model), QStringLiteral("Модель"), QStringLiteral("0"),
                     {{QStringLiteral("0"), QStringLiteral("СимТерм 100")},
                      {QStringLiteral("1"), QStringLiteral("СимТерм 250 мобильный")},
                      {QStringLiteral("2"), QStringLiteral("СимТерм 500 бесконтактный")}},
                     false});
        list += Sim::portDefinitions(connection);
        list.append({name(Param::PointCode), QStringLiteral("Код точки"), QStringLiteral("000001"), {}, false});
        list += Sim::addressDefinitions(connection);

        list.append({name(Param::OperatorResult), QStringLiteral("Результат операций"), QStringLiteral("0"),
                     numberedChoices(OperatorChoiceCount,
                                     [](int i) { return operatorChoiceName(static_cast<OperatorChoice>(i)); }),
                     true});
        list.append({name(Param::DeclineCode), QStringLiteral("Код ответа при отказе"), QStringLiteral("5"),
                     declineChoices(), true});
        list.append({name(Param::FailAction), QStringLiteral("Операция со сбоем"), QStringLiteral("0"),
                     numberedChoices(ActionCount, [](int i) { return actionName(static_cast<Action>(i)); }), true});
        list.append({name(Param::FailResultCode), QStringLiteral("Код результата сбоя"),
                     QString::number(ResultCode::HostTimeout), {}, true});
        list.append({name(Param::AmountScenarios), QStringLiteral("Сценарии по копейкам суммы"), QStringLiteral("1"),
                     {{QStringLiteral("0"), QStringLiteral("Выключены")},
                      {QStringLiteral("1"), QStringLiteral("Включены")}},
                     true});
        list.append({name(Param::ResponseDelay), QStringLiteral("Задержка ответа, мс"), QStringLiteral("0"), {}, true});
        list.append({name(Param::TerminalId), QStringLiteral("Идентификатор терминала"), QStringLiteral("SIM00001"),
                     {}, true});
        return list;
    }();
    setDefinitions(definitions);

    settingsApplied();
    terminal.beforeExchange = [this]() { return checkPorts(); };
    liveDevices().insert(static_cast<const NEB::PayCard::IPayCard *>(this));
}

PayCardDevice::~PayCardDevice()
{
    liveDevices().erase(static_cast<const NEB::PayCard::IPayCard *>(this));
}

bool PayCardDevice::isLive(const NEB::PayCard::IPayCard *device)
{
    return device && liveDevices().count(device) > 0;
}

QString PayCardDevice::describeResult(int code) const
{
    // Only a failure chosen in the settings is reported with code 0.
    if (code == ResultCode::Ok)
        return ResultCode::description(ResultCode::OperatorFailure);
    QString text = ResultCode::description(code);
    if (text.isEmpty())
        text = Sim::SimDevice::describeResult(code);
    if (text.isEmpty())
        text = QStringLiteral("Сбой с кодом %1").arg(code);
    return text;
}

QString PayCardDevice::valueProblem(const QString &key, const QString &value) const
{
    if (key == QLatin1String(Param::PointCode)) {
        if (!Sim::isLatinWord(value, 0, 15))
            return QStringLiteral("допустимы латинские буквы и цифры, не более 15");
    } else if (key == QLatin1String(Param::FailResultCode)) {
        if (!Sim::isNumberIn(value, -99999, 99999))
            return QStringLiteral("нужно целое число от -99999 до 99999");
    } else if (key == QLatin1String(Param::ResponseDelay)) {
        if (!Sim::isNumberIn(value, 0, MaxDelayMs))
            return QStringLiteral("нужно число миллисекунд от 0 до %1").arg(MaxDelayMs);
    } else if (key == QLatin1String(Param::TerminalId)) {
        if (!Sim::isLatinWord(value, 1, 16))
            return QStringLiteral("от 1 до 16 латинских букв и цифр");
    }
    return QString();
}

void PayCardDevice::settingsApplied()
{
    config.terminalId = value(name(Param::TerminalId));
    config.pointCode = value(name(Param::PointCode));
    config.header = label(name(Param::Model)).toUpper();
    ScenarioOptions &scenario = config.scenario;
    scenario.choice = static_cast<OperatorChoice>(
        qBound(0, intValue(name(Param::OperatorResult)), OperatorChoiceCount - 1));
    scenario.declineResponseCode = intValue(name(Param::DeclineCode));
    scenario.failAction = static_cast<Action>(
        qBound(0, intValue(name(Param::FailAction)), ActionCount - 1));
    scenario.failResultCode = intValue(name(Param::FailResultCode));
    scenario.amountScenarios = intValue(name(Param::AmountScenarios)) != 0;
    scenario.delayMs = qBound(0, intValue(name(Param::ResponseDelay)), MaxDelayMs);
}

QString PayCardDevice::dialogTitle() const
{
    return QStringLiteral("Настройки имитатора платежного терминала");
}

void PayCardDevice::addSettingsWidgets(Sim::SettingsDialog &dialog)
{
    const QVector<AmountRow> &rows = amountTable();
    auto *table = new QTableWidget(rows.size() + 1, 3, &dialog);
    table->setObjectName(QStringLiteral("twAmountTable"));
    table->setHorizontalHeaderLabels({QStringLiteral("Копейки"), QStringLiteral("Результат"),
                                      QStringLiteral("Код")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    auto setRow = [table](int row, const QString &kopecks, const QString &result,
                          const QString &code) {
        table->setItem(row, 0, new QTableWidgetItem(kopecks));
        table->setItem(row, 1, new QTableWidgetItem(result));
        table->setItem(row, 2, new QTableWidgetItem(code));
    };
    for (int i = 0; i < rows.size(); ++i) {
        const Outcome &outcome = rows.at(i).outcome;
        const QString code = outcome.kind == Outcome::Failed
            ? QStringLiteral("результат %1").arg(outcome.resultCode)
            : QStringLiteral("ответ %1").arg(outcome.responseCode, 2, 10, QLatin1Char('0'));
        setRow(i, QStringLiteral(".%1").arg(rows.at(i).kopecks, 2, 10, QLatin1Char('0')),
               outcome.text, code);
    }
    setRow(rows.size(), QStringLiteral("прочие"), QStringLiteral("Одобрено"), QStringLiteral("ответ 00"));
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    // Enough rows in view to read the table without scrolling much.
    table->setMinimumHeight(table->verticalHeader()->defaultSectionSize() * 8);
    dialog.scenarioForm()->addRow(QStringLiteral("Таблица сценариев по сумме:"), table);
}

// Inputs.

int PayCardDevice::setIntInput(const char *operation, int value, int Inputs::*field)
{
    Sim::CallTrace trace(*this, operation, [=] { return QString::number(value); });
    terminal.inputs.*field = value;
    return trace(succeed());
}

int PayCardDevice::setTextInput(const char *operation, const wchar_t *text,
                                const QString &argumentName, QString Inputs::*field)
{
    Sim::CallTrace trace(*this, operation, [=] { return Sim::traceArgument(text); });
    QString value;
    int result = 0;
    if (!textArgument(text, argumentName, &value, &result))
        return trace(result);
    terminal.inputs.*field = value;
    return trace(succeed());
}

int PayCardDevice::setOperationType(int type)
{
    return setIntInput("setOperationType", type, &Inputs::operationType);
}

int PayCardDevice::setServiceOperationType(int type)
{
    return setIntInput("setServiceOperationType", type, &Inputs::serviceOperationType);
}

int PayCardDevice::setAuthorizationType(int type)
{
    return setIntInput("setAuthorizationType", type, &Inputs::authorizationType);
}

int PayCardDevice::setSum(double sum)
{
    Sim::CallTrace trace(*this, "setSum", [=] { return QString::number(sum, 'f', 2); });
    terminal.inputs.sum = sum;
    return trace(succeed());
}

int PayCardDevice::setCurrencyCode(const wchar_t *code)
{
    return setTextInput("setCurrencyCode", code, InputName::currencyCode(), &Inputs::currencyCode);
}

int PayCardDevice::setReferenceNumber(const wchar_t *number)
{
    return setTextInput("setReferenceNumber", number, InputName::referenceNumber(),
                        &Inputs::referenceNumber);
}

int PayCardDevice::setAccountNumber(const wchar_t *number)
{
    return setTextInput("setAccountNumber", number, InputName::accountNumber(),
                        &Inputs::accountNumber);
}

int PayCardDevice::setPhoneNumber(const wchar_t *number)
{
    return setTextInput("setPhoneNumber", number, InputName::phoneNumber(), &Inputs::phoneNumber);
}

int PayCardDevice::setTrack2(const wchar_t *track)
{
    return setTextInput("setTrack2", track, InputName::track2(), &Inputs::track2);
}

int PayCardDevice::setCharLineLength(int length)
{
    Sim::CallTrace trace(*this, "setCharLineLength", [=] { return QString::number(length); });
    terminal.setLineWidth(length);
    return trace(succeed());
}

int PayCardDevice::setEcrReceiptNumber(int number)
{
    return setIntInput("setEcrReceiptNumber", number, &Inputs::ecrReceiptNumber);
}

int PayCardDevice::setReportType(int type)
{
    return setIntInput("setReportType", type, &Inputs::reportType);
}

int PayCardDevice::setReportOperationType(int type)
{
    return setIntInput("setReportOperationType", type, &Inputs::reportOperationType);
}

int PayCardDevice::setReportSum(double sum)
{
    Sim::CallTrace trace(*this, "setReportSum", [=] { return QString::number(sum, 'f', 2); });
    terminal.inputs.reportSum = sum;
    return trace(succeed());
}

int PayCardDevice::setReportTerminalId(const wchar_t *id)
{
    return setTextInput("setReportTerminalId", id, InputName::reportTerminalId(),
                        &Inputs::reportTerminalId);
}

int PayCardDevice::setSlipNumber(int number)
{
    return setIntInput("setSlipNumber", number, &Inputs::slipNumber);
}

// The handles are only kept: whether the port behind one is usable is asked
// when an operation needs it, since the register changes the port meanwhile.
int PayCardDevice::setPinpadPort(int handle)
{
    Sim::CallTrace trace(*this, "setPinpadPort", [=] { return QString::number(handle); });
    pinpadHandle = handle;
    return trace(succeed());
}

int PayCardDevice::setModemPort(int handle)
{
    Sim::CallTrace trace(*this, "setModemPort", [=] { return QString::number(handle); });
    modemHandle = handle;
    return trace(succeed());
}

// Ports.

Status PayCardDevice::checkPort(int handle, bool modem) const
{
    const QString port = modem ? QStringLiteral("модема") : QStringLiteral("пинпада");
    if (handle == 0) {
        return Status::failure(
            modem ? ResultCode::ModemPortNotSet : ResultCode::PinpadPortNotSet,
            QStringLiteral("протокол «%1» работает через порт %2 ККТ, дескриптор порта не передан")
                .arg(label(name(Param::Protocol)), port));
    }
    SimPorts::PortState state;
    if (!SimPorts::portState(handle, &state)) {
        return Status::failure(ResultCode::PortUnknown,
                               QStringLiteral("порт %1 с дескриптором %2 не открыт ККТ")
                                   .arg(port).arg(handle));
    }
    const SimPorts::PortKind expected = modem ? SimPorts::PortKind::Modem : SimPorts::PortKind::Pinpad;
    if (state.kind != expected) {
        return Status::failure(ResultCode::PortWrongKind,
                               QStringLiteral("дескриптор %1 передан как порт %2").arg(handle).arg(port));
    }
    if (state.mode != 1 && state.mode != 2) {
        return Status::failure(ResultCode::PortNotInitialised,
                               QStringLiteral("порт %1 ККТ (дескриптор %2)").arg(port).arg(handle));
    }
    if (!state.powered) {
        return Status::failure(ResultCode::PortNotPowered,
                               QStringLiteral("порт %1 ККТ (дескриптор %2)").arg(port).arg(handle));
    }
    switch (state.modemFault) {
    case SimPorts::ModemFault::NoAnswer:
        return Status::failure(ResultCode::ModemNoAnswer,
                               QStringLiteral("порт модема ККТ (дескриптор %1)").arg(handle));
    case SimPorts::ModemFault::ConnectionError:
        return Status::failure(ResultCode::ModemConnectionError,
                               QStringLiteral("порт модема ККТ (дескриптор %1), состояние модема %2")
                                   .arg(handle).arg(state.modemState));
    case SimPorts::ModemFault::None:
        break;
    }
    return Status::success();
}

Status PayCardDevice::checkPorts() const
{
    const int protocol = intValue(name(Param::Protocol));
    if (protocol < FirstEcrPortProtocol || protocol > LastEcrPortProtocol)
        return Status::success();
    const Status pinpad = checkPort(pinpadHandle, false);
    if (!pinpad.ok() || protocol != ModemProtocol)
        return pinpad;
    return checkPort(modemHandle, true);
}

// Actions.

int PayCardDevice::finish(const Status &status)
{
    if (status.ok())
        return succeed();
    if (!status.badParam.isEmpty())
        return failParam(status.resultCode, status.badParam, status.description);
    return fail(status.resultCode, status.description);
}

void PayCardDevice::responseDelay() const
{
    // The host calls from its GUI thread and waits anyway, as it would for a
    // real terminal; blocking it here is the point of the option.
    if (config.scenario.delayMs > 0)
        QThread::msleep(static_cast<unsigned long>(config.scenario.delayMs));
}

int PayCardDevice::exchange(Status (Terminal::*action)(const TerminalConfig &))
{
    const int disabled = needEnabled();
    if (disabled != 0)
        return disabled;
    const Status status = (terminal.*action)(config);
    responseDelay();
    return finish(status);
}

int PayCardDevice::authorize()
{
    Sim::CallTrace trace(*this, "authorize");
    // A refused call must not leave the previous operation's response or a
    // pending authorization behind for the host to read or complete.
    terminal.clearResults(true);
    return trace(exchange(&Terminal::authorize));
}

int PayCardDevice::completeAuthorization()
{
    Sim::CallTrace trace(*this, "completeAuthorization");
    const int disabled = needEnabled();
    if (disabled != 0)
        return trace(disabled);
    return trace(finish(terminal.completeAuthorization(config)));
}

int PayCardDevice::executeServiceOperation()
{
    Sim::CallTrace trace(*this, "executeServiceOperation");
    terminal.clearResults(false);
    return trace(exchange(&Terminal::executeServiceOperation));
}

int PayCardDevice::beginReport()
{
    Sim::CallTrace trace(*this, "beginReport");
    const int disabled = needEnabled();
    if (disabled != 0)
        return trace(disabled);
    return trace(finish(terminal.beginReport(config)));
}

int PayCardDevice::addReportItem()
{
    Sim::CallTrace trace(*this, "addReportItem");
    const int disabled = needEnabled();
    if (disabled != 0)
        return trace(disabled);
    return trace(finish(terminal.addReportItem(config)));
}

int PayCardDevice::endReport()
{
    Sim::CallTrace trace(*this, "endReport");
    return trace(exchange(&Terminal::endReport));
}

int PayCardDevice::resetReport()
{
    Sim::CallTrace trace(*this, "resetReport");
    const int disabled = needEnabled();
    if (disabled != 0)
        return trace(disabled);
    return trace(finish(terminal.resetReport(config)));
}

// Results.

int PayCardDevice::textResult(const char *operation, const QString &value, wchar_t *buffer, int size)
{
    Sim::CallTrace trace(*this, operation, [=] { return QString::number(size); });
    return trace.withText(outText(value, buffer, size), buffer, size);
}

int PayCardDevice::responseCode(int *code)
{
    Sim::CallTrace trace(*this, "responseCode");
    return trace.withInt(outInt(code, terminal.response().responseCode), code);
}

int PayCardDevice::authorizationCode(wchar_t *buffer, int size)
{
    return textResult("authorizationCode", terminal.response().authorizationCode, buffer, size);
}

int PayCardDevice::transactionId(wchar_t *buffer, int size)
{
    return textResult("transactionId", terminal.response().transactionId, buffer, size);
}

int PayCardDevice::transactionDate(wchar_t *buffer, int size)
{
    return textResult("transactionDate", terminal.response().transactionDate, buffer, size);
}

int PayCardDevice::transactionTime(wchar_t *buffer, int size)
{
    return textResult("transactionTime", terminal.response().transactionTime, buffer, size);
}

int PayCardDevice::terminalId(wchar_t *buffer, int size)
{
    return textResult("terminalId", terminal.response().terminalId, buffer, size);
}

int PayCardDevice::referenceNumber(wchar_t *buffer, int size)
{
    return textResult("referenceNumber", terminal.response().referenceNumber, buffer, size);
}

int PayCardDevice::cardNumber(wchar_t *buffer, int size)
{
    return textResult("cardNumber", terminal.response().cardNumber, buffer, size);
}

int PayCardDevice::cardType(wchar_t *buffer, int size)
{
    return textResult("cardType", terminal.response().cardType, buffer, size);
}

int PayCardDevice::cardExpiryDate(wchar_t *buffer, int size)
{
    return textResult("cardExpiryDate", terminal.response().cardExpiryDate, buffer, size);
}

int PayCardDevice::operatorName(wchar_t *buffer, int size)
{
    return textResult("operatorName", terminal.response().operatorName, buffer, size);
}

int PayCardDevice::amountId(wchar_t *buffer, int size)
{
    return textResult("amountId", terminal.response().amountId, buffer, size);
}

int PayCardDevice::commissionId(wchar_t *buffer, int size)
{
    return textResult("commissionId", terminal.response().commissionId, buffer, size);
}

int PayCardDevice::slipText(wchar_t *buffer, int size)
{
    return textResult("slipText", terminal.slipText(), buffer, size);
}

int PayCardDevice::slipNumber(int *number)
{
    Sim::CallTrace trace(*this, "slipNumber");
    return trace.withInt(outInt(number, terminal.response().slipNumber), number);
}

int PayCardDevice::commission(double *value)
{
    Sim::CallTrace trace(*this, "commission");
    if (!value)
        return trace(failParam(SimResult::NullArgument, QStringLiteral("Не задан адрес результата")));
    *value = terminal.response().commission;
    return trace.withDouble(0, value);
}

int PayCardDevice::charLineLength(int *length)
{
    Sim::CallTrace trace(*this, "charLineLength");
    return trace.withInt(outInt(length, terminal.lineWidth()), length);
}

} // namespace SimPayCard
