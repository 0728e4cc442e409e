#pragma once
// Message boxes and the application-wide exception handler.
//
// Every text the package shows to the user goes through one replaceable sink:
// applications get a QMessageBox, tests install a recorder so that nothing
// ever blocks. Exceptions never cross Qt's event loop: each event override
// catches and calls HandleException, which shows the exception's text here.

#include <QString>

#include <exception>
#include <functional>

namespace skedra
{

// Receives the text of a plain message box. May be called from any thread.
// The default sink shows a QMessageBox from the user-interface thread's event
// loop (never inside the event handler that reported it, and never twice at
// once for the same text); without a QApplication it writes to stderr.
using TMessageSink = std::function<void(const QString& theText)>;

// Installs a sink; an empty one restores the default. Answers the previous sink.
TMessageSink SetMessageSink(TMessageSink aSink);

// A plain message box with one text.
void ShowMessage(const QString& theText);

// The text shown for an exception: Exception::Message(), what() of any
// std::exception, or "Unknown exception" for anything else.
QString ExceptionText(std::exception_ptr anException);

// The application-wide handler: shows the text of anException (or of the
// exception being handled, when called without one inside a catch block).
void HandleException(std::exception_ptr anException = std::current_exception());

// Runs f and routes any exception to HandleException; answers whether f
// completed normally. Used at every boundary where Qt calls into the package.
template <class F> bool GuardedCall(F&& f) noexcept
{
    try {
        std::forward<F>(f)();
        return true;
    } catch (...) {
        HandleException(std::current_exception());
        return false;
    }
}

} // namespace skedra
