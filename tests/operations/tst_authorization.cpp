// The authorization page against a recording terminal: which calls, in
// which order, and what the page shows after each kind of failure.
#include "benchtest.h"
#include "benchwindow.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>

namespace {

// What the page sends for the fields filled in by setFields().
const QStringList authorizationInputs = {
    "setAuthorizationType(3)", "setOperationType(1)", "setSum(12.34)", "setCurrencyCode(978)",
    "setReferenceNumber(REF 1)", "setCharLineLength(20)", "setAccountNumber()", "setPhoneNumber(+7 900)",
    "setTrack2(;4000=2512?)", "setEcrReceiptNumber(77)", "authorize()", "completeAuthorization()"};
const QStringList failureFetch = {"resultCode()", "resultDescription(1024)", "badParam()"};
// The result of a protocol 4 terminal.
const QStringList briefResult = {"responseCode()", "parameter(Protocol, 1024)", "authorizationCode(1024)",
                                 "transactionId(1024)", "transactionDate(1024)", "transactionTime(1024)",
                                 "cardNumber(1024)", "cardType(1024)", "referenceNumber(1024)"};
const QStringList slipRead = {"slipText(1024)", "charLineLength()"};
const QString slipView = QString(20, 'x') + '\n' + QString(5, 'y');

} // namespace

class AuthorizationTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        bench = std::make_unique<FakeBench>();
        bench->addPaycard(&bench->paycard);
        FakePaycard &fake = bench->paycard;
        fake.parameters.insert("Protocol", "4");
        fake.ints.insert("responseCode", 0);
        fake.strings.insert("authorizationCode", "A1");
        fake.strings.insert("cardType", "<b>Tom & Jerry</b>");
        fake.strings.insert("slipText", QString(20, 'x') + QString(5, 'y'));
        fake.ints.insert("charLineLength", 20);
        bench->child<QLabel>("errorLabel")->setText("old");
    }
    void cleanup() { bench.reset(); }

    void authorization_sequenceUpToFirstFailure_thenFieldsAndSlip_data()
    {
        QTest::addColumn<int>("failingStep"); // -1: none fails
        QTest::newRow("all done") << -1;
        for (int step = 0; step < authorizationInputs.size(); ++step)
            QTest::newRow(qPrintable(authorizationInputs[step])) << step;
    }

    void authorization_sequenceUpToFirstFailure_thenFieldsAndSlip()
    {
        QFETCH(int, failingStep);
        setFields();
        QStringList expected = authorizationInputs;
        if (failingStep >= 0) {
            bench->paycard.results.insert(authorizationInputs[failingStep].section('(', 0, 0), -1);
            bench->paycard.failWith(-7, "Сбой", "Поле");
            expected = (authorizationInputs.mid(0, failingStep + 1) + failureFetch)
                       << "badParamDescription(1024)" << "resultCode()";
        }
        bench->click("pbtnAuthorization");

        QCOMPARE(bench->paycard.calls, expected << briefResult << slipRead);
        QCOMPARE(bench->error(), failingStep < 0 ? QString() : QStringLiteral("[-7] Сбой (Поле)"));
        const QString result = bench->text("teAuthResult");
        QVERIFY2(result.startsWith("Код ответа: 0\nКод авторизации: A1\n"), qPrintable(result));
        QVERIFY2(result.contains("\nТип карты: <b>Tom & Jerry</b>\n"), qPrintable(result));
        QCOMPARE(tabs()->currentWidget(), bench->child<QWidget>("tabAuthResult"));
        QCOMPARE(bench->text("teAuthSlip"), slipView);
    }

    void authorization_noSelection_sendsMinusOne()
    {
        bench->child<QComboBox>("cmbAuthType")->setCurrentIndex(-1);
        bench->child<QComboBox>("cmbOperationType")->setCurrentIndex(-1);
        bench->click("pbtnAuthorization");
        QCOMPARE(bench->paycard.calls.mid(0, 2), (QStringList{"setAuthorizationType(-1)", "setOperationType(-1)"}));
    }

    void authorization_failureResultCode_decidesWhetherFieldsShow_data()
    {
        QTest::addColumn<int>("resultCode");
        QTest::addColumn<bool>("fieldsShown");
        QTest::newRow("refused") << -210 << true;
        QTest::newRow("host timeout") << -10052 << false;
        QTest::newRow("cancelled on pinpad") << -10051 << false;
        QTest::newRow("pinpad silent") << -10050 << false;
        QTest::newRow("next to the range") << -10049 << true;
        QTest::newRow("no host connection") << 10053 << false;
        QTest::newRow("its negative") << -10053 << true;
    }

    void authorization_failureResultCode_decidesWhetherFieldsShow()
    {
        QFETCH(int, resultCode);
        QFETCH(bool, fieldsShown);
        bench->paycard.results.insert("authorize", -1);
        bench->paycard.failWith(resultCode, "Нет");
        bench->paycard.ints.insert("responseCode", -1);
        bench->click("pbtnAuthorization");

        QCOMPARE(bench->error(), QStringLiteral("[%1] Нет").arg(resultCode));
        const QString result = bench->text("teAuthResult");
        QCOMPARE(result.startsWith("Код ответа: -1\nКод авторизации: A1\n"), fieldsShown);
        QCOMPARE(result.isEmpty(), !fieldsShown);
        QCOMPARE(tabs()->currentWidget() == bench->child<QWidget>("tabAuthResult"), fieldsShown);
        QCOMPARE(bench->text("teAuthSlip"), slipView);
    }

    void authorization_unsupportedProtocol_reportedOnceViewsEmpty()
    {
        bench->paycard.parameters.insert("Protocol", "5");
        bench->click("pbtnAuthorization");
        QCOMPARE(bench->error(), QStringLiteral("Протокол не поддерживается"));
        QCOMPARE(bench->text("teAuthResult"), QString());
        QCOMPARE(tabs()->currentWidget(), bench->child<QWidget>("tabAuthParams"));
        QCOMPARE(bench->text("teAuthSlip"), slipView);
    }

    void serviceOperation_sendsTypeOnly_failureStillShowsCode_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("done") << QString() << QStringList{"setServiceOperationType(3)", "executeServiceOperation()"};
        QTest::newRow("type refused") << "setServiceOperationType"
                                      << QStringList{"setServiceOperationType(3)"} + failureFetch;
        QTest::newRow("operation refused")
            << "executeServiceOperation"
            << QStringList{"setServiceOperationType(3)", "executeServiceOperation()"} + failureFetch;
    }

    void serviceOperation_sendsTypeOnly_failureStillShowsCode()
    {
        QFETCH(QString, failing);
        QFETCH(QStringList, calls);
        bench->child<QComboBox>("cmbServiceOperationType")->setCurrentIndex(3);
        bench->paycard.ints.insert("responseCode", -12);
        if (!failing.isEmpty()) {
            bench->paycard.results.insert(failing, -1);
            bench->paycard.failWith(-9, "Нет");
        }
        bench->click("pbtnExecute");

        QCOMPARE(bench->paycard.calls, calls << "responseCode()" << slipRead);
        QCOMPARE(bench->error(), failing.isEmpty() ? QString() : QStringLiteral("[-9] Нет"));
        QCOMPARE(bench->text("teAuthResult"), QStringLiteral("Код ответа: -12\n"));
        QCOMPARE(tabs()->currentWidget(), bench->child<QWidget>("tabAuthResult"));
        QCOMPARE(bench->text("teAuthSlip"), slipView);
    }

    void fill_choosesTypesByProtocol_leavesOtherFields_data()
    {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QString>("authType");
        QTest::addColumn<QString>("operationType");
        QTest::newRow("0") << "0" << "2 - Ридером по PIN" << "0 - Оплата";
        QTest::newRow("2") << "2" << "1 - Вручную по подписи" << "9 - Оплата услуг";
        QTest::newRow("not a number") << "два" << "2 - Ридером по PIN" << "0 - Оплата";
    }

    void fill_choosesTypesByProtocol_leavesOtherFields()
    {
        QFETCH(QString, protocol);
        QFETCH(QString, authType);
        QFETCH(QString, operationType);
        bench->paycard.parameters.insert("Protocol", protocol);
        setFields();
        bench->child<QLineEdit>("leCashierName")->setText("Иванов");
        bench->click("pbtnFillAuthorizationFields");

        QCOMPARE(bench->paycard.calls, QStringList{"parameter(Protocol, 1024)"});
        QCOMPARE(bench->child<QComboBox>("cmbAuthType")->currentText(), authType);
        QCOMPARE(bench->child<QComboBox>("cmbOperationType")->currentText(), operationType);
        QCOMPARE(bench->child<QDoubleSpinBox>("spinSum")->value(), 1.0);
        QCOMPARE(bench->child<QLineEdit>("leCardNumber")->text(), QStringLiteral("9999999999999995"));
        QCOMPARE(bench->child<QLineEdit>("leCurrencyNumber")->text(), QStringLiteral("643"));
        QCOMPARE(bench->child<QLineEdit>("leBarcode")->text(), QStringLiteral("0012345678"));
        for (const char *cleared : {"leReferenceNumber", "lePhoneNumber", "leCashierName"})
            QCOMPARE(bench->child<QLineEdit>(cleared)->text(), QString());
        // Fields the fill leaves as they were.
        QCOMPARE(bench->child<QLineEdit>("leTrack2")->text(), QStringLiteral(";4000=2512?"));
        QCOMPARE(bench->child<QSpinBox>("spinCharLineLength")->value(), 20);
        QCOMPARE(bench->error(), QStringLiteral("old"));
    }

    void noDriverObject_eachButtonSaysSoAndNothingElse_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("withDevice");
        for (const char *button : {"pbtnAuthorization", "pbtnExecute", "pbtnFillAuthorizationFields"}) {
            QTest::newRow(qPrintable(QString(button) + " no device")) << button << false;
            QTest::newRow(qPrintable(QString(button) + " no driver object")) << button << true;
        }
    }

    void noDriverObject_eachButtonSaysSoAndNothingElse()
    {
        QFETCH(QString, button);
        QFETCH(bool, withDevice);
        bench->window->paycardDeviceList()->clear();
        if (withDevice)
            bench->addPaycard(nullptr);
        bench->child<QLineEdit>("leCardNumber")->setText("1");
        bench->click(qPrintable(button));

        QCOMPARE(bench->error(), QStringLiteral("Несуществующее устройство"));
        QCOMPARE(bench->text("teAuthResult"), QString());
        QCOMPARE(bench->text("teAuthSlip"), QString());
        QCOMPARE(bench->child<QLineEdit>("leCardNumber")->text(), QStringLiteral("1"));
        QCOMPARE(tabs()->currentWidget(), bench->child<QWidget>("tabAuthParams"));
    }

    void clearButtons_emptyTheirOwnView()
    {
        bench->child<QTextEdit>("teAuthResult")->setPlainText("r");
        bench->child<QTextEdit>("teAuthSlip")->setPlainText("s");
        bench->click("pbtnClearAuthResult");
        QCOMPARE(bench->text("teAuthResult") + bench->text("teAuthSlip"), QStringLiteral("s"));
        bench->click("pbtnClearAuthSlip");
        QCOMPARE(bench->text("teAuthSlip"), QString());
    }

private:
    QTabWidget *tabs() const { return bench->child<QTabWidget>("twAuthorization"); }

    void setFields() const
    {
        bench->child<QComboBox>("cmbAuthType")->setCurrentIndex(3);
        bench->child<QComboBox>("cmbOperationType")->setCurrentIndex(1);
        bench->child<QDoubleSpinBox>("spinSum")->setValue(12.34);
        bench->child<QLineEdit>("leCurrencyNumber")->setText("978");
        bench->child<QLineEdit>("leReferenceNumber")->setText("REF 1");
        bench->child<QSpinBox>("spinCharLineLength")->setValue(20);
        bench->child<QLineEdit>("leAccountNumber")->clear();
        bench->child<QLineEdit>("lePhoneNumber")->setText("+7 900");
        bench->child<QLineEdit>("leTrack2")->setText(";4000=2512?");
        bench->child<QSpinBox>("spinECRReceiptNumber")->setValue(77);
    }

    std::unique_ptr<FakeBench> bench;
};

BENCH_TEST_MAIN(AuthorizationTest)
#include "tst_authorization.moc"
