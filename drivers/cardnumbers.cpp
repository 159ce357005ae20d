#include "cardnumbers.h"

#include <QVarLengthArray>

namespace {

constexpr int MinCardDigits = 13;
constexpr int MaxCardDigits = 19;
constexpr int KeptLeading = 6;
constexpr int KeptTrailing = 4;

bool isDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

bool isGroupSeparator(QChar c)
{
    return c.unicode() == ' ' || c.unicode() == '-';
}

struct Group
{
    int begin;
    int end;
    int digits() const { return end - begin; }
};

// Hides the digits of text[begin, end) that lie between the first
// KeptLeading and the last KeptTrailing of `digits` digits.
void hideMiddle(QString &text, int begin, int end, int digits)
{
    int seen = 0;
    for (int i = begin; i < end; ++i) {
        if (!isDigit(text.at(i)))
            continue;
        if (seen >= KeptLeading && seen < digits - KeptTrailing)
            text[i] = QLatin1Char('*');
        ++seen;
    }
}

// Masks the card numbers among groups of digits that follow each other
// with short separators: as many groups from the left as a card can hold,
// then on from the group after them.
void maskGroups(QString &text, const QVarLengthArray<Group, 8> &groups)
{
    int first = 0;
    while (first < groups.size()) {
        int last = first;
        int digits = groups[first].digits();
        while (last + 1 < groups.size() && digits + groups[last + 1].digits() <= MaxCardDigits)
            digits += groups[++last].digits();
        if (digits >= MinCardDigits && digits <= MaxCardDigits) {
            hideMiddle(text, groups[first].begin, groups[last].end, digits);
            first = last + 1;
        } else {
            ++first;
        }
    }
}

} // namespace

QString maskCardNumbers(const QString &text)
{
    const int size = text.size();
    int i = 0;
    while (i < size && !isDigit(text.at(i)))
        ++i;
    if (size - i < MinCardDigits)
        return text;

    QString masked = text;
    QVarLengthArray<Group, 8> groups;
    while (i < size) {
        if (!isDigit(text.at(i))) {
            ++i;
            continue;
        }
        groups.clear();
        for (;;) {
            Group group{i, i};
            while (group.end < size && isDigit(text.at(group.end)))
                ++group.end;
            groups.append(group);
            int next = group.end;
            while (next < size && next - group.end < 2 && isGroupSeparator(text.at(next)))
                ++next;
            i = group.end;
            if (next == group.end || next >= size || !isDigit(text.at(next)))
                break;
            i = next;
        }
        maskGroups(masked, groups);
    }
    return masked;
}

QString maskCardNumber(const QString &number)
{
    int digits = 0;
    for (const QChar c : number)
        digits += isDigit(c) ? 1 : 0;
    QString masked = number;
    if (digits > KeptLeading + KeptTrailing) {
        hideMiddle(masked, 0, masked.size(), digits);
    } else {
        for (QChar &c : masked) {
            if (isDigit(c))
                c = QLatin1Char('*');
        }
    }
    return masked;
}
