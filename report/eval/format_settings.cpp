#include "report/eval/format_settings.h"

TfrFormatSettings TfrFormatSettings::russian()
{
    TfrFormatSettings s;
    s.decimalSeparator = QChar(',');
    // The Russian locale groups thousands with a no-break space.
    s.thousandSeparator = QChar(0x00A0);
    s.dateSeparator = QChar('.');
    s.timeSeparator = QChar(':');
    s.shortDateFormat = QStringLiteral("dd.mm.yyyy");
    s.longDateFormat = QStringLiteral("d mmmm yyyy 'г.'");
    s.shortTimeFormat = QStringLiteral("h:nn");
    s.longTimeFormat = QStringLiteral("h:nn:ss");
    s.shortMonthNames = {
        QStringLiteral("янв"), QStringLiteral("фев"), QStringLiteral("мар"), QStringLiteral("апр"),
        QStringLiteral("май"), QStringLiteral("июн"), QStringLiteral("июл"), QStringLiteral("авг"),
        QStringLiteral("сен"), QStringLiteral("окт"), QStringLiteral("ноя"), QStringLiteral("дек"),
    };
    s.longMonthNames = {
        QStringLiteral("Январь"), QStringLiteral("Февраль"), QStringLiteral("Март"),
        QStringLiteral("Апрель"), QStringLiteral("Май"), QStringLiteral("Июнь"),
        QStringLiteral("Июль"), QStringLiteral("Август"), QStringLiteral("Сентябрь"),
        QStringLiteral("Октябрь"), QStringLiteral("Ноябрь"), QStringLiteral("Декабрь"),
    };
    s.genitiveMonthNames = {
        QStringLiteral("января"), QStringLiteral("февраля"), QStringLiteral("марта"),
        QStringLiteral("апреля"), QStringLiteral("мая"), QStringLiteral("июня"),
        QStringLiteral("июля"), QStringLiteral("августа"), QStringLiteral("сентября"),
        QStringLiteral("октября"), QStringLiteral("ноября"), QStringLiteral("декабря"),
    };
    s.shortDayNames = {
        QStringLiteral("Вс"), QStringLiteral("Пн"), QStringLiteral("Вт"), QStringLiteral("Ср"),
        QStringLiteral("Чт"), QStringLiteral("Пт"), QStringLiteral("Сб"),
    };
    s.longDayNames = {
        QStringLiteral("воскресенье"), QStringLiteral("понедельник"), QStringLiteral("вторник"),
        QStringLiteral("среда"), QStringLiteral("четверг"), QStringLiteral("пятница"),
        QStringLiteral("суббота"),
    };
    s.currencyString = QStringLiteral("р.");
    s.currencyFormat = 1;  // "1р."
    s.negCurrFormat = 5;   // "-1р."
    s.currencyDecimals = 2;
    return s;
}

TfrFormatSettings TfrFormatSettings::classicC()
{
    TfrFormatSettings s;
    s.decimalSeparator = QChar('.');
    s.thousandSeparator = QChar(',');
    s.dateSeparator = QChar('/');
    s.timeSeparator = QChar(':');
    s.shortDateFormat = QStringLiteral("m/d/yyyy");
    s.longDateFormat = QStringLiteral("dddd, mmmm dd, yyyy");
    s.shortTimeFormat = QStringLiteral("h:nn AMPM");
    s.longTimeFormat = QStringLiteral("h:nn:ss AMPM");
    s.timeAMString = QStringLiteral("AM");
    s.timePMString = QStringLiteral("PM");
    s.shortMonthNames = {
        QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"), QStringLiteral("Apr"),
        QStringLiteral("May"), QStringLiteral("Jun"), QStringLiteral("Jul"), QStringLiteral("Aug"),
        QStringLiteral("Sep"), QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec"),
    };
    s.longMonthNames = {
        QStringLiteral("January"), QStringLiteral("February"), QStringLiteral("March"),
        QStringLiteral("April"), QStringLiteral("May"), QStringLiteral("June"),
        QStringLiteral("July"), QStringLiteral("August"), QStringLiteral("September"),
        QStringLiteral("October"), QStringLiteral("November"), QStringLiteral("December"),
    };
    s.genitiveMonthNames = s.longMonthNames;
    s.shortDayNames = {
        QStringLiteral("Sun"), QStringLiteral("Mon"), QStringLiteral("Tue"), QStringLiteral("Wed"),
        QStringLiteral("Thu"), QStringLiteral("Fri"), QStringLiteral("Sat"),
    };
    s.longDayNames = {
        QStringLiteral("Sunday"), QStringLiteral("Monday"), QStringLiteral("Tuesday"),
        QStringLiteral("Wednesday"), QStringLiteral("Thursday"), QStringLiteral("Friday"),
        QStringLiteral("Saturday"),
    };
    s.currencyString = QStringLiteral("$");
    s.currencyFormat = 0;  // "$1"
    s.negCurrFormat = 0;   // "($1)"
    s.currencyDecimals = 2;
    return s;
}

namespace {
TfrFormatSettings &current()
{
    static TfrFormatSettings settings = TfrFormatSettings::russian();
    return settings;
}
} // namespace

const TfrFormatSettings &frFormatSettings() { return current(); }

void frSetFormatSettings(const TfrFormatSettings &settings) { current() = settings; }

TfrFormatSettingsScope::TfrFormatSettingsScope(const TfrFormatSettings &settings) : m_saved(current())
{
    current() = settings;
}

TfrFormatSettingsScope::~TfrFormatSettingsScope() { current() = m_saved; }
