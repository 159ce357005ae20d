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

// The text for a driver operation that threw instead of returning;
// `what` is the exception's own text where it has one.
QString driverExceptionText(const char *operation, const char *what);

// Runs one call into a driver library. A driver may throw anything, types
// the bench cannot know among them (an int, its own classes); none of it may
// pass the driver boundary, since only our own family is caught above. What
// the driver threw comes out as an Exception naming the operation, and the
// caller reports it like any driver failure.
template <class Call>
auto guardDriverCall(const char *operation, Call &&call) -> decltype(call())
{
    try {
        return call();
    } catch (const Exception &) {
        throw;
    } catch (const std::exception &e) {
        throw Exception(driverExceptionText(operation, e.what()));
    } catch (...) {
        throw Exception(driverExceptionText(operation, nullptr));
    }
}

#endif // EXCEPTION_H
