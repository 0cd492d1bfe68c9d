// The progress window around a preparation: its progress line, and cancel.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QLabel>
#include <QTimer>

#include "report/engine/prepare.h"
#include "report/eval/globals.h"
#include "report/model/band_view.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/ui/progress_form.h"

namespace {

struct Journal {
    Journal()
    {
        CurReport = &report;
        TfrPage *page = report.Pages.Add();
        CurPage = page;
        auto band = std::make_unique<TfrBandView>();
        band->Name = QStringLiteral("Data");
        band->SetBounds(0, 40, 700, 20);
        band->SetBandType(btMasterData);
        band->Flags = 0;
        band->formatText = QStringLiteral("300");
        page->Add(std::move(band));
        auto memo = std::make_unique<TfrMemoView>();
        memo->Name = QStringLiteral("Row");
        memo->SetBounds(20, 40, 100, 20);
        memo->Memo = QStringList{QStringLiteral("[LINE#]")};
        page->Add(std::move(memo));
        builder.ShowErrorBox = false;
    }
    ~Journal()
    {
        frProgressUi() = TfrProgressUi{};
        CurPage = nullptr;
        CurReport = MasterReport = nullptr;
    }
    TfrReport report;
    TfrReportBuilder builder{report};
};

TEST(ProgressForm, PreparationRunsInsideTheWindowAndShowsItsLine)
{
    Journal j;
    frInstallProgressForm();
    QString lastLine;
    const bool ok = j.builder.PrepareReport();
    lastLine = frProgressForm().Label1->text();
    EXPECT_TRUE(ok);
    EXPECT_GT(j.builder.EMFPages.GetCount(), 3);
    EXPECT_TRUE(lastLine.startsWith(QString::fromUtf8("Формируется страница:  "))) << lastLine.toStdString();
    EXPECT_FALSE(frProgressForm().isVisible());
}

TEST(ProgressForm, CancelStopsThePreparation)
{
    Journal j;
    j.report.DoublePassReport = true;
    frInstallProgressForm();
    QTimer::singleShot(0, [] { frProgressForm().Button1->click(); });
    EXPECT_FALSE(j.builder.PrepareReport());
    EXPECT_TRUE(j.report.Terminated);
    EXPECT_EQ(j.builder.EMFPages.GetCount(), 0) << "a first pass cancelled leaves no pages";
}

} // namespace
