// The clock and the date and time texts; see DateTime.h.
#include "platform/DateTime.h"

#include <QLocale>
#include <algorithm>
#include <cctype>

#include "platform/TextConversion.h"

namespace vt {

namespace {

std::function<QDateTime()>& Clock() {
  static std::function<QDateTime()> clock;
  return clock;
}

char16_t Lower(char16_t c) { return c < 128 ? static_cast<char16_t>(std::tolower(c)) : c; }

// The number of characters from Pos on that are Letter (without regard to case).
std::size_t RunLength(std::u16string_view Format, std::size_t Pos, char16_t Letter) {
  std::size_t n = 0;
  while (Pos + n < Format.size() && Lower(Format[Pos + n]) == Letter) ++n;
  return n;
}

bool StartsWithNoCase(std::u16string_view Text, std::size_t Pos, std::u16string_view Prefix) {
  if (Text.size() - Pos < Prefix.size()) return false;
  for (std::size_t i = 0; i < Prefix.size(); ++i)
    if (Lower(Text[Pos + i]) != Prefix[i]) return false;
  return true;
}

std::u16string Number(int Value, int Digits) {
  std::u16string text = AnsiToWide(std::to_string(Value));
  if (static_cast<int>(text.size()) < Digits) text.insert(0, Digits - text.size(), u'0');
  return text;
}

}  // namespace

QDateTime CurrentDateTime() { return Clock() ? Clock()() : QDateTime::currentDateTime(); }

void SetClock(std::function<QDateTime()> AClock) { Clock() = std::move(AClock); }

std::u16string FormatDateTime(std::u16string_view Format, const QDateTime& Time) {
  const QDate date = Time.date();
  const QTime time = Time.time();
  const QLocale locale;
  const bool twelveHours = [&] {
    for (std::size_t i = 0; i < Format.size(); ++i)
      if (StartsWithNoCase(Format, i, u"am/pm")) return true;
    return false;
  }();
  std::u16string out;
  bool afterHour = false;  // m and mm right after an hour (separators aside) are minutes
  std::size_t i = 0;
  while (i < Format.size()) {
    const char16_t c = Format[i];
    const char16_t letter = Lower(c);
    if (c == u'\'' || c == u'"') {
      const std::size_t end = Format.find(c, i + 1);
      const std::size_t stop = end == std::u16string_view::npos ? Format.size() : end;
      out.append(Format.substr(i + 1, stop - i - 1));
      i = stop == Format.size() ? stop : stop + 1;
      continue;
    }
    if (letter == u'a' && StartsWithNoCase(Format, i, u"am/pm")) {
      out.append(Format.substr(time.hour() < 12 ? i : i + 3, 2));
      i += 5;
      continue;
    }
    const std::size_t run = RunLength(Format, i, letter);
    std::size_t used = 1;
    switch (letter) {
      case u'd':
        used = std::min<std::size_t>(run, 4);
        if (used <= 2)
          out += Number(date.day(), static_cast<int>(used));
        else
          out += FromQString(locale.dayName(date.dayOfWeek(), used == 3 ? QLocale::ShortFormat : QLocale::LongFormat));
        break;
      case u'm':
        used = std::min<std::size_t>(run, afterHour ? 2 : 4);
        if (afterHour)
          out += Number(time.minute(), static_cast<int>(used));
        else if (used <= 2)
          out += Number(date.month(), static_cast<int>(used));
        else
          out += FromQString(locale.monthName(date.month(), used == 3 ? QLocale::ShortFormat : QLocale::LongFormat));
        break;
      case u'y':
        used = run;
        out += run <= 2 ? Number(date.year() % 100, 2) : Number(date.year(), 4);
        break;
      case u'h': {
        used = std::min<std::size_t>(run, 2);
        const int hour = twelveHours ? (time.hour() + 11) % 12 + 1 : time.hour();
        out += Number(hour, static_cast<int>(used));
        break;
      }
      case u'n':
        used = std::min<std::size_t>(run, 2);
        out += Number(time.minute(), static_cast<int>(used));
        break;
      case u's':
        used = std::min<std::size_t>(run, 2);
        out += Number(time.second(), static_cast<int>(used));
        break;
      case u'z':
        used = run >= 3 ? 3 : 1;
        out += Number(time.msec(), static_cast<int>(used));
        break;
      default:
        out += c;
        i += 1;
        continue;
    }
    afterHour = letter == u'h';
    i += used;
  }
  return out;
}

std::u16string DateText(const QDate& Date) { return FromQString(QLocale().toString(Date, QLocale::ShortFormat)); }

std::u16string TimeText(const QTime& Time) {
  // The long format names the time zone ("t"), which the time of day leaves out.
  const QString format = QLocale().timeFormat(QLocale::LongFormat);
  QString withoutZone;
  bool quoted = false;
  for (QChar c : format) {
    if (c == u'\'') quoted = !quoted;
    if (quoted || c != u't') withoutZone += c;
  }
  return FromQString(QLocale().toString(Time, withoutZone.trimmed()));
}

std::uint32_t DateTimeToFileDate(const QDateTime& Time) {
  const QDateTime first(QDate(1980, 1, 1), QTime(0, 0));
  const QDateTime last(QDate(2107, 12, 31), QTime(23, 59, 58));
  const QDateTime t = std::clamp(Time, first, last);
  const QDate d = t.date();
  const QTime h = t.time();
  return static_cast<std::uint32_t>(d.year() - 1980) << 25 | static_cast<std::uint32_t>(d.month()) << 21 |
         static_cast<std::uint32_t>(d.day()) << 16 | static_cast<std::uint32_t>(h.hour()) << 11 |
         static_cast<std::uint32_t>(h.minute()) << 5 | static_cast<std::uint32_t>(h.second() / 2);
}

}  // namespace vt
