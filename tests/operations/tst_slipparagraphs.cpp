// Slips of many lines: gathered into paragraphs for the view, they still read
// back line for line, from the helper and from the window's slip views.
#include "benchtest.h"
#include "benchwindow.h"
#include "operationtexts.h"

#include <QTextDocument>

namespace {

// `count` slip lines of `width` characters, each telling its number.
QStringList numberedLines(int count, int width)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines.append(QString::number(i).leftJustified(width, QLatin1Char('.')));
    return lines;
}

} // namespace

class SlipParagraphsTest : public QObject
{
    Q_OBJECT

private slots:
    void gatheredParagraphs_readsBackAsItsLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("linesPerParagraph");
        QTest::addColumn<int>("paragraphs");
        QTest::newRow("empty") << QString() << 64 << 1;
        QTest::newRow("one line") << "abc" << 64 << 1;
        QTest::newRow("fewer lines than a paragraph") << numberedLines(3, 8).join('\n') << 64 << 1;
        QTest::newRow("exactly one paragraph") << numberedLines(4, 8).join('\n') << 4 << 1;
        QTest::newRow("one line more") << numberedLines(5, 8).join('\n') << 4 << 2;
        QTest::newRow("many paragraphs") << numberedLines(1000, 32).join('\n') << 64 << 16;
        QTest::newRow("empty lines") << "\n\n\n\n\n" << 2 << 3;
        QTest::newRow("ends with a line break") << "a\nb\nc\n" << 2 << 2;
        QTest::newRow("a line a paragraph") << numberedLines(7, 8).join('\n') << 1 << 7;
        QTest::newRow("nothing gathered below one") << numberedLines(7, 8).join('\n') << 0 << 7;
    }
    void gatheredParagraphs_readsBackAsItsLines()
    {
        QFETCH(QString, text);
        QFETCH(int, linesPerParagraph);
        QFETCH(int, paragraphs);
        QTextDocument document;
        document.setPlainText(OperationText::gatheredParagraphs(text, linesPerParagraph));
        QCOMPARE(document.toPlainText(), text);
        QCOMPARE(document.blockCount(), paragraphs);
    }

    void slipView_longSlip_showsEveryLine_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("view");
        QTest::newRow("authorization") << "pbtnAuthorization" << "teAuthSlip";
        QTest::newRow("service operation") << "pbtnExecute" << "teAuthSlip";
        QTest::newRow("report end") << "pbtnReportEnd" << "teReportSlip";
    }
    void slipView_longSlip_showsEveryLine()
    {
        QFETCH(QString, button);
        QFETCH(QString, view);
        FakeBench bench;
        bench.addPaycard(&bench.paycard);
        const QStringList lines = numberedLines(300, 24);
        bench.paycard.strings.insert("slipText", lines.join(QString()));
        bench.paycard.ints.insert("charLineLength", 24);
        bench.click(qPrintable(button));
        QCOMPARE(bench.text(qPrintable(view)).split('\n'), lines);
    }

    // Laid out without the shaper, a plain slip looks as it does shaped; one
    // with combining marks is shaped.
    void slipView_unshaped_looksAsShaped()
    {
        FakeBench bench;
        bench.addPaycard(&bench.paycard);
        const QString line = QStringLiteral("*ЧЕК* 1 234,56 RUB fi ffi => ёЙ «№» — € ©");
        bench.paycard.strings.insert("slipText", line.repeated(99));
        auto *view = bench.child<QTextEdit>("teAuthSlip");
        bench.click("pbtnAuthorization");
        QVERIFY(view->font().styleStrategy() & QFont::PreferNoShaping);
        const QImage unshaped = view->grab().toImage();
        view->setFont(QFont(view->font().family()));
        QCOMPARE(view->grab().toImage(), unshaped);
        QVERIFY(!OperationText::laysOutUnshaped(QStringLiteral("и\u0306 x\u0308")));
    }
};

BENCH_TEST_MAIN(SlipParagraphsTest)
#include "tst_slipparagraphs.moc"
