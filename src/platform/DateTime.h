// The program's clock and the date and time texts of scripts: the format letters of
// the date-time formatting that scripts were written for (d, m, y, h, n, s, z, am/pm),
// the user's short date and long time, and the packed MS-DOS date and time of file
// listings. The clock is replaceable, so that tests run at a fixed moment.
#pragma once

#include <QDateTime>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vt {

// The current local date and time.
QDateTime CurrentDateTime();
// Installs a clock; an empty one restores the system clock.
void SetClock(std::function<QDateTime()> Clock);

// Time written with the format letters, case-insensitive: d, dd day; ddd, dddd day name;
// m, mm month (minutes when it follows an hour); mmm, mmmm month name; yy, yyyy year;
// h, hh hour; n, nn minute; s, ss second; z, zzz milliseconds; am/pm a 12-hour clock
// with "am" or "pm" in the letter case of the format. Text in single or double quotes
// is copied without the quotes; any other character is copied. Names come from the
// user's locale (QLocale()).
std::u16string FormatDateTime(std::u16string_view Format, const QDateTime& Time);
// The user's short date format and long time format (without a time zone).
std::u16string DateText(const QDate& Date);
std::u16string TimeText(const QTime& Time);

// Bits 25-31 year - 1980, 21-24 month, 16-20 day, 11-15 hour, 5-10 minute, 0-4
// seconds / 2; times outside 1980 to 2107 are clamped to the nearest it can hold.
std::uint32_t DateTimeToFileDate(const QDateTime& Time);

}  // namespace vt
