#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include <QString>
#include <QStringList>

class PayCardMainWindow;

// The bench's own options. Without any of them the program starts its
// window as it always has, and every argument is the toolkit's.
namespace CommandLine {

struct Options
{
    bool any = false;  // one of the bench's options was given
    bool help = false;
    QString journalFile;
    QString scenarioFile;
    QString recordFile;
    QString reportFile;
    QString settingsDirectory;
    QString error;     // why the command line cannot be used
};

// Before the application object exists: a scenario run (and the help) needs
// no display, so it gets the off-screen platform unless one was chosen.
void prepare(int argc, char *argv[]);

// `arguments` as the application object leaves them (program name first).
Options parse(const QStringList &arguments);
QString usage();
QString helpText();

// Starts the window, or does what the options ask; returns the exit code.
int run(const QStringList &arguments);

// Opens the journal the options name and tells the window when it could not.
void attachJournal(PayCardMainWindow *window, const QString &openError);

} // namespace CommandLine

#endif // COMMANDLINE_H
