#ifndef WIDETEXT_H
#define WIDETEXT_H

#include <QString>

#include <algorithm>
#include <cstdint>
#include <vector>

// Conversions between QString and the drivers' wide characters. Where
// wchar_t has 32 bits, Qt goes through its general UTF-32 conversion, several
// times slower than a copy; every driver text passes here, settings strings
// and slips of megabytes among them. Text of the basic plane, which is all a
// driver sends in practice, is therefore copied character for character, and
// only text with anything else takes Qt's way, with the same result.
namespace WideText {

// Whether a wide character is a Unicode code point at all. A 32-bit wchar_t
// can hold values that are none, which Qt's conversion would turn into
// other, valid characters (0x110000 into U+10000); they read as U+FFFD.
inline bool isCodePoint(wchar_t c)
{
    return static_cast<std::uint32_t>(c) <= 0x10FFFF;
}

inline QString fromOtherPlanes(const wchar_t *text, int length)
{
    if (std::all_of(text, text + length, isCodePoint))
        return QString::fromWCharArray(text, length);
    std::vector<wchar_t> checked(text, text + length);
    std::replace_if(checked.begin(), checked.end(), [](wchar_t c) { return !isCodePoint(c); }, wchar_t(0xFFFD));
    return QString::fromWCharArray(checked.data(), length);
}

inline QString toQString(const wchar_t *text, int length)
{
    if (sizeof(wchar_t) != 4 || length <= 0)
        return QString::fromWCharArray(text, length);
    QString result(length, Qt::Uninitialized);
    QChar *out = result.data();
    for (int i = 0; i < length; ++i) {
        const auto c = static_cast<std::uint32_t>(text[i]);
        if (c >= 0xD800 && (c < 0xE000 || c > 0xFFFF))
            return fromOtherPlanes(text, length);
        out[i] = QChar(ushort(c));
    }
    return result;
}

// Writes text into `out`, which has room for text.size() characters, and
// returns the number written (fewer when surrogate pairs became one).
inline int copyTo(const QString &text, wchar_t *out)
{
    if (sizeof(wchar_t) == 4) {
        const QChar *in = text.constData();
        const int length = text.size();
        if (std::none_of(in, in + length, [](QChar c) { return c.isSurrogate(); })) {
            std::transform(in, in + length, out, [](QChar c) { return wchar_t(c.unicode()); });
            return length;
        }
    }
    return text.toWCharArray(out);
}

} // namespace WideText

#endif // WIDETEXT_H
