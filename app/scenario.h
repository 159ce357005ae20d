#ifndef SCENARIO_H
#define SCENARIO_H

#include <QHash>
#include <QJsonValue>
#include <QPair>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QVector>

class QWidget;

// A scenario file: steps that set fields of the main window by object name,
// press one of its buttons, answer the dialogs that opens and check what the
// window shows afterwards. See the README for the format.
namespace Scenario {

// Field name and the value from the file, in the order they are applied.
using Fields = QVector<QPair<QString, QJsonValue>>;

struct DialogAnswer
{
    bool accept = true;
    bool hasText = false;
    QString text;    // for an input dialog
    Fields fields;   // widgets of the dialog itself, by object name
    QString pattern; // must match the dialog's title and text, if given
};

struct Expectations
{
    bool hasErrorLabel = false;
    QString errorLabel;
    QString errorLabelPattern;
    Fields values;                          // exact value of a widget
    QVector<QPair<QString, QString>> matches; // widget text against a pattern
    QVector<QPair<QString, QStringList>> contains; // texts the widget's text contains
    QVector<QPair<QString, QStringList>> lines;    // whole lines, in this order
    QVector<QPair<QString, bool>> enabled;
};

// A text the step takes from the window for later steps, which refer to it
// as ${name} in their texts: the first group of `pattern` in the widget's text.
struct Capture
{
    QString name;
    QString from;
    QString pattern;
};

struct Step
{
    int number = 0; // from 1, as the messages count
    QString name;
    QVector<Capture> captures;
    Fields fields;
    QString press;
    QVector<DialogAnswer> dialogs;
    Expectations expect;
};

struct File
{
    QString name;
    QVector<Step> steps;
};

// Limits of a scenario, so that a runaway generator or a wrong file (say
// /dev/zero) is refused at once instead of being read, parsed and run for
// minutes. Real scenarios have tens of steps and a few kilobytes.
constexpr qint64 MaxFileSize = 16 * 1024 * 1024;
constexpr int MaxSteps = 10000;

// Reads and checks a scenario against the window's form: object names,
// buttons and value types. Returns the error that makes it unusable, with
// the line and column of a JSON error or the number of the step, or an
// empty string.
QString parse(const QByteArray &json, File *scenario);

// `text` with each ${name} replaced by its captured value.
QString substitute(QString text, const QHash<QString, QString> &variables);

// Field access, shared by the checks of the file and the run.
// Whether `value` is the kind of value `widget` takes, to be set or, with
// forSetting false, to be compared with; an error text if not. A text that
// refers to a captured value passes for any field that takes its value as
// typed text (spin boxes, dates, times): it is checked once put in.
QString checkValueType(const QWidget *widget, const QJsonValue &value, bool forSetting);
// Sets the widget the way a person would, so its signals reach the window's
// slots. An error text when it cannot be done (disabled, out of range, no
// such item).
QString setValue(QWidget *widget, const QJsonValue &value);
// The widget's value as the file writes it, and its text for patterns.
QJsonValue value(const QWidget *widget);
QString text(const QWidget *widget);
bool sameValue(const QWidget *widget, const QJsonValue &expected);
// How a value reads in messages.
QString describe(const QJsonValue &value);

// The expression of `pattern`, compiled once for the whole process: a long
// run checks the same expressions step after step, and compiling one costs
// far more than matching it.
QRegularExpression compiled(const QString &pattern);

} // namespace Scenario

#endif // SCENARIO_H
