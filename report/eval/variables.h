// Named values: the list the whole engine uses for report variables, host-supplied values
// and constants. Names are unique and compared without regard to case; every value is a
// private copy. A sorted list finds names by binary search; a list in insertion order by
// a hash of the case-folded names, so that filling one (a dictionary of tens of thousands
// of variables being loaded) takes time in proportion to its length.
#pragma once

#include <QHash>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "report/eval/variant.h"

// One entry's value (the name is kept by the list).
struct TVariable {
    TfrVariant value;
};

class TfrVariables {
public:
    TfrVariables() = default;
    TfrVariables(const TfrVariables &other) : m_items(other.m_items), m_sorted(other.m_sorted) {}
    TfrVariables &operator=(const TfrVariables &other)
    {
        m_items = other.m_items;
        m_sorted = other.m_sorted;
        dropIndex();
        return *this;
    }

    // Sets the value, adding the name (at the end, or in order when sorted) if absent.
    void SetVariable(const QString &name, const TfrVariant &value);
    // The value, or null when the name is absent.
    TfrVariant GetVariable(const QString &name) const;
    // The stored value without a copy, or nullptr.
    const TfrVariant *Find(const QString &name) const;

    // By position. Reading out of range yields the integer 0 / the empty string; writing
    // out of range does nothing.
    TfrVariant GetValue(int index) const;
    void SetValue(int index, const TfrVariant &value);
    QString GetName(int index) const;
    // Renaming keeps a sorted list sorted.
    void SetName(int index, const QString &name);

    int IndexOf(const QString &name) const;
    bool Contains(const QString &name) const { return IndexOf(name) >= 0; }
    // Sets the name to the integer 0 (adding it if absent) and moves it to position
    // (clamped to the list); a sorted list keeps its order.
    void Insert(int position, const QString &name);
    void Delete(int index);
    void Clear()
    {
        m_items.clear();
        dropIndex();
    }
    // Clears, then copies every name and value of other in order; this list keeps its mode.
    void Assign(const TfrVariables &other);

    int GetCount() const { return int(m_items.size()); }
    void SetSorted(bool sorted);
    bool GetSorted() const { return m_sorted; }

private:
    struct Item {
        QString name;
        TVariable var;
    };

    // Sorted mode: the first position whose name is not less than name; found tells
    // whether it is equal.
    int lowerBound(const QString &name, bool &found) const;
    void sortItems();
    // Insertion-order lists: the position of name by the hash (built on demand), or -1.
    int hashedIndexOf(const QString &name) const;
    void dropIndex()
    {
        m_index.clear();
        m_indexValid = false;
    }

    std::vector<Item> m_items;
    bool m_sorted = false;
    // Case-folded name -> position, for insertion-order lists longer than a few entries.
    // Appending keeps it; anything that moves positions drops it.
    mutable QHash<QString, int> m_index;
    mutable bool m_indexValid = false;
};

// Values the host program puts in; the engine only reads them. Sorted.
TfrVariables &frVariables();
// The built-in constants (colours, modal results, font styles, frame and alignment
// codes, pen styles, message box flags, CRLF, Null). Sorted.
TfrVariables &frConsts();

// The lookup a function splitter follows variables with: a variable's value as text, or
// nothing for a name that is no variable of list (which must outlive the lookup).
std::function<std::optional<QString>(const QString &name)> frVariablesLookup(const TfrVariables &list);
