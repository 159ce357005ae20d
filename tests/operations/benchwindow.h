#ifndef BENCHWINDOW_H
#define BENCHWINDOW_H

#include "devicelists.h"
#include "dialogs.h"
#include "fakedrivers.h"
#include "paycardmainwindow.h"
#include "settingsfolder.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include <memory>

// The main window driven by object name. Dialogs it shows are answered
// with Ok and recorded for takeAnsweredDialogs().
class BenchWindow
{
public:
    BenchWindow() { answerEveryDialog(true); }
    virtual ~BenchWindow()
    {
        window.reset();
        answerEveryDialog(false);
        takeAnsweredDialogs();
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
    QString text(const char *view) const { return child<QTextEdit>(view)->toPlainText(); }

    std::unique_ptr<PayCardMainWindow> window;
};

// Run from a directory without driver libraries: the window starts with no
// device, and the recording fakes are made its current terminal and register
// on request. The fakes outlive the window, which saves their settings when
// it shuts down.
class FakeBench : public BenchWindow
{
public:
    FakeBench()
    {
        window = std::make_unique<PayCardMainWindow>();
        takeAnsweredDialogs(); // start-up's complaint about the missing library
    }
    ~FakeBench() override { window.reset(); }

    void addPaycard(NEB::PayCard::IPayCard *driver) const
    {
        PaycardDeviceList *list = window->paycardDeviceList();
        list->setCurrent(list->add(std::make_unique<QNebPaycard>(driver)));
    }
    void addFptr(NEB::Fptr::IFptr *driver) const
    {
        FptrDeviceList *list = window->fptrDeviceList();
        list->setCurrent(list->add(0, std::make_unique<QNebFptr>(driver)));
    }

    FakePaycard paycard;
    FakeFptr fptr;
};

// Run beside the simulated drivers: the window as a user meets it on first
// start, one default terminal with its register and nothing saved before.
class SimBench : public BenchWindow
{
public:
    SimBench()
    {
        QDir(settingsDirectory()).removeRecursively();
        window = std::make_unique<PayCardMainWindow>();
    }

    // What the driver's settings dialog would do: set a parameter and apply.
    template <class Wrapper>
    static void setParameter(Wrapper *device, const QString &name, const QString &value)
    {
        device->writeParameter(name, value);
        device->invoke(&Wrapper::Interface::applySettings);
    }
    QNebPaycard *paycard() const { return window->paycardDeviceList()->device(-1); }
    QNebFptr *fptr() const { return window->fptrDeviceList()->device(-1); }
};

#endif // BENCHWINDOW_H
