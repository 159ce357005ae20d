#ifndef CALLTRACE_H
#define CALLTRACE_H

#include <QElapsedTimer>
#include <QString>

#include <cwchar>
#include <functional>

namespace Sim {

class SimDevice;

// Records one interface call in the device's trace file when the device's
// "Trace" option is on: start time to the millisecond, operation, arguments,
// result (with the failure description) and duration. Written when the call
// ends, so a call that switches tracing on or off is judged by the new state.
//
// Nothing is formatted unless the line is written: a host starting a thousand
// devices with tracing off must not pay for texts nobody reads. Arguments are
// therefore given as a function, and outputs as pointers read at the end,
// while the host's arguments and buffers are still valid and unchanged.
//
//     CallTrace trace(*this, "setSum", [=] { return QString::number(sum); });
//     return trace(doSetSum(sum));
class CallTrace
{
public:
    using Arguments = std::function<QString()>;

    CallTrace(const SimDevice &device, const char *operation, Arguments arguments = {});
    ~CallTrace();
    CallTrace(const CallTrace &) = delete;
    CallTrace &operator=(const CallTrace &) = delete;

    // Record the result and hand it back. The with... forms also record an
    // output, read when the line is written.
    int operator()(int result);
    int withInt(int result, const int *value);
    int withDouble(int result, const double *value);
    int withText(int result, const wchar_t *buffer, int size);

private:
    enum class Output { None, Int, Double, Text };

    QString outputText() const;

    const SimDevice &device;
    const char *operation;
    Arguments arguments;
    qint64 started;
    QElapsedTimer timer;
    int result = 0;
    Output output = Output::None;
    const void *outputValue = nullptr;
    int outputSize = 0;
};

// Argument texts for traces: quoted, shortened, card numbers masked.
QString traceArgument(const wchar_t *text);
QString traceArgument(const QString &text);

} // namespace Sim

#endif // CALLTRACE_H
