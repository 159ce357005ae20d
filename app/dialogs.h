#ifndef DIALOGS_H
#define DIALOGS_H

#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QString>
#include <QVector>

// Modal dialogs of the window. Unlike the toolkit's static helpers they never
// show the context-help button.

// A text from a driver cut to a length a message box or a label can lay out
// without freezing the window ("…" marks the cut); the whole text goes to
// the debug output. The message boxes below and the window's error display
// pass every text through it.
constexpr int ReadableTextLength = 2000;
QString readableText(const QString &text);

// The entered text, or an empty string when cancelled; ok tells the two
// empty results apart.
QString inputText(QWidget *parent, const QString &title, const QString &label,
                  QLineEdit::EchoMode mode = QLineEdit::Normal, const QString &text = QString(),
                  bool *ok = nullptr);

int showCritical(QWidget *parent, const QString &title, const QString &text);

int askQuestion(QWidget *parent, const QString &title, const QString &text,
                QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                QMessageBox::StandardButton defaultButton = QMessageBox::Ok);

int showWarning(QWidget *parent, const QString &title, const QString &text,
                QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                QMessageBox::StandardButton defaultButton = QMessageBox::Ok);

// The chosen file, or an empty string when cancelled.
QString selectOpenFile(QWidget *parent, const QString &title, const QString &directory, const QString &filter);

// Test seam. A modal dialog runs an event loop of its own, which a test
// could only reach with a timer racing the dialog. Instead a test queues the
// answers for the dialogs its next action opens: a dialog function that
// finds one returns it at once, shows nothing and records what it would have
// shown; without one it shows its dialog. A message box returns `button`; an
// input or file dialog is accepted with `text` if `button` is
// QMessageBox::Ok, cancelled otherwise.
void queueDialogAnswer(int button, const QString &text = QString());
// While on, a dialog that finds the queue empty is answered with Ok as
// well: for code that may show any number of dialogs.
void answerEveryDialog(bool on);
struct AnsweredDialog
{
    QMessageBox::Icon icon; // NoIcon for the input and file dialogs
    QString title;
    QString text;    // a message box's text as shown, an input dialog's label
    QString offered; // the text an input dialog offered for editing
};
// The dialogs answered since the last call, oldest first. Answers left in
// the queue are dropped with them, so none is left over for a later test.
QVector<AnsweredDialog> takeAnsweredDialogs();

class NoHelpButtonDialog : public QDialog
{
    Q_OBJECT

public:
    explicit NoHelpButtonDialog(QWidget *parent = nullptr);
};

#endif // DIALOGS_H
