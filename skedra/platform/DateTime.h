#pragma once
// Dates and times: whole days since 30 December 1899 (day 0, a Saturday) with
// the time of day as the fraction; proleptic Gregorian calendar; day of the
// week 1 = Sunday to 7 = Saturday. For a negative value the fraction counts
// forward from the start of its day, as the toolkit has it (-1.25 is
// 29 December 1899 06:00).

#include <QLocale>
#include <QString>
#include <array>
#include <cstdint>

namespace skedra
{

using TDateTime = double;

// The units of time, defined once: use these, never a literal.
constexpr double HoursPerDay = 24;
constexpr double MinsPerDay = 24 * 60;
constexpr double SecsPerDay = 24 * 60 * 60;
constexpr double MSecsPerDay = 24.0 * 60 * 60 * 1000;
// The same counts as integers, for millisecond arithmetic.
constexpr std::int64_t MSecsPerSec = 1000;
constexpr std::int64_t MSecsPerMin = 60 * MSecsPerSec;
constexpr std::int64_t MSecsPerHour = 60 * MSecsPerMin;
constexpr std::int64_t MSecsPerDayInt = 24 * MSecsPerHour;
static_assert(MSecsPerDayInt == static_cast<std::int64_t>(MSecsPerDay));
// One second and one millisecond as parts of a day.
constexpr TDateTime OneSecond = 1.0 / SecsPerDay;
constexpr TDateTime OneMillisecond = 1.0 / MSecsPerDay;
constexpr int DateDelta = 693594; // days from 1 January 0001 to 30 December 1899

// Smallest and largest values the calendar functions accept (years 1 and 9999).
constexpr TDateTime MinDateTime = -693593.0;
constexpr TDateTime MaxDateTime = 2958465.99999999;

bool IsLeapYear(int year);
int DaysInAMonth(int year, int month);

bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& result);
// Raise EConvertError for an impossible date or time.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);

// Raise EConvertError for a value outside MinDateTime..MaxDateTime or not finite.
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& min, int& sec,
                    int& msec);
int DayOfWeek(TDateTime value); // 1 = Sunday .. 7 = Saturday

TDateTime DateOf(TDateTime value); // the day without the time
TDateTime TimeOf(TDateTime value); // the time of day as a fraction
TDateTime IncMonth(TDateTime value, int months = 1);

TDateTime Now();
TDateTime Date();
TDateTime Time();

struct TFormatSettings {
    QString ShortDateFormat;
    QString LongDateFormat;
    QString ShortTimeFormat;
    QString LongTimeFormat;
    QChar DateSeparator = '/';
    QChar TimeSeparator = ':';
    QString TimeAMString;
    QString TimePMString;
    std::array<QString, 12> ShortMonthNames;
    std::array<QString, 12> LongMonthNames;
    std::array<QString, 7> ShortDayNames; // [0] is Sunday
    std::array<QString, 7> LongDayNames;

    // Names and formats of a Qt locale, its formats turned into the pattern language.
    static TFormatSettings FromLocale(const QLocale& locale);
    // Fixed English names with "yyyy-mm-dd", "dddd d mmmm yyyy", "hh:nn", "hh:nn:ss":
    // what tests use, the same on every machine.
    static TFormatSettings Invariant();
};

// The process-wide settings, filled from the system locale on first use.
// Only the user-interface thread changes them.
TFormatSettings& FormatSettings();

// Formats a date and time with the toolkit's pattern language: tokens are
// case-insensitive; d/dd day, ddd/dddd day names, ddddd/dddddd short and long
// date; m/mm month (minutes right after an hour token), mmm/mmmm month names;
// yy/yyyy year; h/hh hour; n/nn minutes; s/ss seconds; z/zzz milliseconds;
// t/tt short and long time; c short date and long time; am/pm, a/p, ampm;
// '/' and ':' the separators; text in single or double quotes is literal.
QString FormatDateTime(const QString& format, TDateTime value);
QString FormatDateTime(const QString& format, TDateTime value, const TFormatSettings& settings);

// Short date and long time texts of a value, as the locale writes them.
QString DateToStr(TDateTime value);
QString DateToStr(TDateTime value, const TFormatSettings& settings);
QString TimeToStr(TDateTime value);
QString TimeToStr(TDateTime value, const TFormatSettings& settings);

// Reads a date written with numbers in the order of the short date format
// (day, month and year in any order, any separators); two numbers are day and
// month of the current year; a two-digit year lies within 50 years of today.
// Raises EConvertError "'text' is not a valid date" otherwise.
TDateTime StrToDate(const QString& text);
TDateTime StrToDate(const QString& text, const TFormatSettings& settings);
// Reads "h[:n[:s[.z]]]" with an optional AM/PM mark (the locale's or "AM"/"PM").
// Raises EConvertError "'text' is not a valid time" otherwise.
TDateTime StrToTime(const QString& text);
TDateTime StrToTime(const QString& text, const TFormatSettings& settings);

// Converts a Qt date/time pattern ("M/d/yy", "h:mm AP") to the pattern language.
QString FromQtDateTimePattern(const QString& qtPattern);

} // namespace skedra
