#ifndef QNEBINTERFACE_H
#define QNEBINTERFACE_H

#include "driverjournal.h"
#include "exception.h"
#include "ifptr.h"
#include "ipaycard.h"
#include "widetext.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace DriverText {

// The most a driver may make us allocate for one string. A driver that
// reports a larger length gets a buffer of this size and is read truncated,
// instead of taking the bench down with a failed allocation.
constexpr int MaximumLength = 16 * 1024 * 1024;

// Text of a driver buffer up to its first NUL, never past its end.
inline QString fromBuffer(const std::vector<wchar_t> &buffer, int limit)
{
    const auto end = buffer.begin() + std::min<std::size_t>(std::size_t(std::max(limit, 0)), buffer.size());
    const auto nul = std::find(buffer.begin(), end, wchar_t(0));
    return WideText::toQString(buffer.data(), int(nul - buffer.begin()));
}

// Whether a value of `length` characters did not fit a buffer of `size`. A
// value of exactly the buffer's size fits only when the driver filled the
// whole buffer without a terminating NUL; a driver that cut it to make room
// for the NUL has to be asked again, or the last character would be lost.
inline bool needsSecondRead(const std::vector<wchar_t> &buffer, int length, int size)
{
    return length > size || (length == size && buffer[std::size_t(size) - 1] == wchar_t(0));
}

// NUL-terminated wide copy of a text, for the driver's string setters.
inline std::vector<wchar_t> toWide(const QString &text)
{
    std::vector<wchar_t> wide(std::size_t(text.size()) + 1, wchar_t(0));
    WideText::copyTo(text, wide.data());
    return wide;
}

} // namespace DriverText

// Wrapper around one driver object. It does not own the object: driver
// objects are created and released only by their factory. Every call into a
// driver passes through here, and checkResult is the one place where a
// negative driver result becomes an exception.
template <class I>
class QNebInterface
{
public:
    using Interface = I;
    typedef int (NEBAPI I::*StringGetter)(wchar_t *, int);
    typedef int (NEBAPI I::*StringSetter)(const wchar_t *);
    typedef int (NEBAPI I::*IntGetter)(int *);
    typedef int (NEBAPI I::*DoubleGetter)(double *);

    explicit QNebInterface(I *driverObject) : object(driverObject) {}
    virtual ~QNebInterface() = default;

    QNebInterface(const QNebInterface &) = delete;
    QNebInterface &operator=(const QNebInterface &) = delete;

    // Initial capacity, in characters, of the buffer strings are read into.
    virtual int stringBufferSize() const { return 1024; }

    I *driverObject() const { return object; }

    // Whether the driver object may have changed its settings since
    // settle(). A getter cannot be told to change anything, so the reads
    // below (readString, readInt, readDouble, readParameter) and the reasons
    // checkResult fetches leave this as it is; every other call through the
    // wrapper sets it before it is made, whatever it is and whether or not
    // it succeeds: a setter, an action, the settings dialog. Start-up settles
    // the devices it made from the settings files once their set-up is done,
    // so that shut-down asks only the devices used since for their settings.
    // Calls made on the bare driver object are the descriptions' parameter
    // reads, getters too.
    bool mayHaveChangedSettings() const { return touched; }
    void settle() { touched = false; }

    // Returns a non-negative result unchanged; otherwise fetches the reason
    // from the driver and throws it. A failure the driver does not describe
    // (result code 0) is handed back to the caller as it is.
    int checkResult(int result)
    {
        if (result >= 0)
            return result;
        I *driver = requireObject();
        int code = 0;
        DriverCall::call(driver, &I::resultCode, &code);
        if (code == 0)
            return result;
        const QString message = QCoreApplication::translate("QObject", "[%1] %2")
                                    .arg(code)
                                    .arg(readString(&I::resultDescription));
        int bad = 0;
        DriverCall::call(driver, &I::badParam, &bad);
        QString detail;
        if (bad != 0)
            detail = QCoreApplication::translate("QObject", "%1").arg(readString(&I::badParamDescription));
        if (detail.isEmpty())
            throw Exception(message);
        throw Exception(QCoreApplication::translate("QObject", "%1 (%2)").arg(message, detail));
    }

    // Calls a setter or an action of the driver and checks its result.
    template <class... Params, class... Args>
    int invoke(int (NEBAPI I::*operation)(Params...), Args &&...args)
    {
        return checkResult(call(operation, std::forward<Args>(args)...));
    }

    // Calls an operation without looking at its result, for the few calls
    // whose failure the bench deliberately ignores.
    template <class... Params, class... Args>
    int call(int (NEBAPI I::*operation)(Params...), Args &&...args)
    {
        touched = true;
        return DriverCall::call(requireObject(), operation, std::forward<Args>(args)...);
    }

    // A failing getter is not an error here, nor one the driver threw out
    // of: it yields an empty text, a number getter 0.
    QString readString(StringGetter getter)
    {
        I *driver = requireObject();
        return readTwoPass([driver, getter](wchar_t *buffer, int size) {
            return DriverCall::call(driver, getter, buffer, size);
        });
    }

    int readInt(IntGetter getter) { return readNumber<int>(getter); }
    double readDouble(DoubleGetter getter) { return readNumber<double>(getter); }

    void writeString(StringSetter setter, const QString &text)
    {
        const std::vector<wchar_t> wide = DriverText::toWide(text);
        I *driver = requireObject();
        touched = true;
        checkResult(DriverCall::call(driver, setter, wide.data()));
    }

    QString readParameter(const QString &name)
    {
        I *driver = requireObject();
        const std::vector<wchar_t> wideName = DriverText::toWide(name);
        return readTwoPass([driver, &wideName](wchar_t *buffer, int size) {
            return DriverCall::call(driver, &I::parameter, wideName.data(), buffer, size);
        });
    }

    void writeParameter(const QString &name, const QString &value)
    {
        const std::vector<wchar_t> wideName = DriverText::toWide(name);
        const std::vector<wchar_t> wideValue = DriverText::toWide(value);
        I *driver = requireObject();
        touched = true;
        checkResult(DriverCall::call(driver, &I::setParameter, wideName.data(), wideValue.data()));
    }

private:
    // Reads into a buffer of stringBufferSize characters first; a value that
    // did not fit is read again into a buffer of its full length plus the NUL.
    // The second result is not looked at: the text ends at the first NUL.
    template <class Read>
    QString readTwoPass(Read read)
    {
        try {
            return readTwoPassUnguarded(read);
        } catch (const Exception &) {
            // A getter the driver threw out of has failed like any other.
            return QString();
        }
    }

    template <class Read>
    QString readTwoPassUnguarded(Read read)
    {
        const int size = std::max(1, stringBufferSize());
        std::vector<wchar_t> buffer(std::size_t(size), wchar_t(0));
        const int length = read(buffer.data(), size);
        if (length <= 0)
            return QString();
        if (DriverText::needsSecondRead(buffer, length, size)) {
            const int secondSize = std::min(length, DriverText::MaximumLength) + 1;
            buffer.assign(std::size_t(secondSize), wchar_t(0));
            read(buffer.data(), secondSize);
        }
        return DriverText::fromBuffer(buffer, int(buffer.size()));
    }

    template <class T>
    T readNumber(int (NEBAPI I::*getter)(T *))
    {
        I *driver = requireObject();
        T value = 0;
        try {
            DriverCall::call(driver, getter, &value);
        } catch (const Exception &) {
            value = 0;
        }
        return value;
    }

    I *requireObject() const
    {
        if (!object)
            throw DeviceNotFoundException();
        return object;
    }

    I *const object;
    bool touched = true;
};

class QNebPaycard : public QNebInterface<NEB::PayCard::IPayCard>
{
public:
    explicit QNebPaycard(NEB::PayCard::IPayCard *driverObject) : QNebInterface(driverObject) {}
};

class QNebFptr : public QNebInterface<NEB::Fptr::IFptr>
{
public:
    explicit QNebFptr(NEB::Fptr::IFptr *driverObject) : QNebInterface(driverObject) {}
    int stringBufferSize() const override { return 256; }
};

namespace DriverText {

// Reads a text through one of the driver's (name, buffer, size) operations:
// a 2048-character buffer first, a buffer of the full length when the value
// is longer. The second buffer has room for the terminating NUL, so a long
// value comes back whole.
template <class I>
QString readNamed(I *driver, int (NEBAPI I::*operation)(const wchar_t *, wchar_t *, int),
                  const wchar_t *name)
{
    constexpr int FirstSize = 2048;
    std::vector<wchar_t> buffer(FirstSize, wchar_t(0));
    int length = DriverCall::call(driver, operation, name, buffer.data(), FirstSize);
    if (needsSecondRead(buffer, length, FirstSize)) {
        const int secondSize = std::min(length, MaximumLength) + 1;
        buffer.assign(std::size_t(secondSize), wchar_t(0));
        length = DriverCall::call(driver, operation, name, buffer.data(), secondSize);
    }
    if (length == 0)
        return QString();
    if (length < 0)
        return fromBuffer(buffer, int(buffer.size()));
    return fromBuffer(buffer, length);
}

} // namespace DriverText

// The value of a named parameter of a bare driver object.
template <class I>
QString readParameterText(I *driver, const wchar_t *name)
{
    return DriverText::readNamed(driver, &I::parameter, name);
}

// The display label of a named parameter's current value, looked up in the
// driver's "value:label;" list; empty when the list does not name the value.
template <class I>
QString readParameterValueLabel(I *driver, const wchar_t *name)
{
    const QString values = DriverText::readNamed(driver, &I::parameterValues, name);
    const QString current = readParameterText(driver, name);
    const QStringList entries = values.split(QLatin1Char(';'));
    for (const QString &entry : entries) {
        const int colon = entry.indexOf(QLatin1Char(':'));
        const QString value = colon < 0 ? entry : entry.left(colon);
        if (value == current)
            return colon < 0 ? QString() : entry.mid(colon + 1);
    }
    return QString();
}

#endif // QNEBINTERFACE_H
