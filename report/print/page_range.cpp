#include "report/print/page_range.h"

#include <algorithm>

#include "report/eval/errors.h"

namespace {

bool validCharacter(QChar c)
{
    return (c.isDigit() && c.unicode() < 128) || c == QLatin1Char('-') || c == QLatin1Char(',') ||
           c == QLatin1Char(' ');
}

} // namespace

TfrPageRange TfrPageRange::FromText(const QString &text)
{
    TfrPageRange r;
    r.m_text = text;
    QString s = text;
    s.remove(QLatin1Char(' '));
    if (s.isEmpty())
        return r;
    r.m_all = false;

    bool openEnd = false;
    if (s.endsWith(QLatin1Char('-'))) {
        openEnd = true;
        s += QLatin1Char('0'); // stands for the last page while the text is read
    }
    s += QLatin1Char(',');
    bool numberOk = true;
    auto toNumber = [&](const QString &t) {
        bool ok = false;
        const int n = t.toInt(&ok);
        if ((!ok || t.startsWith(QLatin1Char('+'))) && numberOk) {
            numberOk = false;
            r.m_badPart = t;
        }
        return n;
    };
    qsizetype start = 0;
    int rangeStart = -1;
    for (qsizetype i = 0; i < s.size() && numberOk; ++i) {
        const QChar c = s[i];
        if (c == QLatin1Char('-')) {
            rangeStart = toNumber(s.mid(start, i - start));
            start = i + 1;
        } else if (c == QLatin1Char(',')) {
            const bool last = i + 1 == s.size();
            const int n = toNumber(s.mid(start, i - start));
            const int end = last && openEnd ? -1 : n;
            r.m_parts.push_back(rangeStart < 0 ? Part{n, n} : Part{rangeStart, end});
            rangeStart = -1;
            start = i + 1;
        }
    }
    if (!std::all_of(text.begin(), text.end(), validCharacter))
        r.m_fault = BadCharacter;
    else if (!numberOk)
        r.m_fault = BadNumber;
    if (!r.IsValid())
        r.m_parts.clear();
    return r;
}

void TfrPageRange::ThrowIfInvalid() const
{
    if (IsValid())
        return;
    // A text of other characters fails as the first part that does not read.
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(m_badPart));
}

std::vector<int> TfrPageRange::Pages(int pageCount) const
{
    std::vector<int> pages;
    for (const Part &p : m_parts) {
        if (p.last == p.first && p.last >= 0) {
            pages.push_back(p.first);
            continue;
        }
        const int end = p.last < 0 ? pageCount : p.last;
        // A huge upper bound must not fill memory: pages past the report never print.
        // 64 bits: a range ending at the largest integer must not wrap around.
        const qint64 last = std::min(end, std::max(pageCount, p.first));
        for (qint64 n = p.first; n <= last; ++n)
            pages.push_back(int(n));
    }
    return pages;
}

std::vector<bool> TfrPageRange::Membership(int pageCount) const
{
    const size_t size = size_t(std::max(pageCount, 0)) + 1;
    if (m_all)
        return std::vector<bool>(size, true);
    std::vector<bool> wanted(size, false);
    for (const int n : Pages(pageCount))
        if (n >= 1 && n <= pageCount)
            wanted[size_t(n)] = true;
    return wanted;
}
