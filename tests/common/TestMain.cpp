#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QLocale>

#include "skedra/platform/DateTime.h"
#include "tests/common/TestSupport.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QApplication app(argc, argv);
    QApplication::setFont(QFont(skedra::test::FontFamily(), 9));
    skedra::FormatSettings() = skedra::TFormatSettings::Invariant();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
