// Small templates built in code and the prepared pages they give, read back object by object.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <memory>
#include <vector>

#include "report/engine/prepare.h"
#include "report/engine/prepared_pages.h"
#include "report/eval/dataset.h"
#include "report/eval/globals.h"
#include "report/model/band_view.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/model/subreport_view.h"

namespace prepare_test {

inline QString u(const char *s) { return QString::fromUtf8(s); }

struct Obj {
    QString name, text;
    int left = 0, top = 0, width = 0, height = 0;
};
using PageObjs = std::vector<Obj>;

inline std::vector<PageObjs> readPages(TfrEMFPages &pages)
{
    std::vector<PageObjs> out;
    for (int i = 0; i < pages.GetCount(); ++i) {
        PageObjs objs;
        pages.ForEachObject(i, [&objs](TfrView &v) {
            objs.push_back({v.Name, v.Memo.join(QLatin1Char('|')), v.Left, v.Top, v.Width, v.Height});
        });
        out.push_back(std::move(objs));
    }
    return out;
}

inline std::vector<QString> textsOf(const PageObjs &objs, const QString &name)
{
    std::vector<QString> r;
    for (const Obj &o : objs)
        if (o.name == name)
            r.push_back(o.text);
    return r;
}

inline const Obj *find(const PageObjs &objs, const QString &name)
{
    for (const Obj &o : objs)
        if (o.name == name)
            return &o;
    return nullptr;
}

class Template {
public:
    Template()
    {
        CurReport = &report;
        page = report.Pages.Add();
        page->pgMargins = {20, 20, 20, 20};
        CurPage = page;
        builder.ShowErrorBox = false;
    }
    ~Template()
    {
        CurPage = nullptr;
        CurReport = MasterReport = nullptr;
    }

    TfrBandView *band(TfrPage *p, const char *name, int type, int top, int height, const char *source = "")
    {
        auto v = std::make_unique<TfrBandView>();
        v->Name = u(name);
        v->SetBounds(0, top, 700, height);
        v->SetBandType(type);
        v->Flags = 0;
        v->formatText = u(source);
        return static_cast<TfrBandView *>(p->Add(std::move(v)));
    }
    TfrBandView *band(const char *name, int type, int top, int height, const char *source = "")
    {
        return band(page, name, type, top, height, source);
    }
    TfrMemoView *memo(TfrPage *p, const char *name, int left, int top, int width, int height, const char *text)
    {
        auto v = std::make_unique<TfrMemoView>();
        v->Name = u(name);
        v->SetBounds(left, top, width, height);
        v->Memo = u(text).split(QLatin1Char('|'));
        v->Flags = 0;
        return static_cast<TfrMemoView *>(p->Add(std::move(v)));
    }
    TfrMemoView *memo(const char *name, int left, int top, int width, int height, const char *text)
    {
        return memo(page, name, left, top, width, height, text);
    }

    std::vector<PageObjs> prepare(bool expectOk = true)
    {
        ok = builder.PrepareReport();
        // The template is restored from its snapshot: the page objects are new ones.
        page = report.Page(0);
        CurPage = page;
        if (expectOk) {
            EXPECT_TRUE(ok) << builder.LastError.toStdString();
        }
        return readPages(builder.EMFPages);
    }

    TfrReport report;
    TfrPage *page = nullptr;
    TfrReportBuilder builder{report};
    bool ok = false;
};

} // namespace prepare_test
