#include "skedra/platform/Messages.h"

#include "skedra/platform/Exceptions.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

#include <cstdio>
#include <mutex>

namespace skedra {

namespace {

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

void DefaultSink(const QString& text)
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        return;
    }
    if (QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(app, [text] { DefaultSink(text); }, Qt::QueuedConnection);
        return;
    }
    QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(), text);
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
