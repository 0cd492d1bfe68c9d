#include "report/eval/date_format.h"

#include <cmath>

#include "report/eval/errors.h"
#include "report/eval/number_format.h"

namespace {

char16_t upperAscii(char16_t c) { return c >= 'a' && c <= 'z' ? char16_t(c - 32) : c; }

bool matchesNoCase(const QChar *p, const QChar *end, const char *word)
{
    for (; *word; ++word, ++p) {
        if (p >= end || upperAscii(p->unicode()) != upperAscii(char16_t(*word)))
            return false;
    }
    return true;
}

// A run of one or two d's (of one letter case) outside quotes: a day of month.
bool hasDayOfMonth(const QString &pattern)
{
    const QChar *p = pattern.constData();
    const QChar *end = p + pattern.size();
    while (p < end) {
        const QChar c = *p;
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            ++p;
            while (p < end && *p != c)
                ++p;
            if (p < end)
                ++p;
            continue;
        }
        if (c == QLatin1Char('d') || c == QLatin1Char('D')) {
            int count = 0;
            while (p < end && *p == c) {
                ++p;
                ++count;
            }
            if (count <= 2)
                return true;
            continue;
        }
        ++p;
    }
    return false;
}

class DateFormatter {
public:
    DateFormatter(TDateTime value, const TfrDateParts &parts, const TfrFormatSettings &fs)
        : m_value(value), m_p(parts), m_fs(fs)
    {
    }

    void append(const QString &pattern, int level);
    QString take() { return std::move(m_out); }

private:
    void number(int value, int digits)
    {
        const QString s = QString::number(value);
        for (qsizetype i = s.size(); i < digits; ++i)
            m_out += QLatin1Char('0');
        m_out += s;
    }
    TDateTime m_value;
    const TfrDateParts &m_p;
    const TfrFormatSettings &m_fs;
    QString m_out;
};

void DateFormatter::append(const QString &pattern, int level)
{
    // Locale patterns may name other locale patterns; two levels are enough for any real
    // pattern and stop a pattern that names itself.
    if (level > 2)
        return;
    const QChar *p = pattern.constData();
    const QChar *end = p + pattern.size();
    const bool genitive = hasDayOfMonth(pattern);
    char16_t lastToken = 0;
    bool use12Hour = false;
    while (p < end) {
        const QChar starter = *p;
        char16_t token = upperAscii(starter.unicode());
        if (token >= 'A' && token <= 'Z') {
            if (token == 'M' && lastToken == 'H')
                token = 'N';
            lastToken = token;
        }
        int count = 0;
        auto getCount = [&] {
            count = 0;
            while (p < end && *p == starter) {
                ++p;
                ++count;
            }
        };
        switch (token) {
        case 'Y':
            getCount();
            if (count <= 2)
                number(m_p.year % 100, 2);
            else
                number(m_p.year, 4);
            break;
        case 'M':
            getCount();
            if (count <= 2)
                number(m_p.month, count);
            else if (count == 3)
                m_out += m_fs.shortMonthNames[size_t(m_p.month - 1)];
            else
                m_out += genitive ? m_fs.genitiveMonthNames[size_t(m_p.month - 1)]
                                  : m_fs.longMonthNames[size_t(m_p.month - 1)];
            break;
        case 'D':
            getCount();
            if (count <= 2)
                number(m_p.day, count);
            else if (count == 3)
                m_out += m_fs.shortDayNames[size_t(frDayOfWeek(m_value) - 1)];
            else if (count == 4)
                m_out += m_fs.longDayNames[size_t(frDayOfWeek(m_value) - 1)];
            else if (count == 5)
                append(m_fs.shortDateFormat, level + 1);
            else
                append(m_fs.longDateFormat, level + 1);
            break;
        case 'H': {
            getCount();
            // An am/pm specifier after this hour and before the next one selects the 12-hour clock.
            bool quoted = false;
            for (const QChar *q = p; q < end; ++q) {
                const char16_t c = q->unicode();
                if (c == '\'' || c == '"') {
                    quoted = !quoted;
                } else if (!quoted && (c == 'a' || c == 'A')) {
                    if (matchesNoCase(q, end, "AM/PM") || matchesNoCase(q, end, "A/P") || matchesNoCase(q, end, "AMPM"))
                        use12Hour = true;
                    break;
                } else if (!quoted && (c == 'h' || c == 'H')) {
                    break;
                }
            }
            int hour = m_p.hour;
            if (use12Hour) {
                if (hour == 0)
                    hour = 12;
                else if (hour > 12)
                    hour -= 12;
            }
            number(hour, qMin(count, 2));
            break;
        }
        case 'N':
            getCount();
            number(m_p.min, qMin(count, 2));
            break;
        case 'S':
            getCount();
            number(m_p.sec, qMin(count, 2));
            break;
        case 'Z':
            getCount();
            number(m_p.msec, qMin(count, 3));
            break;
        case 'T':
            getCount();
            append(count == 1 ? m_fs.shortTimeFormat : m_fs.longTimeFormat, level + 1);
            break;
        case 'C':
            getCount();
            append(m_fs.shortDateFormat, level + 1);
            // Milliseconds alone do not bring the time in, as in the classic runtime.
            if (m_p.hour != 0 || m_p.min != 0 || m_p.sec != 0) {
                m_out += QLatin1Char(' ');
                append(m_fs.longTimeFormat, level + 1);
            }
            break;
        case 'A': {
            const bool pm = m_p.hour >= 12;
            if (matchesNoCase(p, end, "AM/PM")) {
                m_out += pm ? QStringView(p + 3, 2) : QStringView(p, 2);
                p += 5;
            } else if (matchesNoCase(p, end, "A/P")) {
                m_out += pm ? p[2] : p[0];
                p += 3;
            } else if (matchesNoCase(p, end, "AMPM")) {
                m_out += pm ? m_fs.timePMString : m_fs.timeAMString;
                p += 4;
            } else {
                m_out += starter;
                ++p;
            }
            break;
        }
        case '/':
            m_out += m_fs.dateSeparator;
            ++p;
            break;
        case ':':
            m_out += m_fs.timeSeparator;
            ++p;
            break;
        case '\'':
        case '"': {
            ++p;
            const QChar *from = p;
            while (p < end && *p != starter)
                ++p;
            m_out += QStringView(from, p - from);
            if (p < end)
                ++p;
            break;
        }
        default:
            m_out += starter;
            ++p;
            break;
        }
    }
}

// --- Scanning --------------------------------------------------------------------------

struct Scanner {
    const QChar *p;
    const QChar *end;

    void blanks()
    {
        while (p < end && p->unicode() <= ' ')
            ++p;
    }
    bool atEnd() const { return p >= end; }
    // Up to `maxDigits` digits after optional blanks.
    bool number(int &value, int &length, int maxDigits = 4)
    {
        blanks();
        value = 0;
        length = 0;
        while (p < end && length < maxDigits && p->unicode() >= '0' && p->unicode() <= '9') {
            value = value * 10 + (p->unicode() - '0');
            ++p;
            ++length;
        }
        return length > 0;
    }
    bool character(QChar c)
    {
        blanks();
        if (p < end && *p == c) {
            ++p;
            return true;
        }
        return false;
    }
    bool word(const QString &w)
    {
        blanks();
        if (w.isEmpty() || end - p < w.size())
            return false;
        if (QStringView(p, w.size()).compare(w, Qt::CaseInsensitive) != 0)
            return false;
        p += w.size();
        return true;
    }
};

enum class DateOrder { DMY, MDY, YMD };

DateOrder dateOrder(const QString &shortDate)
{
    bool quoted = false;
    QChar quote;
    for (const QChar c : shortDate) {
        if (quoted) {
            if (c == quote)
                quoted = false;
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quoted = true;
            quote = c;
            continue;
        }
        switch (upperAscii(c.unicode())) {
        case 'D':
            return DateOrder::DMY;
        case 'M':
            return DateOrder::MDY;
        case 'Y':
            return DateOrder::YMD;
        default:
            break;
        }
    }
    return DateOrder::MDY;
}

int currentYear()
{
    int y, m, d;
    frDecodeDate(frDate(), y, m, d);
    return y;
}

bool scanDate(Scanner &s, const TfrFormatSettings &fs, int thisYear, TDateTime &value)
{
    int n1, n2, n3, l1, l2, l3;
    if (!s.number(n1, l1) || !s.character(fs.dateSeparator) || !s.number(n2, l2))
        return false;
    const DateOrder order = dateOrder(fs.shortDateFormat);
    int y, m, d;
    if (s.character(fs.dateSeparator) && s.number(n3, l3)) {
        int yearLength;
        switch (order) {
        case DateOrder::MDY: y = n3; yearLength = l3; m = n1; d = n2; break;
        case DateOrder::DMY: y = n3; yearLength = l3; m = n2; d = n1; break;
        case DateOrder::YMD: y = n1; yearLength = l1; m = n2; d = n3; break;
        }
        if (yearLength <= 2) {
            const int pivot = thisYear - fs.twoDigitYearCenturyWindow;
            y += pivot / 100 * 100;
            if (fs.twoDigitYearCenturyWindow > 0 && y < pivot)
                y += 100;
        }
    } else {
        y = thisYear;
        if (order == DateOrder::DMY) {
            d = n1;
            m = n2;
        } else {
            m = n1;
            d = n2;
        }
    }
    s.blanks();
    return frTryEncodeDate(y, m, d, value);
}

bool scanTime(Scanner &s, const TfrFormatSettings &fs, TDateTime &value)
{
    int baseHour = -1;
    if (s.word(fs.timeAMString) || s.word(QStringLiteral("AM")))
        baseHour = 0;
    else if (s.word(fs.timePMString) || s.word(QStringLiteral("PM")))
        baseHour = 12;
    int hour, min = 0, sec = 0, msec = 0, len;
    if (!s.number(hour, len))
        return false;
    if (s.character(fs.timeSeparator)) {
        if (!s.number(min, len))
            return false;
        if (s.character(fs.timeSeparator)) {
            if (!s.number(sec, len))
                return false;
            if (s.character(fs.decimalSeparator)) {
                // A decimal fraction of the second: ",5" is 500 ms.
                if (!s.number(msec, len, 3))
                    return false;
                for (; len < 3; ++len)
                    msec *= 10;
            }
        }
    }
    if (baseHour < 0) {
        if (s.word(fs.timeAMString) || s.word(QStringLiteral("AM")))
            baseHour = 0;
        else if (s.word(fs.timePMString) || s.word(QStringLiteral("PM")))
            baseHour = 12;
    }
    if (baseHour >= 0) {
        if (hour == 0 || hour > 12)
            return false;
        if (hour == 12)
            hour = 0;
        hour += baseHour;
    }
    s.blanks();
    return frTryEncodeTime(hour, min, sec, msec, value);
}

Scanner scannerOf(const QString &text) { return Scanner{text.constData(), text.constData() + text.size()}; }

} // namespace

QString frFormatDateTime(const QString &pattern, TDateTime value, const TfrFormatSettings &fs)
{
    const TfrDateParts parts = frDecodeDateTime(value);
    DateFormatter f(value, parts, fs);
    f.append(pattern.isEmpty() ? QStringLiteral("c") : pattern, 1);
    return f.take();
}

QString frDateToStr(TDateTime value, const TfrFormatSettings &fs)
{
    TfrDateParts parts;
    if (!frTryDecodeDateTime(value, parts))
        return frFloatToStr(value, fs);
    DateFormatter f(value, parts, fs);
    f.append(fs.shortDateFormat, 1);
    return f.take();
}

QString frTimeToStr(TDateTime value, const TfrFormatSettings &fs)
{
    TfrDateParts parts;
    if (!frTryDecodeDateTime(value, parts))
        return frFloatToStr(value, fs);
    DateFormatter f(value, parts, fs);
    f.append(fs.longTimeFormat, 1);
    return f.take();
}

QString frDateTimeToStr(TDateTime value, const TfrFormatSettings &fs)
{
    TfrDateParts parts;
    if (!frTryDecodeDateTime(value, parts))
        return frFloatToStr(value, fs);
    const bool midnight = parts.hour == 0 && parts.min == 0 && parts.sec == 0 && parts.msec == 0;
    // Rounding may carry a time just before midnight into the next day, so the date part
    // is judged on the decoded calendar date.
    const bool zeroDate = parts.year == 1899 && parts.month == 12 && parts.day == 30;
    DateFormatter f(value, parts, fs);
    if (zeroDate && !midnight) {
        f.append(fs.longTimeFormat, 1);
        return f.take();
    }
    f.append(fs.shortDateFormat, 1);
    QString out = f.take();
    if (!midnight) {
        DateFormatter t(value, parts, fs);
        t.append(fs.longTimeFormat, 1);
        out += QLatin1Char(' ');
        out += t.take();
    }
    return out;
}

bool frTryStrToDateInYear(const QString &text, int thisYear, TDateTime &value, const TfrFormatSettings &fs)
{
    Scanner s = scannerOf(text);
    return scanDate(s, fs, thisYear, value) && s.atEnd();
}

bool frTryStrToDate(const QString &text, TDateTime &value, const TfrFormatSettings &fs)
{
    return frTryStrToDateInYear(text, currentYear(), value, fs);
}

bool frTryStrToTime(const QString &text, TDateTime &value, const TfrFormatSettings &fs)
{
    Scanner s = scannerOf(text);
    return scanTime(s, fs, value) && s.atEnd();
}

bool frTryStrToDateTime(const QString &text, TDateTime &value, const TfrFormatSettings &fs)
{
    Scanner s = scannerOf(text);
    TDateTime date = 0, time = 0;
    if (scanDate(s, fs, currentYear(), date) && (s.atEnd() || (scanTime(s, fs, time) && s.atEnd()))) {
        value = date < 0 ? date - time : date + time;
        return true;
    }
    return frTryStrToTime(text, value, fs);
}

TDateTime frStrToDate(const QString &text, const TfrFormatSettings &fs)
{
    TDateTime v;
    if (!frTryStrToDate(text, v, fs))
        throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
    return v;
}

TDateTime frStrToTime(const QString &text, const TfrFormatSettings &fs)
{
    TDateTime v;
    if (!frTryStrToTime(text, v, fs))
        throw EConvertError(QStringLiteral("'%1' is not a valid time").arg(text));
    return v;
}

TDateTime frStrToDateTime(const QString &text, const TfrFormatSettings &fs)
{
    TDateTime v;
    if (!frTryStrToDateTime(text, v, fs))
        throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(text));
    return v;
}
