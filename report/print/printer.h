// The printer service of the print library: the installed printers plus the virtual
// printer, the selected printer's papers and bins, switching its paper per page, and its
// metrics in page units. TfrPrinter is the paper service of the model (report/model/paper.h)
// with the platform's printers added; Prn installs itself as that service when this code is
// loaded.
//
// The engine never talks to a print system itself. A program that can print registers a
// TfrPlatformPrinters (the Qt/CUPS one is in platform_printers.h) with
// frSetPlatformPrinters(); without one -- tests, command-line tools, machines without
// printers -- Prn offers only the virtual printer, so templates load, prepare and preview
// anywhere.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "report/model/paper.h"

class QPainter;

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

class TfrPrinter : public TfrPaperService {
public:
    static constexpr int MaxPapers = 256;
    static constexpr int MaxBins = 64;
    static constexpr int MaxPaperNameLength = 64;
    static constexpr int MaxBinNameLength = 24;

    TfrPrinter();

    // Takes the printer list from the platform (nullptr: none) and reads or sets up the
    // selected printer. The platform is not owned and must outlive its use here.
    void SetPrinter(TfrPlatformPrinters *platform);

    // The printer properties dialog for the selected real printer (the user interface
    // installs it as frPrinterPropertiesHook); on OK the settings are read again. False
    // for the virtual printer or when no dialog is installed.
    bool PropertiesDlg();

    TfrPlatformPrinters *Platform() const { return m_platform; }
    // Name of the selected printer as the print system knows it; empty for the virtual one.
    const QString &DeviceName() const { return m_device; }

    void WaitForStartUp() override;

protected:
    bool hasPlatform() const override { return m_platform != nullptr; }
    bool platformPrinting() override;
    void selectPlatformPrinter(int index) override;
    bool readPlatformSettings() override;
    void applyPlatformSettings() override;
    bool platformPrnInfo(TfrPrnInfo &info) override;
    void virtualSelected() override { m_device.clear(); }

private:
    TfrPlatformPrinters *m_platform = nullptr;
    QString m_device;
};

// Opens the platform's properties dialog for the current printer of the platform; true
// when the user confirmed. Set by the user interface.
using TfrPrinterPropertiesHook = std::function<bool(TfrPlatformPrinters &platform)>;
extern TfrPrinterPropertiesHook frPrinterPropertiesHook;

// The process's printer, installed as the model's paper service (frPaper()).
extern TfrPrinter Prn;
// The printer set-up has finished; loading a template waits for it.
extern bool frThreadDone;

// Registers the platform's printers (nullptr: none) and runs the printer start-up again:
// Prn takes the platform's list and current printer, frDefaultPaper its paper. Not owned:
// the caller keeps the platform alive until it registers nullptr.
void frSetPlatformPrinters(TfrPlatformPrinters *platform);
TfrPlatformPrinters *frPlatformPrinters();
