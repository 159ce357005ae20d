#ifndef MODALDIALOGS_H
#define MODALDIALOGS_H

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

// Driving the modal dialogs that the code under test runs with exec().
//
// Schedule the closer BEFORE the action that opens the dialog; exec() spins
// its own event loop, the closer's timer fires inside it, finds the dialog,
// records what it showed, optionally prepares it (fills a field, picks a
// file) and closes it:
//
//     auto dialog = closeNextModalDialog(QMessageBox::Ok);
//     QTest::mouseClick(window.findChild<QPushButton *>("pbtnAdd"), Qt::LeftButton);
//     VERIFY_MODAL_DIALOG_SHOWN(dialog);
//     QCOMPARE(dialog->title, QStringLiteral("Ошибка"));
//
// `button`:
//   - a QMessageBox::StandardButton: a message box gets that button clicked;
//     any other dialog is accepted for Ok, Open, Save and Yes, and rejected
//     for anything else;
//   - PressEnter: Enter is sent to the dialog, so its default button decides.
// A closer that finds no dialog within the timeout gives up silently; the
// macro then fails the test with a message saying so.
namespace ModalDialogs {

constexpr QMessageBox::StandardButton PressEnter = QMessageBox::NoButton;

struct Seen
{
    bool finished = false; // found and closed, or given up
    bool handled = false;  // a dialog was found and closed
    QString className;     // e.g. "QMessageBox", "QInputDialog"
    QString title;         // window title
    QString text;          // QMessageBox::text(); empty for other dialogs
    Qt::WindowFlags flags; // window flags while it was shown
    QString failure;       // why nothing was handled
};

inline std::shared_ptr<const Seen> closeNextModalDialog(QMessageBox::StandardButton button,
                                                        std::function<void(QDialog *)> prepare = {},
                                                        int timeoutMs = 5000)
{
    auto seen = std::make_shared<Seen>();
    auto deadline = QDeadlineTimer(timeoutMs);
    // Polls instead of firing once: the dialog may take several event-loop
    // turns to appear, and a single shot could come before it.
    auto *poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [seen, deadline, button, prepare, poll, timeoutMs]() {
        QPointer<QDialog> dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            if (deadline.hasExpired()) {
                seen->failure = QStringLiteral("no modal dialog appeared within %1 ms").arg(timeoutMs);
                seen->finished = true;
                poll->deleteLater();
                poll->stop();
            }
            return;
        }
        poll->stop();
        poll->deleteLater();
        seen->className = QString::fromLatin1(dialog->metaObject()->className());
        // Own copies: a dialog of a driver library may hand out texts that
        // live in the library, which can be unloaded before `seen` goes.
        seen->title = dialog->windowTitle();
        seen->title.detach();
        seen->flags = dialog->windowFlags();
        auto *box = qobject_cast<QMessageBox *>(dialog.data());
        if (box) {
            seen->text = box->text();
            seen->text.detach();
        }
        if (prepare)
            prepare(dialog);
        if (button == PressEnter) {
            QTest::keyClick(dialog, Qt::Key_Enter);
        } else if (box) {
            QAbstractButton *target = box->button(button);
            if (target)
                target->click();
            else
                seen->failure = QStringLiteral("the message box has no button %1").arg(int(button));
        } else if (button == QMessageBox::Ok || button == QMessageBox::Open || button == QMessageBox::Save
                   || button == QMessageBox::Yes) {
            dialog->accept();
        } else {
            dialog->reject();
        }
        // A dialog that ignored the request would block the test for good.
        if (dialog && dialog->isVisible()) {
            if (seen->failure.isEmpty())
                seen->failure = QStringLiteral("the %1 \"%2\" stayed open; rejected it").arg(seen->className, seen->title);
            dialog->reject();
        }
        seen->handled = seen->failure.isEmpty();
        seen->finished = true;
    });
    poll->start();
    return seen;
}

} // namespace ModalDialogs

// Fails the test unless the closer found and closed a dialog. Waits for it
// when the dialog is opened later than the action that returned.
#define VERIFY_MODAL_DIALOG_SHOWN(seen)                                        \
    do {                                                                       \
        QTRY_VERIFY_WITH_TIMEOUT((seen)->finished, 10000);                     \
        QVERIFY2((seen)->handled, qPrintable((seen)->failure));                \
    } while (false)

#endif // MODALDIALOGS_H
