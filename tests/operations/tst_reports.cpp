// The reports page and slip printing against recording fakes.
#include "benchtest.h"
#include "benchwindow.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimeEdit>

namespace {

// What each report button sends for the fields filled in by setFields().
const QHash<QString, QStringList> reportCalls = {
    {"pbtnReportBegin",
     {"setReportType(2)", "setCharLineLength(40)", "setReportTerminalId(T 1)", "setSlipNumber(7)", "beginReport()"}},
    {"pbtnReportAdd", {"setReportSum(34.5)", "setReportOperationType(9)", "addReportItem()"}},
    {"pbtnReportEnd", {"endReport()"}},
    {"pbtnReportReset", {"resetReport()"}},
};
const QStringList paycardFailureFetch = {"resultCode()", "resultDescription(1024)", "badParam()"};
const QStringList fptrFailureFetch = {"resultCode()", "resultDescription(256)", "badParam()"};
const QStringList slipRead = {"slipText(1024)", "charLineLength()"};
const QStringList closing = {"setFinishParam(2)", "finishStepA()", "finishStepB()", "finishStepC()"};

QStringList printed(const QStringList &lines)
{
    QStringList calls;
    for (const QString &line : lines)
        calls << "setLineParamA(0)" << "setLineParamB(1)" << "setLineText(" + line + ")" << "printLine()";
    return calls;
}

} // namespace

class ReportsTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        bench = std::make_unique<FakeBench>();
        bench->addPaycard(&bench->paycard);
        bench->paycard.strings.insert("slipText", "abcdef");
        bench->paycard.ints.insert("charLineLength", 3);
        bench->paycard.ints.insert("responseCode", -1);
        setFields();
        slip()->setPlainText("earlier");
        bench->child<QLabel>("errorLabel")->setText("old");
    }
    void cleanup() { bench.reset(); }

    void reportButton_sequenceUpToFirstFailure_thenSlip_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("failingStep"); // -1: none fails
        for (auto it = reportCalls.cbegin(); it != reportCalls.cend(); ++it) {
            QTest::newRow(qPrintable(it.key())) << it.key() << -1;
            for (int step = 0; step < it.value().size(); ++step)
                QTest::newRow(qPrintable(it.value()[step])) << it.key() << step;
        }
    }

    void reportButton_sequenceUpToFirstFailure_thenSlip()
    {
        QFETCH(QString, button);
        QFETCH(int, failingStep);
        QStringList expected = reportCalls.value(button);
        const bool finished = button == "pbtnReportEnd" && failingStep < 0;
        if (finished)
            expected << "responseCode()";
        if (failingStep >= 0) {
            bench->paycard.results.insert(expected[failingStep].section('(', 0, 0), -1);
            bench->paycard.failWith(-221, "Отчет не начат");
            expected = expected.mid(0, failingStep + 1) + paycardFailureFetch;
        }
        bench->click(qPrintable(button));

        QCOMPARE(bench->paycard.calls, expected << slipRead);
        QCOMPARE(bench->error(), failingStep < 0 ? QString() : QStringLiteral("[-221] Отчет не начат"));
        QCOMPARE(bench->text("teReportSlip"), QStringLiteral("abc\ndef"));
        QCOMPARE(responseCode()->value(), finished ? -1 : 0);
        QCOMPARE(tabs()->currentWidget() == bench->child<QWidget>("tabReportSlip"), finished);
    }

    void reportButtons_noSelection_sendMinusOne()
    {
        bench->child<QComboBox>("cmbReportType")->setCurrentIndex(-1);
        bench->child<QComboBox>("cmbReportOperationType")->setCurrentIndex(-1);
        bench->click("pbtnReportBegin");
        bench->click("pbtnReportAdd");
        QCOMPARE(bench->paycard.callsOf("setReportType"), QStringList{"setReportType(-1)"});
        QCOMPARE(bench->paycard.callsOf("setReportOperationType"), QStringList{"setReportOperationType(-1)"});
    }

    void reportButton_noDriverObject_saysSoLeavesSlip_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("withDevice");
        for (const QString &button : reportCalls.keys()) {
            QTest::newRow(qPrintable(button + " no device")) << button << false;
            QTest::newRow(qPrintable(button + " no driver object")) << button << true;
        }
    }

    void reportButton_noDriverObject_saysSoLeavesSlip()
    {
        QFETCH(QString, button);
        QFETCH(bool, withDevice);
        bench->window->paycardDeviceList()->clear();
        if (withDevice)
            bench->addPaycard(nullptr);
        bench->click(qPrintable(button));
        QCOMPARE(bench->error(), QStringLiteral("Несуществующее устройство"));
        QCOMPARE(bench->text("teReportSlip"), QStringLiteral("earlier"));
    }

    void fill_setsItsFiveFieldsOnly()
    {
        bench->click("pbtnReportFillFields");
        QCOMPARE(bench->child<QDateEdit>("dateReportTransactionDate")->date(), QDate(2008, 1, 1));
        QCOMPARE(bench->child<QTimeEdit>("timeReportTransactionTime")->time(), QTime(0, 0));
        QCOMPARE(bench->child<QDoubleSpinBox>("spinReportSumm")->value(), 34.56);
        QCOMPARE(bench->child<QLineEdit>("leReportCardNumber")->text(), QStringLiteral("9999999999999995"));
        QCOMPARE(bench->child<QDateEdit>("dateReportCardExpDate")->date(), QDate(2009, 12, 31));

        // The fields the report operations send stay as they were.
        bench->click("pbtnReportBegin");
        QCOMPARE(bench->paycard.calls.mid(0, 4), reportCalls.value("pbtnReportBegin").mid(0, 4));
    }

    void clear_emptiesSlip()
    {
        bench->click("pbtnClearReportSlip");
        QCOMPARE(bench->text("teReportSlip"), QString());
    }

    void print_linesThenClosing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("view");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty view") << "pbtnAuthPrintSlip" << "teAuthSlip" << QString() << QStringList{""};
        QTest::newRow("three lines") << "pbtnReportPrintSlip" << "teReportSlip" << "a b\n\nc " << QStringList{"a b", "", "c "};
        QTest::newRow("ends in a line break") << "pbtnAuthPrintSlip" << "teAuthSlip" << "x\n" << QStringList{"x", ""};
    }

    void print_linesThenClosing()
    {
        QFETCH(QString, button);
        QFETCH(QString, view);
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        bench->addFptr(&bench->fptr);
        bench->child<QTextEdit>(qPrintable(view))->setPlainText(text);
        bench->click(qPrintable(button));

        QCOMPARE(bench->fptr.calls, printed(lines) + closing);
        QCOMPARE(bench->text(qPrintable(view)), text);
        QCOMPARE(bench->error(), QStringLiteral("old"));
        QCOMPARE(bench->paycard.calls, QStringList());
    }

    void print_failureOnSecondLine_firstStaysNoClosing()
    {
        bench->addFptr(&bench->fptr);
        bench->fptr.failWith(-100, "Нет бумаги");
        bench->fptr.onCall = [this](const QString &call) {
            if (call == "setLineText(two)")
                bench->fptr.results.insert("printLine", -1);
        };
        slip()->setPlainText("one\ntwo\nthree");
        bench->click("pbtnReportPrintSlip");

        QCOMPARE(bench->fptr.calls, printed({"one", "two"}) + fptrFailureFetch);
        QCOMPARE(bench->error(), QStringLiteral("[-100] Нет бумаги"));
    }

    void print_registerLookedUpForEveryCall()
    {
        bench->addFptr(&bench->fptr);
        FakeFptr second;
        FptrDeviceList *list = bench->window->fptrDeviceList();
        const int secondId = list->add(0, std::make_unique<QNebFptr>(&second));
        bench->fptr.onCall = [list, secondId](const QString &call) {
            if (call == "setLineText(one)")
                list->setCurrent(secondId);
        };
        slip()->setPlainText("one");
        bench->click("pbtnReportPrintSlip");

        QCOMPARE(bench->fptr.calls, printed({"one"}).mid(0, 3));
        QCOMPARE(second.calls, QStringList{"printLine()"} + closing);
        list->remove(secondId);
    }

    void print_noRegister_saysSo()
    {
        bench->click("pbtnAuthPrintSlip");
        QCOMPARE(bench->error(), QStringLiteral("Несуществующее устройство"));
    }

private:
    QTextEdit *slip() const { return bench->child<QTextEdit>("teReportSlip"); }
    QTabWidget *tabs() const { return bench->child<QTabWidget>("twReports"); }
    QSpinBox *responseCode() const { return bench->child<QSpinBox>("spinReportResponseCode"); }

    void setFields()
    {
        bench->child<QComboBox>("cmbReportType")->setCurrentIndex(2);
        bench->child<QSpinBox>("spinReportLineLength")->setValue(40);
        bench->child<QLineEdit>("leReportTerminalId")->setText("T 1");
        bench->child<QSpinBox>("spinReportSlipNumber")->setValue(7);
        bench->child<QDoubleSpinBox>("spinReportSumm")->setValue(34.5);
        bench->child<QComboBox>("cmbReportOperationType")->setCurrentIndex(9);
    }

    std::unique_ptr<FakeBench> bench;
};

BENCH_TEST_MAIN(ReportsTest)
#include "tst_reports.moc"
