#ifndef DIALOGS_H
#define DIALOGS_H

#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QObject>
#include <QString>

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
QString selectOpenFile(QWidget *parent, const QString &title, const QString &directory,
                       const QString &filter, QString *selectedFilter = nullptr,
                       QFileDialog::Options options = QFileDialog::Options());

class NoHelpButtonDialog : public QDialog
{
    Q_OBJECT

public:
    explicit NoHelpButtonDialog(QWidget *parent = nullptr);
};

class QNebErrorHandler : public QObject
{
    Q_OBJECT

public:
    explicit QNebErrorHandler(QObject *parent = nullptr) : QObject(parent) {}

signals:
    void errorOccurred(int errorCode);
};

#endif // DIALOGS_H
