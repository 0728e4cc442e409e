#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QLocale>

#include <mutex>

#include "skedra/platform/DateTime.h"
#include "skedra/platform/Menus.h"
#include "skedra/platform/Messages.h"
#include "tests/common/TestSupport.h"

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
    skedra::SetMessageSink([](const QString& text) {
        std::lock_guard lock(skedra::test::RecorderMutex());
        skedra::test::Recorded().append(text);
    });
    skedra::TPopupMenu::SetPopupHandler([](QMenu&, QPoint) -> QAction* { return nullptr; });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
