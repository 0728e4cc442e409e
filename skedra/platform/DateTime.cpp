#include "skedra/platform/DateTime.h"

#include <QDateTime>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "skedra/platform/Exceptions.h"

namespace skedra
{

namespace
{

constexpr int kDaysBeforeMonth[2][13] = {
    {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
    {0, 0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335},
};

// Days and milliseconds of the day, rounded to the millisecond half to even.
struct Parts {
    int days = 0; // days since 30 December 1899
    int msec = 0; // 0 .. 86'399'999
};

Parts Split(TDateTime value)
{
    // Days 1 January 0001 .. 31 December 9999; a negative value's fraction
    // belongs to its own (truncated) day, so the first day reaches down to -693594.
    constexpr int kFirstDay = -693593;
    constexpr int kLastDay = 2958465;
    if (!std::isfinite(value) || value <= kFirstDay - 1 || value >= kLastDay + 1)
        throw EConvertError(QStringLiteral("%1 is not a valid date and time").arg(value));
    const double scaled = std::nearbyint(value * MSecsPerDay);
    const auto total = static_cast<int64_t>(scaled);
    const auto perDay = static_cast<int64_t>(MSecsPerDay);
    Parts p{static_cast<int>(total / perDay), static_cast<int>(std::llabs(total) % perDay)};
    // Rounding to the millisecond must not leave the calendar at either end.
    if (p.days > kLastDay || p.days < kFirstDay)
        p = Parts{p.days > kLastDay ? kLastDay : kFirstDay, 86399999};
    return p;
}

// Civil date from days since 1970-01-01 (proleptic Gregorian).
void CivilFromDays(int64_t z, int& y, int& m, int& d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2 ? 1 : 0));
}

constexpr int kDaysFrom1970 = 25569; // 1 January 1970 as a day number

void AppendNumber(QString& out, int value, int digits)
{
    out += QString::number(value).rightJustified(digits, QLatin1Char('0'));
}

bool IsAsciiLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

char16_t Upper(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') ? static_cast<char16_t>(u - 32) : u;
}

bool StartsWithI(const QString& s, int at, const char* what)
{
    return s.mid(at).startsWith(QLatin1String(what), Qt::CaseInsensitive);
}

class Formatter
{
public:
    Formatter(TDateTime value, const TFormatSettings& settings) : FValue(value), FSettings(settings) {}

    void Append(QString& out, const QString& fmt, int depth)
    {
        if (depth > 2) return; // a date format that names itself
        char16_t lastToken = ' ';
        int i = 0;
        const int n = fmt.size();
        auto count = [&](char16_t token) {
            int k = i;
            while (k < n && Upper(fmt[k]) == token)
                ++k;
            return k - i;
        };
        while (i < n) {
            const QChar c = fmt[i];
            char16_t token = c.unicode();
            if (IsAsciiLetter(c)) {
                token = Upper(c);
                if (token == 'M' && lastToken == 'H') token = 'N';
                lastToken = token;
            }
            switch (token) {
            case 'Y': {
                const int k = count('Y');
                DecodeDateOnce();
                if (k <= 2)
                    AppendNumber(out, FYear % 100, 2);
                else
                    AppendNumber(out, FYear, 4);
                i += k;
                break;
            }
            case 'G':
                i += count('G');
                break; // eras are not used
            case 'M': {
                const int k = count('M');
                DecodeDateOnce();
                if (k <= 2)
                    AppendNumber(out, FMonth, k);
                else if (k == 3)
                    out += FSettings.ShortMonthNames[FMonth - 1];
                else
                    out += FSettings.LongMonthNames[FMonth - 1];
                i += k;
                break;
            }
            case 'D': {
                const int k = count('D');
                DecodeDateOnce();
                const int dow = DayOfWeek(FValue) - 1;
                if (k <= 2)
                    AppendNumber(out, FDay, k);
                else if (k == 3)
                    out += FSettings.ShortDayNames[dow];
                else if (k == 4)
                    out += FSettings.LongDayNames[dow];
                else if (k == 5)
                    Append(out, FSettings.ShortDateFormat, depth + 1);
                else
                    Append(out, FSettings.LongDateFormat, depth + 1);
                i += k;
                break;
            }
            case 'H': {
                const int k = count('H');
                DecodeTimeOnce();
                int h = FHour;
                if (Uses12HourClock(fmt, i + k)) h = h == 0 ? 12 : (h > 12 ? h - 12 : h);
                AppendNumber(out, h, std::min(k, 2));
                i += k;
                break;
            }
            case 'N': {
                // "m" right after an hour is minutes too: count both letters.
                int k = i;
                while (k < n && (Upper(fmt[k]) == 'N' || Upper(fmt[k]) == 'M')) {
                    if (Upper(fmt[k]) != Upper(fmt[i])) break;
                    ++k;
                }
                k -= i;
                DecodeTimeOnce();
                AppendNumber(out, FMinute, std::min(k, 2));
                i += k;
                break;
            }
            case 'S': {
                const int k = count('S');
                DecodeTimeOnce();
                AppendNumber(out, FSecond, std::min(k, 2));
                i += k;
                break;
            }
            case 'Z': {
                const int k = count('Z');
                DecodeTimeOnce();
                AppendNumber(out, FMsec, std::min(k, 3));
                i += k;
                break;
            }
            case 'T': {
                const int k = count('T');
                Append(out, k == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat, depth + 1);
                i += k;
                break;
            }
            case 'C': {
                ++i;
                Append(out, FSettings.ShortDateFormat, depth + 1);
                DecodeTimeOnce();
                if (FHour != 0 || FMinute != 0 || FSecond != 0 || FMsec != 0) {
                    out += QLatin1Char(' ');
                    Append(out, FSettings.LongTimeFormat, depth + 1);
                }
                break;
            }
            case 'A': {
                DecodeTimeOnce();
                const bool pm = FHour >= 12;
                if (StartsWithI(fmt, i, "am/pm")) {
                    out += fmt.mid(pm ? i + 3 : i, 2);
                    i += 5;
                } else if (StartsWithI(fmt, i, "a/p")) {
                    out += fmt.mid(pm ? i + 2 : i, 1);
                    i += 3;
                } else if (StartsWithI(fmt, i, "ampm")) {
                    out += pm ? FSettings.TimePMString : FSettings.TimeAMString;
                    i += 4;
                } else {
                    out += c;
                    ++i;
                }
                break;
            }
            case '/':
                out += FSettings.DateSeparator;
                ++i;
                break;
            case ':':
                out += FSettings.TimeSeparator;
                ++i;
                break;
            case '\'':
            case '"': {
                int k = i + 1;
                while (k < n && fmt[k] != c)
                    ++k;
                out += fmt.mid(i + 1, k - i - 1);
                i = std::min(k + 1, n);
                break;
            }
            default:
                out += c;
                ++i;
                break;
            }
        }
    }

private:
    // An am/pm marker later in the format (before the next hour) makes hours 12-hour.
    static bool Uses12HourClock(const QString& fmt, int from)
    {
        bool quoted = false;
        for (int k = from; k < fmt.size(); ++k) {
            const char16_t u = Upper(fmt[k]);
            if (u == '\'' || u == '"')
                quoted = !quoted;
            else if (!quoted && u == 'H')
                return false;
            else if (!quoted && u == 'A')
                return StartsWithI(fmt, k, "am/pm") || StartsWithI(fmt, k, "a/p") ||
                       StartsWithI(fmt, k, "ampm");
        }
        return false;
    }

    void DecodeDateOnce()
    {
        if (!FHaveDate) DecodeDate(FValue, FYear, FMonth, FDay);
        FHaveDate = true;
    }
    void DecodeTimeOnce()
    {
        if (!FHaveTime) DecodeTime(FValue, FHour, FMinute, FSecond, FMsec);
        FHaveTime = true;
    }

    TDateTime FValue;
    const TFormatSettings& FSettings;
    bool FHaveDate = false;
    bool FHaveTime = false;
    int FYear = 0, FMonth = 0, FDay = 0, FHour = 0, FMinute = 0, FSecond = 0, FMsec = 0;
};

} // namespace

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInAMonth(int year, int month)
{
    if (month < 1 || month > 12) return 0;
    static constexpr int kDays[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month))
        return false;
    const int y = year - 1;
    const int days = y * 365 + y / 4 - y / 100 + y / 400 + kDaysBeforeMonth[IsLeapYear(year)][month] + day;
    result = static_cast<TDateTime>(days - DateDelta);
    return true;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& result)
{
    if (hour < 0 || hour >= 24 || min < 0 || min >= 60 || sec < 0 || sec >= 60 || msec < 0 || msec >= 1000)
        return false;
    result = (static_cast<double>(hour * MSecsPerHour + min * MSecsPerMin + sec * MSecsPerSec) + msec) /
             MSecsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime r = 0;
    if (!TryEncodeDate(year, month, day, r))
        throw EConvertError(
            QStringLiteral("Invalid argument to date encode (%1-%2-%3)").arg(year).arg(month).arg(day));
    return r;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec)
{
    TDateTime r = 0;
    if (!TryEncodeTime(hour, min, sec, msec, r))
        throw EConvertError(QStringLiteral("Invalid argument to time encode (%1:%2:%3.%4)")
                                .arg(hour)
                                .arg(min)
                                .arg(sec)
                                .arg(msec));
    return r;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec)
{
    // Before day 0 the time of day is counted away from zero, so that the
    // truncated value stays the date's own day.
    const TDateTime date = EncodeDate(year, month, day);
    const TDateTime time = EncodeTime(hour, min, sec, msec);
    return date < 0 ? date - time : date + time;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day)
{
    const Parts p = Split(value);
    CivilFromDays(static_cast<int64_t>(p.days) - kDaysFrom1970, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec)
{
    const Parts p = Split(value);
    int ms = p.msec;
    hour = static_cast<int>(ms / MSecsPerHour);
    ms = static_cast<int>(ms % MSecsPerHour);
    min = static_cast<int>(ms / MSecsPerMin);
    ms = static_cast<int>(ms % MSecsPerMin);
    sec = static_cast<int>(ms / MSecsPerSec);
    msec = static_cast<int>(ms % MSecsPerSec);
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& min, int& sec,
                    int& msec)
{
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, min, sec, msec);
}

int DayOfWeek(TDateTime value)
{
    const Parts p = Split(value);
    return (p.days + DateDelta) % 7 + 1;
}

TDateTime DateOf(TDateTime value)
{
    return std::trunc(value);
}

TDateTime TimeOf(TDateTime value)
{
    return std::fabs(value - std::trunc(value));
}

TDateTime IncMonth(TDateTime value, int months)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(value, y, m, d);
    const int total = y * 12 + (m - 1) + months;
    y = total / 12;
    m = total % 12 + 1;
    d = std::min(d, DaysInAMonth(y, m));
    const TDateTime date = EncodeDate(y, m, d);
    const TDateTime time = TimeOf(value);
    return date >= 0 ? date + time : date - time;
}

TDateTime Now()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return EncodeDate(d.year(), d.month(), d.day()) + EncodeTime(t.hour(), t.minute(), t.second(), t.msec());
}

TDateTime Date()
{
    return std::trunc(Now());
}

TDateTime Time()
{
    return TimeOf(Now());
}

QString FromQtDateTimePattern(const QString& qt)
{
    QString out;
    const int n = qt.size();
    int i = 0;
    auto run = [&](QChar c) {
        int k = i;
        while (k < n && qt[k] == c)
            ++k;
        return k - i;
    };
    while (i < n) {
        const QChar c = qt[i];
        const char16_t u = c.unicode();
        if (u == '\'') {
            // Qt literal text; '' is a quote character.
            int k = i + 1;
            QString literal;
            while (k < n) {
                if (qt[k] == QLatin1Char('\'')) {
                    if (k + 1 < n && qt[k + 1] == QLatin1Char('\'')) {
                        literal += QLatin1Char('\'');
                        k += 2;
                        continue;
                    }
                    break;
                }
                literal += qt[k++];
            }
            if (literal.isEmpty() && k == i + 1) literal = QStringLiteral("'");
            out += QLatin1Char('"') + literal + QLatin1Char('"');
            i = k + 1;
            continue;
        }
        const int k = run(c);
        switch (u) {
        case 'd':
        case 'y':
        case 's':
        case 'z':
        case 'h':
            out += QString(k, c);
            break;
        case 'M':
            out += QString(k, QLatin1Char('m'));
            break;
        case 'm':
            out += QString(k, QLatin1Char('n'));
            break;
        case 'H':
            out += QString(k, QLatin1Char('h'));
            break;
        case 'A':
            out += QStringLiteral("AMPM");
            if (i + 1 < n && (qt[i + 1] == QLatin1Char('P') || qt[i + 1] == QLatin1Char('p'))) ++i;
            i += 1;
            continue;
        case 'a':
            out += QStringLiteral("ampm");
            if (i + 1 < n && (qt[i + 1] == QLatin1Char('p') || qt[i + 1] == QLatin1Char('P'))) ++i;
            i += 1;
            continue;
        case 't':
            // Time zone: not part of the pattern language; drop it and a space before it.
            if (out.endsWith(QLatin1Char(' '))) out.chop(1);
            break;
        default:
            if (IsAsciiLetter(c))
                out += QLatin1Char('"') + QString(k, c) + QLatin1Char('"');
            else
                out += QString(k, c);
            break;
        }
        i += k;
    }
    return out.trimmed();
}

namespace
{

QChar FirstSeparator(const QString& format, QChar fallback)
{
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && !IsAsciiLetter(c) && !c.isSpace())
            return c;
    }
    return fallback;
}

} // namespace

TFormatSettings TFormatSettings::FromLocale(const QLocale& locale)
{
    TFormatSettings s;
    const QString shortDateQt = locale.dateFormat(QLocale::ShortFormat);
    const QString shortTimeQt = locale.timeFormat(QLocale::ShortFormat);
    s.ShortDateFormat = FromQtDateTimePattern(shortDateQt);
    s.LongDateFormat = FromQtDateTimePattern(locale.dateFormat(QLocale::LongFormat));
    s.ShortTimeFormat = FromQtDateTimePattern(shortTimeQt);
    s.LongTimeFormat = FromQtDateTimePattern(locale.timeFormat(QLocale::LongFormat));
    s.DateSeparator = FirstSeparator(shortDateQt, QLatin1Char('/'));
    s.TimeSeparator = FirstSeparator(shortTimeQt, QLatin1Char(':'));
    // In the pattern language '/' and ':' stand for the separators; the
    // converted formats keep the locale's own characters literally otherwise.
    s.TimeAMString = locale.amText();
    s.TimePMString = locale.pmText();
    for (int m = 1; m <= 12; ++m) {
        s.ShortMonthNames[m - 1] = locale.monthName(m, QLocale::ShortFormat);
        s.LongMonthNames[m - 1] = locale.monthName(m, QLocale::LongFormat);
    }
    for (int d = 0; d < 7; ++d) {
        const int qtDay = d == 0 ? 7 : d; // Qt: 1 = Monday .. 7 = Sunday
        s.ShortDayNames[d] = locale.dayName(qtDay, QLocale::ShortFormat);
        s.LongDayNames[d] = locale.dayName(qtDay, QLocale::LongFormat);
    }
    return s;
}

TFormatSettings TFormatSettings::Invariant()
{
    TFormatSettings s;
    s.ShortDateFormat = QStringLiteral("yyyy-mm-dd");
    s.LongDateFormat = QStringLiteral("dddd d mmmm yyyy");
    s.ShortTimeFormat = QStringLiteral("hh:nn");
    s.LongTimeFormat = QStringLiteral("hh:nn:ss");
    s.DateSeparator = QLatin1Char('-');
    s.TimeSeparator = QLatin1Char(':');
    s.TimeAMString = QStringLiteral("AM");
    s.TimePMString = QStringLiteral("PM");
    static const char* kShortMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static const char* kLongMonths[] = {"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};
    static const char* kShortDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* kLongDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
    for (int m = 0; m < 12; ++m) {
        s.ShortMonthNames[m] = QLatin1String(kShortMonths[m]);
        s.LongMonthNames[m] = QLatin1String(kLongMonths[m]);
    }
    for (int d = 0; d < 7; ++d) {
        s.ShortDayNames[d] = QLatin1String(kShortDays[d]);
        s.LongDayNames[d] = QLatin1String(kLongDays[d]);
    }
    return s;
}

TFormatSettings& FormatSettings()
{
    static TFormatSettings settings = TFormatSettings::FromLocale(QLocale::system());
    return settings;
}

QString FormatDateTime(const QString& format, TDateTime value, const TFormatSettings& settings)
{
    QString out;
    Formatter(value, settings).Append(out, format, 0);
    return out;
}

QString FormatDateTime(const QString& format, TDateTime value)
{
    return FormatDateTime(format, value, FormatSettings());
}

} // namespace skedra

namespace skedra
{

QString DateToStr(TDateTime value)
{
    return DateToStr(value, FormatSettings());
}
QString DateToStr(TDateTime value, const TFormatSettings& settings)
{
    return FormatDateTime(QStringLiteral("ddddd"), value, settings);
}
QString TimeToStr(TDateTime value)
{
    return TimeToStr(value, FormatSettings());
}
QString TimeToStr(TDateTime value, const TFormatSettings& settings)
{
    return FormatDateTime(QStringLiteral("tt"), value, settings);
}

namespace
{

// The runs of digits of a text; false when it holds a letter or a run too long
// for a date or time part.
bool NumbersOf(const QString& text, std::vector<int>& numbers, std::vector<int>& lengths)
{
    int value = -1;
    int length = 0;
    auto flush = [&] {
        if (value >= 0) {
            numbers.push_back(value);
            lengths.push_back(length);
        }
        value = -1;
        length = 0;
    };
    for (const QChar c : text) {
        if (c.isDigit() && c.digitValue() >= 0) {
            if (++length > 4) return false;
            value = (value < 0 ? 0 : value * 10) + c.digitValue();
        } else if (c.isLetter()) {
            return false;
        } else {
            flush();
        }
    }
    flush();
    return true;
}

} // namespace

TDateTime StrToDate(const QString& text)
{
    return StrToDate(text, FormatSettings());
}
TDateTime StrToDate(const QString& text, const TFormatSettings& settings)
{
    const auto fail = [&] { return EConvertError(QStringLiteral("'%1' is not a valid date").arg(text)); };
    // The order of day, month and year in the short date format.
    QString order;
    for (const QChar c : settings.ShortDateFormat.toLower()) {
        if ((c == 'd' || c == 'm' || c == 'y') && !order.contains(c)) order += c;
    }
    if (order.size() != 3) order = QStringLiteral("mdy");
    std::vector<int> numbers, lengths;
    if (!NumbersOf(text, numbers, lengths) || numbers.size() < 2 || numbers.size() > 3) throw fail();
    int year = 0, month = 0, day = 0, dummy = 0;
    DecodeDate(Date(), year, dummy, dummy);
    const int currentYear = year;
    bool twoDigitYear = false;
    if (numbers.size() == 2) order.remove('y');
    for (int i = 0; i < order.size(); ++i) {
        switch (order[i].unicode()) {
        case 'd':
            day = numbers[i];
            break;
        case 'm':
            month = numbers[i];
            break;
        default:
            year = numbers[i];
            twoDigitYear = lengths[i] <= 2;
            break;
        }
    }
    if (twoDigitYear) {
        year += currentYear / 100 * 100;
        if (year > currentYear + 50) year -= 100;
        if (year <= currentYear - 50) year += 100;
    }
    TDateTime result = 0;
    if (!TryEncodeDate(year, month, day, result)) throw fail();
    return result;
}

TDateTime StrToTime(const QString& text)
{
    return StrToTime(text, FormatSettings());
}
TDateTime StrToTime(const QString& text, const TFormatSettings& settings)
{
    const auto fail = [&] { return EConvertError(QStringLiteral("'%1' is not a valid time").arg(text)); };
    QString rest = text.trimmed();
    // An AM/PM mark at either end.
    int shift = -1; // -1 none, 0 AM, 12 PM
    const auto takeMark = [&](const QString& mark, int hours) {
        if (mark.isEmpty() || shift >= 0) return;
        if (rest.endsWith(mark, Qt::CaseInsensitive))
            rest.chop(mark.size());
        else if (rest.startsWith(mark, Qt::CaseInsensitive))
            rest.remove(0, mark.size());
        else
            return;
        shift = hours;
    };
    takeMark(settings.TimeAMString, 0);
    takeMark(settings.TimePMString, 12);
    takeMark(QStringLiteral("AM"), 0);
    takeMark(QStringLiteral("PM"), 12);
    std::vector<int> numbers, lengths;
    if (!NumbersOf(rest, numbers, lengths) || numbers.empty() || numbers.size() > 4) throw fail();
    numbers.resize(4, 0);
    int hour = numbers[0];
    if (shift >= 0) {
        if (hour < 1 || hour > 12) throw fail();
        hour = hour % 12 + shift;
    }
    TDateTime result = 0;
    if (!TryEncodeTime(hour, numbers[1], numbers[2], numbers[3], result)) throw fail();
    return result;
}

} // namespace skedra
