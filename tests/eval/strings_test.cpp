#include <gtest/gtest.h>

#include <set>

#include "report/eval/globals.h"
#include "report/eval/strings.h"

namespace {

// Every test leaves the process-wide locale as it found it.
class Strings : public ::testing::Test {
protected:
    void TearDown() override
    {
        frLocale().SetOnLocalize(nullptr);
        frLocale().UnloadModule();
    }
};

TEST_F(Strings, KnownIds)
{
    struct Row {
        int id;
        const char *text;
    } rows[] = {
        {53000, "Поиск"},
        {53048, "Введите номера и/или диапазоны страниц, разделенные запятыми. Например, 1,3,5-12"},
        {54840, "Файл Excel через OLE (*.xls)"},
        {54845, " Настройки страницы "},
        {55000, "ОК"},
        {55001, "Отмена"},
        {55007, "Виртуальный принтер"},
        {55008, "Letter, 8 1/2 x 11\""},
        {55016, "A4 210 x 297 мм"},
        {55074, "Другой"},
        {55077, "Report title"},
        {55099, "Нет"},
        {55171, "Нет;Да"},
        {55182, "h:nn"},
        {55209, "Untitled"},
        {55337, "204"},
        {55345, "Неверный FRF формат"},
        {55654, "Введите пароль для открытия отчета"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(frLoadStr(r.id), QString::fromUtf8(r.text)) << "id " << r.id;
}

TEST_F(Strings, UnknownIdGivesEmptyText)
{
    for (int id : {0, -1, 52999, 55002, 55075, 99999})
        EXPECT_TRUE(frLoadStr(id).isEmpty()) << "id " << id;
}

TEST_F(Strings, HandlerWinsOnlyWithNonEmptyText)
{
    frLocale().SetOnLocalize([](int id, QString &result) {
        if (id == 55001)
            result = QStringLiteral("Cancel");
    });
    EXPECT_EQ(frLoadStr(55001), QStringLiteral("Cancel"));
    EXPECT_EQ(frLoadStr(55000), QStringLiteral("ОК"));
    frLocale().SetOnLocalize(nullptr);
    EXPECT_EQ(frLoadStr(55001), QStringLiteral("Отмена"));
}

TEST_F(Strings, ReplacementTableAndTheLengthLimit)
{
    frLocale().LoadModule({{55345, QString(2000, u'x')}, {7, QStringLiteral("seven")}});
    EXPECT_TRUE(frLocale().HasModule());
    EXPECT_EQ(frLoadStr(55345), QString(TfrLocale::MaxStringLength, u'x'));
    EXPECT_EQ(frLoadStr(7), QStringLiteral("seven"));
    EXPECT_TRUE(frLoadStr(55000).isEmpty()); // the translation replaces the whole table
    frLocale().UnloadModule();
    EXPECT_EQ(frLoadStr(55000), QStringLiteral("ОК"));
}

TEST_F(Strings, GlobalsAreLocalisedAtStartAndOnEveryChange)
{
    EXPECT_EQ(frCharset, 204);
    EXPECT_EQ(frBandNames[0], QStringLiteral("Report title"));
    EXPECT_EQ(frBandNames[21], QStringLiteral("Child"));
    EXPECT_EQ(frBandNames[22], QStringLiteral("Нет"));
    EXPECT_EQ(frDateFormats[3], QStringLiteral("d mmmm yyyy"));
    EXPECT_EQ(frTimeFormats[0], QStringLiteral("hh:nn:ss"));
    EXPECT_EQ(frBoolFormats[3], QStringLiteral("False;True"));

    static int listenerCalls = 0; // listeners stay registered for the life of the process
    frLocale().AddLocalizeListener([] { ++listenerCalls; });
    const int callsBefore = listenerCalls;
    frLocale().SetOnLocalize([](int id, QString &result) {
        if (id == 55077)
            result = QStringLiteral("Заголовок отчета");
        if (id == 55337)
            result = QStringLiteral("not a number");
    });
    EXPECT_EQ(frBandNames[0], QStringLiteral("Заголовок отчета"));
    EXPECT_EQ(frCharset, 204); // an unusable charset text keeps the previous value
    frLocale().SetOnLocalize([](int id, QString &result) {
        if (id == 55337)
            result = QStringLiteral("1");
    });
    EXPECT_EQ(frCharset, 1);
    frLocale().SetOnLocalize(nullptr);
    EXPECT_EQ(frBandNames[0], QStringLiteral("Report title"));
    EXPECT_EQ(frCharset, 204);
    EXPECT_EQ(listenerCalls - callsBefore, 3);
}

TEST(Globals, ColourTable)
{
    EXPECT_EQ(frColors[0], 0xFFFFFF);
    EXPECT_EQ(frColorNames[0], QLatin1String("clWhite"));
    EXPECT_EQ(frColors[16], 0x1FFFFFFF);
    EXPECT_EQ(frColorNames[16], QLatin1String("clTransparent"));
    EXPECT_EQ(frColors[frColorCount - 1], qint32(0x80000018u));
    EXPECT_EQ(frColorNames[frColorCount - 1], QLatin1String("clInfoBk"));
    std::set<QString> names;
    for (QLatin1String n : frColorNames)
        names.insert(QString(n));
    EXPECT_EQ(names.size(), size_t(frColorCount));
}

} // namespace
