#include "squeezedlabel.h"

#include <QFontMetrics>
#include <QResizeEvent>
#include <QTextDocument>

SqueezedLabel::SqueezedLabel(QWidget *parent)
    : QLabel(parent)
{
    // Device names and driver texts are shown as typed, "<b>" and "&"
    // included, never as markup.
    setTextFormat(Qt::PlainText);
}

QString SqueezedLabel::fullText() const
{
    return originalText;
}

QSize SqueezedLabel::minimumSizeHint() const
{
    QSize hint = QLabel::minimumSizeHint();
    // -1 leaves the width unconstrained; only the height still comes from
    // the font.
    hint.setWidth(-1);
    return hint;
}

void SqueezedLabel::setText(const QString &text)
{
    originalText = text;
    squeeze();
}

void SqueezedLabel::clear()
{
    originalText.clear();
    QLabel::clear();
}

void SqueezedLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    // Re-elide from the full text, not from what is shown, so a label that
    // grows wider gets back the part it had cut off.
    squeeze();
}

void SqueezedLabel::squeeze()
{
    const QFontMetrics metrics = fontMetrics();
    const QString elided = metrics.elidedText(originalText, Qt::ElideRight, width(), 0);
    if (elided == originalText) {
        QLabel::setText(originalText);
        setToolTip(QString());
    } else {
        QLabel::setText(elided);
        // A tool tip that looks like markup is rendered as markup: such a
        // text goes in escaped.
        setToolTip(Qt::mightBeRichText(originalText)
                       ? QStringLiteral("<p style='white-space:pre'>%1</p>").arg(originalText.toHtmlEscaped())
                       : originalText);
    }
}
