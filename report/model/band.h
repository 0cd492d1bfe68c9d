// The runtime twin of a band view while pages are prepared: what the views read of it
// (position, calculated height, flags, data set) and the state the page engine keeps per
// band between prints. The print protocol itself lives with the page engine
// (report/engine/band_engine.cpp), so the model knows nothing of prepared pages.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <vector>

#include "report/eval/aggregates.h"
#include "report/model/band_view.h"

class TfrDataset;
class TfrPage;
class TfrUserDataset;
class TfrView;

// A band carries at most this many sub-report objects.
inline constexpr int frMaxSubReports = 63;

class TfrBand : public TfrAggregateBand {
public:
    TfrBand(TfrBandType type, TfrPage *parent);
    // Frees the rest of its chain too (the head owns the bands behind it).
    ~TfrBand() override;
    TfrBand(const TfrBand &) = delete;
    TfrBand &operator=(const TfrBand &) = delete;

    const TfrBandType Typ;
    TfrPage *Parent;              // not owned
    TfrBandView *View = nullptr;  // the band view it was built from, or none (not owned)
    quint16 Flags = 0;            // copy of the view's Flags
    int Left = 0, Top = 0, Width = 0, Height = 0; // Top is the print position while printing
    QString Name;
    QStringList Memo, scriptLines;
    bool Visible = true;
    bool Stretched = false, FormNewPage = false, PrintIfSubsetEmpty = false;
    bool Breaked = false;         // may be split across pages
    bool PrintChildIfInvisible = false;
    std::vector<TfrView *> Objects; // printed by this band, not owned

    // ---- links ----
    std::unique_ptr<TfrBand> chainNextOwned; // the chain behind the head is owned by it
    TfrBand *chainNext = nullptr, *chainPrev = nullptr, *chainLast = nullptr;
    TfrBand *headerLink = nullptr, *footerLink = nullptr, *dataLink = nullptr;
    TfrBand *groupFirst = nullptr, *groupLast = nullptr;
    TfrBand *groupNext = nullptr, *groupPrev = nullptr;
    TfrBand *childLink = nullptr;

    // ---- group header ----
    QString conditionCode;        // the compiled condition
    TfrVariant groupValue;        // the condition's value for the current group

    // ---- print state ----
    int lineNo = 1, lineThroughNo = 1;
    int neededHeight = -1;        // height computed for the current print; -1 before
    int drawnHeight = 0;
    int bandColumn = 1, rowStartX = 0;
    int crossColumnsSeen = 0;
    int pendingNewPages = 0, pendingNewColumns = 0;
    bool restoreY = false, skipScriptOnce = false, keepValues = false;
    int subReportStart = 0, subReportMaxY = 0;
    bool subReportsDone = true;
    std::array<bool, frMaxSubReports> subReportFinished{};

    TfrDataset *DataSet() const { return m_dataSet; }
    TfrDataset *CrossDataSet() const { return m_crossDataSet; }
    // Releases the data set (freeing one the band made) and sets it up from a data source
    // text: a record count ("5") or a report data set among the report owner's components.
    // A group header keeps its condition compiled instead.
    void InitDataSet(const QString &text);
    void SetDataSet(TfrDataset *dataSet);
    void SetCrossDataSet(TfrDataset *dataSet, std::unique_ptr<TfrUserDataset> owned);
    // Exit on both data sets; frees the ones the band made.
    void FreeDataSet();

    // The band's height as the current print calculated it.
    int CalculatedHeight() const { return neededHeight >= 0 ? neededHeight : Height; }
    bool IsDataBand() const { return Typ == btMasterData || Typ == btDetailData || Typ == btSubDetailData; }

    // ---- what the aggregates read ----
    QString AggregateBandName() const override { return Name; }
    int AggregateBandType() const override { return Typ; }
    bool AggregateHasCrossBands() const override;
    bool AggregateBandVisible() const override { return Visible; }

private:
    TfrDataset *m_dataSet = nullptr;
    std::unique_ptr<TfrUserDataset> m_ownedDataSet;
    TfrDataset *m_crossDataSet = nullptr;
    std::unique_ptr<TfrUserDataset> m_ownedCrossDataSet;
};
