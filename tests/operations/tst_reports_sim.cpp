// Reports and slip printing as a user drives them, against the simulated
// terminal and register; printed slips are read back from the register's
// tape file.
#include "benchtest.h"
#include "benchwindow.h"

#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QTabWidget>

class ReportsSimTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { bench = std::make_unique<SimBench>(); }
    void cleanup() { bench.reset(); }

    void authorizationSlip_printedLineForLine()
    {
        bench->click("pbtnFillAuthorizationFields");
        bench->click("pbtnAuthorization");
        const QString slip = bench->text("teAuthSlip");
        QVERIFY(slip.count('\n') > 3);

        bench->click("pbtnAuthPrintSlip");
        QCOMPARE(bench->error(), QString());
        QCOMPARE(lastDocument(), slip.split('\n'));
    }

    void wholeReport_responseCodeSlipTabAndPrintout()
    {
        bench->click("pbtnSectionReports");
        bench->click("pbtnReportFillFields");
        bench->click("pbtnReportBegin");
        QCOMPARE(bench->error(), QString());
        bench->click("pbtnReportAdd");
        bench->child<QDoubleSpinBox>("spinReportSumm")->setValue(1);
        bench->click("pbtnReportAdd");
        QCOMPARE(bench->error(), QString());
        bench->click("pbtnReportEnd");

        QCOMPARE(bench->error(), QString());
        // The items do not match the terminal's empty totals.
        QCOMPARE(bench->child<QSpinBox>("spinReportResponseCode")->value(), 1);
        QCOMPARE(bench->child<QTabWidget>("twReports")->currentWidget(), bench->child<QWidget>("tabReportSlip"));
        const QString slip = bench->text("teReportSlip");
        for (const QString &line : slip.split('\n'))
            QCOMPARE(line.size(), 35);

        bench->click("pbtnReportPrintSlip");
        QCOMPARE(bench->error(), QString());
        QCOMPARE(lastDocument(), slip.split('\n'));
    }

    void beginThenAbort_closesTheReport()
    {
        bench->click("pbtnReportBegin");
        bench->click("pbtnReportReset");
        QCOMPARE(bench->error(), QString());
        bench->click("pbtnReportEnd");
        QVERIFY2(bench->error().startsWith("[-221] "), qPrintable(bench->error()));
        QCOMPARE(bench->child<QTabWidget>("twReports")->currentWidget(), bench->child<QWidget>("tabReportParams"));
    }

    void paperRunsOut_printStopsAtTheFailingLine_data()
    {
        QTest::addColumn<int>("linesBefore");
        QTest::newRow("before the first line") << 0;
        QTest::newRow("at line 3") << 2;
    }

    void paperRunsOut_printStopsAtTheFailingLine()
    {
        QFETCH(int, linesBefore);
        bench->click("pbtnExecute");
        SimBench::setParameter(bench->fptr(), "PrinterFaultAfter", QString::number(linesBefore));
        SimBench::setParameter(bench->fptr(), "PrinterFault", "1");
        bench->click("pbtnAuthPrintSlip");

        QVERIFY2(bench->error().startsWith("[-100] Нет бумаги"), qPrintable(bench->error()));
        const QStringList slip = bench->text("teAuthSlip").split('\n');
        QVERIFY(slip.size() > linesBefore + 1);
        QStringList tapeLines = tape().split('\n', Qt::SkipEmptyParts);
        if (linesBefore == 0) {
            QCOMPARE(tapeLines, QStringList());
            return;
        }
        QVERIFY2(tapeLines.last().startsWith("==== документ прерван: Нет бумаги"), qPrintable(tapeLines.last()));
        QCOMPARE(tapeLines.mid(1, tapeLines.size() - 2), slip.mid(0, linesBefore));
    }

private:
    QString tape() const
    {
        const QString name = bench->fptr()->readParameter("TapeFile");
        QFile file(name);
        // Written as text, with the system's own line ends.
        return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // The lines of the last finished document on the tape.
    QStringList lastDocument() const
    {
        QStringList lines = tape().split('\n');
        while (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        if (lines.isEmpty() || lines.last() != QStringLiteral("==== конец документа ===="))
            return {"no finished document at the end of the tape"};
        lines.removeLast();
        int header = lines.size() - 1;
        while (header >= 0 && !lines[header].startsWith("==== "))
            --header;
        return lines.mid(header + 1);
    }

    std::unique_ptr<SimBench> bench;
};

BENCH_TEST_MAIN(ReportsSimTest)
#include "tst_reports_sim.moc"
