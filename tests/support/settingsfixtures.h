#ifndef SETTINGSFIXTURES_H
#define SETTINGSFIXTURES_H

#include "driverfactories.h"
#include "settingsfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

// The settings files as a user has them: paths in the test's own settings
// directory, reading and writing them byte for byte, and hand-made contents.
namespace SettingsFixtures {

inline QString paycardFile() { return settingsDirectory() + QStringLiteral("paycard.cfg"); }
inline QString fptrFile() { return settingsDirectory() + QStringLiteral("paycard_fptr.cfg"); }

const QString LoadWarning = QStringLiteral("Ошибка загрузки настроек:\n%1\n\nЗагружены настройки по умолчанию");
const QString SaveWarning = QStringLiteral("Сохранить настройки не удалось");

inline QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString &name, const QByteArray &data)
{
    QFile file(name);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
    QCOMPARE(file.write(data), qint64(data.size()));
}

inline QByteArray document(const QByteArray &objects)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><neb_settings_array version=\"2.0\">" + objects
           + "</neb_settings_array>";
}

inline QByteArray object(const QString &name, const QString &settings)
{
    return QStringLiteral("<object name=\"%1\">%2</object>").arg(name.toHtmlEscaped(), settings.toHtmlEscaped()).toUtf8();
}

// A settings string the simulated terminal itself produced for a protocol.
inline QString terminalSettings(const QString &protocol)
{
    PaycardFactory factory;
    std::unique_ptr<QNebPaycard> wrapper = factory.create();
    wrapper->writeParameter(QStringLiteral("Protocol"), protocol);
    wrapper->invoke(&NEB::PayCard::IPayCard::applySettings);
    const QString settings = wrapper->readString(&NEB::PayCard::IPayCard::deviceSettings);
    factory.release(wrapper);
    return settings;
}

// The copies of an unreadable file kept beside it, oldest first.
inline QStringList filesBeside(const QString &fileName)
{
    const QFileInfo info(fileName);
    return info.dir().entryList({info.fileName() + QStringLiteral(".bad-*")}, QDir::Files, QDir::Name);
}

} // namespace SettingsFixtures

#endif // SETTINGSFIXTURES_H
