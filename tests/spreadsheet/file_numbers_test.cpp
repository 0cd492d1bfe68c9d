// Numbers in the workbook's XML keep their decimal point when something in the process has
// set the C library's locale to the desktop's (Russian: decimal comma) behind our back.
#include "export_test_support.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <clocale>
#include <cstdio>
#include <string>

#include "report/eval/c_locale.h"

namespace {

using namespace export_test;

// The C library's locale of the process, put back when the test ends.
class TRussianCLocale {
public:
    TRussianCLocale() : m_saved(std::setlocale(LC_ALL, nullptr)) { m_ok = std::setlocale(LC_ALL, "ru_RU.UTF-8"); }
    ~TRussianCLocale()
    {
        std::setlocale(LC_ALL, m_saved.c_str());
        frUseCNumericLocale();
    }
    bool ok() const { return m_ok; }

private:
    std::string m_saved;
    bool m_ok = false;
};

std::string printed(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

TEST(CNumericLocale, TheApplicationObjectLeavesNumbersInTheCLocale)
{
    // test_main's QApplication took the locale from the environment; numbers went back.
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    EXPECT_EQ(printed(0.25), "0.25");
    if (qEnvironmentVariableIsSet("FR_LOCALE_CHILD"))
        return;
    // The same once more in a test program started under the Russian desktop locale.
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("ru_RU.UTF-8"));
    env.insert(QStringLiteral("FR_LOCALE_CHILD"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=CNumericLocale.TheApplicationObjectLeavesNumbersInTheCLocale")});
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
}

class FileNumbersTest : public ExportTest {};

TEST_F(FileNumbersTest, WorkbookNumbersKeepTheirPointUnderARussianCLocale)
{
    // Odd sizes give fractional column widths and row heights, and margins in inches.
    memo(newPage(0, TfrRect{37, 41, 29, 33}), 13, 17, 111, 23, {QStringLiteral("1,5")},
         [](TfrMemoView &m) { m.FrameTyp = 15; });
    filter->TopMargin = 0.5;
    TRussianCLocale russian;
    ASSERT_TRUE(russian.ok()) << "the ru_RU.UTF-8 locale is missing: run scripts/install-deps.sh";
    ASSERT_EQ(printed(0.25), "0,25") << "the locale writes a decimal comma";
    {
        const TfrCNumericScope scope;
        EXPECT_EQ(printed(0.25), "0.25") << "inside the scope";
    }
    EXPECT_EQ(printed(0.25), "0,25") << "and the thread's locale is back after it";

    const XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    const QString xml = QString::fromUtf8(xlsx_detail::part(path("out.xlsx"), QStringLiteral("xl/worksheets/sheet1.xml")));
    static const QRegularExpression comma(QStringLiteral("=\"-?[0-9]+,[0-9]+\""));
    EXPECT_FALSE(comma.match(xml).hasMatch()) << xml.toStdString();
    static const QRegularExpression point(QStringLiteral("width=\"[0-9]+\\.[0-9]+\""));
    EXPECT_TRUE(point.match(xml).hasMatch()) << xml.toStdString();
    // The cell's text "1,5" is a number for the workbook: written with a point.
    EXPECT_TRUE(xml.contains(QStringLiteral("<v>1.5</v>"))) << xml.toStdString();
}

} // namespace
