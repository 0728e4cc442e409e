#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QLocale>

#include <cstdio>
#include <mutex>

#include "skedra/platform/DateTime.h"
#include "skedra/platform/Menus.h"
#include "skedra/platform/Messages.h"
#include "tests/common/TestSupport.h"

// Present only in sanitizer builds.
extern "C" void __sanitizer_print_stack_trace() __attribute__((weak));

namespace skedra::test
{

namespace
{

std::mutex& RecorderMutex()
{
    static std::mutex m;
    return m;
}

QStringList& Recorded()
{
    static QStringList messages;
    return messages;
}

} // namespace

QStringList ShownMessages()
{
    std::lock_guard lock(RecorderMutex());
    return Recorded();
}

void ClearShownMessages()
{
    std::lock_guard lock(RecorderMutex());
    Recorded().clear();
}

} // namespace skedra::test

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef SKEDRA_TEST_SCALE_FACTOR
    // A program for high-DPI screens: Qt reads the factor when the application starts.
    qputenv("QT_SCALE_FACTOR", SKEDRA_TEST_SCALE_FACTOR);
#endif
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QApplication app(argc, argv);
    QApplication::setFont(QFont(skedra::test::FontFamily(), 9));
    skedra::FormatSettings() = skedra::TFormatSettings::Invariant();
    // SKEDRA_TEST_MESSAGE_STACKS=1 tells where each message comes from.
    static const bool stacks = qEnvironmentVariableIntValue("SKEDRA_TEST_MESSAGE_STACKS") == 1;
    skedra::SetMessageSink([](const QString& text) {
        if (stacks) {
            std::fprintf(stderr, "message shown: %s\n", qPrintable(text));
            if (__sanitizer_print_stack_trace != nullptr) __sanitizer_print_stack_trace();
        }
        std::lock_guard lock(skedra::test::RecorderMutex());
        skedra::test::Recorded().append(text);
    });
    skedra::TPopupMenu::SetPopupHandler([](QMenu&, QPoint) -> QAction* { return nullptr; });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
