#include "settingsdialog.h"

#include "simdevice.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace Sim {

SettingsDialog::SettingsDialog(SimDevice &device, QWidget *parent)
    : QDialog(parent), device(device)
{
    setObjectName(QStringLiteral("SimSettingsDialog"));
    setModal(true);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto *layout = new QVBoxLayout(this);
    auto *parametersBox = new QGroupBox(QStringLiteral("Параметры устройства"), this);
    parametersBox->setObjectName(QStringLiteral("gbParameters"));
    auto *parametersForm = new QFormLayout(parametersBox);
    auto *scenarioBox = new QGroupBox(QStringLiteral("Сценарий имитации"), this);
    scenarioBox->setObjectName(QStringLiteral("gbScenario"));
    scenario = new QFormLayout(scenarioBox);

    const QMap<QString, QString> current = device.appliedValues();
    for (const Definition &definition : device.definitions()) {
        QFormLayout *form = definition.scenario ? scenario : parametersForm;
        const QString value = current.value(definition.name);
        if (definition.choices.isEmpty()) {
            auto *edit = new QLineEdit(value, this);
            edit->setObjectName(QStringLiteral("le") + definition.name);
            edits.insert(definition.name, edit);
            form->addRow(definition.caption, edit);
        } else {
            auto *combo = new QComboBox(this);
            combo->setObjectName(QStringLiteral("cmb") + definition.name);
            for (const ValueChoice &choice : definition.choices)
                combo->addItem(choice.label, choice.value);
            combo->setCurrentIndex(qMax(0, combo->findData(value)));
            combos.insert(definition.name, combo);
            form->addRow(definition.caption, combo);
        }
    }

    errorLabel = new QLabel(this);
    errorLabel->setObjectName(QStringLiteral("lbError"));
    errorLabel->setWordWrap(true);
    errorLabel->setStyleSheet(QStringLiteral("color: #b00020;"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ОК"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SettingsDialog::reject);

    // Side by side: the terminal's scenario options and amount table would
    // make one column taller than a laptop screen.
    auto *columns = new QHBoxLayout;
    columns->addWidget(parametersBox, 0, Qt::AlignTop);
    columns->addWidget(scenarioBox, 0, Qt::AlignTop);
    layout->addLayout(columns);
    layout->addWidget(errorLabel);
    layout->addWidget(buttons);
}

void SettingsDialog::addValueProvider(std::function<void(QMap<QString, QString> &)> provider)
{
    providers.append(std::move(provider));
}

QMap<QString, QString> SettingsDialog::values() const
{
    QMap<QString, QString> result = device.appliedValues();
    for (auto it = combos.cbegin(); it != combos.cend(); ++it)
        result.insert(it.key(), it.value()->currentData().toString());
    for (auto it = edits.cbegin(); it != edits.cend(); ++it)
        result.insert(it.key(), it.value()->text());
    for (const auto &provider : providers)
        provider(result);
    return result;
}

void SettingsDialog::accept()
{
    const QString problem = device.checkValues(values());
    if (!problem.isEmpty()) {
        errorLabel->setText(problem);
        return;
    }
    QDialog::accept();
}

} // namespace Sim
