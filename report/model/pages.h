// The report's ordered list of template pages (owned), and the pages block of the
// template stream: the printer the template was saved with, the page records, the object
// frames of every page and the data dictionary.
#pragma once

#include <memory>
#include <vector>

#include "report/model/change_notice.h"

class TfrPage;
class TfrReport;
class TfrStream;

class TfrPages {
public:
    explicit TfrPages(TfrReport *parent);
    ~TfrPages();
    TfrPages(const TfrPages &) = delete;
    TfrPages &operator=(const TfrPages &) = delete;

    TfrReport *Parent; // not owned

    int GetCount() const { return int(m_pages.size()); }
    // nullptr outside 0..GetCount()-1.
    TfrPage *GetPages(int index) const;
    TfrPage *operator[](int index) const { return GetPages(index); }

    // Add, Delete and Move tell the report's change listener.
    // A new last page with the printer's default paper and an empty name.
    TfrPage *Add();
    void Delete(int index);
    // Moves the page at curIndex so that it ends up at newIndex; out of range does nothing.
    void Move(int curIndex, int newIndex);
    void Clear();
    // Lends a page in and takes it out again (a prepared page edited in the designer),
    // without notices: whoever lends it keeps the list as it was around the loan.
    void Insert(int index, std::unique_ptr<TfrPage> page);
    std::unique_ptr<TfrPage> Take(int index);

    // Draws every view with a band alignment once on the scratch canvas, so its aligned
    // position and size are up to date.
    void RefreshObjects();

    // The pages block. Replaces the whole template (Clear of the report first). Objects of
    // add-in classes that are not registered are skipped; their class names collect in
    // ErrorStr and EClassNotFound is raised at the end, with everything else loaded. Any
    // other fault raises EfrError (mostly EReadError) with the template half read.
    void LoadFromStream(TfrStream &Stream);
    // The same, but a missing add-in class only leaves ErrorFlag set: the report reads the
    // rest of its stream before it reports them.
    void LoadFromStreamCollecting(TfrStream &Stream);
    void SaveToStream(TfrStream &Stream) const;

    // Set by the last load when the block ended at a data manager's marker (253): what
    // follows belongs to a data manager this program does not have.
    bool EndedAtDataManager() const { return m_endedAtDataManager; }

    // Iterates the pages themselves: for (TfrPage *page : report.Pages).
    class const_iterator {
    public:
        using Base = std::vector<std::unique_ptr<TfrPage>>::const_iterator;
        explicit const_iterator(Base it) : m_it(it) {}
        TfrPage *operator*() const { return m_it->get(); }
        const_iterator &operator++()
        {
            ++m_it;
            return *this;
        }
        bool operator==(const const_iterator &) const = default;

    private:
        Base m_it;
    };
    const_iterator begin() const { return const_iterator(m_pages.begin()); }
    const_iterator end() const { return const_iterator(m_pages.end()); }

private:
    void readObjectFrame(TfrStream &Stream, int typeCode);
    void notify(TfrChangeKind kind, TfrPage *page, int pageIndex, int fromIndex);

    std::vector<std::unique_ptr<TfrPage>> m_pages;
    bool m_endedAtDataManager = false;
};
