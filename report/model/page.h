// A template page: the paper it describes, its margins and columns, the bands and objects
// it holds (owned, in drawing and stream order), and the page engine's runtime state that
// views and value resolution read. Dialog pages carry a form description instead.
//
// The paper comes from the paper service (paper.h, frPaper()): a page asks for its paper and
// keeps what the printer made of it. The page engine (TfrPageEngine, report/engine) builds prepared pages from
// a template page and keeps its runtime state in the fields below.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "report/model/band.h"
#include "report/model/change_notice.h"
#include "report/model/object.h"
#include "report/model/view.h"

class TfrReport;
class TfrStream;

// Paper and printable area of one page, in printer pixels and in design pixels: the
// paper service's TfrPrnInfo under the names the views use (ChangePaper fills it).
struct TfrPagePrnInfo {
    int PPgw = 0, PPgh = 0, POfx = 0, POfy = 0, PPw = 0, PPh = 0; // printer pixels
    int Pgw = 0, Pgh = 0, Ofx = 0, Ofy = 0, Pw = 0, Ph = 0;       // design pixels
};

enum TfrPageType : quint8 { ptReport = 0, ptDialog = 1 };

// Design pixels per inch, and the conversion from tenths of a millimetre.
inline constexpr double frDesignPixelsPerInch = 91.6256157635468;
int frTenthsMmToPixels(int tenths);

class TfrPage : public TfrObject {
public:
    // The printer's default paper, as TfrPages::Add gives it.
    explicit TfrPage(TfrReport *report = nullptr);
    // Selects the paper through the printer (ChangePaper); everything else the defaults.
    TfrPage(TfrReport *report, int ASize, int AWidth, int AHeight, int ABin, int AOr);
    ~TfrPage() override;

    TfrReport *Report = nullptr; // not owned

    // ---- template data ----
    qint32 pgSize = 9;           // platform paper size code; 256 user-defined
    qint32 pgWidth = 2100, pgHeight = 2970; // tenths of a millimetre
    TfrRect pgMargins;           // left, top, right, bottom in design pixels; 0 = printable edge
    quint8 pgOr = 0;             // 0 portrait, 1 landscape
    qint32 pgBin = 0xFFFF;
    bool PrintToPrevPage = false;
    bool applyMargins = true;
    TfrPagePrnInfo PrnInfo;
    qint32 Columns = 0, ColWidth = 0, ColGap = 0;
    quint8 PageType = ptReport;
    std::vector<std::unique_ptr<TfrView>> Objects;
    QString Name;
    quint8 BorderStyle = 3;
    QString Caption = QStringLiteral("Form");
    qint32 Color = clBtnFace;
    int Left = 220, Top = 120, Width = 380, Height = 300; // dialog bounds
    quint8 Position = 4;
    QStringList scriptLines;
    bool Visible = true;

    // ---- runtime state of the page engine ----
    int posY = 0;        // where the next band is printed ("CURY")
    int limitY = 0;      // lowest position bands may reach
    int crossColumnNo = 0;
    int recordNo = 0;
    // The head band of each type while pages are built (owned); btNone collects the
    // objects outside all bands.
    std::array<std::unique_ptr<TfrBand>, frBandTypeCount> Bands;
    TfrBand *Band(int type) const
    {
        return type >= 0 && type < frBandTypeCount ? Bands[size_t(type)].get() : nullptr;
    }

    // Asks the printer for that paper (for a size of its own, 256, when the printer refuses
    // it) and takes what the printer made of it: size code, width, height, orientation and
    // the geometry. A bin of -1 (0xFFFF) stays the printer's default bin.
    void ChangePaper(int ASize, int AWidth, int AHeight, int ABin, int AOr);
    // "Page" and the smallest n (1..10000) that no page of CurReport has (compared with
    // case); just "Page" when all are taken.
    void CreateUniqueName();

    // The page record; loading ends with ChangePaper of the values read.
    void LoadFromStream(TfrStream &Stream);
    void SaveToStream(TfrStream &Stream) const;

    // Margin positions in design pixels from the paper's left or top edge.
    int LeftMargin() const;
    int TopMargin() const;
    int RightMargin() const;
    int BottomMargin() const;
    int LeftOffset() const { return 0; }

    // The first object whose Name equals name ignoring case, or nullptr.
    TfrView *FindObject(const QString &name) const;
    // List index of the object with that ID, or -1.
    int FindObjectByID(qint32 id) const;
    // Add, Delete and MoveObject tell the report's change listener.
    TfrView *Add(std::unique_ptr<TfrView> view);
    void Clear() { Objects.clear(); }
    void Delete(int index);
    // Moves the object at curIndex in the drawing order so that it ends up at newIndex;
    // out of range does nothing.
    void MoveObject(int curIndex, int newIndex);

    void SetPropValue(const QString &Name, const TfrVariant &Value) override;
    TfrVariant GetPropValue(const QString &Name) override;
    void DefineProperties() override;

private:
    void notifyObjectChange(TfrChangeKind kind, TfrView *view, int index, int fromIndex);
    void notify(TfrChange &change);
};

// The designer's editor for a page's script ("OnBeforePrint", "OnActivate"); none without
// a designer.
extern std::function<void(QStringList &script)> frPageScriptEditor;
