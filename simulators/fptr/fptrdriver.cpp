// The register's settings, its switching on and off, and printing onto the
// tape; the ports are in fptrports.cpp.

#include "fptrdriver.h"

#include "connection.h"
#include "portregistry.h"
#include "settingsfolder.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPlainTextEdit>

using Sim::CallTrace;
using Sim::Definition;
using Sim::ValueChoice;
using SimResult::Code;

namespace {

#if defined(SIM_RECEIPT_PRINTER)
const QString DeviceKind = QStringLiteral("SIMRCPPRN");
const QString FileTag = QStringLiteral("rcpprn");
const QVector<ValueChoice> Models = {
    {QStringLiteral("P58"), QStringLiteral("СИМ-П 58")},
    {QStringLiteral("P80"), QStringLiteral("СИМ-П 80")},
};
#else
const QString DeviceKind = QStringLiteral("SIMFPTR");
const QString FileTag = QStringLiteral("fptr");
const QVector<ValueChoice> Models = {
    {QStringLiteral("K100"), QStringLiteral("СИМ-К 100Ф")},
    {QStringLiteral("K200"), QStringLiteral("СИМ-К 200Ф")},
    {QStringLiteral("K300"), QStringLiteral("СИМ-К 300Ф")},
};
#endif

const QString TapeFileOption = QStringLiteral("TapeFile");
const int MaxFaultAfterLines = 100000;

enum LineFont { FontNormal = 0, FontBold = 1, FontDoubleWidth = 2 };

QString faultAfterProblem(const QString &value)
{
    return Sim::isNumberIn(value, 0, MaxFaultAfterLines)
        ? QString() : QStringLiteral("нужно число строк от 0 до %1").arg(MaxFaultAfterLines);
}

} // namespace

FptrDriver::FptrDriver()
    : SimDriver(DeviceKind, FileTag)
{
    // The same for every object: built once and shared, instead of made anew
    // for each and freed again at release. The register's USB values were
    // once their labels, and settings strings saved then still load.
    static const QVector<Definition> definitions = [] {
        const Sim::ConnectionProfile connection{
            QStringLiteral("TCP/IP"), QStringLiteral("UDP/IP"), QStringLiteral("Bluetooth"),
            QStringLiteral("USB:SIM-000%1"), true, QStringLiteral("ttyS0"), QStringLiteral("5555"),
            QStringLiteral("02:00:00:5A:11:01")};
        QVector<Definition> list = commonDefinitions();
        list.append({QStringLiteral("Model"), QStringLiteral("Модель"), Models.first().value, Models});
        list += Sim::portDefinitions(connection);
        list += Sim::addressDefinitions(connection);
        list.append({QStringLiteral("PaperWidth"), QStringLiteral("Ширина бумаги, символов"), QStringLiteral("48"),
                     Sim::plainChoices({"32", "35", "40", "42", "48", "57"})});

        list.append({QStringLiteral("PrinterFault"), QStringLiteral("Неисправность принтера"), QStringLiteral("0"),
                     {{QStringLiteral("0"), QStringLiteral("Нет")},
                      {QStringLiteral("1"), QStringLiteral("Нет бумаги")},
                      {QStringLiteral("2"), QStringLiteral("Открыта крышка")},
                      {QStringLiteral("3"), QStringLiteral("Ошибка принтера")}},
                     true});
        list.append({QStringLiteral("PrinterFaultAfter"), QStringLiteral("Неисправность после строк (0: сразу)"),
                     QStringLiteral("0"), {}, true, faultAfterProblem});
        if (HasModem) {
            list.append({QStringLiteral("ModemScenario"), QStringLiteral("Поведение модема"), QStringLiteral("0"),
                         {{QStringLiteral("0"), QStringLiteral("Соединение с хостом")},
                          {QStringLiteral("1"), QStringLiteral("GPRS-соединение")},
                          {QStringLiteral("2"), QStringLiteral("Ошибка соединения с хостом")},
                          {QStringLiteral("3"), QStringLiteral("Модем не отвечает")}},
                         true});
        }
        list.append({QStringLiteral("ShowTape"), QStringLiteral("Окно ленты"), QStringLiteral("1"),
                     {{QStringLiteral("0"), QStringLiteral("Не показывать")},
                      {QStringLiteral("1"), QStringLiteral("Показывать")}},
                     true});
        // Its default names the register's own file: see defaultValue().
        list.append({TapeFileOption, QStringLiteral("Файл ленты (пусто: не записывать)"), QString(), {}, true});
        return list;
    }();
    setDefinitions(definitions);

    chosenFault = faultChoice();
    pinpad.handle = SimPorts::openPort(SimPorts::PortKind::Pinpad, SimPorts::PortState());
    if (HasModem)
        modem.handle = SimPorts::openPort(SimPorts::PortKind::Modem, SimPorts::PortState());
}

FptrDriver::~FptrDriver()
{
    // Only now do the handles become unknown: a terminal still holding one
    // then learns that the register is gone.
    SimPorts::closePort(pinpad.handle);
    SimPorts::closePort(modem.handle);
    delete tapeWindow.data();
}

QString FptrDriver::defaultValue(int index) const
{
    // Each register keeps its tape in a file of its own.
    if (definitions().at(index).name == TapeFileOption)
        return settingsDirectory() + QStringLiteral("tape-%1-%2.txt").arg(fileTag()).arg(serial());
    return SimDriver::defaultValue(index);
}

QString FptrDriver::dialogTitle() const
{
#if defined(SIM_RECEIPT_PRINTER)
    return QStringLiteral("Настройки имитатора принтера чеков");
#else
    return QStringLiteral("Настройки имитатора ККТ");
#endif
}

void FptrDriver::settingsApplied()
{
    publish(modem, true);
    // Lines are counted towards a fault from the moment it is chosen, so
    // re-applying unchanged settings does not postpone it.
    const QString fault = faultChoice();
    if (fault != chosenFault) {
        chosenFault = fault;
        linesSinceFaultChosen = 0;
    }
    if (tapeWindow && value(QStringLiteral("ShowTape")) != QLatin1String("1"))
        tapeWindow->hide();
}

void FptrDriver::enabledChanged(bool enabled)
{
    if (enabled)
        return;
    abandonDocument(QStringLiteral("устройство выключено"));
    closePorts();
}

// ---- Printing ----------------------------------------------------------

int FptrDriver::setLineParamA(int value)
{
    CallTrace trace(*this, "setLineParamA", [=] { return QString::number(value); });
    return trace(doSetLineParamA(value));
}

int FptrDriver::setLineParamB(int value)
{
    CallTrace trace(*this, "setLineParamB", [=] { return QString::number(value); });
    return trace(doSetLineParamB(value));
}

int FptrDriver::setLineText(const wchar_t *text)
{
    CallTrace trace(*this, "setLineText", [=] { return Sim::traceArgument(text); });
    return trace(doSetLineText(text));
}

int FptrDriver::printLine()
{
    CallTrace trace(*this, "printLine");
    return trace(doPrintLine());
}

int FptrDriver::setFinishParam(int value)
{
    CallTrace trace(*this, "setFinishParam", [=] { return QString::number(value); });
    return trace(doSetFinishParam(value));
}

int FptrDriver::finishStepA()
{
    CallTrace trace(*this, "finishStepA");
    return trace(doFinishStep(Document::FinishParam, Document::StepA, "A"));
}

int FptrDriver::finishStepB()
{
    CallTrace trace(*this, "finishStepB");
    return trace(doFinishStep(Document::StepA, Document::StepB, "B"));
}

int FptrDriver::finishStepC()
{
    CallTrace trace(*this, "finishStepC");
    return trace(doFinishStep(Document::StepB, Document::None, "C"));
}

int FptrDriver::doSetLineParamA(int value)
{
    if (const int result = needEnabled())
        return result;
    if (value < FontNormal || value > FontDoubleWidth) {
        return failParam(Code::InvalidArgument,
                         QStringLiteral("Параметр строки A (шрифт) должен быть 0 (обычный), "
                                        "1 (жирный) или 2 (двойная ширина), передано %1").arg(value));
    }
    lineParamA = value;
    return succeed();
}

int FptrDriver::doSetLineParamB(int value)
{
    if (const int result = needEnabled())
        return result;
    if (value < 1 || value > 5) {
        return failParam(Code::InvalidArgument,
                         QStringLiteral("Параметр строки B (число переводов строки после "
                                        "текста) должен быть от 1 до 5, передано %1").arg(value));
    }
    lineParamB = value;
    return succeed();
}

int FptrDriver::doSetLineText(const wchar_t *text)
{
    if (const int result = needEnabled())
        return result;
    QString line;
    int result = 0;
    if (!textArgument(text, QStringLiteral("текст строки"), &line, &result))
        return result;
    // A line break inside one printed line would silently split it on the
    // tape; the host is expected to send one call per line.
    if (line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r'))) {
        return failParam(Code::InvalidArgument,
                         QStringLiteral("Текст строки содержит перевод строки"));
    }
    lineText = line;
    return succeed();
}

QString FptrDriver::faultChoice() const
{
    return value(QStringLiteral("PrinterFault")) + QLatin1Char('/')
           + value(QStringLiteral("PrinterFaultAfter"));
}

int FptrDriver::printerFault()
{
    // Once struck, the fault stays until the settings clear it, as an empty
    // paper roll does.
    if (linesSinceFaultChosen < intValue(QStringLiteral("PrinterFaultAfter")))
        return 0;
    switch (intValue(QStringLiteral("PrinterFault"))) {
    case 1: return fail(Code::PaperEnd, QStringLiteral("вставьте рулон бумаги"));
    case 2: return fail(Code::CoverOpen, QStringLiteral("закройте крышку принтера"));
    case 3: return fail(Code::PrinterError, QStringLiteral("перегрев печатающей головки"));
    default: return 0;
    }
}

int FptrDriver::doPrintLine()
{
    if (const int result = needEnabled())
        return result;
    if (document != Document::None && document != Document::Open) {
        return fail(Code::WrongSequence,
                    QStringLiteral("документ уже завершается, новую строку печатать нельзя"));
    }
    // A failed line ends the document: the lines printed so far stay on the
    // tape, marked as an interrupted document, and the next printout starts a
    // new one instead of being glued to the remains of this one. Abandoning
    // leaves the error state alone, so the failure stays readable.
    if (const int result = printerFault()) {
        abandonDocument(lastError().description);
        return result;
    }
    const int paperWidth = intValue(QStringLiteral("PaperWidth"));
    const int width = lineParamA == FontDoubleWidth ? paperWidth / 2 : paperWidth;
    if (lineText.size() > width) {
        const int result = failParam(
            Code::LineTooLong,
            QStringLiteral("Строка из %1 символов шире бумаги: помещается %2 символов")
                .arg(lineText.size()).arg(width));
        abandonDocument(lastError().description);
        return result;
    }
    if (document == Document::None) {
        document = Document::Open;
        lines.clear();
        ++documentNumber;
    }
    lines.append(lineText);
    for (int i = 1; i < lineParamB; ++i)
        lines.append(QString());
    if (linesSinceFaultChosen < MaxFaultAfterLines)
        ++linesSinceFaultChosen;
    return succeed();
}

int FptrDriver::doSetFinishParam(int value)
{
    if (const int result = needEnabled())
        return result;
    if (value != 2) {
        return failParam(Code::InvalidArgument,
                         QStringLiteral("Параметр завершения документа должен быть 2, передано %1")
                             .arg(value));
    }
    if (document != Document::Open) {
        return fail(Code::WrongSequence,
                    document == Document::None
                        ? QStringLiteral("нет открытого документа: сначала напечатайте строку")
                        : QStringLiteral("завершение документа уже начато"));
    }
    document = Document::FinishParam;
    return succeed();
}

int FptrDriver::doFinishStep(Document expected, Document next, const char *stepName)
{
    if (const int result = needEnabled())
        return result;
    if (document != expected) {
        QString needed;
        switch (expected) {
        case Document::FinishParam: needed = QStringLiteral("setFinishParam(2)"); break;
        case Document::StepA: needed = QStringLiteral("шага A"); break;
        default: needed = QStringLiteral("шага B"); break;
        }
        return fail(Code::WrongSequence,
                    QStringLiteral("шаг завершения %1 выполняется только после %2")
                        .arg(QLatin1String(stepName), needed));
    }
    // A fault during finishing keeps the document where it is, so the same
    // step can be repeated once the fault is cleared.
    if (const int result = printerFault())
        return result;
    if (next == Document::None) {
        QString problem;
        if (!appendToTape(QStringLiteral("конец документа"), &problem))
            return fail(Code::FileError, problem);
        lines.clear();
    }
    document = next;
    return succeed();
}

void FptrDriver::abandonDocument(const QString &reason)
{
    if (document == Document::None)
        return;
    QString ignored;
    // Best effort: the call that abandons the document already reports its
    // own failure, and a tape that cannot be written must not hide it.
    if (!lines.isEmpty())
        appendToTape(QStringLiteral("документ прерван: ") + reason, &ignored);
    lines.clear();
    document = Document::None;
}

bool FptrDriver::appendToTape(const QString &ending, QString *error)
{
    const QString heading = QStringLiteral("==== %1 · %2 · документ № %3 ====")
                                .arg(QDateTime::currentDateTime().toString(
                                         QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                     label(QStringLiteral("Model")))
                                .arg(documentNumber);
    QString text = heading + QLatin1Char('\n');
    for (const QString &line : qAsConst(lines))
        text += line + QLatin1Char('\n');
    text += QStringLiteral("==== %1 ====\n\n").arg(ending);

    const QString path = value(TapeFileOption);
    if (!path.isEmpty()) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            *error = QStringLiteral("файл ленты «%1» не открывается: %2").arg(path, file.errorString());
            return false;
        }
        const QByteArray bytes = text.toUtf8();
        if (file.write(bytes) != bytes.size()) {
            *error = QStringLiteral("файл ленты «%1» не записан: %2").arg(path, file.errorString());
            return false;
        }
    }
    showOnTapeWindow(text);
    return true;
}

void FptrDriver::showOnTapeWindow(const QString &text)
{
    if (value(QStringLiteral("ShowTape")) != QLatin1String("1")
        || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    if (!tapeWindow) {
        // A window of its own, kept above the bench by parenting it to the
        // owner window and destroyed with it if the host goes first.
        tapeWindow = new QPlainTextEdit(ownerWindow());
        tapeWindow->setWindowFlags(Qt::Window);
        tapeWindow->setObjectName(QStringLiteral("SimTapeWindow"));
        tapeWindow->setReadOnly(true);
        tapeWindow->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        tapeWindow->resize(480, 600);
    }
    tapeWindow->setWindowTitle(QStringLiteral("Лента: %1 (устройство %2)")
                                   .arg(label(QStringLiteral("Model"))).arg(serial()));
    tapeWindow->moveCursor(QTextCursor::End);
    tapeWindow->insertPlainText(text);
    tapeWindow->show();
}
