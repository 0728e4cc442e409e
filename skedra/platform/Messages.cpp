#include "skedra/platform/Messages.h"

#include "skedra/platform/Exceptions.h"

#include <QScopeGuard>
#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

#include <cstdio>
#include <mutex>

namespace skedra
{

namespace
{

std::mutex& SinkMutex()
{
    static std::mutex m;
    return m;
}

TMessageSink& CurrentSink()
{
    static TMessageSink sink;
    return sink;
}

// Texts whose box is queued or showing (user-interface thread only).
QStringList& OpenTexts()
{
    static QStringList texts;
    return texts;
}

void ShowBox(const QString& text)
{
    const auto close = qScopeGuard([&text] { OpenTexts().removeOne(text); });
    QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(), text);
}

// The box is shown from the event loop, never inside the event handler that
// failed: a failing paint would otherwise open a modal loop inside a paint and
// fail again for every repaint. While a box with the same text is queued or
// open, the same text is not shown twice.
void DefaultSink(const QString& text)
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        return;
    }
    QMetaObject::invokeMethod(
        app,
        [text] {
            if (OpenTexts().contains(text)) return;
            OpenTexts().append(text);
            ShowBox(text);
        },
        Qt::QueuedConnection);
}

} // namespace

TMessageSink SetMessageSink(TMessageSink aSink)
{
    std::lock_guard lock(SinkMutex());
    TMessageSink previous = std::move(CurrentSink());
    CurrentSink() = std::move(aSink);
    return previous;
}

void ShowMessage(const QString& theText)
{
    TMessageSink sink;
    {
        std::lock_guard lock(SinkMutex());
        sink = CurrentSink();
    }
    if (sink)
        sink(theText);
    else
        DefaultSink(theText);
}

QString ExceptionText(std::exception_ptr anException)
{
    if (!anException) return QString();
    try {
        std::rethrow_exception(anException);
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown exception");
    }
}

void HandleException(std::exception_ptr anException)
{
    if (!anException) return;
    try {
        ShowMessage(ExceptionText(anException));
    } catch (...) {
        // A failing sink must not take the event loop down with it.
        std::fprintf(stderr, "%s\n", ExceptionText(anException).toLocal8Bit().constData());
    }
}

} // namespace skedra
