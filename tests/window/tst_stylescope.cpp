// The style sheet is set on the window: every widget it holds, and every
// dialog opened over it, is drawn through the sheet.
#include "benchtest.h"
#include "dialogs.h"
#include "paycardmainwindow.h"

#include <QAbstractSpinBox>
#include <QMessageBox>
#include <QStyle>

class StyleScopeTest : public QObject
{
    Q_OBJECT

private slots:
    void styleSheet_reachesWidgetsAndDialogs()
    {
        queueDialogAnswer(QMessageBox::Ok); // the start-up complaint about the missing driver libraries
        PayCardMainWindow window;
        QCOMPARE(takeAnsweredDialogs().size(), 1);
        QVERIFY(!window.styleSheet().isEmpty());
        QMessageBox box(&window);
        box.ensurePolished();
        QList<QWidget *> widgets{&box};
        const auto spinBoxes = window.findChildren<QAbstractSpinBox *>();
        QVERIFY(!spinBoxes.isEmpty());
        for (QAbstractSpinBox *spinBox : spinBoxes)
            widgets.append(spinBox);
        for (QWidget *widget : widgets) {
            widget->ensurePolished();
            QVERIFY2(widget->style() != QApplication::style(), qPrintable(widget->objectName()));
        }
    }
};

BENCH_TEST_MAIN(StyleScopeTest)
#include "tst_stylescope.moc"
