#include "simtext.h"
#include "widetext.h"


#include <algorithm>
#include <climits>
#include <cstring>

namespace Sim {

int copyOut(const std::wstring &value, wchar_t *buffer, int size)
{
    const int length = int(std::min<std::size_t>(value.size(), INT_MAX));
    if (buffer && size > 0) {
        const int count = std::min(length, size - 1);
        std::copy_n(value.data(), count, buffer);
        buffer[count] = L'\0';
    }
    return length;
}

int copyOut(const QString &value, wchar_t *buffer, int size)
{
    return copyOut(toWString(value), buffer, size);
}

std::wstring fromWide(const wchar_t *text, bool *tooLong)
{
    if (tooLong)
        *tooLong = false;
    if (!text)
        return std::wstring();
    // Bounded scan: never look beyond MaxInputLength characters for the NUL,
    // not even at the one just past them, which may lie outside the host's
    // buffer.
    int length = 0;
    while (length < MaxInputLength && text[length] != L'\0')
        ++length;
    if (length == MaxInputLength && tooLong)
        *tooLong = true;
    return std::wstring(text, std::size_t(length));
}

QString fromWideQ(const wchar_t *text, bool *tooLong)
{
    return toQString(fromWide(text, tooLong));
}

QString toQString(const std::wstring &text)
{
    return WideText::toQString(text.data(), int(text.size()));
}

std::wstring toWString(const QString &text)
{
    std::wstring wide(std::size_t(text.size()), L'\0');
    wide.resize(std::size_t(WideText::copyTo(text, &wide[0])));
    return wide;
}

namespace {

// An empty set may carry no data pointer at all, which memchr must not see.
bool isOneOf(ushort u, QLatin1String set)
{
    return u < 128 && !set.isEmpty()
           && std::memchr(set.data(), char(u), std::size_t(set.size())) != nullptr;
}

} // namespace

bool isLatinWord(const QString &text, int minLength, int maxLength, QLatin1String others)
{
    if (text.size() < minLength || text.size() > maxLength)
        return false;
    return std::all_of(text.cbegin(), text.cend(), [others](QChar c) {
        const ushort u = c.unicode();
        return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')
               || isOneOf(u, others);
    });
}

bool isMacAddress(const QString &text, QLatin1String separators)
{
    if (text.size() != 17)
        return false;
    for (int i = 0; i < text.size(); ++i) {
        const ushort u = text.at(i).unicode();
        const bool ok = i % 3 == 2
                            ? isOneOf(u, separators)
                            : (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
        if (!ok)
            return false;
    }
    return true;
}

bool isNumberIn(const QString &text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= low && value <= high;
}

} // namespace Sim
