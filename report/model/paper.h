// Papers and page metrics as the template sees them, and the paper service its pages ask.
//
// A template page takes its paper and printable area from the printer it is laid out for.
// The model asks that printer through TfrPaperService, installed with frSetPaperService.
// The base class is the virtual printer: one entry in the printer list, the papers of a
// built-in table and a fixed border, so templates load, prepare and preview without any
// print system. The print library (report/print) installs its printer service, which adds
// the platform's printers on top of the same arithmetic.
//
// Units: paper sizes in tenths of a millimetre (254 per inch); page units 91.62561576354680
// per inch; printer pixels at the printer's resolution.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

enum TPrinterOrientation : int { poPortrait = 0, poLandscape = 1 };

// Paper code of a user-defined size.
inline constexpr int frCustomPaperSize = 256;
// Page units per inch.
inline constexpr double frPageUnitsPerInch = 91.62561576354680;

// Paper and printable area of one page for the current printer, once in printer pixels and
// once in page units. Field order is fixed: prepared pages keep the record as it is.
struct TfrPrnInfo {
    qint32 paperWidthPx = 0, paperHeightPx = 0; // whole paper, printer pixels
    qint32 paperWidthU = 0, paperHeightU = 0;   // whole paper, page units
    qint32 offsetXPx = 0, offsetYPx = 0;        // printable-area offset, printer pixels
    qint32 offsetXU = 0, offsetYU = 0;          // the same in page units
    qint32 printWidthPx = 0, printHeightPx = 0; // printable area, printer pixels
    qint32 printWidthU = 0, printHeightU = 0;   // printable area, page units

    bool operator==(const TfrPrnInfo &) const = default;
};

// One row of the virtual printer's paper table; the name is a string-table number.
struct TPaperInfo {
    int code;
    int width, height; // portrait, tenths of a millimetre; 0 for the custom size
    int nameId;
};

inline constexpr int frVirtualPaperCount = 67;
// The virtual printer's papers, in the order they are listed; the last is the custom size.
extern const TPaperInfo frPaperInfo[frVirtualPaperCount];

// Rounds half to even; values beyond the integer range (a corrupt size, a driver reporting
// nonsense) are clamped instead of overflowing.
qint32 frRoundPaperValue(double x);

// The printer list, the selected printer's papers and bins, and its current paper. Without
// a platform (this base class) the list holds only the virtual printer.
class TfrPaperService {
public:
    TfrPaperService();
    virtual ~TfrPaperService() = default;
    TfrPaperService(const TfrPaperService &) = delete;
    TfrPaperService &operator=(const TfrPaperService &) = delete;

    // Reloads the virtual printer's paper names and its entry in the printer list.
    void Localize();

    // Selects an entry of Printers(); EfrError for an index outside the list.
    void SetPrinterIndex(int index);

    // Reads the selected real printer; a printer without a device mode, or one that fails,
    // is replaced by the virtual printer.
    void GetSettings();
    // Applies curPaper, curWidth, curHeight, curOrientation and curBin.
    void SetSettings();
    void Update() { GetSettings(); }

    // Switches to the given paper unless the printer already has it (or force) or a job
    // is printing. Width or height <= 0 keep the current size. On failure the previous
    // values are kept and the error is raised.
    void SetPrinterInfo(int size, int width, int height, int bin, TPrinterOrientation orientation, bool force);
    bool IsEqual(int size, int width, int height, int bin, TPrinterOrientation orientation) const;
    void FillPrnInfo(TfrPrnInfo &info);

    // Position of a paper code among PaperCodes(), or the last position (the custom size).
    int GetSizeIndex(int code) const;
    // Position of a bin among BinCodes(), or 0 (the default bin).
    int GetBinIndex(int bin) const;

    // Loading a template waits until the printers are set up.
    virtual void WaitForStartUp() {}

    // ---- the printer list ----
    const QStringList &Printers() const { return m_printers; }
    int PrinterIndex() const { return m_printerIndex; }
    int VirtualPrinterIndex() const { return m_virtualPrinterIndex; }
    bool IsVirtual() const { return m_printerIndex == m_virtualPrinterIndex; }
    // The platform knows at least one printer (printing is possible).
    bool HasPlatformPrinters() const { return m_virtualPrinterIndex > 0; }
    // Position of a printer name in Printers() (exact match), or -1.
    int IndexOfPrinter(const QString &name) const { return int(m_printers.indexOf(name)); }

    // ---- papers and bins of the selected printer ----
    const std::vector<int> &PaperCodes() const { return m_paperCodes; }
    const QStringList &PaperNames() const { return m_paperNames; }
    int PaperCount() const { return int(m_paperCodes.size()); }
    const std::vector<int> &BinCodes() const { return m_binCodes; }
    const QStringList &BinNames() const { return m_binNames; }
    int BinCount() const { return int(m_binCodes.size()); }

    // ---- the current paper ----
    TPrinterOrientation curOrientation = poPortrait;
    int curPaper = 9;     // platform paper code; frCustomPaperSize; -1 none chosen yet
    int curWidth = 2100;  // tenths of a millimetre, as the page is seen
    int curHeight = 2970;
    int curBin = -1;      // paper source; -1 the printer's default

protected:
    // ---- the platform's side, answered by a service that has one ----
    virtual bool hasPlatform() const { return false; }
    // A print job is running on the selected printer: its paper stays as it is.
    virtual bool platformPrinting() { return false; }
    // Makes a platform printer current (index below VirtualPrinterIndex()); may throw.
    virtual void selectPlatformPrinter(int) {}
    // Reads the selected platform printer into the lists and the current paper; false (or
    // an exception) when it cannot be read.
    virtual bool readPlatformSettings() { return false; }
    // Hands the current paper to the selected platform printer; may throw.
    virtual void applyPlatformSettings() {}
    // The selected platform printer's metrics for its current paper; false when it has none.
    virtual bool platformPrnInfo(TfrPrnInfo &) { return false; }
    // The virtual printer has just been selected.
    virtual void virtualSelected() {}

    // The printer list: the platform's printers, then the virtual printer.
    void setPrinterList(QStringList platformPrinters);
    void selectVirtual();
    void setDefaultBinOnly();
    // The default bin and its name, first in every bin list.
    static QString defaultBinName();

    int m_printerIndex = 0;
    std::vector<int> m_paperCodes;
    QStringList m_paperNames;
    std::vector<int> m_binCodes;
    QStringList m_binNames;

private:
    void useVirtualPapers();

    QStringList m_printers;
    int m_virtualPrinterIndex = 0;
};

// The paper service the model asks: the one installed, else the model's own virtual
// printer.
TfrPaperService &frPaper();
// Installs a service (nullptr: back to the virtual printer) and answers the one before.
// Not owned: the caller keeps it alive while it is installed.
TfrPaperService *frSetPaperService(TfrPaperService *service);

// Paper code of the printer selected at start-up; -1 when it could not be read.
extern int frDefaultPaper;
