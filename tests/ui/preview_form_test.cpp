// The preview window on the offscreen platform: layout by zoom mode, pages per row,
// scrolling and the current page, the keyboard, the zoom remembered between windows,
// painting only what is on screen, hyperlinks, search, open and save, adding and removing
// pages, and the toolbar a report's settings give.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QToolButton>

#include "report/engine/export_filter.h"
#include "report/eval/strings.h"
#include "report/model/registry.h"
#include "report/print/printer.h"
#include "report/ui/preview_form.h"
#include "report/ui/preview_search.h"
#include "tests/ui/preview_test_support.h"

using namespace previewtest;

namespace {

TEST(PreviewLayout, ZoomOfEachModeFollowsThePageBox)
{
    struct Row {
        int tag;
        QSize box;
        double zoom;
        int perRow;
    };
    const Row rows[] = {
        {2, {800, 600}, (600.0 - 20) / 1040, 1}, // whole page: (box height - 20) / paper height
        {1, {800, 600}, (800.0 - 20) / 740, 1},  // page width: (box width - 20) / paper width
        {3, {800, 600}, (800.0 - 30) / 1480, 2}, // two pages side by side
        {50, {800, 600}, 0.5, 2},                // fixed zoom: 10 + 2 x (370 + 10) fits
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.tag);
        TReport r;
        r.addPages(3);
        TfrPreviewForm form;
        open(form, r.builder, row.box);
        ASSERT_EQ(form.PBox->size(), row.box);
        form.N3Click(row.tag);
        EXPECT_DOUBLE_EQ(form.Zoom(), row.zoom);
        EXPECT_EQ(form.PagesPerRow(), row.perRow);
        EXPECT_EQ(form.ZoomBtn->text(), QString::number(std::lround(row.zoom * 100)) + u("%"));
    }
}

TEST(PreviewLayout, TheFormShowsThePagesWhereTheLayoutPutsThem)
{
    TReport r;
    r.addPages(7, 200, 300);
    TfrPreviewForm form;
    open(form, r.builder, {640, 400});
    form.N3Click(100);
    for (const QSize box : {QSize(640, 400), QSize(639, 400), QSize(420, 400)}) {
        showWithBox(form, box);
        TfrPreviewLayout layout;
        layout.Arrange(mdNone, 1, box, 7, 0, [](int) { return QSize(200, 300); });
        EXPECT_EQ(form.PagesPerRow(), layout.PagesPerRow());
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ((*form.Pages())[i].displayRect.toQRect(), layout.PageRect(i)) << i;
        EXPECT_EQ(form.VScrollBar->maximum(), layout.VerticalRange());
        EXPECT_EQ(form.HScrollBar->isEnabled(), layout.HorizontalRange() > 0);
    }
}

TEST(PreviewLayout, NoPagesLeaveTheBoxEmptyAndHandlersIdle)
{
    TReport r;
    TDialogs dialogs;
    TfrPreviewForm form;
    open(form, r.builder, {400, 300});
    EXPECT_EQ(form.PageCount(), 0);
    EXPECT_FALSE(form.FormKeyDown(Qt::Key_End, Qt::ControlModifier));
    form.SaveBtnClick();
    form.FindBtnClick();
    form.DelPageBtnClick();
    form.NewPageBtnClick();
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(form.Label1->text(), QString());
    const QImage shot = form.PBox->grab().toImage();
    EXPECT_EQ(shot.pixelColor(5, 5), form.PBox->palette().color(QPalette::Button));
}

TEST(PreviewKeys, CtrlEndGoesToTheLastPagePageDownOnlyScrolls)
{
    TReport r;
    r.addPages(6);
    TfrPreviewForm form;
    open(form, r.builder, {800, 600});
    form.N3Click(100);
    ASSERT_EQ(form.CurPage(), 1);

    key(form.PBox, Qt::Key_PageDown);
    EXPECT_EQ(form.VScrollBar->value(), form.VScrollBar->pageStep());
    EXPECT_EQ(form.CurPage(), 1) << "a page of 1040 pixels still spans the top line";

    key(form.PBox, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(form.CurPage(), 2);
    EXPECT_EQ(form.VScrollBar->value(), (*form.Pages())[1].displayRect.Top - 10);

    key(form.PBox, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(form.CurPage(), 6);
    EXPECT_EQ(form.Label1->text(), u("Стр. 6/6"));
    EXPECT_EQ(form.VScrollBar->value(), (*form.Pages())[5].displayRect.Top - 10);

    key(form.PBox, Qt::Key_End); // End alone is not a page jump
    EXPECT_EQ(form.CurPage(), 6);
    key(form.PBox, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(form.VScrollBar->value(), 0);
    EXPECT_EQ(form.CurPage(), 1);

    key(form.PBox, Qt::Key_Down);
    EXPECT_EQ(form.VScrollBar->value(), form.VScrollBar->singleStep());
    key(form.PBox, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(form.CurPage(), 1) << "no page before the first";
}

TEST(PreviewKeys, CtrlEndReachesTheLastPageEvenWhenItCannotScrollToTheTop)
{
    // Small pages, several rows on screen: the last row can never reach the top line.
    TReport r;
    r.addPages(12, 200, 150);
    TfrPreviewForm form;
    open(form, r.builder, {640, 600});
    form.N3Click(100);
    key(form.PBox, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(form.CurPage(), 12);
    EXPECT_EQ(form.VScrollBar->value(), form.VScrollBar->maximum());
}

TEST(PreviewZoom, OneWindowsZoomIsTheNextOnesUnlessInitialZoomChoosesAMode)
{
    TReport r;
    r.addPages(2);
    {
        TfrPreviewForm first;
        open(first, r.builder, {800, 600});
        EXPECT_DOUBLE_EQ(first.Zoom(), 1.0);
        first.N3Click(150);
        first.ConnectBack();
    }
    {
        TfrPreviewForm second;
        open(second, r.builder, {800, 600});
        EXPECT_DOUBLE_EQ(second.Zoom(), 1.5);
        EXPECT_EQ(second.Mode(), mdNone);
        EXPECT_EQ(second.ZoomBtn->text(), u("150%"));
        second.N3Click(1); // page width, remembered as a mode
        second.ConnectBack();
    }
    {
        TfrPreviewForm third;
        open(third, r.builder, {600, 600});
        EXPECT_EQ(third.Mode(), mdPageWidth);
        EXPECT_DOUBLE_EQ(third.Zoom(), (600.0 - 20) / 740);
        third.ConnectBack();
    }
    r.builder.InitialZoom = pzOnePage;
    {
        TfrPreviewForm fourth;
        open(fourth, r.builder, {800, 600});
        EXPECT_EQ(fourth.Mode(), mdOnePage);
        EXPECT_DOUBLE_EQ(fourth.Zoom(), 580.0 / 1040);
        fourth.ConnectBack();
    }
}

TEST(PreviewPaint, OnlyPagesOnScreenStayUnpacked)
{
    TReport r;
    r.addPages(40);
    TfrPreviewForm form;
    open(form, r.builder, {800, 600});
    form.N3Click(100);
    form.PBox->grab();
    TfrEMFPages &pages = *form.Pages();
    EXPECT_EQ(unpackedCount(pages), 1);
    EXPECT_NE(pages.Unpacked(0), nullptr);

    key(form.PBox, Qt::Key_End, Qt::ControlModifier);
    form.PBox->grab();
    EXPECT_EQ(pages.Unpacked(0), nullptr) << "scrolled away: released";
    EXPECT_TRUE(CurPage == nullptr || CurPage == pages.Unpacked(38) || CurPage == pages.Unpacked(39))
        << "the engine's current page is never a released one";
    EXPECT_NE(pages.Unpacked(39), nullptr);
    EXPECT_LE(unpackedCount(pages), 2);

    form.N3Click(10); // many small pages on screen at once
    form.PBox->grab();
    int onScreen = 0;
    for (int i = 0; i < pages.Count(); ++i)
        onScreen += QRect(QPoint(), form.PBox->size()).intersects(form.PageRectOnBox(i));
    EXPECT_EQ(unpackedCount(pages), onScreen);

    form.ConnectBack();
    r.builder.EMFPages.Clear();
    EXPECT_EQ(CurPage, nullptr) << "freed with its pages";
}

TEST(PreviewPaint, PagesAreWhiteWithFrameOnGrey)
{
    TReport r;
    r.addPage({{u("Текст"), 100, 100, 200, 20}}, 200, 300);
    TfrPreviewForm form;
    open(form, r.builder, {400, 400});
    form.N3Click(100);
    const QImage shot = form.PBox->grab().toImage();
    const QRect page = form.PageRectOnBox(0);
    EXPECT_EQ(page, QRect(100, 10, 200, 300));
    EXPECT_EQ(shot.pixelColor(5, 5), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(shot.pixelColor(page.left(), page.top() + 50), QColor(Qt::black)) << "frame";
    EXPECT_EQ(shot.pixelColor(page.left() + 20, page.top() + 20), QColor(Qt::white));
    EXPECT_EQ(shot.pixelColor(page.right() + 1, page.top() + 50), QColor(Qt::black)) << "shadow";
    EXPECT_EQ(shot.pixelColor(page.left() + 50, page.bottom() + 1), QColor(Qt::black)) << "shadow";
    EXPECT_EQ(shot.pixelColor(page.left() + 50, page.bottom() + 3), QColor(0x80, 0x80, 0x80));
}

TEST(PreviewMouse, LinkObjectsJumpAndShowTheirTargetOthersPan)
{
    TReport r;
    r.addPage({{u("к странице 3"), 40, 40, 200, 20, QStringLiteral("URLJump"), QStringLiteral("toc@3")}});
    r.addPages(3);
    TfrPreviewForm form;
    open(form, r.builder, {800, 600});
    form.N3Click(100);
    const QRect page = form.PageRectOnBox(0);
    const QPointF onLink(page.left() + 60, page.top() + 50);

    QMouseEvent move(QEvent::MouseMove, onLink, form.PBox->mapToGlobal(onLink), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(form.PBox, &move);
    EXPECT_EQ(form.Label2->text(), u("Стр. 3"));
    EXPECT_EQ(form.PBox->cursor().shape(), Qt::PointingHandCursor);

    QMouseEvent press(QEvent::MouseButtonPress, onLink, form.PBox->mapToGlobal(onLink), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.PBox, &press);
    EXPECT_EQ(form.CurPage(), 3);
    QMouseEvent release(QEvent::MouseButtonRelease, onLink, form.PBox->mapToGlobal(onLink), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(form.PBox, &release);

    // Off the link: the page under the pointer becomes current and dragging pans.
    const QRect third = form.PageRectOnBox(2);
    const QPointF blank(third.left() + 400, third.top() + 300);
    QMouseEvent down(QEvent::MouseButtonPress, blank, form.PBox->mapToGlobal(blank), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.PBox, &down);
    const int before = form.VScrollBar->value();
    const QPointF up = blank - QPointF(0, 40);
    QMouseEvent drag(QEvent::MouseMove, up, form.PBox->mapToGlobal(up), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(form.PBox, &drag);
    EXPECT_EQ(form.VScrollBar->value(), before + 40);
}

TEST(PreviewMouse, ObjectClickEventOfTheReportFires)
{
    TReport r;
    r.addPage({{u("A"), 40, 40, 200, 20, QStringLiteral("Cell")}});
    QStringList clicked;
    r.builder.events.OnObjectClick = [&](TfrView &v) { clicked << v.Name; };
    TfrPreviewForm form;
    open(form, r.builder, {800, 600});
    form.N3Click(100);
    const QRect page = form.PageRectOnBox(0);
    const QPointF at(page.left() + 50, page.top() + 45);
    QMouseEvent press(QEvent::MouseButtonPress, at, form.PBox->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(form.PBox, &press);
    EXPECT_EQ(clicked, QStringList{QStringLiteral("Cell")});
}

TEST(PreviewSearch, LowerCaseFindsAnyCaseAndF3GoesOnToLaterPages)
{
    TReport r;
    r.addPage({{u("Входящее ПИСЬМО № 1"), 40, 100}});
    r.addPage({{u("Счёт"), 40, 100}});
    r.addPage({{u("Приказ"), 40, 100}, {u("сопроводительное Письмо"), 40, 600}});
    r.addPages(20);
    TDialogs dialogs;
    TfrPreviewForm form;
    open(form, r.builder, {800, 600});
    form.N3Click(100);

    form.SetSearch(u("письмо"), false, true);
    ASSERT_TRUE(form.FindText());
    EXPECT_EQ(form.FoundPage(), 0);
    EXPECT_EQ(form.CurPage(), 1);
    const QRectF hit = form.FoundRect();
    EXPECT_GE(hit.left(), 40);
    EXPECT_LE(hit.right(), 40 + 300 + 1);
    EXPECT_GE(hit.top(), 95);
    EXPECT_LE(hit.bottom(), 125);

    key(form.PBox, Qt::Key_F3);
    EXPECT_EQ(form.FoundPage(), 2);
    EXPECT_EQ(form.CurPage(), 3);
    EXPECT_GE(form.FoundRect().top(), 595);
    // The hit is on screen: the page's top or further down so that the hit fits.
    const QRect third = form.PageRectOnBox(2);
    EXPECT_LE(third.top() + int(form.FoundRect().bottom()), form.PBox->height());
    EXPECT_GE(third.top() + int(form.FoundRect().top()), 0);

    form.PBox->grab();
    EXPECT_LE(unpackedCount(*form.Pages()), 2) << "searched pages are released";

    // No further hit: nothing moves, the old hit is no longer shown as found, and the
    // operator is told that the search reached the end.
    EXPECT_TRUE(dialogs.messages.isEmpty());
    const int value = form.VScrollBar->value();
    key(form.PBox, Qt::Key_F3);
    EXPECT_EQ(form.FoundPage(), -1);
    EXPECT_EQ(form.VScrollBar->value(), value);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith(u("Поиск дошёл до конца отчёта"))) << dialogs.messages[0].toStdString();
    EXPECT_EQ(dialogs.captions[0], u("Поиск"));
    EXPECT_EQ(dialogs.parents[0], &form) << "over the preview";

    // F3 once more goes round to the first hit.
    key(form.PBox, Qt::Key_F3);
    EXPECT_EQ(form.FoundPage(), 0);
    EXPECT_EQ(form.CurPage(), 1);
    EXPECT_EQ(dialogs.messages.size(), 1);
}

TEST(PreviewSearch, CaseSensitiveAndContinueFromTheCurrentPage)
{
    TReport r;
    r.addPage({{u("ПИСЬМО")}});
    r.addPage({{u("письмо")}});
    r.addPage({{u("письмо")}});
    TDialogs dialogs;
    TfrPreviewForm form;
    open(form, r.builder, {800, 600});
    form.N3Click(100);
    form.SetSearch(u("письмо"), true, true);
    ASSERT_TRUE(form.FindText());
    EXPECT_EQ(form.FoundPage(), 1);

    form.SetCurPage(3);
    form.SetSearch(u("ПИСЬМО"), false, false); // "Продолжить" on another page: from its start
    ASSERT_TRUE(form.FindText());
    EXPECT_EQ(form.FoundPage(), 2);

    // A text that is not there: said so, and the previous hit is no longer highlighted,
    // so nothing looks found; the page shown stays.
    EXPECT_TRUE(dialogs.messages.isEmpty());
    form.SetSearch(u("нет такого"), false, true);
    EXPECT_FALSE(form.FindText());
    EXPECT_EQ(form.FoundPage(), -1);
    EXPECT_EQ(form.CurPage(), 3);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], u("Текст «нет такого» не найден."));
}

TEST(PreviewSearch, TextRunsOfAPageAreFoundInDrawingOrder)
{
    TReport r;
    r.addPage({{u("первый"), 40, 40}, {u("ВТОРОЙ"), 40, 80}, {u("второй раз"), 40, 120}});
    TfrEMFPages &pages = r.builder.EMFPages;
    const auto runs = frPageTextRuns(pages, 0, QRect(0, 0, 740, 1040), QSize(740, 1040));
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(frFindTextRun(runs, 0, u("ВТОРОЙ"), false), 1);
    EXPECT_EQ(frFindTextRun(runs, 2, u("ВТОРОЙ"), false), 2);
    EXPECT_EQ(frFindTextRun(runs, 0, u("второй"), true), 2);
    EXPECT_EQ(frFindTextRun(runs, 3, u("ВТОРОЙ"), false), -1);
    EXPECT_EQ(frFindTextRun(runs, 0, QString(), false), -1);
    EXPECT_LT(runs[0].bounds.bottom(), runs[1].bounds.top());
}

// A filter that records what it was asked to write.
class TTestFilter : public TfrExportFilter {
public:
    TTestFilter(const QString &desc, const QString &mask) { frRegisterExportFilter(this, desc, mask); }
    ~TTestFilter() override { frUnRegisterExportFilter(this); }
    void OnBeginPage() override { ++pages; }
    int pages = 0;
};

class TPdfLikeFilter : public TTestFilter {
    Q_OBJECT
public:
    TPdfLikeFilter() : TTestFilter(QStringLiteral("PDF-файл"), QStringLiteral("*.pdf")) {}
};
class TSheetLikeFilter : public TTestFilter {
    Q_OBJECT
public:
    TSheetLikeFilter() : TTestFilter(QStringLiteral("Таблица (*.xlsx)"), QStringLiteral("*.xlsx;*.xls")) {}
};

TEST(PreviewSave, TheChosenEntryForcesItsExtension)
{
    QTemporaryDir dir;
    TPdfLikeFilter pdf;
    TSheetLikeFilter sheet;
    sheet.Default = true;
    TReport r;
    r.addPages(3);
    TDialogs dialogs;
    TfrPreviewForm form;
    open(form, r.builder, {800, 600});
    form.SetCurPage(2);

    struct Row {
        QString typed;
        int entry;
        QString written;
    };
    const Row rows[] = {
        {QStringLiteral("journal.txt"), 2, QStringLiteral("journal.pdf")},
        {QStringLiteral("journal"), 3, QStringLiteral("journal.xlsx")},
        {QStringLiteral("copy.pdf"), 1, QStringLiteral("copy.frp")},
        {QStringLiteral("v1.2/report"), 1, QStringLiteral("v1.2/report.frp")},
    };
    QDir(dir.path()).mkdir(QStringLiteral("v1.2"));
    for (const Row &row : rows) {
        SCOPED_TRACE(row.written.toStdString());
        dialogs.fileToSave = dir.filePath(row.typed);
        dialogs.filterToChoose = row.entry;
        form.SaveBtnClick();
        EXPECT_TRUE(QFile::exists(dir.filePath(row.written)));
        EXPECT_EQ(form.PageCount(), 3) << "the pages come back after the save";
        EXPECT_EQ(r.builder.EMFPages.Count(), 0);
    }
    EXPECT_EQ(dialogs.preselected, 3) << "the first filter marked Default";
    const QStringList entries = dialogs.lastFilter.split(u'|');
    ASSERT_GE(entries.size(), 6);
    EXPECT_EQ(entries[0], u("Файл отчета (*.frp)"));
    EXPECT_EQ(entries[1], u("*.frp"));
    EXPECT_EQ(entries[3], u("*.pdf"));
    EXPECT_EQ(pdf.pages, 3);
    EXPECT_EQ(sheet.pages, 3);
    EXPECT_EQ(form.CurPage(), 2) << "an export keeps the place";
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("journal.txt"))));
}

TEST(PreviewOpen, ACorruptFileIsReportedAndThePagesShownStay)
{
    QTemporaryDir dir;
    TReport r;
    r.addPage({{u("исходная страница")}});
    r.addPages(1);
    TDialogs dialogs;
    TfrPreviewForm form;
    open(form, r.builder, {800, 600});

    const QString bad = dir.filePath(QStringLiteral("bad.frp"));
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\x19\x00\x05PRN\x00\xff\xff\xff\x7f garbage", 20));
    f.close();
    form.LoadFromFile(bad);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].contains(u("поврежден"))) << dialogs.messages[0].toStdString();
    EXPECT_EQ(dialogs.captions[0], u("Ошибка"));
    EXPECT_EQ(dialogs.parents[0], &form) << "over its window";
    ASSERT_EQ(form.PageCount(), 2);
    EXPECT_EQ(pageTexts(*form.Pages(), 0), QStringList{u("исходная страница")});

    form.LoadFromFile(dir.filePath(QStringLiteral("missing.frp")));
    EXPECT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(form.PageCount(), 2);

    // A good file replaces the pages; the Open button offers prepared reports.
    TReport other;
    other.addPages(5);
    const QString good = dir.filePath(QStringLiteral("good.frp"));
    other.builder.SavePreparedReport(good);
    dialogs.fileToOpen = good;
    key(form.PBox, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(dialogs.lastFilter, u("Файл отчета (*.frp)|*.frp"));
    EXPECT_EQ(form.PageCount(), 5);
    EXPECT_EQ(form.CurPage(), 1);
    EXPECT_FALSE(r.builder.Rebuildable());
}

TEST(PreviewPages, RemovingIsRefusedAtOnePageAddingInsertsBeforeTheCurrent)
{
    // The menu items show with a designer; the handlers work either way.
    frEditPreparedPageHook() = [](TfrReportBuilder &, int) {};
    TReport r;
    r.addPage({{u("первая")}});
    r.addPage({{u("вторая")}});
    TDialogs dialogs;
    TfrPreviewForm form;
    open(form, r.builder, {800, 600});
    EXPECT_TRUE(form.DelPageItem->isEnabled());

    dialogs.answerYes = false;
    form.SetCurPage(2);
    form.DelPageBtnClick();
    EXPECT_EQ(dialogs.messages, QStringList{u("Удалить страницу?")});
    EXPECT_EQ(dialogs.captions, QStringList{u("Подтверждение")});
    EXPECT_EQ(form.PageCount(), 2);

    dialogs.answerYes = true;
    form.SetCurPage(1);
    form.DelPageBtnClick();
    ASSERT_EQ(form.PageCount(), 1);
    EXPECT_EQ(pageTexts(*form.Pages(), 0), QStringList{u("вторая")});
    EXPECT_FALSE(form.DelPageItem->isEnabled());

    form.DelPageBtnClick();
    EXPECT_EQ(dialogs.messages.size(), 2) << "no question with one page left";
    EXPECT_EQ(form.PageCount(), 1);

    form.NewPageBtnClick();
    ASSERT_EQ(form.PageCount(), 2);
    EXPECT_TRUE(pageTexts(*form.Pages(), 0).isEmpty()) << "a new empty page before the current one";
    EXPECT_EQ(pageTexts(*form.Pages(), 1), QStringList{u("вторая")});
    EXPECT_GT((*form.Pages())[0].displayRect.height(), 0) << "laid out with the others";
    frEditPreparedPageHook() = nullptr;
}

TEST(PreviewButtons, TheReportsSettingsChooseTheToolbar)
{
    TReport r;
    r.addPages(1);
    r.builder.PreviewButtons = pbZoom | pbSave | pbPrint | pbFind | pbHelp | pbExit;
    TfrPreviewForm form;
    open(form, r.builder, {800, 600});
    auto shown = [&](QWidget *w) { return w->isVisibleTo(&form); };
    EXPECT_TRUE(shown(form.ZoomBtn));
    EXPECT_FALSE(shown(form.LoadBtn));
    EXPECT_TRUE(shown(form.SaveBtn));
    EXPECT_TRUE(shown(form.PrintBtn));
    EXPECT_TRUE(shown(form.FindBtn));
    EXPECT_FALSE(shown(form.HelpBtn)) << "no help system installed";
    EXPECT_TRUE(shown(form.ExitBtn));
    EXPECT_FALSE(shown(form.PageSetupBtn));
    EXPECT_TRUE(shown(form.Separator3));
    EXPECT_EQ(form.PrintBtn->isEnabled(), Prn.HasPlatformPrinters());
    EXPECT_FALSE(form.EditPageItem->isVisible()) << "no designer";
    EXPECT_FALSE(form.DelPageItem->isVisible());
    EXPECT_EQ(form.FindBtn->toolTip(), u("Поиск"));
    EXPECT_EQ(form.SaveBtn->toolTip(), u("Сохранить отчет в файле"));
    EXPECT_EQ(form.ExitBtn->toolTip(), u("Выход"));
    for (QToolButton *b : {form.SaveBtn, form.PrintBtn, form.FindBtn, form.ExitBtn})
        EXPECT_FALSE(b->icon().isNull()) << b->objectName().toStdString();

    r.builder.PreviewButtons = pbLoad | pbPageSetup;
    bool helped = false;
    frHelpContextHook() = [&](int) { helped = true; };
    form.InitButtons();
    EXPECT_FALSE(shown(form.ZoomBtn));
    EXPECT_FALSE(shown(form.Separator1));
    EXPECT_TRUE(shown(form.LoadBtn));
    EXPECT_TRUE(shown(form.PageSetupBtn));
    EXPECT_FALSE(shown(form.Separator3));
    frHelpContextHook() = nullptr;
}

TEST(PreviewPages, EditItemsShowWithADesignerAndModifyPrepared)
{
    TReport r;
    r.addPages(2);
    std::vector<int> edited;
    frEditPreparedPageHook() = [&](TfrReportBuilder &report, int index) {
        edited.push_back(index);
        EXPECT_EQ(report.EMFPages.Count(), 2) << "the report owns its pages while editing";
    };
    TDialogs dialogs;
    TfrPreviewForm form;
    open(form, r.builder, {800, 600});
    EXPECT_TRUE(form.EditPageItem->isVisible());
    form.SetCurPage(2);
    key(form.PBox, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(edited, std::vector<int>{1});
    EXPECT_EQ(form.PageCount(), 2);

    form.ZoomBtnClick();
    EXPECT_EQ(dialogs.popups, QStringList{QStringLiteral("ProcMenu")});
    EXPECT_FALSE(form.EditPageItem->isVisible()) << "the zoom button's menu has no edit items";

    r.builder.ModifyPrepared = false;
    form.InitButtons();
    EXPECT_FALSE(form.EditPageItem->isVisible());
    frEditPreparedPageHook() = nullptr;
}

} // namespace

#include "preview_form_test.moc"
