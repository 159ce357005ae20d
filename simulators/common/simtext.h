#ifndef SIMTEXT_H
#define SIMTEXT_H

#include <QString>

#include <string>

// Wide-string helpers for the driver boundary. The host's buffers and texts
// are untrusted: nothing here writes past a buffer or reads an unbounded text.
namespace Sim {

// Most characters of a host text ever read. Its NUL must lie among them, so
// the longest text accepted is one shorter; anything longer is taken for a
// missing terminator rather than a real value.
constexpr int MaxInputLength = 1000000;

// Writes what fits of value into buffer, NUL-terminated, never more than size
// characters; writes nothing for a null buffer or size <= 0. Returns the full
// length of value without the NUL.
int copyOut(const std::wstring &value, wchar_t *buffer, int size);
int copyOut(const QString &value, wchar_t *buffer, int size);

// The text up to its NUL, read no further than MaxInputLength characters; a
// null pointer gives an empty text. tooLong (may be null) tells whether no
// NUL was found within the bound; the text is then cut at it.
std::wstring fromWide(const wchar_t *text, bool *tooLong = nullptr);
QString fromWideQ(const wchar_t *text, bool *tooLong = nullptr);

QString toQString(const std::wstring &text);
std::wstring toWString(const QString &text);

// Whether text has minLength to maxLength characters, each a Latin letter,
// a digit or one of `others`. Settings values are checked when every driver
// object is made and loaded, so this is a loop rather than a pattern match,
// whose compilation alone costs as much as loading a device.
bool isLatinWord(const QString &text, int minLength, int maxLength, QLatin1String others = QLatin1String());
// Six pairs of hexadecimal digits, each pair but the first preceded by one of
// `separators`.
bool isMacAddress(const QString &text, QLatin1String separators);
// Whether text is a whole number from low to high.
bool isNumberIn(const QString &text, int low, int high);

} // namespace Sim

#endif // SIMTEXT_H
