// The style sheet is set on the widgets its rules are for, not on the whole
// window: they must look exactly as with the sheet on the window, and the
// other widgets must keep the plain style.
#include "benchtest.h"
#include "modalwatcher.h"
#include "paycardmainwindow.h"
#include "stylesheet.h"

#include <QAbstractSpinBox>
#include <QFile>
#include <QTabBar>

namespace {

QString resourceSheet()
{
    QFile file(QStringLiteral(":/qss/paycard_t.qss"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Both windows are styled again the same way after construction, so that
// they differ only in where the sheet is set.
void clearSheets(QWidget *window)
{
    const auto widgets = window->findChildren<QWidget *>();
    for (QWidget *widget : widgets)
        widget->setStyleSheet(QString());
}

QImage look(QWidget *widget)
{
    return widget->grab().toImage();
}

QTabBar *tabBarOf(QWidget *window, const QString &tabWidget)
{
    return window->findChild<QWidget *>(tabWidget)->findChild<QTabBar *>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace

class StyleScopeTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        scoped = std::make_unique<PayCardMainWindow>();
        whole = std::make_unique<PayCardMainWindow>();
        clearSheets(scoped.get());
        applyBenchStyleSheet(scoped.get());
        clearSheets(whole.get());
        whole->setStyleSheet(resourceSheet());
        for (PayCardMainWindow *window : {scoped.get(), whole.get()}) {
            // Too narrow for their tabs, the tab bars show their scroll buttons.
            for (const char *name : {"twAuthorization", "twReports"})
                window->findChild<QWidget *>(QLatin1String(name))->setMaximumWidth(110);
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
        }
    }
    void cleanup()
    {
        scoped.reset();
        whole.reset();
    }

    void styledWidgets_lookAsWithTheSheetOnTheWindow_data()
    {
        QTest::addColumn<QString>("name");
        // The section buttons, one of them checked and framed.
        QTest::newRow("devices") << "pbtnSectionDevices";
        QTest::newRow("authorization") << "pbtnSectionAuthorization";
        QTest::newRow("reports") << "pbtnSectionReports";
        QTest::newRow("status bar") << "statusbar";
    }
    void styledWidgets_lookAsWithTheSheetOnTheWindow()
    {
        QFETCH(QString, name);
        const QImage expected = look(whole->findChild<QWidget *>(name));
        const QImage actual = look(scoped->findChild<QWidget *>(name));
        QCOMPARE(actual.size(), expected.size());
        QVERIFY(actual == expected);
    }

    void tabScrollButtons_lookAsWithTheSheetOnTheWindow_data()
    {
        QTest::addColumn<QString>("tabWidget");
        QTest::newRow("authorization") << "twAuthorization";
        QTest::newRow("reports") << "twReports";
    }
    void tabScrollButtons_lookAsWithTheSheetOnTheWindow()
    {
        QFETCH(QString, tabWidget);
        QTabBar *tabBar = tabBarOf(scoped.get(), tabWidget);
        const QImage expected = look(tabBarOf(whole.get(), tabWidget));
        QVERIFY(look(tabBar) == expected);
        // Without the sheet the tab bar looks otherwise, so the comparison
        // shows the scroll button rule at work.
        tabBar->setStyleSheet(QString());
        QVERIFY(look(tabBar) != expected);
    }

    void otherWidgets_keepThePlainStyle()
    {
        const auto spinBoxes = scoped->findChildren<QAbstractSpinBox *>();
        QVERIFY(!spinBoxes.isEmpty());
        for (QAbstractSpinBox *spinBox : spinBoxes)
            QVERIFY2(spinBox->style() == QApplication::style(), qPrintable(spinBox->objectName()));
    }

private:
    ModalWatcher watcher; // the start-up complaint about the missing driver libraries
    std::unique_ptr<PayCardMainWindow> scoped;
    std::unique_ptr<PayCardMainWindow> whole;
};

BENCH_TEST_MAIN(StyleScopeTest)
#include "tst_stylescope.moc"
