#ifndef WIDETEXT_H
#define WIDETEXT_H

#include <QString>

#include <algorithm>
#include <cstdint>
#include <string>

// Conversions between QString and the drivers' wide characters.
//
// Where wchar_t has 16 bits (Windows) it holds UTF-16 code units, exactly
// what QString holds, and they are copied unit for unit: surrogate pairs,
// lone surrogates and a U+FEFF or U+FFFE at the start all arrive unchanged.
// Qt's own fromWCharArray would read such a first character as a byte-order
// mark and drop it, or swap the bytes of the whole text.
//
// Where wchar_t has 32 bits, each holds a code point. Qt's general UTF-32
// conversion is several times slower than a copy and every driver text passes
// here, settings strings and slips of megabytes among them; it also reads a
// first U+FEFF as a byte-order mark. So text of the basic plane, which is all
// a driver sends in practice, is copied character for character, and the rest
// becomes surrogate pairs here. Values that are no code point at all (over
// U+10FFFF, negative) read as U+FFFD.
//
// The functions are templates only so that the branch for the other width is
// never compiled: its range checks would be always-true comparisons there.
namespace WideText {

namespace Detail {

// Appends the code points from text[from] on, where the basic plane ends.
template <typename Char>
void appendAnyPlane(QString &result, const Char *text, int from, int length)
{
    for (int i = from; i < length; ++i) {
        const auto c = static_cast<std::uint32_t>(text[i]);
        if (c > 0x10FFFF) {
            result += QChar(QChar::ReplacementCharacter);
        } else if (c > 0xFFFF) {
            result += QChar(QChar::highSurrogate(c));
            result += QChar(QChar::lowSurrogate(c));
        } else {
            result += QChar(ushort(c));
        }
    }
}

} // namespace Detail

template <typename Char>
QString toQString(const Char *text, int length)
{
    static_assert(sizeof(Char) == 2 || sizeof(Char) == 4, "wide characters of 16 or 32 bits");
    if (length < 0)
        length = int(std::char_traits<Char>::length(text));
    if (length == 0)
        return QString();
    if constexpr (sizeof(Char) == 2) {
        return QString(reinterpret_cast<const QChar *>(text), length);
    } else {
        QString result(length, Qt::Uninitialized);
        QChar *out = result.data();
        for (int i = 0; i < length; ++i) {
            const auto c = static_cast<std::uint32_t>(text[i]);
            if (c > 0xFFFF) {
                result.truncate(i);
                Detail::appendAnyPlane(result, text, i, length);
                return result;
            }
            out[i] = QChar(ushort(c));
        }
        return result;
    }
}

// Writes text into `out`, which has room for text.size() characters, and
// returns the number written: text.size() UTF-16 units where wchar_t has 16
// bits, fewer where it has 32 and surrogate pairs became one character.
template <typename Char>
int copyTo(const QString &text, Char *out)
{
    static_assert(sizeof(Char) == 2 || sizeof(Char) == 4, "wide characters of 16 or 32 bits");
    const QChar *in = text.constData();
    const int length = text.size();
    if constexpr (sizeof(Char) == 2) {
        std::transform(in, in + length, out, [](QChar c) { return Char(c.unicode()); });
        return length;
    } else {
        if (std::none_of(in, in + length, [](QChar c) { return c.isSurrogate(); })) {
            std::transform(in, in + length, out, [](QChar c) { return Char(c.unicode()); });
            return length;
        }
        return text.toWCharArray(out);
    }
}

} // namespace WideText

#endif // WIDETEXT_H
