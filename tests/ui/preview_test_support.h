// Prepared pages made by hand for the preview tests: a report component whose pages carry
// text objects where a test wants them, on paper of a size the test chooses.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <ostream>
#include <vector>

#include "report/engine/prepare.h"
#include "report/engine/prepared_pages.h"
#include "report/eval/globals.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/ui/preview_form.h"

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace previewtest {

inline QString u(const char *s) { return QString::fromUtf8(s); }

// One text object of a page.
struct TText {
    TText(QString text, int left = 40, int top = 40, int width = 300, int height = 20,
          QString name = QStringLiteral("Memo"), QString tag = QString())
        : text(std::move(text)), left(left), top(top), width(width), height(height), name(std::move(name)),
          tag(std::move(tag))
    {
    }
    QString text;
    int left, top, width, height;
    QString name;
    QString tag;
};

class TReport {
public:
    TReport()
    {
        frPreviewZoomMemory() = TfrPreviewZoomMemory{};
        CurReport = &builder.Report;
        templatePage = builder.Report.AddPage();
        builder.ShowErrorBox = false;
    }
    ~TReport()
    {
        CurReport = MasterReport = nullptr;
        CurPage = nullptr;
    }

    // A page of paper w x h page units (margins applied) with the given texts.
    void addPage(const std::vector<TText> &texts, int w = 740, int h = 1040)
    {
        TfrEMFPages &pages = builder.EMFPages;
        PageNo = pages.Count();
        pages.Add(*templatePage);
        TfrPageInfo &info = pages[pages.Count() - 1];
        info.applyMargins = true;
        TfrPrnInfo p;
        p.paperWidthU = p.printWidthU = w;
        p.paperHeightU = p.printHeightU = h;
        p.paperWidthPx = p.printWidthPx = w;
        p.paperHeightPx = p.printHeightPx = h;
        info.prnInfo = p;
        TfrMemoView memo;
        memo.inPreparedPage = true;
        memo.Font.Name = QStringLiteral("Arial");
        memo.Font.Size = 10;
        for (const TText &t : texts) {
            memo.Name = t.name;
            memo.Tag = t.tag;
            memo.SetBounds(t.left, t.top, t.width, t.height);
            memo.Memo = QStringList{t.text};
            memo.expandedMemo = QStringList{t.text};
            memo.WriteTypeAndRecord(info.Stream());
        }
    }
    void addPages(int count, int w = 740, int h = 1040)
    {
        for (int i = 0; i < count; ++i)
            addPage({{QStringLiteral("Page %1").arg(i + 1)}}, w, h);
    }

    TfrReportBuilder builder;
    TfrPage *templatePage = nullptr;
};

inline void processEvents()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// Shows the window (normal state) with a page box of exactly that size.
inline void showWithBox(TfrPreviewForm &form, QSize box)
{
    form.show();
    processEvents();
    const QSize extra = form.size() - form.PBox->size();
    if (form.size() != box + extra) {
        // Resized while hidden, so a real display maps it at that size.
        form.hide();
        form.resize(box + extra);
        form.show();
        processEvents();
    }
    EXPECT_EQ(form.PBox->size(), box) << "the window cannot take that size";
}

// Connects the report as opening the window does, with a page box of that size.
inline void open(TfrPreviewForm &form, TfrReportBuilder &report, QSize box)
{
    form.Connect(&report);
    form.InitButtons();
    form.RedrawAll(true);
    showWithBox(form, box);
}

inline void key(QWidget *target, int k, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, k, mods);
    QApplication::sendEvent(target, &press);
    processEvents();
}

// The texts of a prepared page in stored order.
inline QStringList pageTexts(TfrEMFPages &pages, int index, const QString &name = QString())
{
    QStringList texts;
    pages.ForEachObject(index, [&](TfrView &v) {
        if (name.isEmpty() || v.Name == name)
            texts << static_cast<TfrMemoView &>(v).Memo.join(QLatin1Char('\n'));
    });
    return texts;
}

inline int unpackedCount(TfrEMFPages &pages)
{
    int n = 0;
    for (int i = 0; i < pages.Count(); ++i)
        n += pages.Unpacked(i) != nullptr;
    return n;
}

// Answers the preview's modal questions for the life of a test.
class TDialogs {
public:
    TDialogs()
    {
        saved = frPreviewDialogs();
        TfrPreviewDialogs &d = frPreviewDialogs();
        d.messageBox = [this](QWidget *parent, const QString &text, const QString &caption, int flags) {
            messages << text;
            captions << caption;
            parents << parent;
            return (flags & 0x0F) == 4 ? (answerYes ? 6 : 7) : 1;
        };
        d.openFileName = [this](QWidget *, const QString &filter) {
            lastFilter = filter;
            return fileToOpen;
        };
        d.saveFileName = [this](QWidget *, const QString &filter, int &index) {
            lastFilter = filter;
            preselected = index;
            index = filterToChoose;
            return fileToSave;
        };
        d.popup = [this](QMenu &menu, const QPoint &) { popups << menu.objectName(); };
    }
    ~TDialogs() { frPreviewDialogs() = saved; }

    QStringList messages, captions;
    QList<QWidget *> parents;
    bool answerYes = true;
    QString fileToOpen, fileToSave, lastFilter;
    int filterToChoose = 1, preselected = 0;
    QStringList popups;

private:
    TfrPreviewDialogs saved;
};

} // namespace previewtest
