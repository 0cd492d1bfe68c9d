// The base of every object placed on a template page: geometry, frame and fill, flags,
// display format, text lines, script, restrictions, and the stream form of all of these.
// Subclasses combine the drawing steps (BeginDraw, CalcGaps, ShowBackground, ShowFrame,
// RestoreCoord) around their own content.
//
// Coordinates are integers in design pixels (91.6256157635468 per inch), measured from
// the paper's edge.
#pragma once

#include <QPen>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "report/model/geometry.h"
#include "report/model/object.h"

// The engine's solid pen: square caps (a side's ends reach the corners) and mitred joins.
// Joins never show on the single lines frames are made of, but with this one the PDF engine
// strokes a line itself instead of writing its outline out as a filled polygon. Text is
// drawn with it too, so a cell's frame and text need no pen change between them (vector
// devices write every change out).
QPen frSolidPen(const QColor &color, int width = 1);

class QPainter;
class TfrBand;
class TfrCursorField;
class TfrPage;
class TfrReport;
class TfrStream;
class TfrStretcheable;
class TfrTableCursor;

// Object type codes (the Typ byte).
enum TfrObjectType : quint8 {
    otMemo = 0,
    otPicture = 1,
    otBand = 2,
    otSubReport = 3,
    otLine = 4,
    otAddIn = 10,
};

// Frame sides (FrameTyp bits).
inline constexpr quint16 frftRight = 1;
inline constexpr quint16 frftBottom = 2;
inline constexpr quint16 frftLeft = 4;
inline constexpr quint16 frftTop = 8;

enum TfrFrameStyle : quint16 { psSolid, psDash, psDot, psDashDot, psDashDotDot, psDouble };

enum TfrBandAlign : quint8 { baNone, baLeft, baRight, baCenter, baWidth, baBottom, baTop, baRest };

enum TfrRgnType { rtNormal = 0, rtExtended = 1 };

// Restrictions bits (designer).
inline constexpr quint16 frrfDontEditMemo = 1;
inline constexpr quint16 frrfDontEditScript = 2;
inline constexpr quint16 frrfDontEditContents = 4;
inline constexpr quint16 frrfDontModify = 8;
inline constexpr quint16 frrfDontSize = 16;
inline constexpr quint16 frrfDontMove = 32;
inline constexpr quint16 frrfDontDelete = 64;

// Flags bit 0 of every view.
inline constexpr quint16 flStretched = 1;

// One entry of the designer's context menu for an object: a boolean property the entry
// sets or clears on every selected object, or a separator (empty caption).
struct TfrPopupEntry {
    QString caption;
    QString property;
    bool checked = false;
    bool enabled = true;
};

class TfrView : public TfrObject {
public:
    TfrView();
    ~TfrView() override;

    // The class name streamed for add-ins and matched by the registry.
    virtual QString ClassName() const { return QStringLiteral("TfrView"); }

    // ---- fields, in declaration order ----
    bool drawAtEnd = false;     // a split stretched object is written once more at the band's end
    int savedHeight = 0;        // the designed Height while a band stretches its objects
    QString nameStem = QStringLiteral("View");
    QPainter *Canvas = nullptr; // surface of the current drawing (not owned), set by BeginDraw
    TfrRect innerRect;          // computed by CalcGaps
    QStringList expandedMemo;   // Memo after expansion; a prepared view streams this copy
    TfrTableCursor *dataFieldSet = nullptr; // set when pages are prepared (not owned)
    QString dataFieldName;
    bool inPreparedPage = false;
    QString Name;
    quint8 Typ = otAddIn;
    quint8 commonPartVersion = 0;
    quint8 classPartVersion = 0;
    qint32 objectNumber = 0;    // identity within the process (the ID), given at construction, not stored
    bool selectedMark = false;  // designer selection; "unplaced" while pages are built
    int savedLeft = 0, savedTop = 0, savedWidth = 0, savedRectHeight = 0; // band splitting
    double drawScaleX = 1.0, drawScaleY = 1.0;
    int drawOffsetX = 0, drawOffsetY = 0;
    bool toPrinter = false;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    quint16 Flags = flStretched;
    quint16 FrameTyp = 0;
    double FrameWidth = 1.0;
    qint32 FrameColor = clBlack;
    quint16 FrameStyle = psSolid;
    qint32 FillColor = clNone;
    qint32 formatCode;          // decimal separator + 0x200 (two decimals)
    QString formatText;
    bool Visible = true;
    int GapX = 2, GapY = 1;
    quint16 Restrictions = 0;
    QString Tag;
    QStringList Memo;
    QStringList scriptLines;
    quint8 BandAlign = baNone;
    TfrBand *ownerBand = nullptr; // runtime band while pages are built (not owned)
    TfrPage *ownerPage = nullptr; // dialog page holding the view (not owned)

    bool &unplaced() { return selectedMark; }

    // ---- property interface ----
    void SetPropValue(const QString &Name, const TfrVariant &Value) override;
    TfrVariant GetPropValue(const QString &Name) override;
    TfrVariant DoMethod(const QString &MethodName, const TfrVariant &p1, const TfrVariant &p2,
                        const TfrVariant &p3) override;
    void DefineProperties() override;

    // ---- virtual operations ----
    virtual void ShowBackground();
    virtual void ShowFrame();
    virtual void GetBlob(const TfrCursorField &Field);
    virtual void OnHook(TfrView *View);
    virtual void Loaded();
    virtual void CalcGaps();
    virtual void RestoreCoord();
    virtual void Draw(QPainter *canvas) = 0;
    virtual void StreamOut(TfrStream &Stream);
    virtual void ExportData();
    virtual void LoadFromStream(TfrStream &Stream);
    virtual void SaveToStream(TfrStream &Stream);
    virtual void Resized();
    virtual QRegion GetClipRgn(TfrRgnType RegionType);
    virtual void ShowEditor();
    // Appends the object's own designer menu entries: a separator and "Stretched".
    virtual void DefinePopupMenu(std::vector<TfrPopupEntry> &Menu);
    // The view as a stretcheable one (text, line), or nullptr: dynamic_cast's answer without
    // its type search, which the band engine would run for every object of every band.
    virtual TfrStretcheable *AsStretcheable() { return nullptr; }

    // Name, Typ and selectedMark, then everything else through the stream (frVersion 25).
    void Assign(TfrView &From);
    // A new object of the same class holding a copy of this one's template record (its name
    // included) with an identity of its own, for an editor's copy and paste; this object
    // and the stream version stay as they were. EClassNotFound for an add-in class that is
    // not registered.
    std::unique_ptr<TfrView> Clone();
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    // nameStem + the smallest n (1..10000) that no object of CurReport has; empty if none.
    void CreateUniqueName();
    // The last band view on the current page whose rectangle holds (Left, Top).
    TfrView *ParentBand() const;
    // Replaces every outermost bracket group by the value hook's text.
    static QString ExpandVariables(const QString &Text);

    // ---- drawing skeleton ----
    void BeginDraw(QPainter *canvas);

    // Writes the type byte (and the class name of an add-in) ahead of the record.
    void WriteTypeAndRecord(TfrStream &Stream);

protected:
    // The edges of the scaled rectangle, from the values CalcGaps saved.
    int scaledRight() const;
    int scaledBottom() const;
    // One side of a dashed or double frame (a line from p1 to p2); solid sides are drawn
    // together by ShowFrame.
    void drawFrameSide(int x1, int y1, int x2, int y2, bool vertical);
    // BandAlign against the current band while a view is written to a prepared page.
    void applyBandAlignForStream();

    struct Saved {
        int Left = 0, Top = 0, Width = 0, Height = 0, GapX = 0, GapY = 0;
        double FrameWidth = 0;
    } m_saved;

private:
    void applyBandAlign();
};

// How the next StreamOut of a stretchable view works; back to drAll after every StreamOut.
enum TfrDrawMode : quint8 {
    drAll = 0,             // run the script, expand and write everything
    drAfterCalcHeight = 1, // CalcHeight already prepared the text
    drPart = 2,            // write only the lines that fit (a text split across pages)
};

// A view that can grow with its content (text, line).
class TfrStretcheable : public TfrView {
public:
    TfrDrawMode drawStage = drAll;

    virtual int CalcHeight() = 0;
    virtual int MinHeight() = 0;
    virtual int LostSpace() = 0;
    TfrStretcheable *AsStretcheable() override { return this; }

    // Adds "CALCHEIGHT".
    TfrVariant DoMethod(const QString &MethodName, const TfrVariant &p1, const TfrVariant &p2,
                        const TfrVariant &p3) override;
};
