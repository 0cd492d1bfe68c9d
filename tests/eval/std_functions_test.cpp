// The standard library's functions as expressions call them, and the two dialogs.
#include <gtest/gtest.h>

#include "report/eval/format_settings.h"
#include "report/eval/function_library.h"
#include "report/eval/parser.h"
#include "report/eval/std_functions.h"
#include "report/eval/ui_hooks.h"
#include "report/eval/value_resolution.h"
#include "report/eval/variables.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

const char *kindOf(const TfrVariant &v)
{
    switch (v.kind()) {
    case TfrVariant::vkNull: return "null";
    case TfrVariant::vkBoolean: return "boolean";
    case TfrVariant::vkInteger: return "integer";
    case TfrVariant::vkDouble: return "real";
    case TfrVariant::vkString: return "string";
    case TfrVariant::vkDate: return "datetime";
    default: return "other";
    }
}

class StdFunctions : public ::testing::Test {
protected:
    void SetUp() override
    {
        frInstallNameHandler();
        frInstallFunctionHandler();
        frSetRunContext(nullptr);
        frUiHooks() = {};
    }
    void TearDown() override { frUiHooks() = {}; }

    TfrFormatSettingsScope locale{TfrFormatSettings::russian()};
};

TEST_F(StdFunctions, Results)
{
    struct Row {
        const char *expression;
        const char *kind;
        const char *text;
    };
    const Row rows[] = {
        {"MAXNUM(2, '10')", "string", "10"},
        {"MAXNUM(3, 2)", "real", "3"},
        {"MAXNUM(2, 2.5)", "real", "2,5"},
        {"MINNUM(2, '10')", "real", "2"},
        {"MINNUM('b', 'a')", "string", "a"},
        {"NAMECASE('сЛОВО')", "string", "Слово"},
        {"NAMECASE('')", "string", ""},
        {"POS('b', 'abc')", "integer", "2"},
        {"POS('B', 'abc')", "integer", "0"},
        {"POS('', 'abc')", "integer", "0"},
        {"POS('c', 'abcabc')", "integer", "3"},
        {"LENGTH('Привет')", "integer", "6"},
        {"LENGTH(12.5)", "integer", "4"},
        {"LENGTH()", "integer", "0"},
        {"LOWERCASE('АбВ Q')", "string", "абв q"},
        {"UPPERCASE('абв q')", "string", "АБВ Q"},
        {"TRIM('  a b  ')", "string", "a b"},
        {"TRIM(CRLF + ' x' + CRLF)", "string", "x"},
        {"FORMATFLOAT('0.00', 3.14159)", "string", "3,14"},
        {"FORMATFLOAT('#,##0.0', 1234.56)", "string", "1\u00a0234,6"},
        {"FORMATDATETIME('yyyy-mm-dd', STRTODATE('05.03.2021'))", "string", "2021-03-05"},
        {"DAYOF(STRTODATE('05.03.2021'))", "integer", "5"},
        {"MONTHOF(STRTODATE('05.03.2021'))", "integer", "3"},
        {"YEAROF(STRTODATE('05.03.2021'))", "integer", "2021"},
        {"DAYOF('07.08.1999')", "integer", "7"},
        {"YEAROF(2)", "integer", "1900"},
        {"FORMATTEXT('000-000', '123456')", "string", "123-456"},
        {"FORMATTEXT('00/00/0000', '01022020')", "string", "01.02.2020"},
        {"INPUT('Сколько?', 'нисколько')", "string", "нисколько"},
        {"INPUT('Сколько?')", "string", ""},
        {"MESSAGEBOX('Текст', 'Заголовок', mb_OkCancel + mb_IconWarning)", "integer", "1"},
    };
    for (const Row &r : rows) {
        try {
            const TfrVariant v = frParser->Calc(u(r.expression));
            EXPECT_STREQ(kindOf(v), r.kind) << r.expression;
            EXPECT_EQ(v.toString(), u(r.text)) << r.expression;
        } catch (const EfrError &e) {
            ADD_FAILURE() << r.expression << " raised " << e.what();
        }
    }
}

TEST_F(StdFunctions, ConversionErrorsReachTheCaller)
{
    for (const char *expression : {"DAYOF('not a date')", "FORMATFLOAT('0.00', 'abc')", "MAXNUM(NULL, 1)"})
        EXPECT_THROW(frParser->Calc(u(expression)), EfrError) << expression;
}

TEST_F(StdFunctions, DialogsGoThroughTheUserInterfaceHook)
{
    QStringList seen;
    frUiHooks().InputQuery = [&](const QString &caption, const QString &prompt, QString &value) {
        seen << u("input[") + caption + u("|") + prompt + u("|") + value + u("]");
        value = u("typed");
        return true;
    };
    frUiHooks().MessageBox = [&](const QString &text, const QString &caption, int flags) {
        seen << QStringLiteral("box[%1|%2|%3]").arg(text, caption).arg(flags);
        return 7; // mrNo
    };
    EXPECT_EQ(frParser->Calc(u("INPUT('Имя', 'Иван')")).toString(), u("typed"));
    EXPECT_EQ(frParser->Calc(u("MESSAGEBOX('Удалить?', 'Вопрос', mb_YesNo + mb_IconQuestion)")).toInteger(), 7);
    EXPECT_EQ(seen, (QStringList{u("input[|Имя|Иван]"), u("box[Удалить?|Вопрос|36]")}));

    // Cancelling the input box gives the default.
    frUiHooks().InputQuery = [](const QString &, const QString &, QString &value) {
        value = u("discarded");
        return false;
    };
    EXPECT_EQ(frParser->Calc(u("INPUT('Имя', 'Иван')")).toString(), u("Иван"));
}

TEST(TextHelpers, TrimAndNameCase)
{
    EXPECT_EQ(frTrimText(QStringLiteral("\t\x01 a \x1f")), u("a"));
    EXPECT_EQ(frTrimText(QStringLiteral("   ")), QString());
    EXPECT_EQ(frNameCase(u("ёЖИК")), u("Ёжик"));
}

} // namespace
