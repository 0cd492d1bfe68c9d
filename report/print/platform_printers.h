// The installed printers through Qt's print support (CUPS on Linux), for the engine's
// printer service. The program creates one after its QApplication and registers it:
//
//     TfrQtPlatformPrinters printers;
//     frSetPlatformPrinters(&printers);
//
// It unregisters itself when destroyed. Printer() always has the printer and the paper that
// Prn selected.
//
// Print jobs: with CUPS, a job's pages are painted into a PDF file laid out exactly as
// Printer() (same paper, printable area and resolution) and the file is handed to the
// print system only when the job ends. Qt's own CUPS engine cannot abort a job (an aborted
// job still reaches the queue), and a cancelled print must leave nothing behind. Elsewhere
// the job paints on Printer() itself and QPrinter::abort cancels it.
#pragma once

#include <QPageSize>
#include <QPrinter>
#include <QStringList>
#include <memory>
#include <vector>

class QPainter;
class QTemporaryFile;

#include "report/print/printer.h"

// The papers of one Qt printer with the platform paper codes the engine knows them by,
// and the device mode read from and applied to a QPrinter in those codes.
//
// A paper gets its Windows paper code when Qt knows one and no earlier paper of the list
// has it; any other paper gets a driver code from 257 on, as printer drivers number their
// own papers. With custom sizes the list ends with the custom size (256).
class TfrQtPrinterPapers {
public:
    void Load(const QList<QPageSize> &sizes, bool customSizes);
    // The papers of a printer that names none (a raw queue, a driver without a paper
    // list): every standard paper with a platform code, in code order. The print system
    // passes any of them, and any custom size, on to the printer.
    static QList<QPageSize> StandardSizes();
    std::vector<TfrPaperItem> Items() const;
    bool CustomSizes() const { return m_customSizes; }

    // The code of a page size: the list entry with the same size, else the custom size.
    int CodeOf(const QPageSize &size) const;

    void GetDeviceMode(const QPrinter &printer, bool hasBins, TfrDeviceMode &mode) const;
    // Applies what the printer can take: a code not in the list, or a custom size without
    // custom-size support, leaves the paper as it is.
    void SetDeviceMode(QPrinter &printer, const TfrDeviceMode &mode) const;

    // Paper and printable area of the printer's current page layout. The paper is taken
    // from its size in millimetres (not the rounded point size), so an A4 sheet reads back
    // as 2100 x 2970 tenths.
    static TfrDeviceCaps DeviceCaps(const QPrinter &printer);
    // A custom page size for a sheet seen as width x height (tenths of a millimetre) in
    // the given orientation; invalid for sizes <= 0.
    static QPageSize CustomPageSize(int width, int height, TPrinterOrientation orientation);

private:
    struct Paper {
        int code;
        QPageSize size;
    };
    std::vector<Paper> m_papers;
    bool m_customSizes = false;
};

// Paper source codes (the platform's bin numbers) and Qt's paper sources; false for a
// code or source without a counterpart.
bool frBinToPaperSource(int bin, QPrinter::PaperSource &source);
bool frPaperSourceToBin(QPrinter::PaperSource source, int &bin);

class TfrQtPlatformPrinters : public TfrPlatformPrinters {
public:
    TfrQtPlatformPrinters();
    ~TfrQtPlatformPrinters() override;
    TfrQtPlatformPrinters(const TfrQtPlatformPrinters &) = delete;
    TfrQtPlatformPrinters &operator=(const TfrQtPlatformPrinters &) = delete;

    QStringList PrinterNames() override;
    int PrinterIndex() override;
    void SetPrinterIndex(int index) override;
    bool GetDeviceMode(TfrDeviceMode &mode) override;
    void SetDeviceMode(const TfrDeviceMode &mode) override;
    TfrDeviceCaps DeviceCaps() override;
    std::vector<TfrPaperItem> Papers() override;
    std::vector<TfrBinItem> Bins() override;
    bool Printing() override;

    // The job's title is its document name, copies the print system's copy count (the
    // copies are not collated). The painter's origin is the corner of the printable area.
    QPainter *BeginDoc(const QString &title, int copies) override;
    void NewPage() override;
    // Hands the job to the print system; EfrError when it refuses it.
    void EndDoc() override;
    void Abort() override;

    // The current printer with its settings (the properties dialog works on it).
    QPrinter &Printer() { return *m_printer; }
    const QString &CurrentPrinter() const { return m_current; }

private:
    void selectPrinter(const QString &name);
    void closeJob();

    std::unique_ptr<QPrinter> m_printer;
    // The running job: where its pages go, and its painter.
    std::unique_ptr<QPrinter> m_jobPrinter;
    std::unique_ptr<QPainter> m_jobPainter;
    std::unique_ptr<QTemporaryFile> m_jobFile;
    QStringList m_names;
    QString m_current;
    TfrQtPrinterPapers m_papers;
    std::vector<TfrBinItem> m_bins;
};
