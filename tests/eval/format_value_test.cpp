#include <gtest/gtest.h>

#include "report/eval/datetime.h"
#include "report/eval/format_settings.h"
#include "report/eval/value_resolution.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

quint32 fmt(quint32 category, quint32 variant, quint32 decimals = 0, char separator = 0)
{
    return (category << 24) | (variant << 16) | (decimals << 8) | quint32(uchar(separator));
}

const QString nbsp(QChar(0x00A0));

class FormatValueTest : public ::testing::Test {
protected:
    TfrFormatSettingsScope scope{TfrFormatSettings::russian()};
};

struct Row {
    const char *name;
    TfrVariant value;
    quint32 format;
    const char *formatStr;
    QString expected;
};

void runRows(const std::vector<Row> &rows)
{
    for (const Row &r : rows)
        EXPECT_EQ(FormatValue(r.value, r.format, u(r.formatStr)), r.expected) << r.name;
}

TEST_F(FormatValueTest, Numbers)
{
    runRows({
        {"v0 drops unneeded decimals", TfrVariant(5), fmt(1, 0, 2, ','), "", u("5")},
        {"v0 optional digit", TfrVariant(5.5), fmt(1, 0, 2, ','), "", u("5,5")},
        {"v0 rounds to the decimals", TfrVariant(1234.567), fmt(1, 0, 2, ','), "", u("1234,57")},
        {"v0 no decimals", TfrVariant(12.0), fmt(1, 0, 0, ','), "", u("12")},
        {"v1 fixed", TfrVariant(5), fmt(1, 1, 2, ','), "", u("5,00")},
        {"v1 point separator", TfrVariant(1234.5), fmt(1, 1, 2, '.'), "", u("1234.50")},
        {"v1 dash separator", TfrVariant(1234.5), fmt(1, 1, 1, '-'), "", u("1234-5")},
        {"v1 separator 0 keeps the locale's", TfrVariant(1.5), fmt(1, 1, 2, 0), "", u("1,50")},
        {"v2 thousands", TfrVariant(1234567.891), fmt(1, 2, 2, ','), "", u("1") + nbsp + u("234") + nbsp + u("567,89")},
        {"v3 thousands fixed", TfrVariant(1234567.8), fmt(1, 3, 2, ','), "", u("1") + nbsp + u("234") + nbsp + u("567,80")},
        {"v3 negative", TfrVariant(-1234.5), fmt(1, 3, 2, ','), "", u("-1") + nbsp + u("234,50")},
        {"v4 pattern with point", TfrVariant(1234.5), fmt(1, 4, 0, '.'), "#,##0.00", u("1") + nbsp + u("234.50")},
        {"v4 pattern", TfrVariant(2.5), fmt(1, 4, 0, ','), "0.000", u("2,500")},
        {"currency", TfrVariant(TfrCurrency::fromDouble(3.25)), fmt(1, 1, 1, ','), "", u("3,3")},
        {"text read by the locale", TfrVariant(u("12,5")), fmt(1, 1, 2, ','), "", u("12,50")},
        {"text that is no number shows itself", TfrVariant(u("abc")), fmt(1, 1, 2, ','), "", u("abc")},
        {"boolean true is -1", TfrVariant(true), fmt(1, 0, 0, ','), "", u("-1")},
        {"unknown variant shows the text form", TfrVariant(1.5), fmt(1, 9, 2, ','), "", u("1,5")},
    });
}

TEST_F(FormatValueTest, HugeDecimalCountStaysBounded)
{
    for (quint32 variant : {0u, 1u, 2u, 3u}) {
        const QString text = FormatValue(TfrVariant(1.5), fmt(1, variant, 255, ','), QString());
        EXPECT_TRUE(text.startsWith(u("1,5"))) << variant << " " << text.toStdString();
        EXPECT_LE(text.size(), 40) << variant;
    }
}

TEST_F(FormatValueTest, DatesAndTimes)
{
    const TDateTime dt = frEncodeDateTime(2024, 3, 5, 14, 7, 9, 0);
    const TDateTime morning = frEncodeDateTime(2024, 3, 5, 9, 5, 0, 0);
    runRows({
        {"date v0", TfrVariant::fromDateTime(dt), fmt(2, 0), "", u("05.03.24")},
        {"date v1", TfrVariant::fromDateTime(dt), fmt(2, 1), "", u("05.03.2024")},
        {"date v2", TfrVariant::fromDateTime(dt), fmt(2, 2), "", u("5 мар 2024")},
        {"date v3 locale long date", TfrVariant::fromDateTime(dt), fmt(2, 3), "", u("5 марта 2024 г.")},
        {"date v4 pattern", TfrVariant::fromDateTime(dt), fmt(2, 4), "yyyy-mm-dd", u("2024-03-05")},
        {"date v4 time pattern", TfrVariant::fromDateTime(dt), fmt(2, 4), "hh:nn", u("14:07")},
        {"date from text", TfrVariant(u("05.03.2024")), fmt(2, 1), "", u("05.03.2024")},
        {"date from a number", TfrVariant(2), fmt(2, 1), "", u("01.01.1900")},
        {"bad date text shows itself", TfrVariant(u("abc")), fmt(2, 1), "", u("abc")},
        {"time v0", TfrVariant::fromDateTime(dt), fmt(3, 0), "", u("14:07:09")},
        {"time v1", TfrVariant::fromDateTime(morning), fmt(3, 1), "", u("9:05:00")},
        {"time v2", TfrVariant::fromDateTime(morning), fmt(3, 2), "", u("09:05")},
        {"time v3", TfrVariant::fromDateTime(morning), fmt(3, 3), "", u("9:05")},
        {"time v4", TfrVariant::fromDateTime(dt), fmt(3, 4), "ss", u("09")},
        {"date out of range shows the number", TfrVariant::fromDateTime(1e9), fmt(2, 1), "",
         TfrVariant::fromDateTime(1e9).toString()},
    });
}

TEST_F(FormatValueTest, Booleans)
{
    runRows({
        {"v0 true", TfrVariant(true), fmt(4, 0), "", u("1")},
        {"v0 false", TfrVariant(false), fmt(4, 0), "", u("0")},
        {"v1 true", TfrVariant(true), fmt(4, 1), "", u("Да")},
        {"v1 false", TfrVariant(false), fmt(4, 1), "", u("Нет")},
        {"v2 true", TfrVariant(true), fmt(4, 2), "", u("x")},
        {"v3 false", TfrVariant(false), fmt(4, 3), "", u("False")},
        {"v4 true", TfrVariant(true), fmt(4, 4), "No;Yes", u("Yes")},
        {"v4 false", TfrVariant(false), fmt(4, 4), "No;Yes", u("No")},
        {"v4 without ; true", TfrVariant(true), fmt(4, 4), "Yes", u("Yes")},
        {"v4 without ; false", TfrVariant(false), fmt(4, 4), "Yes", u("")},
        {"integer selects", TfrVariant(5), fmt(4, 1), "", u("Да")},
        {"integer 0", TfrVariant(0), fmt(4, 1), "", u("Нет")},
        {"real rounds to 0", TfrVariant(0.4), fmt(4, 1), "", u("Нет")},
        {"text that is no number shows itself", TfrVariant(u("maybe")), fmt(4, 1), "", u("maybe")},
    });
}

TEST_F(FormatValueTest, TextCategoryAndUnknownCategories)
{
    runRows({
        {"boolean text form", TfrVariant(true), fmt(0, 0), "", u("True")},
        {"real text form", TfrVariant(1.5), fmt(0, 0), "", u("1,5")},
        {"string", TfrVariant(u("abc")), fmt(0, 0), "", u("abc")},
        {"format string ignored", TfrVariant(1.5), fmt(0, 4), "0.00", u("1,5")},
        {"category 7", TfrVariant(1.5), fmt(7, 1, 2, ','), "", u("1,5")},
        {"high bits ignored", TfrVariant(5), fmt(1, 1, 2, ',') | 0xF0000000u, "", u("5,00")},
    });
}

TEST_F(FormatValueTest, NullEmptyAndBlankGiveEmptyTextWhateverTheFormat)
{
    const quint32 formats[] = {fmt(0, 0), fmt(1, 1, 2, ','), fmt(2, 1), fmt(3, 0), fmt(4, 4), fmt(4, 1)};
    const TfrVariant values[] = {TfrVariant(), TfrVariant::null(), TfrVariant(QString()), TfrVariant(u("   "))};
    for (quint32 f : formats)
        for (const TfrVariant &v : values)
            EXPECT_EQ(FormatValue(v, f, u("No;Yes")), QString()) << std::hex << f << " kind " << int(v.kind());
}

} // namespace
