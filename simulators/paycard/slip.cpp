#include "slip.h"

#include <QStringList>

namespace SimPayCard {

namespace {

// Line breaks or tabs inside a value would break the fixed-width layout.
QString flatten(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        if (c.isSpace() || !c.isPrint())
            c = QLatin1Char(' ');
    }
    return result;
}

// Cuts text into pieces of at most width characters.
QStringList chop(const QString &text, int width)
{
    QStringList pieces;
    for (int start = 0; start < text.size(); start += width)
        pieces.append(text.mid(start, width));
    if (pieces.isEmpty())
        pieces.append(QString());
    return pieces;
}

} // namespace

int Slip::clampWidth(int requested)
{
    if (requested < MinWidth)
        return MinWidth;
    if (requested > MaxWidth)
        return MaxWidth;
    return requested;
}

void Slip::addCentered(const QString &text)
{
    lines.append({Kind::Centered, flatten(text), QString()});
}

void Slip::addText(const QString &text)
{
    lines.append({Kind::Text, flatten(text), QString()});
}

void Slip::addPair(const QString &label, const QString &value)
{
    lines.append({Kind::Pair, flatten(label), flatten(value)});
}

void Slip::addRule(QChar fill)
{
    lines.append({Kind::Rule, QString(fill), QString()});
}

void Slip::addBlank()
{
    lines.append({Kind::Blank, QString(), QString()});
}

void Slip::append(const Slip &other)
{
    lines += other.lines;
}

QString Slip::render(int width) const
{
    width = clampWidth(width);
    QStringList rows;
    for (const Line &line : lines) {
        switch (line.kind) {
        case Kind::Centered:
            for (const QString &piece : chop(line.first, width)) {
                const int left = (width - piece.size()) / 2;
                rows.append(QString(left, QLatin1Char(' ')) + piece);
            }
            break;
        case Kind::Text:
            rows += chop(line.first, width);
            break;
        case Kind::Pair:
            if (line.first.size() + 1 + line.second.size() <= width) {
                const int gap = width - line.first.size() - line.second.size();
                rows.append(line.first + QString(gap, QLatin1Char(' ')) + line.second);
            } else {
                rows += chop(line.first, width);
                for (const QString &piece : chop(line.second, width))
                    rows.append(piece.rightJustified(width, QLatin1Char(' ')));
            }
            break;
        case Kind::Rule:
            rows.append(QString(width, line.first.at(0)));
            break;
        case Kind::Blank:
            rows.append(QString());
            break;
        }
    }
    QString result;
    result.reserve(rows.size() * width);
    for (const QString &row : rows)
        result += row.leftJustified(width, QLatin1Char(' '), true);
    return result;
}

QString formatKopecks(qint64 kopecks)
{
    const bool negative = kopecks < 0;
    const qint64 magnitude = negative ? -kopecks : kopecks;
    return QStringLiteral("%1%2.%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

QString currencyName(const QString &code)
{
    if (code == QLatin1String("643"))
        return QStringLiteral("RUB");
    if (code == QLatin1String("840"))
        return QStringLiteral("USD");
    if (code == QLatin1String("978"))
        return QStringLiteral("EUR");
    return code;
}

} // namespace SimPayCard
