#ifndef SCENARIORECORDER_H
#define SCENARIORECORDER_H

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QVector>

class QAbstractButton;
class QDialog;
class QLabel;
class QMainWindow;
class QWidget;

// Writes a scenario for --run while a person works in the window. A press of
// a button is a step: the fields changed since the previous step become its
// "set", the modal dialogs the press opened its "dialogs", and what the press
// showed that stays the same from run to run its "expect". A field the window
// acts on at once (the device list, the terminal's switch) makes a step of
// its own, so the order of such changes survives a replay. A value copied
// from an earlier result into a field becomes a capture of the step that
// showed it. See the README for the rules.
//
// It watches through the buttons' and fields' own signals and an
// application-wide event filter for the dialogs, so the window knows nothing
// of it. The file is rewritten whole after every step, so it is a valid
// scenario at any moment, also after a crash.
class ScenarioRecorder : public QObject
{
    Q_OBJECT

public:
    explicit ScenarioRecorder(const QString &fileName, QObject *parent = nullptr);
    ~ScenarioRecorder() override;

    // The folder beside the scenario that keeps the settings files as they
    // were when the recording began, for --run --settings.
    static QString settingsFolder(const QString &fileName);

    // Before the window loads the settings: copies the settings files of
    // `userSettings` to settingsFolder and writes the scenario without steps.
    // Returns what could not be done, or an empty string.
    QString start(const QString &userSettings);
    // Records what is done in `window` from now on, and says so in its title
    // and status bar.
    void attach(QMainWindow *window);
    // Stops recording; the window's closing does this too, so its shut-down
    // is no step.
    void detach();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void fieldActed();

private:
    struct State
    {
        QJsonValue value;
        bool ownEnabled = true;
        bool enabled = true;
    };
    using Snapshot = QHash<QString, State>;

    struct Step
    {
        QString name;
        QJsonObject set;
        QString press;
        QJsonArray dialogs;
        QJsonObject expect;
        QJsonObject capture;
    };

    struct SeenDialog
    {
        QPointer<QDialog> dialog;
        QString pattern;                 // title and text, as a dialog answer's "expect"
        QHash<QString, QJsonValue> shown; // the dialog's fields when it opened
        bool finished = false;
        QJsonObject answer;
    };

    // A value a step showed that may differ in the next run, which a later
    // step may take over.
    struct Candidate
    {
        int step;
        QString from;
        QString label;
        QString value;
        QString pattern;
    };

    void pressed(QAbstractButton *button);
    void clicked(QAbstractButton *button);
    void finishStep(const QString &name, const QString &press, QJsonObject set);
    Snapshot snapshot() const;
    QJsonObject changedFields() const;
    QJsonObject expectations(const Snapshot &after, const QJsonObject &set);
    void addCandidates(const QString &from, const QString &text);
    QJsonValue withCaptures(const QJsonValue &value, bool wholeOnly);
    void seeDialog(QDialog *dialog);
    void dialogFinished(QDialog *dialog, int result);
    bool write();
    void showState(const QString &problem = QString());

    QString fileName;
    QString scenarioName;
    QString description;
    QPointer<QMainWindow> window;
    QVector<QPointer<QWidget>> widgets; // of the window, with unique object names
    QSet<QString> actingFields;          // fields the window has a slot for
    QSet<QString> consequences;          // acting fields changed by another one's slot
    Snapshot baseline;                   // the window after the previous step
    QPointer<QAbstractButton> pending;   // pressed, its click not yet over
    QJsonObject pendingSet;
    QVector<SeenDialog> dialogs;
    QVector<Step> steps;
    QVector<Candidate> candidates;
    QLabel *indicator = nullptr;
};

#endif // SCENARIORECORDER_H
