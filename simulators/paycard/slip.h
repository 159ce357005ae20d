#ifndef SIMPAYCARD_SLIP_H
#define SIMPAYCARD_SLIP_H

#include <QString>
#include <QVector>

// A slip as logical lines, rendered to the line width of the moment. The
// rendered slip is one string of equally long lines with no separators: the
// host breaks it every width characters, so every line must be padded to
// exactly the width and long values wrapped, never cut.
namespace SimPayCard {

class Slip
{
public:
    // The narrowest width every slip line is laid out for, and the widest one
    // rendered: beyond it a host asking for a huge width would get a huge
    // string of blanks.
    static constexpr int MinWidth = 24;
    static constexpr int MaxWidth = 80;
    static constexpr int DefaultWidth = 32;
    static int clampWidth(int requested);

    void addCentered(const QString &text);
    void addText(const QString &text);
    // Label left, value right; when both do not fit on one line the value
    // moves to the next line, aligned right.
    void addPair(const QString &label, const QString &value);
    void addRule(QChar fill = QLatin1Char('-'));
    void addBlank();
    void append(const Slip &other);

    bool isEmpty() const { return lines.isEmpty(); }
    // Width is clamped first; the result's length is a multiple of it.
    QString render(int width) const;

private:
    enum class Kind { Centered, Text, Pair, Rule, Blank };
    struct Line
    {
        Kind kind;
        QString first;
        QString second;
    };
    QVector<Line> lines;
};

// "1234.50" style amount from kopecks.
QString formatKopecks(qint64 kopecks);
// A short currency name for the common numeric codes, else the code itself.
QString currencyName(const QString &code);

} // namespace SimPayCard

#endif // SIMPAYCARD_SLIP_H
