// The band object of a template: a rectangle that the page engine turns into a runtime
// band (TfrBand) and fills with data. The band type is kept in FrameTyp (bands have no
// frame); formatText holds the data source or group condition, Memo the band's event
// lines ("OnBeforePrint").
#pragma once

#include "report/model/view.h"

enum TfrBandType : int {
    btReportTitle = 0,
    btReportSummary = 1,
    btPageHeader = 2,
    btPageFooter = 3,
    btMasterHeader = 4,
    btMasterData = 5,
    btMasterFooter = 6,
    btDetailHeader = 7,
    btDetailData = 8,
    btDetailFooter = 9,
    btSubDetailHeader = 10,
    btSubDetailData = 11,
    btSubDetailFooter = 12,
    btOverlay = 13,
    btColumnHeader = 14,
    btColumnFooter = 15,
    btGroupHeader = 16,
    btGroupFooter = 17,
    btCrossHeader = 18,
    btCrossData = 19,
    btCrossFooter = 20,
    btChild = 21,
    btNone = 22,
};
inline constexpr int frBandTypeCount = 23;

inline bool frIsCrossBand(int type) { return type >= btCrossHeader && type <= btCrossFooter; }

// Band view Flags.
inline constexpr quint16 flBandFormNewPage = 2;
inline constexpr quint16 flBandPrintIfSubsetEmpty = 4;
inline constexpr quint16 flBandBreaked = 8;
inline constexpr quint16 flBandOnFirstPage = 16;
inline constexpr quint16 flBandOnLastPage = 32;
inline constexpr quint16 flBandRepeatHeader = 64;
inline constexpr quint16 flBandPrintChildIfInvisible = 128;

// Whether band titles are drawn as tabs above the bands (designer).
extern bool ShowBandTitles;

class TfrBandView : public TfrView {
public:
    TfrBandView();
    QString ClassName() const override { return QStringLiteral("TfrBandView"); }

    QString ChildBand;
    QString Master;
    qint32 Columns = 1;
    qint32 ColumnWidth = 200;
    qint32 ColumnGap = 20;
    qint32 recordsPerColumn = 1; // "NewColumnAfter"

    int GetBandType() const { return FrameTyp; }
    void SetBandType(int type) { FrameTyp = quint16(type & 0x7F); }

    void DefineProperties() override;
    // A separator and the band's flags that its type has as properties.
    void DefinePopupMenu(std::vector<TfrPopupEntry> &Menu) override;
    void SetPropValue(const QString &Name, const TfrVariant &Value) override;
    TfrVariant GetPropValue(const QString &Name) override;
    TfrVariant DoMethod(const QString &MethodName, const TfrVariant &p1, const TfrVariant &p2,
                        const TfrVariant &p3) override;

    void Draw(QPainter *canvas) override;
    QRegion GetClipRgn(TfrRgnType RegionType) override;
    void LoadFromStream(TfrStream &Stream) override;
    void SaveToStream(TfrStream &Stream) override;

    // Width of the title tab: max(title width + 8, 100).
    int GetRectangleWidth() const;

private:
    TfrRect titleRect() const;
};
