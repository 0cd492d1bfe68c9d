#include <gtest/gtest.h>

#include "report/eval/format_settings.h"
#include "report/eval/number_format.h"

namespace {

TEST(FormatSettingsTest, RussianDefaults)
{
    const TfrFormatSettings s = TfrFormatSettings::russian();
    EXPECT_EQ(s.decimalSeparator, QChar(','));
    EXPECT_EQ(s.thousandSeparator, QChar(0x00A0));
    EXPECT_EQ(s.dateSeparator, QChar('.'));
    EXPECT_EQ(s.timeSeparator, QChar(':'));
    EXPECT_EQ(s.shortDateFormat, "dd.mm.yyyy");
    EXPECT_EQ(s.longDateFormat, QString::fromUtf8("d mmmm yyyy 'г.'"));
    EXPECT_EQ(s.shortTimeFormat, "h:nn");
    EXPECT_EQ(s.longTimeFormat, "h:nn:ss");
    EXPECT_TRUE(s.timeAMString.isEmpty());
    EXPECT_TRUE(s.timePMString.isEmpty());
    EXPECT_EQ(s.genitiveMonthNames[0], QString::fromUtf8("января"));
    EXPECT_EQ(s.genitiveMonthNames[4], QString::fromUtf8("мая"));
    EXPECT_EQ(s.longMonthNames[4], QString::fromUtf8("Май"));
    EXPECT_EQ(s.shortMonthNames[11], QString::fromUtf8("дек"));
    EXPECT_EQ(s.longDayNames[0], QString::fromUtf8("воскресенье"));
    EXPECT_EQ(s.shortDayNames[1], QString::fromUtf8("Пн"));
    EXPECT_EQ(s.currencyString, QString::fromUtf8("р."));
    EXPECT_EQ(s.currencyDecimals, 2);
    EXPECT_EQ(s.twoDigitYearCenturyWindow, 50);
    for (size_t i = 0; i < 12; ++i) {
        EXPECT_FALSE(s.shortMonthNames[i].isEmpty()) << i;
        EXPECT_FALSE(s.longMonthNames[i].isEmpty()) << i;
        EXPECT_FALSE(s.genitiveMonthNames[i].isEmpty()) << i;
    }
}

TEST(FormatSettingsTest, ClassicPreset)
{
    const TfrFormatSettings s = TfrFormatSettings::classicC();
    EXPECT_EQ(s.decimalSeparator, QChar('.'));
    EXPECT_EQ(s.thousandSeparator, QChar(','));
    EXPECT_EQ(s.dateSeparator, QChar('/'));
    EXPECT_EQ(s.shortDateFormat, "m/d/yyyy");
    EXPECT_EQ(s.longTimeFormat, "h:nn:ss AMPM");
    EXPECT_EQ(s.timeAMString, "AM");
    EXPECT_EQ(s.longMonthNames[0], "January");
    EXPECT_EQ(s.genitiveMonthNames[0], "January");
}

TEST(FormatSettingsTest, ScopesNestAndRestore)
{
    const QChar before = frFormatSettings().decimalSeparator;
    {
        TfrFormatSettingsScope c(TfrFormatSettings::classicC());
        EXPECT_EQ(frFormatSettings().decimalSeparator, QChar('.'));
        EXPECT_EQ(frFloatToStr(2.5), "2.5");
        {
            TfrFormatSettings odd = TfrFormatSettings::russian();
            odd.decimalSeparator = QChar('|');
            TfrFormatSettingsScope inner(odd);
            EXPECT_EQ(frFloatToStr(2.5), "2|5");
            EXPECT_DOUBLE_EQ(frStrToFloat("2|5"), 2.5);
        }
        EXPECT_EQ(frFormatSettings().decimalSeparator, QChar('.'));
    }
    EXPECT_EQ(frFormatSettings().decimalSeparator, before);
}

TEST(FormatSettingsTest, ProcessDefaultIsRussian)
{
    // No scope is active between tests, so the process-wide instance shows its default.
    EXPECT_EQ(frFormatSettings().decimalSeparator, QChar(','));
    EXPECT_EQ(frFormatSettings().shortDateFormat, "dd.mm.yyyy");
}

} // namespace
