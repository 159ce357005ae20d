#ifndef SETTINGSDIALOG_H
#define SETTINGSDIALOG_H

#include <QDialog>
#include <QMap>

#include <functional>

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;

namespace Sim {

class SimDevice;

// The driver's own settings dialog, built from the device's definitions: a
// combo box ("cmb" + name) for a listed value, a line edit ("le" + name) for a
// free one; device parameters in one group, scenario options in another.
// OK checks every value with the device and keeps the dialog open with the
// reason in "lbError" when one is refused, so nothing half-valid is applied.
// The dialog only collects values; the caller applies values() on accept.
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    SettingsDialog(SimDevice &device, QWidget *parent);

    // For a device's extra widgets: the form of the scenario group, and a
    // function that puts the widgets' values into the map on accept.
    QFormLayout *scenarioForm() const { return scenario; }
    void addValueProvider(std::function<void(QMap<QString, QString> &)> provider);

    // The edited values, complete: every definition has its entry.
    QMap<QString, QString> values() const;

public slots:
    void accept() override;

private:
    SimDevice &device;
    QFormLayout *scenario = nullptr;
    QLabel *errorLabel = nullptr;
    QMap<QString, QComboBox *> combos;
    QMap<QString, QLineEdit *> edits;
    QList<std::function<void(QMap<QString, QString> &)>> providers;
};

} // namespace Sim

#endif // SETTINGSDIALOG_H
