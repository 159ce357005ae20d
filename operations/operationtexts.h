#ifndef OPERATIONTEXTS_H
#define OPERATIONTEXTS_H

#include <QString>
#include <QVariant>

#include <functional>

// The texts the operation pages show, built from plain values so that they
// do not depend on a window or a driver.
namespace OperationText {

// A response field of the terminal that a result line may show.
enum class ResponseField {
    AuthorizationCode,
    TransactionId,
    TransactionDate,
    TransactionTime,
    TerminalId,
    ReferenceNumber,
    CardNumber,
    CardType,
    CardExpiryDate,
    PointCode,
    Commission,
    OperatorName,
    SlipNumber,
    AmountId,
    CommissionId,
};

// Gives the value of one field: a text, an int or a double (an amount).
using FieldReader = std::function<QVariant(ResponseField)>;

// "Код ответа: <code>\n".
QString responseCodeText(int responseCode);

// The response-code line followed by one line per field that the terminal's
// protocol defines, in the protocol's order. Only those fields are read, so a
// driver is asked for nothing else. Throws Exception "Протокол не
// поддерживается" for a protocol without fields, before reading any.
QString authorizationResultText(int responseCode, int protocol, const FieldReader &read);

// Whether a failed authorization still left response fields worth showing:
// not for the codes by which the terminal says no answer came at all.
bool hasResponseFields(int resultCode);

// The slip as the driver gives it, one string of fixed-width lines, broken
// into rows of `width` characters; a negative width counts like its absolute
// value, and 0 leaves the slip one unbroken line.
QString slipViewText(const QString &slip, int width);

// `text` with its lines gathered `linesPerParagraph` to a paragraph: within
// one, lines are joined by the line separator U+2028, which a text view lays
// out as a new line and gives back as "\n" from toPlainText. A view spends
// far more on a paragraph than on a line within one, and the cost of its
// paragraphs grows faster than their number, so a slip of megabytes with a
// paragraph a line takes more than four times as long as one a quarter its
// size. Fewer than 1 line per paragraph counts as 1: the text is returned
// as it is.
QString gatheredParagraphs(const QString &text, int linesPerParagraph);

// Whether `text` looks the same laid out without the shaper: only the
// characters of Latin, Greek and Cyrillic slips (their letters, digits,
// punctuation, currency and other symbols, box drawing, tabs and line
// breaks), none of them a combining mark, a format character such as a soft
// hyphen or a joiner, or a character that takes its form from its
// neighbours.
bool laysOutUnshaped(const QString &text);

} // namespace OperationText

#endif // OPERATIONTEXTS_H
