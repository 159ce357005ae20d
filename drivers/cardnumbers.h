#ifndef CARDNUMBERS_H
#define CARDNUMBERS_H

#include <QString>

// The one rule for hiding card numbers in whatever the bench or its
// simulated drivers write out: the driver call journal, the drivers' traces
// and error texts, scenario summaries and reports.
//
// A card number is 13 to 19 digits, unbroken or in groups separated by one
// or two blanks or hyphens ("4111 1111 1111 1111", "4111  1111-1111-1111").
// It keeps its first 6 and last 4 digits; the others become '*'. A number
// never spans a line break, and 12 digits or fewer (reference numbers,
// dates, amounts) are left alone. Where grouped digits add up to more than
// 19, the groups are taken from the left, as many as a card can hold, so a
// card number followed by a year or a code is still found.
//
// Texts without a digit are returned as they are, without a copy.
QString maskCardNumbers(const QString &text);

// A field known to hold one card number: all but its first 6 and last 4
// digits hidden, whatever its length; a number too short to keep anything
// hidden (under 11 digits) is hidden whole.
QString maskCardNumber(const QString &number);

#endif // CARDNUMBERS_H
