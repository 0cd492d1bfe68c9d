// The report component as the objects see it: its pages, its data set and dictionary,
// the document attributes, and the hooks through which objects reach the host program
// and the export filters. The template stream, preparation, preview and printing extend
// it.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "report/eval/value_resolution.h"
#include "report/model/geometry.h"

class TfrDataDictionary;
class TfrDataset;
class TfrPage;
class TfrView;

// (Memo, View): the host may change the text an object is about to print.
using TEnterRectEvent = std::function<void(QStringList &Memo, TfrView *View)>;
// (ParName, ParValue): the host's first chance to supply a value.
using TDetailEvent = std::function<void(const QString &ParName, TfrVariant &ParValue)>;

// What an export filter receives (the export framework installs these while it runs).
using TfrExportDataHook = std::function<void(TfrView *View)>;
using TfrExportTextHook = std::function<void(const TfrRect &innerRect, int x, int y,
                                             const QString &Text, int FrameTyp, TfrView *View)>;

class TfrReport {
public:
    explicit TfrReport(QObject *owner = nullptr);
    ~TfrReport();
    TfrReport(const TfrReport &) = delete;
    TfrReport &operator=(const TfrReport &) = delete;

    // The component that owns the report: data sets named in templates are its components.
    QObject *Owner = nullptr;       // not owned
    TfrDataset *Dataset = nullptr;  // not owned
    TfrDataDictionary &Dictionary() const { return *m_dictionary; }
    TfrDocInfo DocInfo;

    bool DoublePassReport = false;
    bool FinalPass = false;         // the last pass of a two-pass report is running
    bool Terminated = false;

    TEnterRectEvent OnBeforePrint;
    TDetailEvent OnGetValue;
    TfrExportDataHook exportDataHook;
    TfrExportTextHook exportTextHook;

    // ---- pages ----
    int PageCount() const { return int(m_pages.size()); }
    // nullptr outside 0..PageCount()-1.
    TfrPage *Page(int index) const;
    TfrPage *AddPage();
    void ClearPages();
    // The first object of that name on any page (pages in order, names ignoring case).
    TfrView *FindObject(const QString &name) const;

    // ---- hooks ----
    // Called just before an object prints: a field bound to the object that is a binary
    // field loads into it (GetBlob); then OnBeforePrint.
    void InternalOnEnterRect(QStringList &Memo, TfrView *View);
    void InternalOnExportData(TfrView *View);
    void InternalOnExportText(const TfrRect &innerRect, int x, int y, const QString &Text,
                              int FrameTyp, TfrView *View);

private:
    std::unique_ptr<TfrDataDictionary> m_dictionary;
    std::vector<std::unique_ptr<TfrPage>> m_pages;
};
