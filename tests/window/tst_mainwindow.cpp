// The main window as start-up leaves it. Runs from bin/nodrivers: without a
// payment-terminal library the default device cannot be set up, which the
// window reports in one critical box that every test closes.
#include "benchtest.h"
#include "dialogs.h"
#include "paycardmainwindow.h"
#include "squeezedlabel.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>

#include <memory>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startUp_withoutPaycardLibrary_reportsNonexistentDevice();
    void startUp_showsAuthorizationSectionAndFirstTabs();
    void title_formTitleFollowedByVersion();
    void sectionButtons_clickSequence_exactlyLastOneChecked_data();
    void sectionButtons_clickSequence_exactlyLastOneChecked();
    void spinBoxes_limits_data();
    void spinBoxes_limits();
    void codeCombos_filledWithCodesAndData_data();
    void codeCombos_filledWithCodesAndData();
    void fields_initialValues_data();
    void fields_initialValues();
    void tabKey_fromField_movesToNextInChain_data();
    void tabKey_fromField_movesToNextInChain();
    void textViews_fontAndReadOnly_data();
    void textViews_fontAndReadOnly();
    void errorLabel_inStatusBarAndEmpty();
    void deviceNameLabels_longName_keepWidthAndElide_data();
    void deviceNameLabels_longName_keepWidthAndElide();

private:
    template <class T>
    T *child(const char *name)
    {
        T *widget = window->findChild<T *>(QLatin1String(name));
        if (!widget)
            qWarning("no %s named %s", T::staticMetaObject.className(), name);
        return widget;
    }

    std::unique_ptr<PayCardMainWindow> window;
    QVector<AnsweredDialog> startUpDialogs;
};

void TestMainWindow::init()
{
    queueDialogAnswer(QMessageBox::Ok);
    window = std::make_unique<PayCardMainWindow>();
    startUpDialogs = takeAnsweredDialogs();
    QCOMPARE(startUpDialogs.size(), 1);
}

void TestMainWindow::cleanup()
{
    window.reset();
}

void TestMainWindow::startUp_withoutPaycardLibrary_reportsNonexistentDevice()
{
    QCOMPARE(startUpDialogs[0].icon, QMessageBox::Critical);
    QCOMPARE(startUpDialogs[0].title, QStringLiteral("Ошибка"));
    QCOMPARE(startUpDialogs[0].text, QStringLiteral("Несуществующее устройство"));
}

void TestMainWindow::startUp_showsAuthorizationSectionAndFirstTabs()
{
    QCOMPARE(child<QStackedWidget>("stackedWidgetMain")->currentWidget()->objectName(),
             QStringLiteral("pageAuthorization"));
    QCOMPARE(child<QTabWidget>("twAuthorization")->currentWidget()->objectName(), QStringLiteral("tabAuthParams"));
    QCOMPARE(child<QTabWidget>("twReports")->currentWidget()->objectName(), QStringLiteral("tabReportParams"));
    QVERIFY(!child<QPushButton>("pbtnSectionDevices")->isChecked());
    QVERIFY(child<QPushButton>("pbtnSectionAuthorization")->isChecked());
    QVERIFY(!child<QPushButton>("pbtnSectionReports")->isChecked());
}

void TestMainWindow::title_formTitleFollowedByVersion()
{
    QCOMPARE(window->windowTitle(), QStringLiteral("Тест драйвера платежных систем (1.0.0.3)"));
}

void TestMainWindow::sectionButtons_clickSequence_exactlyLastOneChecked_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("page");

    const QString devices = QStringLiteral("pbtnSectionDevices");
    const QString authorization = QStringLiteral("pbtnSectionAuthorization");
    const QString reports = QStringLiteral("pbtnSectionReports");
    QTest::newRow("reports") << QStringList{reports} << "pageReports";
    QTest::newRow("reports twice") << QStringList{reports, reports} << "pageReports";
    QTest::newRow("checked one again") << QStringList{authorization} << "pageAuthorization";
    QTest::newRow("devices then authorization") << QStringList{devices, authorization} << "pageAuthorization";
    QTest::newRow("all three") << QStringList{reports, authorization, devices} << "pageDevices";
    QTest::newRow("back and forth") << QStringList{devices, reports, devices, devices} << "pageDevices";
}

void TestMainWindow::sectionButtons_clickSequence_exactlyLastOneChecked()
{
    QFETCH(QStringList, clicks);
    QFETCH(QString, page);

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const QStringList sections{QStringLiteral("pbtnSectionDevices"), QStringLiteral("pbtnSectionAuthorization"),
                               QStringLiteral("pbtnSectionReports")};
    for (const QString &name : clicks) {
        QTest::mouseClick(window->findChild<QPushButton *>(name), Qt::LeftButton);
        QStringList checked;
        for (const QString &section : sections) {
            if (window->findChild<QPushButton *>(section)->isChecked())
                checked.append(section);
        }
        QCOMPARE(checked, QStringList{name});
    }
    QCOMPARE(child<QStackedWidget>("stackedWidgetMain")->currentWidget()->objectName(), page);
}

void TestMainWindow::spinBoxes_limits_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<int>("decimals"); // -1: an integer spin box

    const char *const wide[] = {"spinSession",          "spinChequeNumber",         "spinTermNumber",
                                "spinCharLineLength",   "spinSlipNumber",           "spinReportTerminalNumber",
                                "spinReportSlipNumber", "spinReportTransType",      "spinReportChequeNumber",
                                "spinReportMessageNumber"};
    for (const char *name : wide)
        QTest::newRow(name) << QString::fromLatin1(name) << 0.0 << 999999999.0 << -1;
    QTest::newRow("spinECRReceiptNumber") << "spinECRReceiptNumber" << 0.0 << 9999.0 << -1;
    QTest::newRow("spinReportLineLength") << "spinReportLineLength" << 0.0 << 999.0 << -1;
    QTest::newRow("spinReportResponseCode") << "spinReportResponseCode" << -999999999.0 << 999999999.0 << -1;
    QTest::newRow("spinSum") << "spinSum" << 0.0 << 1000000000.0 << 2;
    QTest::newRow("spinReportSumm") << "spinReportSumm" << 0.0 << 1000000000.0 << 2;
}

void TestMainWindow::spinBoxes_limits()
{
    QFETCH(QString, name);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(int, decimals);

    if (decimals < 0) {
        auto *spin = window->findChild<QSpinBox *>(name);
        QVERIFY2(spin, qPrintable(name));
        QCOMPARE(double(spin->minimum()), minimum);
        QCOMPARE(double(spin->maximum()), maximum);
    } else {
        auto *spin = window->findChild<QDoubleSpinBox *>(name);
        QVERIFY2(spin, qPrintable(name));
        QCOMPARE(spin->minimum(), minimum);
        QCOMPARE(spin->maximum(), maximum);
        QCOMPARE(spin->decimals(), decimals);
    }
}

void TestMainWindow::codeCombos_filledWithCodesAndData_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("codes");

    const QStringList operations{"0 - Оплата",
                                 "1 - Возврат",
                                 "2 - Отмена оплаты",
                                 "3 - Отмена возврата",
                                 "4 - Активация БЕЗ суммы",
                                 "5 - Активация С суммой",
                                 "6 - Бонусы и скидка",
                                 "7 - Внесение предоплаты",
                                 "8 - Просмотр баланса",
                                 "9 - Оплата услуг"};
    const QStringList tenCodes{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};

    QTest::newRow("cmbAuthType") << "cmbAuthType"
                                 << QStringList{"0 - Ридером по подписи", "1 - Вручную по подписи",
                                                "2 - Ридером по PIN", "3 - Вручную по PIN", "4 - Чиповая карта"}
                                 << QStringList(tenCodes.mid(0, 5));
    QTest::newRow("cmbOperationType") << "cmbOperationType" << (operations + QStringList{"9 - Оплата услуг картой"})
                                      << (tenCodes + QStringList{"9"});
    QTest::newRow("cmbServiceOperationType")
        << "cmbServiceOperationType"
        << QStringList{"0 - Обновление ключей авторизации", "1 - Загрузка настроек", "2 - Загрузка ПО",
                       "3 - Загрузка настроек и ПО", "4 - Меню кассира", "5 - Меню администратора"}
        << QStringList(tenCodes.mid(0, 6));
    QTest::newRow("cmbReportType") << "cmbReportType"
                                   << QStringList{"0 - Закрытие смены", "1 - Журнал операций", "2 - Итоги операций",
                                                  "3 - Краткий отчет", "4 - Полный отчет", "5 - Запрос чека"}
                                   << QStringList(tenCodes.mid(0, 6));
    QTest::newRow("cmbReportOperationType") << "cmbReportOperationType" << operations << tenCodes;
    QTest::newRow("cmbEcrPortType") << "cmbEcrPortType" << QStringList{"Пинпад", "Модем"} << QStringList{"0", "1"};
}

void TestMainWindow::codeCombos_filledWithCodesAndData()
{
    QFETCH(QString, name);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, codes);

    auto *combo = window->findChild<QComboBox *>(name);
    QVERIFY2(combo, qPrintable(name));
    QStringList shownTexts;
    QStringList shownCodes;
    for (int i = 0; i < combo->count(); ++i) {
        shownTexts.append(combo->itemText(i));
        shownCodes.append(combo->itemData(i, Qt::UserRole).toString());
    }
    QCOMPARE(shownTexts, texts);
    QCOMPARE(shownCodes, codes);
    QCOMPARE(combo->currentIndex(), 0);
}

void TestMainWindow::fields_initialValues_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("expected");

    const QDate today = QDate::currentDate();
    QTest::newRow("spinCharLineLength") << "spinCharLineLength" << QByteArray("value") << QVariant(35);
    QTest::newRow("spinTermNumber") << "spinTermNumber" << QByteArray("value") << QVariant(1);
    QTest::newRow("leAdditionParam") << "leAdditionParam" << QByteArray("text") << QVariant("0");
    QTest::newRow("leCurrencyNumber") << "leCurrencyNumber" << QByteArray("text") << QVariant("643");
    QTest::newRow("dateCardExpDate") << "dateCardExpDate" << QByteArray("date") << QVariant(today);
    QTest::newRow("spinReportLineLength") << "spinReportLineLength" << QByteArray("value") << QVariant(35);
    QTest::newRow("spinReportChequeNumber") << "spinReportChequeNumber" << QByteArray("value") << QVariant(1);
    QTest::newRow("dateReportCardExpDate") << "dateReportCardExpDate" << QByteArray("date") << QVariant(today);
    QTest::newRow("dateReportTransactionDate") << "dateReportTransactionDate" << QByteArray("date")
                                               << QVariant(today);
    QTest::newRow("spinSum untouched") << "spinSum" << QByteArray("value") << QVariant(0.0);
    QTest::newRow("spinECRReceiptNumber untouched") << "spinECRReceiptNumber" << QByteArray("value") << QVariant(0);
    QTest::newRow("leReferenceNumber untouched") << "leReferenceNumber" << QByteArray("text") << QVariant("");
    QTest::newRow("date display format") << "dateCardExpDate" << QByteArray("displayFormat")
                                         << QVariant("dd.MM.yyyy");
    QTest::newRow("time display format") << "timeReportTransactionTime" << QByteArray("displayFormat")
                                         << QVariant("HH:mm");
}

void TestMainWindow::fields_initialValues()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, property);
    QFETCH(QVariant, expected);

    QWidget *field = window->findChild<QWidget *>(name);
    QVERIFY2(field, qPrintable(name));
    const QVariant value = field->property(property.constData());
    QVERIFY2(value.isValid(), property.constData());
    QCOMPARE(value.toString(), expected.toString());
}

void TestMainWindow::tabKey_fromField_movesToNextInChain_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");

    QTest::newRow("rename to device list") << "pbtnSectionDevices" << "pbtnRename" << "cmbDevices";
    QTest::newRow("line width to authorization") << "pbtnSectionAuthorization" << "spinCharLineLength"
                                                 << "pbtnAuthorization";
    QTest::newRow("currency code to barcode") << "pbtnSectionAuthorization" << "leCurrencyNumber" << "leBarcode";
    QTest::newRow("response code to report begin") << "pbtnSectionReports" << "spinReportResponseCode"
                                                   << "pbtnReportBegin";
}

void TestMainWindow::tabKey_fromField_movesToNextInChain()
{
    QFETCH(QString, section);
    QFETCH(QString, from);
    QFETCH(QString, to);

    window->show();
    QApplication::setActiveWindow(window.get());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QTest::mouseClick(window->findChild<QPushButton *>(section), Qt::LeftButton);
    QWidget *start = window->findChild<QWidget *>(from);
    QVERIFY2(start, qPrintable(from));
    start->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(start->hasFocus());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget *focused = QApplication::focusWidget();
    // A spin box hands its focus to its line edit; name the box, not that.
    while (focused && focused->objectName().isEmpty())
        focused = focused->parentWidget();
    QVERIFY(focused);
    QCOMPARE(focused->objectName(), to);
}

void TestMainWindow::textViews_fontAndReadOnly_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("family"); // empty: the default font

    QTest::newRow("teAuthSlip") << "teAuthSlip" << "Courier New";
    QTest::newRow("teReportSlip") << "teReportSlip" << "Courier New";
    QTest::newRow("teAuthResult") << "teAuthResult" << QString();
    QTest::newRow("teStatus") << "teStatus" << QString();
}

void TestMainWindow::textViews_fontAndReadOnly()
{
    QFETCH(QString, name);
    QFETCH(QString, family);

    auto *view = window->findChild<QTextEdit *>(name);
    QVERIFY2(view, qPrintable(name));
    QVERIFY(view->isReadOnly());
    if (!family.isEmpty())
        QCOMPARE(view->font().family(), family);
}

void TestMainWindow::errorLabel_inStatusBarAndEmpty()
{
    auto *label = window->statusBar()->findChild<QLabel *>(QStringLiteral("errorLabel"));
    QVERIFY(label);
    QCOMPARE(label->parentWidget(), static_cast<QWidget *>(window->statusBar()));
    // Start-up reports in a box, not here.
    QCOMPARE(label->text(), QString());
}

void TestMainWindow::deviceNameLabels_longName_keepWidthAndElide_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("lbCurrentPayCardName") << "lbCurrentPayCardName";
    QTest::newRow("lbCurrentEcrName") << "lbCurrentEcrName";
}

void TestMainWindow::deviceNameLabels_longName_keepWidthAndElide()
{
    QFETCH(QString, name);
    const QString longName = QStringLiteral("Эмулятор терминала с очень длинным названием модели, порт COM12");

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto *label = window->findChild<SqueezedLabel *>(name);
    QVERIFY2(label, qPrintable(name));
    label->setText(longName);
    QTRY_COMPARE(label->width(), 150);
    QCOMPARE(label->toolTip(), longName);
    QVERIFY(label->text().endsWith(QChar(0x2026)));
}

BENCH_TEST_MAIN(TestMainWindow)

#include "tst_mainwindow.moc"
