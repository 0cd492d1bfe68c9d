#include "app/sqlite_functions.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>

#include "app/connection_string.h"
#include "report/eval/errors.h"

namespace {

struct ContainsRow {
    const char *name;
    QVariant needle;
    QVariantList texts;
    int expected;
};

TEST(SqliteFunctionsTest, FrContainsFoldsCaseForEveryAlphabet)
{
    QTemporaryDir dir;
    QSqlDatabase db = frOpenConnection(QStringLiteral("Provider=SQLite;Data Source=%1").arg(dir.filePath("j.db")));
    const QVariant null = QVariant(QMetaType::fromType<QString>());
    const ContainsRow rows[] = {
        {"Cyrillic", "письмо", {"ПИСЬМО из Министерства", null}, 1},
        {"mixed case", "пИсЬмО", {"Письмо_поставщику.docx"}, 1},
        {"ё and Ё", "Ё", {"ёлка"}, 1},
        {"Greek", "σοφια", {"ΣΟΦΙΑ"}, 1},
        {"Latin with accents", "ärger", {"ÄRGER.txt"}, 1},
        {"outside the Basic Multilingual Plane", QString::fromUtf8("\xF0\x90\x90\xA8"), {QString::fromUtf8("x\xF0\x90\x90\x80y")}, 1},
        {"Kelvin sign folds to k", "kg", {QString::fromUtf8("5 \xE2\x84\xAAg")}, 1},
        {"simple folding only", "straße", {"STRASSE"}, 0},
        {"any of the texts", "b", {"xyz", "", "ab"}, 1},
        {"none of the texts", "q", {"xyz", null, "ab"}, 0},
        {"needle longer than the text", "abc", {"ab"}, 0},
        {"numbers as their text", "4", {42}, 1},
        {"wildcards are literal", "%", {"100%"}, 1},
        {"no wildcard match", "_", {"abc"}, 0},
        {"empty needle", "", {null}, 1},
        {"null needle", null, {"x"}, 0},
        {"no texts", "x", {}, 0},
    };
    for (const ContainsRow &r : rows) {
        QStringList marks(r.texts.size() + 1, QStringLiteral("?"));
        QSqlQuery q(db);
        ASSERT_TRUE(q.prepare(QStringLiteral("SELECT fr_contains(%1)").arg(marks.join(QStringLiteral(", ")))));
        q.addBindValue(r.needle);
        for (const QVariant &text : r.texts)
            q.addBindValue(text);
        ASSERT_TRUE(q.exec() && q.next()) << r.name;
        EXPECT_EQ(q.value(0).toInt(), r.expected) << r.name;
    }
    frCloseConnection(db);
}

TEST(SqliteFunctionsTest, OnlySqliteConnectionsTakeThem)
{
    EXPECT_THROW(frInstallSqliteFunctions(QSqlDatabase()), EfrError);
}

} // namespace
