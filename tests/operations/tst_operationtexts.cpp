// Result and slip texts from plain values: no window, no driver.
#include "benchtest.h"
#include "exception.h"
#include "operationtexts.h"

using OperationText::ResponseField;

namespace {

using F = ResponseField;

// Each field's line label and the value the reader gives for it; the two
// number fields answer with numbers, to see them formatted.
const QHash<QString, QPair<F, QString>> fieldOf = {
    {"A", {F::AuthorizationCode, "Код авторизации"}}, {"T", {F::TransactionId, "Идентификатор транзакции"}},
    {"D", {F::TransactionDate, "Дата транзакции"}},   {"Tm", {F::TransactionTime, "Время транзакции"}},
    {"Ti", {F::TerminalId, "Идентификатор терминала"}}, {"R", {F::ReferenceNumber, "Ссылочный номер"}},
    {"C", {F::CardNumber, "Номер карты"}},             {"Ct", {F::CardType, "Тип карты"}},
    {"E", {F::CardExpiryDate, "Срок действия карты"}}, {"P", {F::PointCode, "Код точки"}},
    {"K", {F::Commission, "Комиссия"}},                {"O", {F::OperatorName, "Имя оператора"}},
    {"S", {F::SlipNumber, "Номер слипа"}},             {"Ai", {F::AmountId, "Идентификатор суммы"}},
    {"Ci", {F::CommissionId, "Идентификатор комиссии"}},
};

QVariant fieldValue(F field)
{
    if (field == F::Commission)
        return 12.5;
    if (field == F::SlipNumber)
        return 7;
    for (auto it = fieldOf.cbegin(); it != fieldOf.cend(); ++it) {
        if (it.value().first == field)
            return it.key();
    }
    return QVariant();
}

QString expectedLine(const QString &key)
{
    const QString value = key == "K" ? "12.50" : key == "S" ? "7" : key;
    return fieldOf.value(key).second + ": " + value + '\n';
}

} // namespace

class OperationTextsTest : public QObject
{
    Q_OBJECT

private slots:
    void authorizationResult_linesOfProtocolGroup_data()
    {
        QTest::addColumn<int>("protocol");
        QTest::addColumn<QString>("keys"); // empty: not supported

        const QString standard = "A T D Tm Ti R C Ct";
        const QString services = "A T D Tm P K O S R Ai Ci";
        const QString brief = "A T D Tm C Ct R";
        const QString expiry = "A Ti D Tm R C Ct E";
        const QString expirySlip = "A Ti D Tm S R C Ct E";
        const QString byProtocol[] = {standard, QString(), services, QString(), brief, QString(), expiry,
                                      expirySlip, standard, expiry, brief, brief, standard, expiry};
        QTest::newRow("-1") << -1 << QString();
        for (int protocol = 0; protocol <= 13; ++protocol)
            QTest::newRow(qPrintable(QString::number(protocol))) << protocol << byProtocol[protocol];
        QTest::newRow("14") << 14 << QString();
    }

    void authorizationResult_linesOfProtocolGroup()
    {
        QFETCH(int, protocol);
        QFETCH(QString, keys);

        QList<ResponseField> read;
        const auto reader = [&read](ResponseField field) {
            read.append(field);
            return fieldValue(field);
        };
        if (keys.isEmpty()) {
            try {
                OperationText::authorizationResultText(0, protocol, reader);
                QFAIL("an unsupported protocol must throw");
            } catch (const Exception &e) {
                QCOMPARE(e.message(), QStringLiteral("Протокол не поддерживается"));
            }
            QVERIFY(read.isEmpty());
            return;
        }
        QString expected = QStringLiteral("Код ответа: -3\n");
        for (const QString &key : keys.split(' '))
            expected += expectedLine(key);
        QCOMPARE(OperationText::authorizationResultText(-3, protocol, reader), expected);
        QCOMPARE(read.size(), keys.split(' ').size());
    }

    void slipView_brokenEveryWidthCharacters_data()
    {
        QTest::addColumn<QString>("slip");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("expected");

        const QString a(35, 'a'), b(35, 'b'), c(5, 'c');
        QTest::newRow("two full lines") << a + b << 35 << a + '\n' + b;
        QTest::newRow("short last line") << a + b + c << 35 << a + '\n' + b + '\n' + c;
        QTest::newRow("negative width") << a + b << -35 << a + '\n' + b;
        QTest::newRow("exactly one line") << a << 35 << a;
        QTest::newRow("width 1") << "xyz" << 1 << "x\ny\nz";
        QTest::newRow("width 0: one line") << a + b << 0 << a + b;
        QTest::newRow("smallest int") << a << int(std::numeric_limits<int>::min()) << a;
        QTest::newRow("empty") << QString() << 35 << QString();
        QTest::newRow("empty, width 0") << QString() << 0 << QString();
    }

    void slipView_brokenEveryWidthCharacters()
    {
        QFETCH(QString, slip);
        QFETCH(int, width);
        QFETCH(QString, expected);
        QCOMPARE(OperationText::slipViewText(slip, width), expected);
    }
};

BENCH_TEST_MAIN(OperationTextsTest)
#include "tst_operationtexts.moc"
