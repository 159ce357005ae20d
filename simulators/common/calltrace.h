#ifndef CALLTRACE_H
#define CALLTRACE_H

#include <QElapsedTimer>
#include <QString>

#include <cwchar>

namespace Sim {

class SimDevice;

// Records one interface call in the device's trace file when the device's
// "Trace" option is on: start time to the millisecond, operation, arguments,
// result (with the failure description) and duration. Written when the call
// ends, so a call that switches tracing on or off is judged by the new state.
//
//     CallTrace trace(*this, "setSum", QString::number(sum));
//     return trace(doSetSum(sum));
class CallTrace
{
public:
    CallTrace(const SimDevice &device, const char *operation,
              const QString &arguments = QString());
    ~CallTrace();
    CallTrace(const CallTrace &) = delete;
    CallTrace &operator=(const CallTrace &) = delete;

    // Record the result and hand it back. The with... forms also record an
    // output; the result argument is evaluated before the output is read.
    int operator()(int result);
    int withInt(int result, const int *value);
    int withDouble(int result, const double *value);
    int withText(int result, const wchar_t *buffer, int size);

private:
    const SimDevice &device;
    const char *operation;
    QString arguments;
    QString output;
    QString started;
    QElapsedTimer timer;
    int result = 0;
};

// Argument texts for traces: quoted, shortened, card numbers masked.
QString traceArgument(const wchar_t *text);
QString traceArgument(const QString &text);

} // namespace Sim

#endif // CALLTRACE_H
