// The installed printers through Qt's print support (CUPS on Linux), for the engine's
// printer service. The program creates one after its QApplication and registers it:
//
//     TfrQtPlatformPrinters printers;
//     frSetPlatformPrinters(&printers);
//
// It unregisters itself when destroyed. Print jobs paint on Printer(), which always has the
// printer and the paper that Prn selected.
#pragma once

#include <QPageSize>
#include <QPrinter>
#include <QStringList>
#include <memory>
#include <vector>

#include "report/engine/printer.h"

// The papers of one Qt printer with the platform paper codes the engine knows them by,
// and the device mode read from and applied to a QPrinter in those codes.
//
// A paper gets its Windows paper code when Qt knows one and no earlier paper of the list
// has it; any other paper gets a driver code from 257 on, as printer drivers number their
// own papers. With custom sizes the list ends with the custom size (256).
class TfrQtPrinterPapers {
public:
    void Load(const QList<QPageSize> &sizes, bool customSizes);
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

    // The printer object print jobs use (begin a painter on it to start a job). Its
    // painter origin is the corner of the printable area.
    QPrinter &Printer() { return *m_printer; }

private:
    void selectPrinter(const QString &name);

    std::unique_ptr<QPrinter> m_printer;
    QStringList m_names;
    QString m_current;
    TfrQtPrinterPapers m_papers;
    std::vector<TfrBinItem> m_bins;
};
