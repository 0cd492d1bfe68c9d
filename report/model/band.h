// The runtime twin of a band view while pages are prepared: what the views read of it
// (position, calculated height, flags, data set). The page engine adds its own state.
#pragma once

#include <QString>
#include <memory>

#include "report/model/band_view.h"

class TfrDataset;
class TfrPage;
class TfrUserDataset;

class TfrBand {
public:
    TfrBand(TfrBandType type, TfrPage *parent);
    ~TfrBand();
    TfrBand(const TfrBand &) = delete;
    TfrBand &operator=(const TfrBand &) = delete;

    const TfrBandType Typ;
    TfrPage *Parent;              // not owned
    TfrBandView *View = nullptr;  // the band view it was built from, or none (not owned)
    quint16 Flags = 0;            // copy of the view's Flags
    int Left = 0, Top = 0, Width = 0, Height = 0; // Top is the print position while printing
    QString Name;
    bool Visible = true;
    bool Breaked = false;         // may be split across pages
    QString conditionCode;        // group header: the compiled condition
    TfrBand *childLink = nullptr;
    int lineNo = 0, lineThroughNo = 0;
    int neededHeight = -1;        // height computed for the current print; -1 before

    TfrDataset *DataSet() const { return m_dataSet; }
    // Releases the data set (freeing one the band made) and sets it up from a data source
    // text: a record count ("5") or a report data set among the report owner's components.
    void InitDataSet(const QString &text);
    void SetDataSet(TfrDataset *dataSet);

    // The band's height as the current print calculated it.
    int CalculatedHeight() const { return neededHeight >= 0 ? neededHeight : Height; }

private:
    TfrDataset *m_dataSet = nullptr;
    std::unique_ptr<TfrUserDataset> m_ownedDataSet;
};
