#ifndef FAKEBENCH_H
#define FAKEBENCH_H

#include "devicelists.h"
#include "fakedrivers.h"
#include "modalwatcher.h"
#include "paycardmainwindow.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

// The window as it starts where no driver library lies beside it (no device
// at all), with recording fakes made its current terminal and register on
// request. The fakes outlive the window, which still talks to them while it
// shuts down.
class FakeBench
{
public:
    FakeBench()
    {
        window = std::make_unique<PayCardMainWindow>();
        watcher.reset(); // start-up's one complaint about the missing library
    }
    ~FakeBench() { window.reset(); }

    void addPaycard(NEB::PayCard::IPayCard *driver)
    {
        PaycardDeviceList *list = window->paycardDeviceList();
        list->setCurrent(list->add(std::make_unique<QNebPaycard>(driver)));
    }
    void addFptr(NEB::Fptr::IFptr *driver)
    {
        FptrDeviceList *list = window->fptrDeviceList();
        list->setCurrent(list->add(0, std::make_unique<QNebFptr>(driver)));
    }

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

    FakePaycard paycard;
    FakeFptr fptr;

private:
    std::unique_ptr<ModalWatcher> watcher = std::make_unique<ModalWatcher>();

public:
    std::unique_ptr<PayCardMainWindow> window;
};

#endif // FAKEBENCH_H
