#ifndef DIALOGANSWERER_H
#define DIALOGANSWERER_H

#include "scenario.h"

#include <QStringList>
#include <QTimer>
#include <QVector>

#include <functional>

class QDialog;

// Answers the modal dialogs a scenario step opens, in the order the step
// lists the answers. The dialogs run their own event loops inside the pressed
// slot; a timer polling for the active modal dialog is what gets control
// there. A dialog without an answer is cancelled and reported.
class DialogAnswerer
{
public:
    DialogAnswerer();

    void begin(const QVector<Scenario::DialogAnswer> &expected = {});
    // What went wrong since begin: unexpected dialogs, answers not used,
    // dialogs that did not match or would not close.
    QStringList finish();

    // Sees each dialog once it is answered, still open if it refused the
    // answer: for a caller that checks more of a dialog than its text.
    std::function<void(QDialog *)> inspect;

private:
    void answerOpenDialog();

    QTimer timer;
    QVector<Scenario::DialogAnswer> answers;
    int next = 0;
    QStringList failures;
};

// What a dialog says below its title: a message box's text, an input
// dialog's label; an answer's "expect" is matched against both.
QString dialogText(const QDialog *dialog);

#endif // DIALOGANSWERER_H
