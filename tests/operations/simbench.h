#ifndef SIMBENCH_H
#define SIMBENCH_H

#include "devicelists.h"
#include "modalwatcher.h"
#include "paycardmainwindow.h"
#include "startup.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include <memory>

// The window as a user meets it on first start beside the simulated drivers:
// one default terminal with its register, nothing saved before.
class SimBench
{
public:
    SimBench()
    {
        QDir(settingsDirectory()).removeRecursively();
        window = std::make_unique<PayCardMainWindow>();
    }
    ~SimBench() { window.reset(); }

    template <class T>
    T *child(const char *name) const
    {
        T *widget = window->findChild<T *>(QLatin1String(name));
        if (!widget)
            qWarning("no %s named %s", T::staticMetaObject.className(), name);
        return widget;
    }

    void click(const char *button) const { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
    QString error() const { return child<QLabel>("errorLabel")->text(); }
    QString text(const char *view) const { return child<QTextEdit>(view)->toPlainText(); }

    // What the settings dialog would do: a driver parameter set and applied.
    void setPaycardParameter(const QString &name, const QString &value) const
    {
        QNebPaycard *paycard = window->paycardDeviceList()->device(-1);
        paycard->writeParameter(name, value);
        paycard->invoke(&NEB::PayCard::IPayCard::applySettings);
    }
    void setFptrParameter(const QString &name, const QString &value) const
    {
        QNebFptr *fptr = window->fptrDeviceList()->device(-1);
        fptr->writeParameter(name, value);
        fptr->invoke(&NEB::Fptr::IFptr::applySettings);
    }

    ModalWatcher watcher;
    std::unique_ptr<PayCardMainWindow> window;
};

#endif // SIMBENCH_H
