#include "dialoganswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Scenario", text);
}

QAbstractButton *messageBoxButton(QMessageBox *box, bool accept)
{
    for (QAbstractButton *button : box->buttons()) {
        const QMessageBox::ButtonRole role = box->buttonRole(button);
        if (accept ? (role == QMessageBox::AcceptRole || role == QMessageBox::YesRole)
                   : (role == QMessageBox::RejectRole || role == QMessageBox::NoRole))
            return button;
    }
    if (accept)
        return box->defaultButton();
    return box->escapeButton();
}

// Presses the dialog's own OK or Cancel, so a dialog that checks its fields
// on OK gets to do so; the dialog may then stay open.
void close(QDialog *dialog, bool accept)
{
    if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
        if (QAbstractButton *button = messageBoxButton(box, accept)) {
            button->click();
            return;
        }
    }
    const auto buttonBoxes = dialog->findChildren<QDialogButtonBox *>();
    for (QDialogButtonBox *buttons : buttonBoxes) {
        for (QAbstractButton *button : buttons->buttons()) {
            if (buttons->buttonRole(button) == (accept ? QDialogButtonBox::AcceptRole : QDialogButtonBox::RejectRole)) {
                button->click();
                return;
            }
        }
    }
    accept ? dialog->accept() : dialog->reject();
}

} // namespace

QString dialogText(const QDialog *dialog)
{
    if (auto *box = qobject_cast<const QMessageBox *>(dialog))
        return box->text();
    if (auto *input = qobject_cast<const QInputDialog *>(dialog))
        return input->labelText();
    return QString();
}

DialogAnswerer::DialogAnswerer()
{
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [this] { answerOpenDialog(); });
}

void DialogAnswerer::begin(const QVector<Scenario::DialogAnswer> &expected)
{
    answers = expected;
    next = 0;
    failures.clear();
    timer.start();
}

QStringList DialogAnswerer::finish()
{
    timer.stop();
    for (int i = next; i < answers.size(); ++i)
        failures.append(tr("ожидался диалог %1, он не открылся").arg(i + 1));
    return failures;
}

void DialogAnswerer::answerOpenDialog()
{
    QPointer<QDialog> dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible())
        return;
    const QString seen = Scenario::describe(dialog->windowTitle()) + QLatin1Char(' ') + Scenario::describe(dialogText(dialog));
    if (next >= answers.size()) {
        failures.append(tr("неожиданный диалог %1; закрыт отменой").arg(seen));
        close(dialog, false);
    } else {
        const Scenario::DialogAnswer &answer = answers.at(next++);
        const QString shown = dialog->windowTitle() + QLatin1Char('\n') + dialogText(dialog);
        if (!answer.pattern.isEmpty() && !Scenario::compiled(answer.pattern).match(shown).hasMatch())
            failures.append(tr("диалог %1 не соответствует %2").arg(seen, Scenario::describe(answer.pattern)));
        for (const auto &field : answer.fields) {
            QWidget *widget = dialog->findChild<QWidget *>(field.first);
            const QString error = widget ? Scenario::setValue(widget, field.second) : tr("нет такого поля");
            if (!error.isEmpty())
                failures.append(tr("диалог %1, поле %2: %3").arg(seen, Scenario::describe(field.first), error));
        }
        if (answer.hasText) {
            if (auto *input = qobject_cast<QInputDialog *>(dialog.data()))
                input->setTextValue(answer.text);
            else
                failures.append(tr("диалог %1 не запрашивает текст").arg(seen));
        }
        close(dialog, answer.accept);
        if (inspect && dialog)
            inspect(dialog);
    }
    // A dialog left open would hold the run for good.
    if (dialog && dialog->isVisible()) {
        failures.append(tr("диалог %1 не закрылся; закрыт отменой").arg(seen));
        dialog->reject();
    }
}
