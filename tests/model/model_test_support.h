// A report with one A4 page made current, the engine services started, and the current
// pointers and error state put back after each test.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QPainter>
#include <memory>

#include "report/eval/codec.h"
#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/model/band.h"
#include "report/model/fr_globals.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/recording_device.h"
#include "report/model/report.h"
#include "report/model/text_layout.h"

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frGlobals();
        report = std::make_unique<TfrReport>();
        page = report->AddPage();
        CurReport = report.get();
        CurPage = page;
        CurBand = nullptr;
        CurView = nullptr;
        DocMode = dmPrinting;
        DisableDrawing = false;
        ErrorFlag = false;
        ErrorStr.clear();
        frVersion = 25;
    }
    void TearDown() override
    {
        CurView = nullptr;
        CurBand = nullptr;
        CurPage = nullptr;
        CurReport = nullptr;
        MasterReport = nullptr;
        DocMode = dmDesigning;
        ErrorFlag = false;
        ErrorStr.clear();
        frVersion = 25;
        report.reset();
    }

    template <class V> V *add(const QString &name, int left = 0, int top = 0, int width = 100, int height = 20)
    {
        auto v = std::make_unique<V>();
        v->Name = name;
        v->SetBounds(left, top, width, height);
        return static_cast<V *>(page->Add(std::move(v)));
    }

    std::unique_ptr<TfrReport> report;
    TfrPage *page = nullptr;
};

// Raw record bytes, for the older stream versions this system never writes.
class RecordBuilder {
public:
    RecordBuilder &byte(int v) { m_s.append(char(v)); return *this; }
    RecordBuilder &word(int v) { byte(v & 0xFF); return byte((v >> 8) & 0xFF); }
    RecordBuilder &integer(qint32 v)
    {
        for (int i = 0; i < 4; ++i)
            byte((quint32(v) >> (8 * i)) & 0xFF);
        return *this;
    }
    // string, string list in the current encoding
    RecordBuilder &str(const QString &s)
    {
        const QByteArray b = frToCp1251(s);
        word(int(b.size()));
        m_s.append(b);
        return byte(0);
    }
    RecordBuilder &list(const QStringList &lines)
    {
        word(int(lines.size()));
        if (lines.isEmpty())
            return byte(0);
        for (int i = 0; i < lines.size(); ++i) {
            const QByteArray b = frToCp1251(lines[i]);
            word(int(b.size()));
            m_s.append(b);
            byte(i + 1 < lines.size() ? 13 : 0);
        }
        return *this;
    }
    // the pre-23 forms
    RecordBuilder &str22(const QString &s) { m_s.append(frToCp1251(s)); return byte(0); }
    RecordBuilder &list22(const QStringList &lines)
    {
        m_s.append(frToCp1251(lines.join(QChar(13))));
        return byte(0);
    }
    TfrStream stream() const { return TfrStream(m_s); }

private:
    QByteArray m_s;
};

// Draws a view at scale 1 on a recording device.
inline void drawOn(TfrRecordingDevice &device, TfrView &view)
{
    QPainter p(&device);
    view.Draw(&p);
}
