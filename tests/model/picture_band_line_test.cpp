// Pictures, lines, band views and sub-reports: placement, normalisation, properties by
// band type, and their parts of the object record.
#include "model_test_support.h"

#include <QBuffer>
#include <QTemporaryDir>

#include "report/eval/dataset.h"
#include "report/eval/variables.h"
#include "report/model/band_view.h"
#include "report/model/jpeg.h"
#include "report/model/line_view.h"
#include "report/model/picture_view.h"
#include "report/model/registry.h"
#include "report/model/subreport_view.h"

namespace {

QImage sampleImage(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(200, 30, 40));
    for (int x = 0; x < w; ++x)
        img.setPixel(x, x % h, qRgb(0, 0, 255));
    return img;
}

TEST_F(ModelTest, PictureInAStretchedAspectKeepingCentredFrame)
{
    auto *p = add<TfrPictureView>(QStringLiteral("Picture1"), 100, 100, 200, 200);
    p->Picture.setImage(pkBitmap, sampleImage(100, 50));
    p->Flags = flStretched | flPictCenter | flPictRatio;
    TfrRecordingDevice d;
    drawOn(d, *p);
    ASSERT_EQ(d.images.size(), 1u);
    const QRectF target = d.images[0].target;
    EXPECT_EQ(target.height(), 100) << "height follows the width's scale";
    EXPECT_EQ(target.top(), 100 + 50) << "moved down by half the room left";
    EXPECT_EQ(target.left(), 100);
    EXPECT_EQ(target.width(), p->innerRect.width());

    const struct {
        quint16 flags;
        QRect expected;
    } rows[] = {
        {flStretched, QRect(100, 100, 201, 201)},
        {flStretched | flPictRatio, QRect(100, 100, 201, 100)},
        {0, QRect(100, 100, 100, 50)},
        {flPictCenter, QRect(100 + 50, 100 + 75, 100, 50)},
    };
    for (const auto &row : rows) {
        p->Flags = row.flags;
        TfrRecordingDevice dd;
        drawOn(dd, *p);
        ASSERT_EQ(dd.images.size(), 1u) << "flags " << row.flags;
        EXPECT_EQ(dd.images[0].target.toRect(), row.expected) << "flags " << row.flags;
    }
}

TEST_F(ModelTest, PictureRecordsKeepTheirBytes)
{
    const struct {
        TfrPictureKind kind;
    } rows[] = {{pkBitmap}, {pkJPEG}, {pkIcon}};
    for (const auto &row : rows) {
        TfrPictureView p;
        p.Picture.setImage(row.kind, sampleImage(16, 8));
        ASSERT_FALSE(p.Picture.isEmpty()) << "kind " << int(row.kind);
        p.BlobType = btJPG;
        TfrStream s;
        p.SaveToStream(s);
        frWriteByte(s, 0x5A); // whatever follows the record
        s.seek(0);
        TfrPictureView back;
        back.LoadFromStream(s);
        EXPECT_EQ(back.Picture.kind(), row.kind);
        EXPECT_EQ(back.Picture.data(), p.Picture.data());
        EXPECT_EQ(back.Picture.width(), 16);
        EXPECT_EQ(back.BlobType, btJPG);
        EXPECT_EQ(frReadByte(s), 0x5A) << "reading resumes at the end position";
    }
    // A metafile is kept byte for byte although nothing here can draw it.
    QByteArray emf(64, '\0');
    emf[0] = 1;
    emf[16] = 49; // bounds 0..49 x 0..29
    emf[20] = 29;
    TfrPictureView m;
    m.Picture.loadFromData(pkMetafile, emf);
    TfrStream s;
    m.SaveToStream(s);
    s.seek(0);
    TfrPictureView back;
    back.LoadFromStream(s);
    EXPECT_EQ(back.Picture.kind(), pkMetafile);
    EXPECT_EQ(back.Picture.data(), emf);
    EXPECT_EQ(back.Picture.width(), 50);
    TfrRecordingDevice d;
    drawOn(d, back);
    EXPECT_TRUE(d.images.empty());
}

TEST_F(ModelTest, HostilePictureRecords)
{
    TfrPictureView p;
    p.Picture.setImage(pkJPEG, sampleImage(16, 8));
    TfrStream s;
    p.SaveToStream(s);
    QByteArray bytes = s.data();
    const qsizetype imageStart = bytes.size() - p.Picture.data().size();

    // Corrupt JPEG bytes: an error, the stream positioned after the record.
    QByteArray corrupt = bytes;
    for (qsizetype i = imageStart + 20; i < corrupt.size(); ++i)
        corrupt[i] = char(0xFF);
    corrupt.append(char(0x33));
    TfrStream cs(corrupt);
    TfrPictureView a;
    EXPECT_THROW(a.LoadFromStream(cs), EfrError);
    EXPECT_EQ(frReadByte(cs), 0x33);

    // An end position beyond the data is a read error, not a read past the end.
    QByteArray far = bytes;
    qToLittleEndian<qint32>(0x7FFFFFF0, far.data() + imageStart - 4);
    TfrStream fs(far);
    TfrPictureView b;
    EXPECT_THROW(b.LoadFromStream(fs), EReadError);

    // An unknown kind is skipped.
    QByteArray unknown = bytes;
    unknown[imageStart - 6] = char(9);
    TfrStream us(unknown);
    TfrPictureView c;
    c.LoadFromStream(us);
    EXPECT_TRUE(c.Picture.isEmpty());
    EXPECT_TRUE(us.atEnd());

    // JPEG data that claims a huge image is refused before anything is allocated.
    QByteArray header = frEncodeJpeg(sampleImage(8, 8));
    const qsizetype sof = header.indexOf("\xFF\xC0");
    ASSERT_GT(sof, 0);
    header[sof + 5] = char(0xFF); // height 0xFF..
    header[sof + 6] = char(0xFF);
    header[sof + 7] = char(0xFF); // width 0xFF..
    header[sof + 8] = char(0xFF);
    QImage img;
    QString error;
    EXPECT_FALSE(frDecodeJpeg(header, img, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(frDecodeJpeg(QByteArray("\xFF\xD8garbage", 9), img, error));
}

TEST_F(ModelTest, PictureLoadsFromAFileOrClears)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("p.jpg"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(frEncodeJpeg(sampleImage(20, 10)));
    }
    auto *p = add<TfrPictureView>(QStringLiteral("Picture1"));
    p->DoMethod(QStringLiteral("LoadFromFile"), TfrVariant(QStringLiteral("'%1'").arg(file)), {}, {});
    EXPECT_EQ(p->Picture.kind(), pkJPEG);
    EXPECT_EQ(p->Picture.width(), 20);
    p->DoMethod(QStringLiteral("LOADFROMFILE"), TfrVariant(QStringLiteral("'%1'").arg(dir.filePath("none.bmp"))), {}, {});
    EXPECT_TRUE(p->Picture.isEmpty());
    EXPECT_TRUE(frConsts().GetVariable(QStringLiteral("btJPG")).sameAs(TfrVariant(1)));
}

TEST_F(ModelTest, LinesBecomeHorizontalOrVertical)
{
    auto *line = add<TfrLineView>(QStringLiteral("Line1"), 10, 20, 100, 3);
    TfrRecordingDevice d;
    drawOn(d, *line);
    EXPECT_EQ(line->Height, 0);
    EXPECT_EQ(line->FrameTyp, frftTop);
    ASSERT_EQ(d.lines.size(), 1u);
    EXPECT_EQ(d.lines[0].line, QLineF(10, 20, 110, 20));

    auto *vertical = add<TfrLineView>(QStringLiteral("Line2"), 10, 20, 5, 5);
    TfrRecordingDevice dv;
    drawOn(dv, *vertical);
    EXPECT_EQ(vertical->Width, 0);
    EXPECT_EQ(vertical->FrameTyp, frftLeft);
    EXPECT_EQ(vertical->CalcHeight(), 5);
    EXPECT_EQ(vertical->MinHeight(), 1);
    vertical->FrameWidth = 3;
    EXPECT_EQ(vertical->GetClipRgn(rtNormal).boundingRect(), QRect(QPoint(9, 20), QPoint(11, 25)));
    vertical->FrameStyle = psDouble;
    EXPECT_EQ(vertical->GetClipRgn(rtNormal).boundingRect(), QRect(QPoint(6, 20), QPoint(14, 25)));
}

QStringList propertyNames(TfrObject &o)
{
    o.DefineProperties();
    QStringList names;
    for (int i = 0; i < o.PropCount(); ++i)
        names << o.Prop(i).propertyName;
    return names;
}

TEST_F(ModelTest, BandPropertiesDependOnTheBandType)
{
    const struct {
        int type;
        QStringList present;
        QStringList absent;
    } rows[] = {
        {btPageFooter, {"OnFirstPage", "OnLastPage", "EOF"}, {"ChildBand", "PrintChildIfInvisible", "Stretched"}},
        {btPageHeader, {"ChildBand", "OnFirstPage", "Stretched"}, {"OnLastPage", "Breaked"}},
        {btMasterData, {"Columns", "ColumnWidth", "DataSource", "PrintIfSubsetEmpty", "FormNewPage", "Breaked"},
         {"Condition", "RepeatHeader"}},
        {btGroupHeader, {"Condition", "Master", "RepeatHeader", "FormNewPage"}, {"Columns"}},
        {btCrossData, {"DataSource"}, {"Columns", "Stretched"}},
        {btOverlay, {"ChildBand", "EOF"}, {"Stretched", "Breaked"}},
    };
    for (const auto &row : rows) {
        TfrBandView b;
        b.SetBandType(row.type);
        const QStringList names = propertyNames(b);
        for (const QString &n : row.present)
            EXPECT_TRUE(names.contains(n)) << "type " << row.type << " lacks " << n.toStdString();
        for (const QString &n : row.absent)
            EXPECT_FALSE(names.contains(n)) << "type " << row.type << " has " << n.toStdString();
        EXPECT_TRUE(names.contains(QStringLiteral("OnBeforePrint"))) << "type " << row.type;
        EXPECT_FALSE(names.contains(QStringLiteral("Memo"))) << "type " << row.type;
        EXPECT_FALSE(names.contains(QStringLiteral("FrameTyp"))) << "bands have no frame";
    }
}

TEST_F(ModelTest, BandViewRecordVersions)
{
    TfrBandView b;
    b.Name = QStringLiteral("MasterData1");
    b.SetBandType(btGroupHeader);
    b.ChildBand = QStringLiteral("Child1");
    b.Master = QStringLiteral("MasterData1");
    b.Columns = 3;
    b.ColumnWidth = 150;
    b.ColumnGap = 10;
    b.recordsPerColumn = 4;
    TfrStream s;
    b.SaveToStream(s);
    s.seek(0);
    TfrBandView back;
    back.LoadFromStream(s);
    EXPECT_TRUE(s.atEnd());
    EXPECT_EQ(back.classPartVersion, 1);
    EXPECT_EQ(back.Master, b.Master);
    EXPECT_EQ(back.ChildBand, b.ChildBand);
    EXPECT_EQ(back.Columns, 3);
    EXPECT_EQ(back.recordsPerColumn, 4);
    EXPECT_EQ(back.GetBandType(), btGroupHeader);

    // Class version 0 with common version 2: no Master.
    QByteArray bytes = s.data();
    const qsizetype versionAt = 2 + frToCp1251(b.Name).size() + 1 + 1;
    bytes[versionAt] = 0;
    bytes.chop(2 + int(frToCp1251(b.Master).size()) + 1);
    TfrStream old(bytes);
    TfrBandView without;
    without.LoadFromStream(old);
    EXPECT_TRUE(old.atEnd());
    EXPECT_TRUE(without.Master.isEmpty());
    EXPECT_EQ(without.ChildBand, b.ChildBand);
}

TEST_F(ModelTest, BandViewsForwardToTheirRuntimeBand)
{
    auto *view = add<TfrBandView>(QStringLiteral("MasterData1"), 0, 100, 700, 30);
    view->SetBandType(btMasterData);
    TfrBand band(btMasterData, page);
    band.Top = 250;
    view->ownerBand = &band;
    EXPECT_EQ(view->GetPropValue(QStringLiteral("Top")).toInteger(), 250);
    view->SetPropValue(QStringLiteral("Visible"), TfrVariant(false));
    EXPECT_FALSE(band.Visible);
    EXPECT_TRUE(view->Visible) << "the template keeps its own";
    view->SetPropValue(QStringLiteral("Breaked"), TfrVariant(true));
    EXPECT_TRUE(band.Breaked);
    EXPECT_TRUE(view->GetPropValue(QStringLiteral("EOF")).isNull());
    view->SetPropValue(QStringLiteral("DataSource"), TfrVariant("5"));
    ASSERT_NE(band.DataSet(), nullptr);
    TfrDataset *ds = band.DataSet();
    ds->First();
    int records = 0;
    while (!view->GetPropValue(QStringLiteral("EOF")).toBoolean() && records < 100) {
        ++records;
        view->DoMethod(QStringLiteral("Next"), {}, {}, {});
    }
    EXPECT_EQ(records, 5) << "a count as data source prints that many times";
    DocMode = dmDesigning;
    EXPECT_EQ(view->GetPropValue(QStringLiteral("Top")).toInteger(), 100);
}

TEST_F(ModelTest, BandTitleTabs)
{
    TfrBandView b;
    b.SetBandType(btChild);
    EXPECT_EQ(b.GetRectangleWidth(), 100) << "never narrower than 100";
    b.SetBandType(btSubDetailFooter);
    const TfrFont f{QStringLiteral("Arial"), 8, 0, 0, frCharset};
    EXPECT_EQ(b.GetRectangleWidth(),
              std::max(100, frFontMetrics(f, frFontPixelHeight(8)).width(frBandNames[btSubDetailFooter]) + 8));
    b.SetBounds(0, 100, 700, 40);
    const QRect clip = b.GetClipRgn(rtNormal).boundingRect();
    EXPECT_EQ(clip.top(), 100 - 18);
    DocMode = dmDesigning;
    TfrRecordingDevice d;
    drawOn(d, b);
    ASSERT_FALSE(d.texts.empty());
    EXPECT_EQ(d.texts.back().text, frBandNames[btSubDetailFooter]);
    EXPECT_EQ(d.texts.back().origin.x(), 4);
    EXPECT_EQ(b.Width, page->PrnInfo.Pgw) << "a horizontal band spans the page";
}

TEST_F(ModelTest, SubReportRecord)
{
    TfrSubReportView v;
    v.subPageIndex = 3;
    TfrStream s;
    v.SaveToStream(s);
    s.seek(0);
    TfrSubReportView back;
    back.LoadFromStream(s);
    EXPECT_TRUE(s.atEnd());
    EXPECT_EQ(back.subPageIndex, 3);
    const QStringList names = propertyNames(back);
    EXPECT_FALSE(names.contains(QStringLiteral("FillColor")));
    EXPECT_TRUE(names.contains(QStringLiteral("Visible")));
}

} // namespace

namespace {

// Every class's record with random bytes changed: loading either works or raises the
// engine's error, and whatever loaded measures, draws and writes without harm.
TEST_F(ModelTest, MutatedRecordsNeverCrash)
{
    std::vector<std::unique_ptr<TfrView>> samples;
    auto memo = std::make_unique<TfrMemoView>();
    memo->Memo = QStringList{QStringLiteral("Мама мыла раму, [2 + 2]"), QStringLiteral("вторая строка")};
    memo->Flags |= flWordBreak | flUnderlines;
    memo->FrameTyp = 15;
    samples.push_back(std::move(memo));
    auto pict = std::make_unique<TfrPictureView>();
    pict->Picture.setImage(pkBitmap, sampleImage(8, 4));
    samples.push_back(std::move(pict));
    auto band = std::make_unique<TfrBandView>();
    band->SetBandType(btMasterData);
    samples.push_back(std::move(band));
    samples.push_back(std::make_unique<TfrLineView>());
    samples.push_back(std::make_unique<TfrSubReportView>());

    quint32 seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (auto &sample : samples) {
        sample->SetBounds(10, 10, 120, 40);
        TfrStream s;
        sample->SaveToStream(s);
        const QByteArray good = s.data();
        for (int round = 0; round < 300; ++round) {
            QByteArray bad = good;
            const int changes = 1 + int(next() % 4);
            for (int k = 0; k < changes; ++k)
                bad[qsizetype(next() % quint32(bad.size()))] = char(next() & 0xFF);
            if (round % 7 == 0)
                bad.truncate(qsizetype(next() % quint32(bad.size())));
            std::unique_ptr<TfrView> v = frCreateObject(sample->Typ, QString());
            TfrStream in(bad);
            try {
                v->LoadFromStream(in);
            } catch (const EfrError &) {
                continue;
            }
            try {
                TfrRecordingDevice d;
                drawOn(d, *v);
                if (auto *st = dynamic_cast<TfrStretcheable *>(v.get()))
                    st->CalcHeight();
                TfrStream out;
                v->StreamOut(out);
            } catch (const EfrError &) {
                // an expression in a mutated text may fail; that is an answer, not a crash
            }
        }
    }
}

} // namespace
