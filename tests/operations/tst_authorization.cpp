// The authorization page against a recording terminal: which calls, in
// which order, and what the page shows after each kind of failure.
#include "benchtest.h"
#include "fakebench.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>

namespace {

// What the page sends for the fields filled in by setFields().
const QStringList authorizationInputs = {
    "setAuthorizationType(3)", "setOperationType(1)", "setSum(12.34)", "setCurrencyCode(978)",
    "setReferenceNumber(REF 1)", "setCharLineLength(20)", "setAccountNumber()", "setPhoneNumber(+7 900)",
    "setTrack2(;4000=2512?)", "setEcrReceiptNumber(77)", "authorize()", "completeAuthorization()"};
// Reading the failure of a refused call.
const QStringList failureFetch = {"resultCode()", "resultDescription(1024)", "badParam()"};
// The result of a protocol 4 terminal, then its slip.
const QStringList briefResult = {"responseCode()", "parameter(Protocol, 1024)", "authorizationCode(1024)",
                                 "transactionId(1024)", "transactionDate(1024)", "transactionTime(1024)",
                                 "cardNumber(1024)", "cardType(1024)", "referenceNumber(1024)"};
const QStringList slipRead = {"slipText(1024)", "charLineLength()"};

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
        fake.strings.insert("slipText", QString(20, 'x') + QString(5, 'y'));
        fake.ints.insert("charLineLength", 20);
    }
    void cleanup() { bench.reset(); }

    void authorization_sendsFieldsInOrderThenShowsResultAndSlip()
    {
        setFields();
        bench->paycard.strings.insert("cardType", "<b>Tom & Jerry</b>");
        bench->child<QLabel>("errorLabel")->setText("old");
        bench->click("pbtnAuthorization");

        QCOMPARE(bench->paycard.calls, authorizationInputs + briefResult + slipRead);
        QCOMPARE(bench->error(), QString());
        const QString result = bench->child<QTextEdit>("teAuthResult")->toPlainText();
        QVERIFY2(result.startsWith("Код ответа: 0\nКод авторизации: A1\n"), qPrintable(result));
        QVERIFY2(result.contains("\nТип карты: <b>Tom & Jerry</b>\n"), qPrintable(result));
        QCOMPARE(tabs()->currentWidget(), bench->child<QWidget>("tabAuthResult"));
        QCOMPARE(bench->child<QTextEdit>("teAuthSlip")->toPlainText(), QString(20, 'x') + '\n' + QString(5, 'y'));
    }

    void authorization_noSelection_sendsMinusOne()
    {
        bench->child<QComboBox>("cmbAuthType")->setCurrentIndex(-1);
        bench->child<QComboBox>("cmbOperationType")->setCurrentIndex(-1);
        bench->click("pbtnAuthorization");
        QCOMPARE(bench->paycard.calls.mid(0, 2), (QStringList{"setAuthorizationType(-1)", "setOperationType(-1)"}));
    }

    void authorization_failureAtEachStep_endsSequenceShowsFieldsAndSlip_data()
    {
        QTest::addColumn<int>("step");
        for (int step = 0; step < authorizationInputs.size(); ++step)
            QTest::newRow(qPrintable(authorizationInputs[step])) << step;
    }

    void authorization_failureAtEachStep_endsSequenceShowsFieldsAndSlip()
    {
        QFETCH(int, step);
        setFields();
        const QString operation = authorizationInputs[step].section('(', 0, 0);
        bench->paycard.results.insert(operation, -1);
        bench->paycard.failWith(-7, "Сбой", "Поле");
        bench->click("pbtnAuthorization");

        QCOMPARE(bench->paycard.calls,
                 (authorizationInputs.mid(0, step + 1) + failureFetch)
                     << "badParamDescription(1024)" << "resultCode()" << briefResult << slipRead);
        QCOMPARE(bench->error(), QStringLiteral("[-7] Сбой (Поле)"));
        QVERIFY(bench->child<QTextEdit>("teAuthResult")->toPlainText().startsWith("Код ответа: 0\nКод авторизации: A1\n"));
        QCOMPARE(bench->child<QTextEdit>("teAuthSlip")->toPlainText(), QString(20, 'x') + '\n' + QString(5, 'y'));
    }

    void authorization_failureResultCode_decidesWhetherFieldsShow_data()
    {
        QTest::addColumn<int>("resultCode");
        QTest::addColumn<bool>("fieldsShown");
        QTest::newRow("refused") << -210 << true;
        QTest::newRow("host timeout") << -10052 << false;
        QTest::newRow("cancelled on pinpad") << -10051 << false;
        QTest::newRow("pinpad silent") << -10050 << false;
        QTest::newRow("no host connection") << 10053 << false;
        QTest::newRow("next to the range") << -10049 << true;
    }

    void authorization_failureResultCode_decidesWhetherFieldsShow()
    {
        QFETCH(int, resultCode);
        QFETCH(bool, fieldsShown);
        bench->paycard.results.insert("authorize", -1);
        bench->paycard.failWith(resultCode, "Нет");
        bench->paycard.ints.insert("responseCode", -1);
        bench->child<QTextEdit>("teAuthResult")->setPlainText("earlier");
        bench->click("pbtnAuthorization");

        QCOMPARE(bench->error(), QStringLiteral("[%1] Нет").arg(resultCode));
        const QString result = bench->child<QTextEdit>("teAuthResult")->toPlainText();
        QCOMPARE(result.startsWith("Код ответа: -1\n"), fieldsShown);
        QCOMPARE(result.isEmpty(), !fieldsShown);
        QCOMPARE(tabs()->currentIndex() == tabs()->indexOf(bench->child<QWidget>("tabAuthResult")), fieldsShown);
        QVERIFY(!bench->child<QTextEdit>("teAuthSlip")->toPlainText().isEmpty());
    }

    void authorization_unsupportedProtocol_reportedOnceViewsEmpty()
    {
        bench->paycard.parameters.insert("Protocol", "5");
        bench->click("pbtnAuthorization");
        QCOMPARE(bench->error(), QStringLiteral("Протокол не поддерживается"));
        QCOMPARE(bench->child<QTextEdit>("teAuthResult")->toPlainText(), QString());
        QCOMPARE(tabs()->currentWidget(), bench->child<QWidget>("tabAuthParams"));
        QCOMPARE(bench->paycard.calls.mid(bench->paycard.calls.size() - 2), slipRead);
    }

    void serviceOperation_sendsTypeOnly_failureStillShowsCode_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("error");
        const QStringList fetch = failureFetch;
        QTest::newRow("done") << QString() << QStringList{"setServiceOperationType(3)", "executeServiceOperation()"}
                              << QString();
        QTest::newRow("type refused") << "setServiceOperationType"
                                      << QStringList{"setServiceOperationType(3)"} + fetch << "[-9] Нет";
        QTest::newRow("operation refused") << "executeServiceOperation"
                                           << QStringList{"setServiceOperationType(3)", "executeServiceOperation()"} + fetch
                                           << "[-9] Нет";
    }

    void serviceOperation_sendsTypeOnly_failureStillShowsCode()
    {
        QFETCH(QString, failing);
        QFETCH(QStringList, calls);
        QFETCH(QString, error);
        bench->child<QComboBox>("cmbServiceOperationType")->setCurrentIndex(3);
        bench->paycard.ints.insert("responseCode", -12);
        if (!failing.isEmpty()) {
            bench->paycard.results.insert(failing, -1);
            bench->paycard.failWith(-9, "Нет");
        }
        bench->child<QLabel>("errorLabel")->setText("old");
        bench->click("pbtnExecute");

        QCOMPARE(bench->paycard.calls, QStringList(calls) << "responseCode()" << slipRead);
        QCOMPARE(bench->error(), error);
        QCOMPARE(bench->child<QTextEdit>("teAuthResult")->toPlainText(), QStringLiteral("Код ответа: -12\n"));
        QCOMPARE(tabs()->currentWidget(), bench->child<QWidget>("tabAuthResult"));
        QCOMPARE(bench->child<QTextEdit>("teAuthSlip")->toPlainText(), QString(20, 'x') + '\n' + QString(5, 'y'));
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
        bench->child<QLineEdit>("leTrack1")->setText("T1");
        bench->child<QSpinBox>("spinSlipNumber")->setValue(6);
        bench->child<QLabel>("errorLabel")->setText("old");
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
        QCOMPARE(bench->child<QLineEdit>("leTrack2")->text(), QStringLiteral(";4000=2512?"));
        QCOMPARE(bench->child<QLineEdit>("leTrack1")->text(), QStringLiteral("T1"));
        QCOMPARE(bench->child<QSpinBox>("spinCharLineLength")->value(), 20);
        QCOMPARE(bench->child<QSpinBox>("spinSlipNumber")->value(), 6);
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
        const int tab = tabs()->currentIndex();
        bench->click(qPrintable(button));

        QCOMPARE(bench->error(), QStringLiteral("Несуществующее устройство"));
        QCOMPARE(bench->child<QTextEdit>("teAuthResult")->toPlainText(), QString());
        QCOMPARE(bench->child<QTextEdit>("teAuthSlip")->toPlainText(), QString());
        QCOMPARE(bench->child<QLineEdit>("leCardNumber")->text(), QStringLiteral("1"));
        QCOMPARE(tabs()->currentIndex(), tab);
    }

    void clearButtons_emptyTheirView()
    {
        auto *result = bench->child<QTextEdit>("teAuthResult");
        auto *slip = bench->child<QTextEdit>("teAuthSlip");
        result->setPlainText("r");
        slip->setPlainText("s");
        bench->click("pbtnClearAuthResult");
        QCOMPARE(result->toPlainText(), QString());
        QCOMPARE(slip->toPlainText(), QStringLiteral("s"));
        bench->click("pbtnClearAuthSlip");
        QCOMPARE(slip->toPlainText(), QString());
    }

private:
    QTabWidget *tabs() const { return bench->child<QTabWidget>("twAuthorization"); }

    void setFields()
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
