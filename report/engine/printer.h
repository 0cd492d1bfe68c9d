// The printer service of the report engine: the installed printers plus a virtual printer,
// the selected printer's papers and bins, switching its paper per page, and its metrics in
// page units.
//
// The engine never talks to a print system itself. A program that can print registers a
// TfrPlatformPrinters (the Qt/CUPS one lives in report/ui) with frSetPlatformPrinters();
// without one -- tests, command-line tools, machines without printers -- Prn offers only
// the virtual printer, whose papers come from a built-in table, so templates load, prepare
// and preview anywhere.
//
// Units: paper sizes in tenths of a millimetre (254 per inch); page units 91.62561576354680
// per inch; printer pixels at the printer's resolution.
#pragma once

#include <QString>
#include <QStringList>

class QPainter;
#include <cstdint>
#include <functional>
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

// ---- the platform side ----

// The print settings of the current platform printer that the engine reads and changes.
// paperWidth/paperLength describe the paper as the page is seen in its orientation (so a
// landscape custom sheet has paperWidth > paperLength); they are used only with
// frCustomPaperSize.
struct TfrDeviceMode {
    enum Field : unsigned {
        fPaperSize = 1,
        fPaperLength = 2,
        fPaperWidth = 4,
        fOrientation = 8,
        fCopies = 16,
        fDefaultSource = 32,
    };
    unsigned fields = 0; // which of the values below the printer has
    int paperSize = 0;   // platform paper code
    int paperLength = 0; // tenths of a millimetre
    int paperWidth = 0;
    TPrinterOrientation orientation = poPortrait;
    int copies = 1;
    int defaultSource = -1; // bin code

    bool has(Field f) const { return (fields & f) != 0; }
};

// Device capabilities of the current printer, for its current paper and orientation.
struct TfrDeviceCaps {
    int logPixelsX = 0, logPixelsY = 0;           // resolution, pixels per inch
    int physicalWidth = 0, physicalHeight = 0;    // whole paper, pixels
    int physicalOffsetX = 0, physicalOffsetY = 0; // printable-area corner, pixels
    int pageWidth = 0, pageHeight = 0;            // printable area, pixels

    bool valid() const { return logPixelsX > 0 && logPixelsY > 0 && physicalWidth > 0 && physicalHeight > 0; }
};

struct TfrPaperItem {
    int code;
    QString name;
};

struct TfrBinItem {
    int code;
    QString name;
};

// The installed printers as the print system reports them. One of them is current; the
// device mode, capabilities, papers and bins are always those of the current printer.
// Anything may throw EfrError; the engine then falls back to its virtual printer.
class TfrPlatformPrinters {
public:
    virtual ~TfrPlatformPrinters() = default;

    // Printer names in the print system's order (re-read on every call).
    virtual QStringList PrinterNames() = 0;
    // The current printer, -1 when there is none.
    virtual int PrinterIndex() = 0;
    virtual void SetPrinterIndex(int index) = 0;

    // False when the current printer has no device mode (cannot be set up).
    virtual bool GetDeviceMode(TfrDeviceMode &mode) = 0;
    // Hands a changed mode to the current printer; the driver keeps what it accepts and
    // leaves the rest (a paper code it does not know leaves its paper as it is).
    virtual void SetDeviceMode(const TfrDeviceMode &mode) = 0;
    virtual TfrDeviceCaps DeviceCaps() = 0;
    virtual std::vector<TfrPaperItem> Papers() = 0;
    virtual std::vector<TfrBinItem> Bins() = 0;

    // A print job is running on the current printer.
    virtual bool Printing() = 0;

    // ---- print jobs on the current printer, with its current paper ----
    // Starts a job and answers the canvas of its first sheet: printer pixels, origin at
    // the corner of the printable area. EfrError when the job cannot start. The base
    // cannot print.
    virtual QPainter *BeginDoc(const QString &title, int copies);
    // The next sheet of the job (the paper stays as it is).
    virtual void NewPage();
    virtual void EndDoc();
    // Ends the job so that nothing of it is printed.
    virtual void Abort();
};

// ---- the printer service ----

class TfrPrinter {
public:
    static constexpr int MaxPapers = 256;
    static constexpr int MaxBins = 64;
    static constexpr int MaxPaperNameLength = 64;
    static constexpr int MaxBinNameLength = 24;

    TfrPrinter();

    // Reloads the virtual printer's paper names and its entry in the printer list.
    void Localize();

    // Takes the printer list from the platform (nullptr: none) and reads or sets up the
    // selected printer. The platform is not owned and must outlive its use here.
    void SetPrinter(TfrPlatformPrinters *platform);
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

    // The printer properties dialog for the selected real printer (the user interface
    // installs it as frPrinterPropertiesHook); on OK the settings are read again. False
    // for the virtual printer or when no dialog is installed.
    bool PropertiesDlg();

    // ---- the printer list ----
    const QStringList &Printers() const { return m_printers; }
    int PrinterIndex() const { return m_printerIndex; }
    int VirtualPrinterIndex() const { return m_virtualPrinterIndex; }
    bool IsVirtual() const { return m_printerIndex == m_virtualPrinterIndex; }
    // The platform knows at least one printer (printing is possible).
    bool HasPlatformPrinters() const { return m_virtualPrinterIndex > 0; }
    // Position of a printer name in Printers() (exact match), or -1.
    int IndexOfPrinter(const QString &name) const { return int(m_printers.indexOf(name)); }
    TfrPlatformPrinters *Platform() const { return m_platform; }
    // Name of the selected printer as the print system knows it; empty for the virtual one.
    const QString &DeviceName() const { return m_device; }

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

private:
    void selectVirtual();
    void setDefaultBinOnly();
    bool readSettings();

    TfrPlatformPrinters *m_platform = nullptr;
    QString m_device;
    QStringList m_printers;
    int m_printerIndex = 0;
    int m_virtualPrinterIndex = 0;
    std::vector<int> m_paperCodes;
    QStringList m_paperNames;
    std::vector<int> m_binCodes;
    QStringList m_binNames;
};

// Opens the platform's properties dialog for the current printer of the platform; true
// when the user confirmed. Set by the user interface.
using TfrPrinterPropertiesHook = std::function<bool(TfrPlatformPrinters &platform)>;
extern TfrPrinterPropertiesHook frPrinterPropertiesHook;

// The engine's printer, for the whole process.
extern TfrPrinter Prn;
// Paper code of the printer selected at start-up; -1 when it could not be read.
extern int frDefaultPaper;
// The printer set-up has finished; loading a template waits for it.
extern bool frThreadDone;

// Registers the platform's printers (nullptr: none) and runs the printer start-up again:
// Prn takes the platform's list and current printer, frDefaultPaper its paper. Not owned:
// the caller keeps the platform alive until it registers nullptr.
void frSetPlatformPrinters(TfrPlatformPrinters *platform);
TfrPlatformPrinters *frPlatformPrinters();
