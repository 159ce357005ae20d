#include "dialogs.h"

#include <QDebug>
#include <QInputDialog>

namespace {

void removeHelpButton(QWidget *dialog)
{
    dialog->setWindowFlags(dialog->windowFlags() & ~Qt::WindowContextHelpButtonHint);
}

int runMessageBox(QMessageBox::Icon icon, QWidget *parent, const QString &title,
                  const QString &text, QMessageBox::StandardButtons buttons,
                  QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, readableText(text), buttons, parent,
                    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
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
    QInputDialog dialog(parent, Qt::WindowFlags());
    removeHelpButton(&dialog);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setTextEchoMode(mode);
    dialog.setTextValue(text);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (ok)
        *ok = accepted;
    return accepted ? dialog.textValue() : QString();
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

QString selectOpenFile(QWidget *parent, const QString &title, const QString &directory,
                       const QString &filter, QString *selectedFilter, QFileDialog::Options options)
{
    QFileDialog dialog(parent, QString(), QString(), QString());
    dialog.setWindowTitle(title);
    dialog.setDirectory(directory);
    dialog.setNameFilter(filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOptions(options);
    removeHelpButton(&dialog);
    if (selectedFilter && !selectedFilter->isEmpty())
        dialog.selectNameFilter(*selectedFilter);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    if (selectedFilter)
        *selectedFilter = dialog.selectedNameFilter();
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

NoHelpButtonDialog::NoHelpButtonDialog(QWidget *parent)
    : QDialog(parent)
{
    removeHelpButton(this);
}
