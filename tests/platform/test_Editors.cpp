// The editor controls and the reading of date and time texts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScopeGuard>
#include <QtTest/QTest>

#include "skedra/platform/Editors.h"

using namespace skedra;

namespace
{

TEST(StrToDate, FollowsTheOrderOfTheShortDateFormat)
{
    TFormatSettings s = TFormatSettings::Invariant();
    EXPECT_EQ(StrToDate("2004-03-12", s), EncodeDate(2004, 3, 12));
    s.ShortDateFormat = "dd/mm/yyyy";
    EXPECT_EQ(StrToDate("12/3/2004", s), EncodeDate(2004, 3, 12));
    EXPECT_EQ(StrToDate(" 12 . 03 . 2004 ", s), EncodeDate(2004, 3, 12));
    s.ShortDateFormat = "m/d/yy";
    EXPECT_EQ(StrToDate("3/12/2004", s), EncodeDate(2004, 3, 12));
    // Two numbers: day and month of this year.
    int year = 0, month = 0, day = 0;
    DecodeDate(Date(), year, month, day);
    EXPECT_EQ(StrToDate("3/12", s), EncodeDate(year, 3, 12));
    // A two-digit year lies within 50 years of today.
    const int y = year % 100;
    EXPECT_EQ(StrToDate(QStringLiteral("1/1/%1").arg(y, 2, 10, QChar('0')), s), EncodeDate(year, 1, 1));
    for (const char* bad : {"", "12", "1/2/3/4", "13/1/2004", "2/30/2004", "Mar/1/2004", "1/1/20045", "-"})
        EXPECT_THROW(StrToDate(bad, s), EConvertError) << bad;
    try {
        StrToDate("x", s);
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'x' is not a valid date"));
    }
}

TEST(StrToTime, ReadsHoursMinutesSecondsAndTheDayHalf)
{
    const TFormatSettings s = TFormatSettings::Invariant();
    EXPECT_DOUBLE_EQ(StrToTime("7:05", s), EncodeTime(7, 5, 0, 0));
    EXPECT_DOUBLE_EQ(StrToTime("23:59:58", s), EncodeTime(23, 59, 58, 0));
    EXPECT_DOUBLE_EQ(StrToTime("12:30:01.250", s), EncodeTime(12, 30, 1, 250));
    EXPECT_DOUBLE_EQ(StrToTime("7", s), EncodeTime(7, 0, 0, 0));
    EXPECT_DOUBLE_EQ(StrToTime("7:15 pm", s), EncodeTime(19, 15, 0, 0));
    EXPECT_DOUBLE_EQ(StrToTime("12:00 AM", s), 0);
    EXPECT_DOUBLE_EQ(StrToTime("12:00 PM", s), 0.5);
    for (const char* bad : {"", "24:00", "7:60", "13:00 PM", "0:10 AM", "noon", "1:2:3:4:5"})
        EXPECT_THROW(StrToTime(bad, s), EConvertError) << bad;
    EXPECT_EQ(TimeToStr(EncodeTime(7, 5, 3, 0), s), QStringLiteral("07:05:03"));
    EXPECT_EQ(DateToStr(0, s), QStringLiteral("1899-12-30"));
}

TEST(Editors, KeyHandlersSeeKeysFirstAndMaySwallowOrChangeThem)
{
    QWidget form;
    auto* edit = new TCustomEdit(&form);
    std::vector<Word> downs;
    int changes = 0;
    edit->OnKeyDown = [&](TObject*, Word& key, TShiftState) {
        downs.push_back(key);
        if (key == VK_HOME) key = 0;
    };
    edit->OnKeyPress = [&](TObject*, QChar& key) {
        if (key == QChar('x')) key = QChar(0);
        if (key == QChar('a')) key = QChar('A');
    };
    edit->OnChange = [&](TObject*) { ++changes; };
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::keyClicks(edit, "axb");
    EXPECT_EQ(edit->GetText(), QStringLiteral("Ab"));
    EXPECT_EQ(changes, 2);
    QTest::keyClick(edit, Qt::Key_Home);
    EXPECT_EQ(edit->cursorPosition(), 2); // swallowed
    EXPECT_EQ(downs, (std::vector<Word>{'A', 'X', 'B', VK_HOME}));

    // Tab moves the focus unless the control wants it.
    auto* second = new TCustomEdit(&form);
    second->move(0, 40);
    second->show();
    int exits = 0;
    edit->OnExit = [&](TObject*) { ++exits; };
    form.activateWindow();
    edit->setFocus();
    QApplication::processEvents();
    edit->SetWantTabs(true);
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(downs.back(), VK_TAB);
    second->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(exits, 1);
}

TEST(Editors, ComboMemoAndCheckBox)
{
    TCustomComboBox combo;
    combo.SetItems({"one", "two"});
    EXPECT_EQ(combo.GetItemIndex(), -1);
    combo.SetText("two");
    EXPECT_EQ(combo.GetItemIndex(), 1);
    combo.SetText("three"); // not an item: none chosen
    EXPECT_EQ(combo.GetText(), QString());
    combo.SetItemIndex(0);
    combo.SetItems({"zero", "one"});
    EXPECT_EQ(combo.GetText(), QStringLiteral("one"));

    TCustomMemo memo;
    memo.SetText("a\nb");
    EXPECT_EQ(memo.GetText(), QStringLiteral("a\nb"));

    TCustomCheckBox check;
    int changes = 0;
    check.OnChange = [&](TObject*) { ++changes; };
    check.SetChecked(true);
    EXPECT_TRUE(check.GetChecked());
    EXPECT_EQ(changes, 1);
}

TEST(Editors, ThePickerHoldsDatesAndTimesAndItsCheckBox)
{
    TDateTimePicker picker;
    for (TDateTime v : {0.0, EncodeDateTime(2004, 3, 12, 7, 5, 3, 0), -1.25, EncodeDate(9999, 12, 31)}) {
        picker.SetDateTime(v);
        EXPECT_NEAR(picker.GetDateTime(), v, 1e-8);
    }
    picker.SetDateTime(EncodeDateTime(2004, 3, 12, 7, 5, 3, 0));
    EXPECT_EQ(picker.GetDate(), EncodeDate(2004, 3, 12));
    EXPECT_NEAR(picker.GetTime(), EncodeTime(7, 5, 3, 0), 1e-9);
    picker.SetDateTime(1e12); // held at the calendar's end
    EXPECT_EQ(picker.GetDate(), EncodeDate(9999, 12, 31));
    EXPECT_TRUE(picker.GetChecked());
    picker.SetChecked(false);
    EXPECT_TRUE(picker.GetChecked()); // no check box shown: always a value
    picker.SetShowCheckbox(true);
    EXPECT_FALSE(picker.GetChecked());
    picker.SetKind(dtkTime);
    EXPECT_EQ(picker.GetKind(), dtkTime);
    EXPECT_FALSE(picker.calendarPopup());
}

} // namespace
