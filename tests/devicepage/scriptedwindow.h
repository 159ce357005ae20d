#ifndef SCRIPTEDWINDOW_H
#define SCRIPTEDWINDOW_H

#include "driverfactories.h"
#include "testdriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <functional>
#include <vector>

// Every fake driver object the scripted libraries beside the test make, with
// one journal of their calls in the order they happened: "P:" for terminals,
// "F:" for registers. Construct before the window; one at a time.
class ScriptedDrivers
{
public:
    // Hooks into the scripted libraries under the fixed names beside the
    // test, and into any other scripted library file named in `extraFiles`.
    explicit ScriptedDrivers(const QStringList &extraFiles = QStringList())
    {
        instance = this;
        QStringList files = {applicationDirectory() + QStringLiteral("paycard"),
                             applicationDirectory() + QStringLiteral("fptr")};
        files += extraFiles;
        for (const QString &file : files) {
            if (TestDriverControl *control = testDriver(file)) {
                control->paycardCreated = &paycardCreated;
                control->fptrCreated = &fptrCreated;
                control->released = &releasedObject;
                hooked.append(file);
            }
        }
    }
    ~ScriptedDrivers()
    {
        for (const QString &file : hooked)
            *testDriver(file) = TestDriverControl();
        instance = nullptr;
    }

    // Called for every new object before the window sees it; the default
    // script gives terminals protocol 0 and registers a describable port.
    std::function<void(FakePaycard *)> scriptPaycard;
    std::function<void(FakeFptr *)> scriptFptr;
    // Called for every call, tagged as in the journal, before it answers.
    std::function<void(FakeDriverScript *, const QString &call)> react;

    QList<FakePaycard *> paycards;
    QList<FakeFptr *> fptrs;
    QList<const void *> released;
    QStringList journal;
    QStringList hooked;

    // The journal entries for the named operations only.
    QStringList journalOf(const QStringList &operations) const
    {
        QStringList picked;
        for (const QString &entry : journal) {
            const QString operation = entry.mid(2).section(QLatin1Char('('), 0, 0);
            if (operations.contains(operation))
                picked.append(entry);
        }
        return picked;
    }

    static void setProtocol(FakePaycard *paycard, int protocol)
    {
        paycard->parameters.insert(QStringLiteral("Protocol"), QString::number(protocol));
    }

private:
    template <class Fake>
    void attach(Fake *object, const char *tag)
    {
        const QString prefix = QLatin1String(tag);
        object->onCall = [this, object, prefix](const QString &call) {
            journal.append(prefix + call);
            if (react)
                react(object, prefix + call);
        };
    }

    static void paycardCreated(FakePaycard *object)
    {
        ScriptedDrivers *self = instance;
        if (!self)
            return;
        object->parameterValueLists.insert(QStringLiteral("Protocol"),
                                           QStringLiteral("0:Стандартный;5:Пятый;7:Седьмой;8:Восьмой;9:Девятый;10:Десятый;"));
        setProtocol(object, 0);
        self->attach(object, "P:");
        if (self->scriptPaycard)
            self->scriptPaycard(object);
        self->paycards.append(object);
    }

    static void fptrCreated(FakeFptr *object)
    {
        ScriptedDrivers *self = instance;
        if (!self)
            return;
        object->parameterValueLists.insert(QStringLiteral("Model"), QStringLiteral("R:Регистратор;"));
        object->parameters.insert(QStringLiteral("Model"), QStringLiteral("R"));
        object->parameterValueLists.insert(QStringLiteral("Port"), QStringLiteral("COM2:COM2;"));
        object->parameters.insert(QStringLiteral("Port"), QStringLiteral("COM2"));
        self->attach(object, "F:");
        if (self->scriptFptr)
            self->scriptFptr(object);
        self->fptrs.append(object);
    }

    static void releasedObject(const void *object)
    {
        if (instance)
            instance->released.append(object);
    }

    static inline ScriptedDrivers *instance = nullptr;
};

template <class Widget = QWidget>
Widget *child(QWidget *window, const char *name)
{
    Widget *widget = window->findChild<Widget *>(QLatin1String(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

inline QString errorText(QWidget *window)
{
    return child<QLabel>(window, "errorLabel")->text();
}

#endif // SCRIPTEDWINDOW_H
