// Templates for the stream and description tests: one with every kind of object and every
// stored field away from its default.
#pragma once

#include <QImage>
#include <memory>

#include "report/eval/data_dictionary.h"
#include "report/eval/globals.h"
#include "report/model/band_view.h"
#include "report/model/line_view.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/paper.h"
#include "report/model/picture_view.h"
#include "report/model/report.h"
#include "report/model/subreport_view.h"

namespace template_test {

inline QString u(const char *s) { return QString::fromUtf8(s); }

template <class V> inline V *place(TfrPage *page, const char *name, int left, int top, int width, int height)
{
    auto v = std::make_unique<V>();
    v->Name = QString::fromUtf8(name);
    v->SetBounds(left, top, width, height);
    return static_cast<V *>(page->Add(std::move(v)));
}

inline QImage smallImage()
{
    QImage img(5, 3, QImage::Format_RGB32);
    img.fill(Qt::red);
    img.setPixel(1, 1, qRgb(0, 0, 255));
    return img;
}

// A template with every kind of object and every stored field away from its default.
inline void fillEverything(TfrReport &r)
{
    CurReport = &r;
    r.DoublePassReport = true;
    TfrPage *page = r.Pages.Add();
    page->Name = u("Главная");
    page->ChangePaper(9, 2100, 2970, -1, poLandscape);
    page->pgMargins = {40, 30, 20, 10};
    page->PrintToPrevPage = true;
    page->applyMargins = false;
    page->Columns = 2;
    page->ColGap = 15;
    page->scriptLines = {u("begin"), u("  x := 1;"), u("end")};
    CurPage = page;

    auto *band = place<TfrBandView>(page, "MasterData1", 0, 100, 1071, 40);
    band->FrameTyp = btMasterData;
    band->Flags = 1 | 8 | 64;
    band->formatText = u("frDBDataSet1");
    band->ChildBand = u("Child1");
    band->Columns = 3;
    band->ColumnWidth = 250;
    band->ColumnGap = 7;
    band->recordsPerColumn = 4;
    band->Master = u("Other");
    band->Memo = {u("OnBeforePrint line")};

    auto *memo = place<TfrMemoView>(page, "Memo1", 72, 104, 300, 20);
    memo->Flags = 1 | 2 | 4 | 32 | 256;
    memo->FrameTyp = 15;
    memo->FrameWidth = 1.5;
    memo->FrameColor = 0x00112233;
    memo->FrameStyle = psDashDot;
    memo->FillColor = clBtnFace;
    memo->formatCode = 0x01020304;
    memo->formatText = u("#,##0.00");
    memo->Memo = {u("[frDBDataSet1.\"NameFile\"]"), QString(), u("Строка с кириллицей")};
    memo->scriptLines = {u("if Value > 0 then"), u("  Visible := False")};
    memo->Visible = false;
    memo->Restrictions = 0x41;
    memo->Tag = u("tag [x]");
    memo->GapX = 5;
    memo->GapY = 6;
    memo->BandAlign = baRest;
    memo->Font = {u("Times New Roman"), 12, 1 | 4, 0x000000FF, 204};
    memo->Alignment = 2 | 8;
    memo->Highlight = {8, 0x00FF00, 0x0000FF};
    memo->highlightCondition = u("Value < 0");
    memo->LineSpacing = 4;
    memo->CharSpacing = 1;

    auto *bitmap = place<TfrPictureView>(page, "Picture1", 400, 104, 50, 30);
    bitmap->Picture.setImage(pkBitmap, smallImage());
    bitmap->BlobType = btJPG;
    bitmap->Flags = 7;
    auto *jpeg = place<TfrPictureView>(page, "Picture2", 460, 104, 50, 30);
    jpeg->Picture.setImage(pkJPEG, smallImage());
    auto *metafile = place<TfrPictureView>(page, "Picture3", 520, 104, 50, 30);
    metafile->Picture.loadFromData(pkMetafile, QByteArray("not really a metafile"));
    metafile->BlobType = btWMF;

    auto *line = place<TfrLineView>(page, "Line1", 72, 130, 500, 0);
    line->FrameWidth = 2;
    line->FrameStyle = psDouble;
    auto *sub = place<TfrSubReportView>(page, "SubReport1", 600, 104, 100, 30);
    sub->subPageIndex = 1;

    TfrPage *dialog = r.Pages.Add();
    dialog->Name = u("Dialog");
    dialog->PageType = ptDialog;
    dialog->BorderStyle = 2;
    dialog->Caption = u("Параметры");
    dialog->Color = 0x00C0C0C0;
    dialog->Left = 10;
    dialog->Top = 20;
    dialog->Width = 300;
    dialog->Height = 200;
    dialog->Position = 0;
    dialog->scriptLines = {u("ModalResult := mrOk")};

    TfrDataDictionary &d = r.Dictionary();
    d.VarList.SetVariable(u(" Journal"), TfrVariant(QString()));
    d.VarList.SetVariable(u("Number"), TfrVariant(u("frDBDataSet1.\"NumPP\"")));
    d.AliasList.SetVariable(u("ADOTable"), TfrVariant(u("Journal")));
    d.SourceAliasList.SetVariable(u("frDBDataSet1"), TfrVariant(u("Rows")));

    r.DocInfo.comment = u("comment");
    r.DocInfo.name = u("Журнал");
    r.DocInfo.author = u("author");
    r.DocInfo.versionMajor = u("1");
    r.DocInfo.versionMinor = u("2");
    r.DocInfo.versionRelease = u("3");
    r.DocInfo.versionBuild = u("4");
    r.DocInfo.created = 45000.25;
    r.docPassword = u("Пароль1");
}

} // namespace template_test
