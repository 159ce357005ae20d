#ifndef MODALWATCHER_H
#define MODALWATCHER_H

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

// Closes every modal dialog that appears while it lives and records what
// message boxes said. For code that may show any number of boxes from deep
// inside (the window's constructor and destructor), where a one-shot handler
// cannot know how many will come.
class ModalWatcher
{
public:
    ModalWatcher()
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                titles.append(box->windowTitle());
                texts.append(box->text());
                box->defaultButton() ? box->defaultButton()->click() : box->reject();
            } else {
                others.append(modal->metaObject()->className());
                modal->close();
            }
        });
        timer.start();
    }

    QStringList titles;
    QStringList texts;
    QStringList others; // class names of modal dialogs that were no message box

private:
    QTimer timer;
};

#endif // MODALWATCHER_H
