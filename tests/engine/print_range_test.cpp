// The page-range text of printing: the pages it names, and the texts it refuses.
#include <gtest/gtest.h>

#include <vector>

#include "report/engine/print_range.h"
#include "report/eval/errors.h"

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
        {"1 0", 20, true, {10}},
        {"7-3", 20, true, {}},
        {"3-3", 20, true, {3}},
        {"2147483647-2147483647", 20, true, {2147483647}},
        {"19-2147483647", 20, true, {19, 20}},
    };
    for (const auto &c : cases) {
        std::vector<int> pages;
        EXPECT_EQ(frParsePageRange(u(c.text), c.count, pages), c.limited) << c.text;
        EXPECT_EQ(pages, c.pages) << c.text;
    }
    for (const char *bad : {"x", "1;2", "-", "1--", "2147483648", "+3"}) {
        std::vector<int> pages;
        EXPECT_THROW(frParsePageRange(u(bad), 20, pages), EConvertError) << bad;
    }
    EXPECT_TRUE(frPageRangeTextValid(u(" 1, 3-5 ")));
    EXPECT_FALSE(frPageRangeTextValid(u("1;3")));
    EXPECT_FALSE(frPageRangeTextValid(u("１")));
}

} // namespace
