#ifndef SCENARIORUNNER_H
#define SCENARIORUNNER_H

#include <QString>

#include <functional>

class PayCardMainWindow;
class QTextStream;

namespace ScenarioRunner {

// What a run's exit code says.
enum Outcome {
    Passed = 0,
    Failed = 1,    // a step did not meet its expectations
    Unusable = 2,  // the scenario file is malformed, or a file could not be used
};

struct Options
{
    QString scenarioFile;
    QString reportFile;        // JUnit XML; none when empty
    QString settingsDirectory; // the user's own when empty
    QString journalFile;       // the driver call journal; none when empty
    // Called once the window stands, before the first step.
    std::function<void(PayCardMainWindow *)> windowReady;
};

// Runs a scenario on a main window that is never shown. The window works on
// a copy of the settings folder, so the settings files themselves are never
// written, and the simulated drivers keep their files in that copy too.
//
// Everything the run will read or write is checked before the first driver
// call: the report can be written, the scenario is within its limits and
// valid, the settings folder exists and its files load, the journal opens.
// A run that ends with Unusable still leaves a report of its own, with one
// errored case naming the problem, unless the report itself is what failed.
// The summary goes to `out`, reasons the run could not be done to `err`.
Outcome run(const Options &options, QTextStream &out, QTextStream &err);

} // namespace ScenarioRunner

#endif // SCENARIORUNNER_H
