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

// A card number with all but its first 6 and last 4 digits replaced by '*';
// numbers too short to hide anything (under 11 digits) are fully masked.
QString maskCardNumber(const QString &number);
// Masks every card number inside a free text, for traces of slips, track
// data and the like: 12 to 19 digits, unbroken or in groups joined by single
// blanks or hyphens.
QString maskCardNumbers(const QString &text);

// The bench's per-user settings directory ("<config>/ORVA/vanter9/"), with a
// trailing '/', created if missing. Files of the simulators live there too.
QString settingsDirectory();

} // namespace Sim

#endif // SIMTEXT_H
