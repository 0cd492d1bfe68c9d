#include "report/eval/variables.h"

#include <algorithm>

#include "report/eval/globals.h"

namespace {

int compareNames(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseInsensitive);
}

// Short lists are scanned: cheaper than hashing the name.
constexpr size_t kScanLimit = 16;

} // namespace

int TfrVariables::lowerBound(const QString &name, bool &found) const
{
    int lo = 0;
    int hi = int(m_items.size());
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (compareNames(m_items[size_t(mid)].name, name) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    found = lo < int(m_items.size()) && compareNames(m_items[size_t(lo)].name, name) == 0;
    return lo;
}

void TfrVariables::sortItems()
{
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const Item &a, const Item &b) { return compareNames(a.name, b.name) < 0; });
}

int TfrVariables::IndexOf(const QString &name) const
{
    if (m_sorted) {
        bool found = false;
        const int i = lowerBound(name, found);
        return found ? i : -1;
    }
    if (m_items.size() > kScanLimit)
        return hashedIndexOf(name);
    for (size_t i = 0; i < m_items.size(); ++i)
        if (compareNames(m_items[i].name, name) == 0)
            return int(i);
    return -1;
}

int TfrVariables::hashedIndexOf(const QString &name) const
{
    if (!m_indexValid) {
        m_index.clear();
        m_index.reserve(qsizetype(m_items.size()));
        // The first of equal names wins, as a scan from the start would find it.
        for (size_t i = m_items.size(); i-- > 0;)
            m_index.insert(m_items[i].name.toCaseFolded(), int(i));
        m_indexValid = true;
    }
    return m_index.value(name.toCaseFolded(), -1);
}

const TfrVariant *TfrVariables::Find(const QString &name) const
{
    const int i = IndexOf(name);
    return i < 0 ? nullptr : &m_items[size_t(i)].var.value;
}

void TfrVariables::SetVariable(const QString &name, const TfrVariant &value)
{
    if (m_sorted) {
        bool found = false;
        const int i = lowerBound(name, found);
        if (found)
            m_items[size_t(i)].var.value = value;
        else
            m_items.insert(m_items.begin() + i, Item{name, TVariable{value}});
        return;
    }
    const int i = IndexOf(name);
    if (i >= 0) {
        m_items[size_t(i)].var.value = value;
        return;
    }
    m_items.push_back(Item{name, TVariable{value}});
    // The name was not found, so no equal one is in the index.
    if (m_indexValid)
        m_index.insert(name.toCaseFolded(), int(m_items.size()) - 1);
}

TfrVariant TfrVariables::GetVariable(const QString &name) const
{
    const TfrVariant *v = Find(name);
    return v ? *v : TfrVariant::null();
}

TfrVariant TfrVariables::GetValue(int index) const
{
    if (index < 0 || index >= GetCount())
        return TfrVariant(0);
    return m_items[size_t(index)].var.value;
}

void TfrVariables::SetValue(int index, const TfrVariant &value)
{
    if (index < 0 || index >= GetCount())
        return;
    m_items[size_t(index)].var.value = value;
}

QString TfrVariables::GetName(int index) const
{
    if (index < 0 || index >= GetCount())
        return QString();
    return m_items[size_t(index)].name;
}

void TfrVariables::SetName(int index, const QString &name)
{
    if (index < 0 || index >= GetCount())
        return;
    m_items[size_t(index)].name = name;
    dropIndex();
    // Binary search relies on the order.
    if (m_sorted)
        sortItems();
}

void TfrVariables::Insert(int position, const QString &name)
{
    SetVariable(name, TfrVariant(0));
    if (m_sorted)
        return;
    const int from = IndexOf(name);
    const int to = std::clamp(position, 0, GetCount() - 1);
    if (from == to)
        return;
    Item item = std::move(m_items[size_t(from)]);
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + to, std::move(item));
    dropIndex();
}

void TfrVariables::Delete(int index)
{
    if (index < 0 || index >= GetCount())
        return;
    m_items.erase(m_items.begin() + index);
    dropIndex();
}

void TfrVariables::Assign(const TfrVariables &other)
{
    if (this == &other)
        return;
    // The names of other are unique already; this list keeps its own mode.
    m_items = other.m_items;
    dropIndex();
    if (m_sorted && !other.m_sorted)
        sortItems();
}

void TfrVariables::SetSorted(bool sorted)
{
    if (sorted == m_sorted)
        return;
    m_sorted = sorted;
    dropIndex();
    if (m_sorted)
        sortItems();
}

std::function<std::optional<QString>(const QString &name)> frVariablesLookup(const TfrVariables &list)
{
    return [&list](const QString &name) -> std::optional<QString> {
        if (const TfrVariant *v = list.Find(name))
            return v->toString();
        return std::nullopt;
    };
}

TfrVariables &frVariables()
{
    static TfrVariables list = [] {
        TfrVariables v;
        v.SetSorted(true);
        return v;
    }();
    return list;
}

namespace {

struct ConstInt {
    const char *name;
    int value;
};

// Everything but the colours, which come from the shared colour table.
constexpr ConstInt kIntConsts[] = {
    {"mrNone", 0},          {"mrOk", 1},              {"mrCancel", 2},          {"mrYes", 6},
    {"mrNo", 7},
    {"fsBold", 2},          {"fsItalic", 1},          {"fsUnderline", 4},       {"fsStrikeOut", 8},
    {"frftNone", 0},        {"frftRight", 1},         {"frftBottom", 2},        {"frftLeft", 4},
    {"frftTop", 8},
    {"frtaLeft", 0},        {"frtaRight", 1},         {"frtaCenter", 2},        {"frtaVertical", 4},
    {"frtaMiddle", 8},      {"frtaDown", 16},
    {"baNone", 0},          {"baLeft", 1},            {"baRight", 2},           {"baCenter", 3},
    {"baWidth", 4},         {"baBottom", 5},          {"baTop", 6},             {"baRest", 7},
    {"psSolid", 0},         {"psDash", 1},            {"psDot", 2},             {"psDashDot", 3},
    {"psDashDotDot", 4},    {"psDouble", 5},
    {"mb_Ok", 0},           {"mb_OkCancel", 1},       {"mb_YesNo", 4},          {"mb_YesNoCancel", 3},
    {"mb_IconError", 16},   {"mb_IconQuestion", 32},  {"mb_IconInformation", 64},
    {"mb_IconWarning", 48},
};

} // namespace

TfrVariables &frConsts()
{
    static TfrVariables list = [] {
        TfrVariables v;
        v.SetSorted(true);
        for (int i = 0; i < frColorCount; ++i)
            v.SetVariable(QString(frColorNames[size_t(i)]), TfrVariant(frColors[size_t(i)]));
        for (const ConstInt &c : kIntConsts)
            v.SetVariable(QLatin1String(c.name), TfrVariant(c.value));
        v.SetVariable(QStringLiteral("CRLF"), TfrVariant(QStringLiteral("\r\n")));
        v.SetVariable(QStringLiteral("Null"), TfrVariant::null());
        return v;
    }();
    return list;
}
