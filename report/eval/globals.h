// Every process-wide variable the report engine keeps, in one place. They assume one
// report operation at a time on the user-interface thread; the current pointers never
// own what they point at.
//
// Service objects live with their own modules and are created once at engine start-up:
// the shared parser frParser (report/eval/parser.h), the script interpreter, frVariables
// and frConsts, the function catalogue, the compressor, the progress window and the
// dialog form. Registries (add-ins, export filters, function libraries) live with the
// object registry.
#pragma once

#include <QLatin1String>
#include <QString>
#include <array>
#include <cstdint>

class TfrReport;
class TfrPage;
class TfrBand;
class TfrView;

enum TfrDocMode : int { dmDesigning = 0, dmPrinting = 1 };

// ---- current context ----
extern TfrReport *CurReport;    // report being loaded, prepared or drawn
extern TfrReport *MasterReport; // report on whose behalf preparation, preview, printing or export runs
extern TfrPage *CurPage;
extern TfrBand *CurBand;
extern TfrView *CurView;        // also the default target of unqualified script names
extern int PageNo;              // 0-based number of the page being formed
extern TfrDocMode DocMode;
extern bool DisableDrawing;     // views paint nothing

// ---- errors collected while a report is built or loaded ----
extern bool ErrorFlag;
extern QString ErrorStr;        // one line per error, each ended by a carriage return

// ---- template streams and objects ----
extern quint8 frVersion;            // version byte of the template stream being read
extern qint32 objectNumberCounter;  // next object ID; never reset while the process runs

// ---- localised tables, filled by frLocalizeGlobals() ----
extern quint8 frCharset;                     // default character set of fonts
extern std::array<QString, 23> frBandNames;  // by band type code
extern std::array<QString, 4> frDateFormats;
extern std::array<QString, 4> frTimeFormats;
extern std::array<QString, 4> frBoolFormats; // "false text;true text"

// Reloads the localised tables from the string table. Runs when the engine starts and
// again whenever the localisation handler or the string table changes.
void frLocalizeGlobals();

// ---- fixed tables ----

// The colours a user can pick, clWhite first, the system colours last; frColorNames
// holds the constant names, index for index.
inline constexpr int frColorCount = 42;
inline constexpr std::array<qint32, frColorCount> frColors = {
    0xFFFFFF, 0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000,
    0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00,
    0x1FFFFFFF,
    qint32(0x80000000u), qint32(0x80000001u), qint32(0x80000002u), qint32(0x80000003u),
    qint32(0x80000004u), qint32(0x80000005u), qint32(0x80000006u), qint32(0x80000007u),
    qint32(0x80000008u), qint32(0x80000009u), qint32(0x8000000Au), qint32(0x8000000Bu),
    qint32(0x8000000Cu), qint32(0x8000000Du), qint32(0x8000000Eu), qint32(0x8000000Fu),
    qint32(0x80000010u), qint32(0x80000011u), qint32(0x80000012u), qint32(0x80000013u),
    qint32(0x80000014u), qint32(0x80000015u), qint32(0x80000016u), qint32(0x80000017u),
    qint32(0x80000018u),
};
inline constexpr std::array<QLatin1String, frColorCount> frColorNames = {
    QLatin1String("clWhite"), QLatin1String("clBlack"), QLatin1String("clMaroon"),
    QLatin1String("clGreen"), QLatin1String("clOlive"), QLatin1String("clNavy"),
    QLatin1String("clPurple"), QLatin1String("clTeal"), QLatin1String("clGray"),
    QLatin1String("clSilver"), QLatin1String("clRed"), QLatin1String("clLime"),
    QLatin1String("clYellow"), QLatin1String("clBlue"), QLatin1String("clFuchsia"),
    QLatin1String("clAqua"), QLatin1String("clTransparent"),
    QLatin1String("clScrollBar"), QLatin1String("clBackground"), QLatin1String("clActiveCaption"),
    QLatin1String("clInactiveCaption"), QLatin1String("clMenu"), QLatin1String("clWindow"),
    QLatin1String("clWindowFrame"), QLatin1String("clMenuText"), QLatin1String("clWindowText"),
    QLatin1String("clCaptionText"), QLatin1String("clActiveBorder"), QLatin1String("clInactiveBorder"),
    QLatin1String("clAppWorkSpace"), QLatin1String("clHighlight"), QLatin1String("clHighlightText"),
    QLatin1String("clBtnFace"), QLatin1String("clBtnShadow"), QLatin1String("clGrayText"),
    QLatin1String("clBtnText"), QLatin1String("clInactiveCaptionText"), QLatin1String("clBtnHighlight"),
    QLatin1String("cl3DDkShadow"), QLatin1String("cl3DLight"), QLatin1String("clInfoText"),
    QLatin1String("clInfoBk"),
};

// Special variables; old dictionaries refer to them by index.
inline constexpr std::array<QLatin1String, 8> frSpecFuncs = {
    QLatin1String("PAGE#"), QLatin1String("DATE"), QLatin1String("TIME"),
    QLatin1String("LINE#"), QLatin1String("LINETHROUGH#"), QLatin1String("COLUMN#"),
    QLatin1String("CURRENT#"), QLatin1String("TOTALPAGES"),
};

// Document attributes as expressions read them.
inline constexpr std::array<QLatin1String, 9> frRepInfo = {
    QLatin1String("REPORTCOMMENT"), QLatin1String("REPORTNAME"), QLatin1String("REPORTAUTOR"),
    QLatin1String("VMAJOR"), QLatin1String("VMINOR"), QLatin1String("VRELEASE"),
    QLatin1String("VBUILD"), QLatin1String("REPORTDATE"), QLatin1String("REPORTLASTCHANGE"),
};
