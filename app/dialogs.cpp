#include "dialogs.h"

#include <QDebug>
#include <QFileDialog>
#include <QInputDialog>

#include <optional>
#include <utility>

namespace {

struct Answer
{
    int button;
    QString text;
};

QVector<Answer> queuedAnswers;
bool answeringEveryDialog = false;
QVector<AnsweredDialog> answeredDialogs;

// The answer for a dialog about to be shown, if a test gave one.
std::optional<Answer> queuedAnswer(const AnsweredDialog &dialog)
{
    std::optional<Answer> answer;
    if (!queuedAnswers.isEmpty())
        answer = queuedAnswers.takeFirst();
    else if (answeringEveryDialog)
        answer = Answer{QMessageBox::Ok, QString()};
    if (answer)
        answeredDialogs.append(dialog);
    return answer;
}

void removeHelpButton(QWidget *dialog)
{
    dialog->setWindowFlags(dialog->windowFlags() & ~Qt::WindowContextHelpButtonHint);
}

int runMessageBox(QMessageBox::Icon icon, QWidget *parent, const QString &title,
                  const QString &text, QMessageBox::StandardButtons buttons,
                  QMessageBox::StandardButton defaultButton)
{
    const QString shown = readableText(text);
    if (const auto answer = queuedAnswer({icon, title, shown, QString()}))
        return answer->button;
    QMessageBox box(icon, title, shown, buttons, parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    removeHelpButton(&box);
    box.setDefaultButton(defaultButton);
    return box.exec();
}

} // namespace

QString readableText(const QString &text)
{
    if (text.size() <= ReadableTextLength)
        return text;
    qDebug().noquote() << text;
    int cut = ReadableTextLength;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + QChar(0x2026);
}

QString inputText(QWidget *parent, const QString &title, const QString &label,
                  QLineEdit::EchoMode mode, const QString &text, bool *ok)
{
    bool accepted = false;
    QString entered;
    if (const auto answer = queuedAnswer({QMessageBox::NoIcon, title, label, text})) {
        accepted = answer->button == QMessageBox::Ok;
        entered = answer->text;
    } else {
        QInputDialog dialog(parent, Qt::WindowFlags());
        removeHelpButton(&dialog);
        dialog.setWindowTitle(title);
        dialog.setLabelText(label);
        dialog.setTextEchoMode(mode);
        dialog.setTextValue(text);
        accepted = dialog.exec() == QDialog::Accepted;
        entered = dialog.textValue();
    }
    if (ok)
        *ok = accepted;
    return accepted ? entered : QString();
}

int showCritical(QWidget *parent, const QString &title, const QString &text)
{
    return runMessageBox(QMessageBox::Critical, parent, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

int askQuestion(QWidget *parent, const QString &title, const QString &text,
                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    return runMessageBox(QMessageBox::Question, parent, title, text, buttons, defaultButton);
}

int showWarning(QWidget *parent, const QString &title, const QString &text,
                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    return runMessageBox(QMessageBox::Warning, parent, title, text, buttons, defaultButton);
}

QString selectOpenFile(QWidget *parent, const QString &title, const QString &directory, const QString &filter)
{
    if (const auto answer = queuedAnswer({QMessageBox::NoIcon, title, QString(), QString()}))
        return answer->button == QMessageBox::Ok ? answer->text : QString();
    QFileDialog dialog(parent, QString(), QString(), QString());
    dialog.setWindowTitle(title);
    dialog.setDirectory(directory);
    dialog.setNameFilter(filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    removeHelpButton(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

void queueDialogAnswer(int button, const QString &text)
{
    queuedAnswers.append({button, text});
}

void answerEveryDialog(bool on)
{
    answeringEveryDialog = on;
}

QVector<AnsweredDialog> takeAnsweredDialogs()
{
    queuedAnswers.clear();
    return std::exchange(answeredDialogs, {});
}

NoHelpButtonDialog::NoHelpButtonDialog(QWidget *parent)
    : QDialog(parent)
{
    removeHelpButton(this);
}
