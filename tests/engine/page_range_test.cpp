// The page-range value of printing and export: the pages a text names, in order and with
// repetitions, which pages of a report it lets through, and the texts it refuses and why.
#include <gtest/gtest.h>

#include <vector>

#include "report/eval/errors.h"
#include "report/print/page_range.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

std::vector<int> sequence(int from, int to)
{
    std::vector<int> r;
    for (int i = from; i <= to; ++i)
        r.push_back(i);
    return r;
}

TEST(PageRange, TextsAndThePagesTheyName)
{
    const struct {
        const char *text;
        int count;
        bool limited;
        std::vector<int> pages;
    } cases[] = {
        {"", 20, false, {}},
        {"   ", 20, false, {}},
        {"1,3,5-12", 20, true, {1, 3, 5, 6, 7, 8, 9, 10, 11, 12}},
        {"5-", 20, true, sequence(5, 20)},
        {"5-", 3, true, {}},
        {"1 0", 20, true, {10}},
        {"7-3", 20, true, {}},
        {"3-3", 20, true, {3}},
        {"3,1,3,2-4", 20, true, {3, 1, 3, 2, 3, 4}},
        {"25,0", 20, true, {25, 0}},
        {"2147483647-2147483647", 20, true, {2147483647}},
        {"19-2147483647", 20, true, {19, 20}},
    };
    for (const auto &c : cases) {
        const TfrPageRange r = TfrPageRange::FromText(u(c.text));
        EXPECT_TRUE(r.IsValid()) << c.text;
        EXPECT_EQ(!r.IsAll(), c.limited) << c.text;
        EXPECT_EQ(r.Pages(c.count), c.pages) << c.text;
        EXPECT_EQ(r.Text(), u(c.text));
    }
}

TEST(PageRange, RefusedTextsSayWhy)
{
    const struct {
        const char *text;
        TfrPageRange::Fault fault;
        const char *badPart;
    } cases[] = {
        {"x", TfrPageRange::BadCharacter, "x"},
        {"1;2", TfrPageRange::BadCharacter, "1;2"},
        {"１", TfrPageRange::BadCharacter, nullptr},
        {"+3", TfrPageRange::BadCharacter, "+3"},
        {"-", TfrPageRange::BadNumber, ""},
        {"1--", TfrPageRange::BadNumber, ""},
        {"2147483648", TfrPageRange::BadNumber, "2147483648"},
    };
    for (const auto &c : cases) {
        const TfrPageRange r = TfrPageRange::FromText(u(c.text));
        EXPECT_FALSE(r.IsValid()) << c.text;
        EXPECT_EQ(r.Problem(), c.fault) << c.text;
        if (c.badPart) {
            EXPECT_EQ(r.BadPart(), u(c.badPart)) << c.text;
        }
        EXPECT_TRUE(r.Pages(20).empty()) << c.text;
        if (c.badPart) {
            EXPECT_THROW(r.ThrowIfInvalid(), EConvertError) << c.text;
        }
    }
    EXPECT_NO_THROW(TfrPageRange::FromText(u(" 1, 3-5 ")).ThrowIfInvalid());
    try {
        TfrPageRange::FromText(u("2,x")).ThrowIfInvalid();
        ADD_FAILURE() << "no error";
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.message(), u("'x' is not a valid integer value"));
    }
}

TEST(PageRange, MembershipForAReport)
{
    EXPECT_EQ(TfrPageRange().Membership(3), std::vector<bool>(4, true));
    EXPECT_EQ(TfrPageRange::FromText(u("3,1,3,9")).Membership(3), (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(TfrPageRange::FromText(u("2-")).Membership(3), (std::vector<bool>{false, false, true, true}));
    EXPECT_EQ(TfrPageRange::FromText(u("7-9")).Membership(3), std::vector<bool>(4, false));
    EXPECT_EQ(TfrPageRange::FromText(u("x")).Membership(2), std::vector<bool>(3, false));
}

} // namespace
