// The authorization page used as an engineer uses it, against the simulated
// terminal: the amount's kopecks choose the terminal's answer.
#include "benchtest.h"
#include "benchwindow.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QTabWidget>

namespace {

QStringList labelsOf(const QString &result)
{
    QStringList labels;
    for (const QString &line : result.split('\n', Qt::SkipEmptyParts))
        labels.append(line.section(':', 0, 0));
    return labels;
}

QString valueOf(const QString &result, const QString &label)
{
    for (const QString &line : result.split('\n')) {
        if (line.startsWith(label + ": "))
            return line.mid(label.size() + 2);
    }
    return QString();
}

} // namespace

class AuthorizationSimTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { bench = std::make_unique<SimBench>(); }
    void cleanup() { bench.reset(); }

    void fillThenAuthorize_approvedShowsStandardFieldsAndSlip()
    {
        bench->click("pbtnFillAuthorizationFields");
        bench->click("pbtnAuthorization");

        QCOMPARE(bench->error(), QString());
        const QString result = bench->text("teAuthResult");
        QCOMPARE(labelsOf(result), (QStringList{"Код ответа", "Код авторизации", "Идентификатор транзакции",
                                                "Дата транзакции", "Время транзакции", "Идентификатор терминала",
                                                "Ссылочный номер", "Номер карты", "Тип карты"}));
        QCOMPARE(valueOf(result, "Код ответа"), QStringLiteral("0"));
        QVERIFY(!valueOf(result, "Код авторизации").isEmpty());
        QCOMPARE(tabs()->currentWidget(), bench->child<QWidget>("tabAuthResult"));
        const QStringList slip = bench->text("teAuthSlip").split('\n');
        QVERIFY(slip.size() > 3);
        for (const QString &line : slip)
            QCOMPARE(line.size(), 35);
        QVERIFY(takeAnsweredDialogs().isEmpty());
    }

    void amountScenario_refusedOrUnanswered_data()
    {
        QTest::addColumn<double>("sum");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("responseCode"); // empty: no fields shown
        QTest::newRow("refused by the issuer") << 10.05 << "[-210] Операция отклонена" << "5";
        QTest::newRow("no host connection") << 10.91 << "[10053] Нет связи с хостом" << QString();
        QTest::newRow("cancelled on the pinpad") << 10.93 << "[-10051] Операция отменена на пинпаде" << QString();
    }

    void amountScenario_refusedOrUnanswered()
    {
        QFETCH(double, sum);
        QFETCH(QString, error);
        QFETCH(QString, responseCode);
        bench->click("pbtnFillAuthorizationFields");
        bench->child<QDoubleSpinBox>("spinSum")->setValue(sum);
        bench->click("pbtnAuthorization");

        QVERIFY2(bench->error().startsWith(error), qPrintable(bench->error()));
        const QString result = bench->text("teAuthResult");
        if (responseCode.isEmpty()) {
            QCOMPARE(result, QString());
            QCOMPARE(tabs()->currentWidget(), bench->child<QWidget>("tabAuthParams"));
        } else {
            QCOMPARE(valueOf(result, "Код ответа"), responseCode);
            QVERIFY2(!valueOf(result, "Номер карты").isEmpty(), qPrintable(result));
            QCOMPARE(tabs()->currentWidget(), bench->child<QWidget>("tabAuthResult"));
        }
        QVERIFY(!bench->text("teAuthSlip").isEmpty());
    }

    void refund_needsReferenceOfEarlierPayment()
    {
        bench->click("pbtnFillAuthorizationFields");
        bench->child<QDoubleSpinBox>("spinSum")->setValue(3);
        bench->click("pbtnAuthorization");
        const QString reference = valueOf(bench->text("teAuthResult"), "Ссылочный номер");
        QVERIFY(!reference.isEmpty());

        bench->child<QComboBox>("cmbOperationType")->setCurrentIndex(1);
        bench->child<QDoubleSpinBox>("spinSum")->setValue(1);
        bench->click("pbtnAuthorization");
        QVERIFY2(bench->error().contains("Ссылочный номер"), qPrintable(bench->error()));

        // A value that looks like markup comes back from the driver as it went in.
        const QString markup = "<b>1&2</b>";
        bench->child<QLineEdit>("leReferenceNumber")->setText(markup);
        bench->click("pbtnAuthorization");
        QVERIFY2(bench->error().startsWith("[-202] ") && bench->error().contains(markup), qPrintable(bench->error()));
        QCOMPARE(bench->child<QLabel>("errorLabel")->textFormat(), Qt::PlainText);

        bench->child<QLineEdit>("leReferenceNumber")->setText(reference);
        bench->click("pbtnAuthorization");
        QCOMPARE(bench->error(), QString());
        QCOMPARE(valueOf(bench->text("teAuthResult"), "Код ответа"), QStringLiteral("0"));
    }

    void serviceOperation_showsResponseCodeAndSlip()
    {
        bench->child<QLabel>("errorLabel")->setText("old");
        bench->click("pbtnExecute");
        QCOMPARE(bench->error(), QString());
        QCOMPARE(bench->text("teAuthResult"), QStringLiteral("Код ответа: 0\n"));
        QVERIFY(!bench->text("teAuthSlip").isEmpty());
    }

    void protocol2_showsCommissionOperatorAndSlipNumber()
    {
        SimBench::setParameter(bench->paycard(), "Protocol", "2");
        bench->click("pbtnFillAuthorizationFields");
        bench->child<QDoubleSpinBox>("spinSum")->setValue(250);
        bench->click("pbtnAuthorization");

        QCOMPARE(bench->error(), QString());
        const QString result = bench->text("teAuthResult");
        QCOMPARE(labelsOf(result), (QStringList{"Код ответа", "Код авторизации", "Идентификатор транзакции",
                                                "Дата транзакции", "Время транзакции", "Код точки", "Комиссия",
                                                "Имя оператора", "Номер слипа", "Ссылочный номер",
                                                "Идентификатор суммы", "Идентификатор комиссии"}));
        QCOMPARE(valueOf(result, "Комиссия"), QStringLiteral("2.50"));
        QCOMPARE(valueOf(result, "Код точки"), QStringLiteral("000001"));
        QVERIFY(!valueOf(result, "Имя оператора").isEmpty());
        QVERIFY(valueOf(result, "Номер слипа").toInt() > 0);
    }

private:
    QTabWidget *tabs() const { return bench->child<QTabWidget>("twAuthorization"); }

    std::unique_ptr<SimBench> bench;
};

BENCH_TEST_MAIN(AuthorizationSimTest)
#include "tst_authorization_sim.moc"
