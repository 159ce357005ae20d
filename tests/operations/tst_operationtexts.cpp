// Result and slip texts from plain values: no window, no driver.
#include "benchtest.h"
#include "exception.h"
#include "operationtexts.h"

using OperationText::ResponseField;

namespace {

// Each field answers with a value naming it, so a line shows which field it
// was read from; the two number fields answer with numbers.
QVariant fieldValue(ResponseField field)
{
    switch (field) {
    case ResponseField::Commission:
        return 12.5;
    case ResponseField::SlipNumber:
        return 7;
    default:
        return QStringLiteral("v%1").arg(int(field));
    }
}

const QHash<QString, QString> lineOf = {
    {"A", QString("Код авторизации: v%1").arg(int(ResponseField::AuthorizationCode))},
    {"T", QString("Идентификатор транзакции: v%1").arg(int(ResponseField::TransactionId))},
    {"D", QString("Дата транзакции: v%1").arg(int(ResponseField::TransactionDate))},
    {"Tm", QString("Время транзакции: v%1").arg(int(ResponseField::TransactionTime))},
    {"Ti", QString("Идентификатор терминала: v%1").arg(int(ResponseField::TerminalId))},
    {"R", QString("Ссылочный номер: v%1").arg(int(ResponseField::ReferenceNumber))},
    {"C", QString("Номер карты: v%1").arg(int(ResponseField::CardNumber))},
    {"Ct", QString("Тип карты: v%1").arg(int(ResponseField::CardType))},
    {"E", QString("Срок действия карты: v%1").arg(int(ResponseField::CardExpiryDate))},
    {"P", QString("Код точки: v%1").arg(int(ResponseField::PointCode))},
    {"K", QString("Комиссия: 12.50")},
    {"O", QString("Имя оператора: v%1").arg(int(ResponseField::OperatorName))},
    {"S", QString("Номер слипа: 7")},
    {"Ai", QString("Идентификатор суммы: v%1").arg(int(ResponseField::AmountId))},
    {"Ci", QString("Идентификатор комиссии: v%1").arg(int(ResponseField::CommissionId))},
};

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
            expected += lineOf.value(key) + '\n';
        QCOMPARE(OperationText::authorizationResultText(-3, protocol, reader), expected);
        QCOMPARE(read.size(), keys.split(' ').size());
    }

    void authorizationResult_emptyValue_nothingAfterColon()
    {
        const auto empty = [](ResponseField) { return QVariant(QString()); };
        QCOMPARE(OperationText::authorizationResultText(5, 4, empty),
                 QStringLiteral("Код ответа: 5\nКод авторизации: \nИдентификатор транзакции: \nДата транзакции: \n"
                                "Время транзакции: \nНомер карты: \nТип карты: \nСсылочный номер: \n"));
    }

    void hasResponseFields_notForTheNoAnswerCodes_data()
    {
        QTest::addColumn<int>("resultCode");
        QTest::addColumn<bool>("fields");
        QTest::newRow("-10053") << -10053 << true;
        QTest::newRow("-10052") << -10052 << false;
        QTest::newRow("-10051") << -10051 << false;
        QTest::newRow("-10050") << -10050 << false;
        QTest::newRow("-10049") << -10049 << true;
        QTest::newRow("10053") << 10053 << false;
        QTest::newRow("10052") << 10052 << true;
        QTest::newRow("-210 refused") << -210 << true;
        QTest::newRow("0") << 0 << true;
    }

    void hasResponseFields_notForTheNoAnswerCodes()
    {
        QFETCH(int, resultCode);
        QFETCH(bool, fields);
        QCOMPARE(OperationText::hasResponseFields(resultCode), fields);
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
