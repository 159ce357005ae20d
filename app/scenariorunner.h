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
    // Called once the window stands, before the first step.
    std::function<void(PayCardMainWindow *)> windowReady;
};

// Runs a scenario on a main window that is never shown. The window works on
// a copy of the settings folder, so the settings files themselves are never
// written. The summary goes to `out`, reasons the run could not be done to
// `err`.
Outcome run(const Options &options, QTextStream &out, QTextStream &err);

} // namespace ScenarioRunner

#endif // SCENARIORUNNER_H
