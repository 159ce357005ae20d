#ifndef EXCEPTION_H
#define EXCEPTION_H

#include <QByteArray>
#include <QString>

#include <exception>

// The one exception family of the bench. Every driver failure and every
// missing device ends up here; the window's slots catch std::exception and
// show what() in the status bar.
class Exception : public std::exception
{
public:
    explicit Exception(const QString &message);

    // The message as UTF-8; valid until the next what() on this object.
    const char *what() const noexcept override;
    QString message() const { return text; }

private:
    QString text;
    mutable QByteArray utf8;
};

// Thrown whenever an operation needs a device, or a driver object, that is
// not there.
class DeviceNotFoundException : public Exception
{
public:
    DeviceNotFoundException();
};

#endif // EXCEPTION_H
