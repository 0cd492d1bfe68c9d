// Prepared pages written object by object, exported through the spreadsheet filter by the
// report component, and the saved workbook read back.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "export/spreadsheet/ole_excel_export.h"
#include "report/engine/prepare.h"
#include "report/engine/prepared_page_model.h"
#include "report/engine/prepared_pages.h"
#include "report/eval/globals.h"
#include "report/model/fr_globals.h"
#include "report/model/line_view.h"
#include "report/model/memo_view.h"
#include "report/model/picture_view.h"
#include "report/model/report.h"
#include "report/model/text_layout.h"
#include "report/print/printer.h"
#include "xlsx_reader.h"

namespace export_test {

inline QString u(const char *s) { return QString::fromUtf8(s); }

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frGlobals();
        frSetPlatformPrinters(nullptr);
        ASSERT_TRUE(dir.isValid());
        builder = std::make_unique<TfrReportBuilder>();
        builder->ShowProgress = false;
        builder->ShowErrorBox = false;
        templatePage = builder->Report.AddPage();
        CurReport = &builder->Report;
        DocMode = dmPrinting;
        frVersion = 25;
        filter = std::make_unique<TfrOLEExcelExport>();
        filter->ShowDialog = false;
    }
    void TearDown() override
    {
        frProgressUi() = {};
        filter.reset();
        builder.reset();
        CurReport = MasterReport = nullptr;
        CurPage = nullptr;
        CurView = nullptr;
        DocMode = dmDesigning;
        frVersion = 25;
    }

    // A new prepared page: A4 portrait unless asked otherwise.
    TfrPageInfo &newPage(int orientation = 0, TfrRect margins = {})
    {
        templatePage->pgSize = 9;
        templatePage->pgOr = quint8(orientation);
        templatePage->pgMargins = margins;
        Prn.SetPrinterInfo(9, 0, 0, -1, TPrinterOrientation(orientation), true);
        TfrPrnInfo info;
        Prn.FillPrnInfo(info);
        frSetPrnInfo(*templatePage, info);
        builder->EMFPages.Add(*templatePage);
        return builder->EMFPages[builder->EMFPages.Count() - 1];
    }

    static void write(TfrPageInfo &page, TfrView &view)
    {
        view.inPreparedPage = true;
        view.WriteTypeAndRecord(page.Stream());
        view.inPreparedPage = false;
    }
    // A text object as preparation stores it: each line ending a paragraph carries the mark.
    static void memo(TfrPageInfo &page, int left, int top, int width, int height, const QStringList &lines,
                     const std::function<void(TfrMemoView &)> &tweak = {})
    {
        TfrMemoView m;
        m.Name = QStringLiteral("Memo");
        m.SetBounds(left, top, width, height);
        QStringList stored;
        for (const QString &l : lines)
            stored << l + QChar(frParagraphMark);
        m.expandedMemo = stored;
        m.FrameTyp = 0;
        if (tweak)
            tweak(m);
        write(page, m);
    }
    static void line(TfrPageInfo &page, int left, int top, int width, int height)
    {
        TfrLineView l;
        l.Name = QStringLiteral("Line1");
        l.SetBounds(left, top, width, height);
        l.FrameTyp = width == 0 ? frftLeft : frftTop;
        write(page, l);
    }

    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    XSheet exportTo(const char *name = "out.xlsx")
    {
        builder->ExportTo(*filter, path(name));
        return readXlsx(path(name));
    }

    QTemporaryDir dir;
    std::unique_ptr<TfrReportBuilder> builder;
    TfrPage *templatePage = nullptr;
    std::unique_ptr<TfrOLEExcelExport> filter;
};

} // namespace export_test
