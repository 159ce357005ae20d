#ifndef SIMDEVICE_H
#define SIMDEVICE_H

#include "resultcodes.h"
#include "simtext.h"

#include <QHash>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QWidget>

#include <initializer_list>
#include <string>

namespace Sim {

class SettingsDialog;

// One entry of a parameter's value list: the value stored and exchanged with
// the host, the text shown for it, and values that meant the same in earlier
// versions, still read from old settings strings.
struct ValueChoice
{
    QString value;
    QString label;
    QStringList formerValues = {};
};

// Choices whose labels are their values, such as speeds or widths.
QVector<ValueChoice> plainChoices(std::initializer_list<const char *> values);

// A named setting of a simulated device. Parameters are what the host reads
// and writes by name; scenario options choose how the simulation behaves
// (faults, modem scenario, trace). Both travel in the settings string, both
// are edited in the settings dialog and both can be read and set by name.
struct Definition
{
    QString name;
    QString caption;              // Russian label in the settings dialog
    QString defaultValue;
    QVector<ValueChoice> choices; // empty: any value the device accepts
    bool scenario = false;
    // A Russian reason why a value is not acceptable, or empty; checked after
    // the value list, like SimDevice::valueProblem.
    QString (*problem)(const QString &value) = nullptr;
};

struct ErrorState
{
    int code = SimResult::Ok;
    QString description;
    bool badParam = false;
    QString badParamDescription;
};

// The state and the common operations every simulated driver object has:
// enabled state, error state, owner window, named parameters, the settings
// string and the settings dialog. A driver class puts this beside its
// interface (see simdriver.h) and adds its own operations.
//
// Error convention: every action and setter that succeeds clears the error
// state; every call that fails records code, description and, when a
// parameter or argument was at fault, the bad-parameter flag and a text
// naming it. A getter that succeeds leaves the state as it is, so the host
// can read an action's results and still find out why it failed.
//
// Objects are used from one thread at a time, like every driver object.
class SimDevice
{
public:
    // kind: the settings-string prefix, e.g. "SIMFPTR"; fileTag: the name part
    // of the device's files, e.g. "fptr" for "trace-fptr-1.log".
    SimDevice(const QString &kind, const QString &fileTag);
    virtual ~SimDevice();
    SimDevice(const SimDevice &) = delete;
    SimDevice &operator=(const SimDevice &) = delete;

    // Common driver operations, with the interface's names and contracts.
    int deviceEnabled(int *enabled);
    int setDeviceEnabled(int enabled);
    int resultCode(int *code);
    int resultDescription(wchar_t *buffer, int size);
    int badParam(int *flag);
    int badParamDescription(wchar_t *buffer, int size);
    int setOwnerWindow(void *window);
    int showProperties();
    int deviceSettings(wchar_t *buffer, int size);
    int setDeviceSettings(const wchar_t *settings);
    int parameter(const wchar_t *name, wchar_t *buffer, int size);
    int setParameter(const wchar_t *name, const wchar_t *value);
    int parameterValues(const wchar_t *name, wchar_t *buffer, int size);
    int applySettings();

    // Settings as the device and its dialog see them. value() and label()
    // give the applied value; setParameter only stores a pending one.
    const QVector<Definition> &definitions() const { return defs; }
    QString value(const QString &name) const;
    int intValue(const QString &name) const { return value(name).toInt(); }
    QString label(const QString &name) const;
    QMap<QString, QString> appliedValues() const;
    // Empty when every value is known and acceptable; otherwise a Russian
    // text naming the first offending parameter, whose name goes to badName.
    QString checkValues(const QMap<QString, QString> &values, QString *badName = nullptr) const;
    // Makes values (checked before) applied and pending, then settingsApplied().
    void assignValues(const QMap<QString, QString> &values);
    QString settingsString() const;
    // Parses a settings string into a complete value map (missing keys take
    // their defaults). On failure returns false with a Russian reason.
    bool parseSettings(const QString &text, QMap<QString, QString> *values, QString *error) const;

    bool isEnabled() const { return enabled; }
    QWidget *ownerWindow() const { return owner.data(); }
    const ErrorState &lastError() const { return error; }
    QString kind() const { return deviceKind; }
    QString fileTag() const { return tag; }
    // 1, 2, ... in order of creation within this driver library.
    int serial() const { return number; }
    bool tracing() const { return traceOn; }
    QString traceFilePath() const;
    // The description of a result code: this device's own table first.
    virtual QString describeResult(int code) const;

protected:
    // The definitions every device has, ahead of its own.
    static QVector<Definition> commonDefinitions();
    // Gives the device its parameters and scenario options, each at its
    // default; called from the constructor. A class builds the list once and
    // every object shares it: thousands of objects are made and released
    // with a long device list.
    void setDefinitions(const QVector<Definition> &definitions);
    // The value a setting starts with and a settings string without it
    // loads: the definition's, unless the object has one of its own.
    virtual QString defaultValue(int index) const;

    // Hooks for the concrete device.
    // A Russian reason why value is not acceptable for name, or empty. Called
    // after the value-list check, so listed values arrive here only if valid.
    virtual QString valueProblem(const QString &name, const QString &value) const;
    virtual void settingsApplied() {}
    virtual void enabledChanged(bool) {}
    virtual QString dialogTitle() const;
    // Extra widgets beyond the generated form (SettingsDialog::scenarioForm).
    virtual void addSettingsWidgets(SettingsDialog &) {}

    // Error state. Each returns the result to hand back to the host.
    int succeed(int result = 0);
    int fail(int code, const QString &detail = QString());
    int failParam(int code, const QString &parameterDescription,
                  const QString &detail = QString());
    // 0 when the device is switched on; otherwise fails with DeviceDisabled.
    int needEnabled();
    // Reads a host text argument. A null pointer or an over-long text fails
    // (with badParam naming argumentName) and returns false; *result is then
    // the failure result.
    bool textArgument(const wchar_t *text, const QString &argumentName,
                      QString *out, int *result);
    // Getter helpers: they leave the error state alone on success; a null
    // output pointer fails with NullArgument.
    int outInt(int *target, int value);
    int outText(const QString &value, wchar_t *buffer, int size);

private:
    int definitionIndex(const QString &name) const;
    // Reads a parameter name like textArgument; the index of its definition,
    // or -1 when it is missing, over-long or unknown (fails UnknownParameter).
    int parameterArgument(const wchar_t *name, QString *key, int *result);

    QString deviceKind;
    QString tag;
    int number = 0;
    bool enabled = true;
    // Asked by every call; kept beside the "Trace" value it mirrors.
    bool traceOn = false;
    QPointer<QWidget> owner;
    ErrorState error;
    QVector<Definition> defs;
    // Values by the index of their definition: a device holds many, and
    // thousands of devices are made and released at start-up and shut-down.
    QVector<QString> applied;
    QVector<QString> pending;
    // The settings string as the host reads it, built again only after the
    // applied values change: the host reads every device's settings at
    // shut-down to learn whether any changed. Empty until built.
    std::wstring settingsText;

    friend class SettingsDialog;
};

} // namespace Sim

#endif // SIMDEVICE_H
