#ifndef SQUEEZEDLABEL_H
#define SQUEEZEDLABEL_H

#include <QLabel>
#include <QString>

class QResizeEvent;

// A one-line label for the narrow information panel: device names can be far
// longer than the panel is wide, so the label cuts its text with an ellipsis
// at its current width and offers the whole text as a tool tip.
//
// setText() and clear() hide the QLabel functions of the same name on
// purpose: callers holding a SqueezedLabel set the full text, and
// QLabel::text() then returns what is actually shown (possibly elided).
// Calling them through a QLabel pointer bypasses the squeezing.
class SqueezedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit SqueezedLabel(QWidget *parent = nullptr);

    // The text last given to setText(), whether or not it fits.
    QString fullText() const;

    // Our own width must not follow the text, or the layout would widen the
    // panel to fit a long name instead of letting us elide it.
    QSize minimumSizeHint() const override;

public slots:
    void setText(const QString &text);
    void clear();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void squeeze();

    QString originalText;
};

#endif // SQUEEZEDLABEL_H
