// The data module's spreadsheet export: its settings, and that the export framework offers it.
#include <gtest/gtest.h>

#include "app/main_dm.h"
#include "report/model/registry.h"

namespace {

TEST(MainDMExport, CarriesTheSpreadsheetExportWithTheJournalsSettings)
{
    TMainDM dm;
    TfrOLEExcelExport *f = dm.frOLEExcelExport1();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->objectName(), QStringLiteral("frOLEExcelExport1"));
    EXPECT_FALSE(f->CellsAlign || f->CellsFillColor || f->CellsFontColor || f->CellsFontName || f->CellsFontSize ||
                 f->CellsFontStyle);
    EXPECT_TRUE(f->CellsMerged && f->CellsWrapWords && f->CellsBorders && f->PageBreaks && f->ExportPictures);
    EXPECT_FALSE(f->OpenExcelAfterExport);
    EXPECT_TRUE(f->ShowDialog);
    bool offered = false;
    for (const TfrExportFilterInfo &e : frFilters())
        if (e.filterInstance == f)
            offered = e.filterMask == QStringLiteral("*.xlsx");
    EXPECT_TRUE(offered) << "the preview's save offers the workbook";
}

} // namespace
