// The options dialog: its controls and texts, the presets, and what ShowModal takes from it
// into the filter and the export.
#include "export_test_support.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QKeyEvent>
#include <QPushButton>

#include "export/spreadsheet/ole_excel_set.h"
#include "report/eval/errors.h"

namespace {

using namespace export_test;

TEST(OLEExcelSet, ControlsCarryTheirStringsAndStartValues)
{
    TfrOLEExcelSet d;
    EXPECT_EQ(d.windowTitle(), u("Экспорт в Excel"));
    const struct {
        const char *name;
        const char *text;
    } rows[] = {
        {"GroupPageSettings", " Настройки страницы "}, {"TopM", "Отступ сверху"},  {"LeftM", "Отступ слева"},
        {"ScX", "Масштаб по X"},                      {"ScY", "Масштаб по Y"},    {"GroupPageRange", "Страницы"},
        {"Pages", "&Номера:"},
        {"Descr", "Введите номера и/или диапазоны страниц, разделенные запятыми. Например, 1,3,5-12"},
        {"GroupCellProp", " Настройки качества "},    {"Better", "Лучше"},        {"Faster", "Быстрее"},
        {"CB_Merged", "Объединения"},                 {"CB_WrapWords", "Перенос слов"},
        {"CB_FillColor", "Цвета заливки"},            {"CB_Borders", "Окантовки"}, {"CB_Align", "Выравнивания"},
        {"CB_PageBreaks", "Разрывы страниц"},         {"CB_FontName", "Шрифты"},  {"CB_FontSize", "Размеры шрифтов"},
        {"CB_FontStyle", "Стили шрифтов"},            {"CB_FontColor", "Цвет текста"}, {"CB_Pictures", "Картинки"},
        {"CB_OpenExcel", "Открыть Excel после экспорта"}, {"OK", "ОК"},           {"Cancel", "Отмена"},
    };
    for (const auto &r : rows) {
        QObject *o = d.findChild<QObject *>(QLatin1String(r.name));
        ASSERT_TRUE(o) << r.name;
        QString text;
        if (auto *g = qobject_cast<QGroupBox *>(o))
            text = g->title();
        else if (auto *l = qobject_cast<QLabel *>(o))
            text = l->text();
        else if (auto *b = qobject_cast<QAbstractButton *>(o))
            text = b->text();
        EXPECT_EQ(text, u(r.text)) << r.name;
    }
    EXPECT_EQ(d.E_TMargin->text(), QStringLiteral("0"));
    EXPECT_EQ(d.E_LMargin->text(), QStringLiteral("0"));
    EXPECT_EQ(d.E_ScaleX->text(), QStringLiteral("100"));
    EXPECT_EQ(d.E_ScaleY->text(), QStringLiteral("100"));
    EXPECT_TRUE(d.E_Range->text().isEmpty());
    EXPECT_EQ(d.Pages->buddy(), d.E_Range);
    EXPECT_TRUE(d.OK->isDefault());
}

TEST(OLEExcelSet, PresetsTickTheQualityBoxesButLeaveOpeningAlone)
{
    TfrOLEExcelSet d;
    QCheckBox *const quality[] = {d.CB_Merged,   d.CB_WrapWords, d.CB_FillColor, d.CB_Borders,
                                  d.CB_Align,    d.CB_PageBreaks, d.CB_FontName, d.CB_FontSize,
                                  d.CB_FontStyle, d.CB_FontColor, d.CB_Pictures};
    d.CB_OpenExcel->setChecked(true);
    d.Faster->click();
    for (QCheckBox *b : quality) {
        const bool kept = b == d.CB_Merged || b == d.CB_WrapWords || b == d.CB_PageBreaks;
        EXPECT_EQ(b->isChecked(), kept) << b->objectName().toStdString();
    }
    EXPECT_TRUE(d.CB_OpenExcel->isChecked());
    d.Better->click();
    for (QCheckBox *b : quality)
        EXPECT_TRUE(b->isChecked()) << b->objectName().toStdString();
    EXPECT_TRUE(d.CB_OpenExcel->isChecked());
}

class ShowModalTest : public ExportTest {
protected:
    void SetUp() override
    {
        ExportTest::SetUp();
        filter->ShowDialog = true;
        for (int i = 1; i <= 3; ++i)
            memo(newPage(), 0, 0, 200, 20, {QStringLiteral("Page %1").arg(i)}, [](TfrMemoView &m) {
                m.FrameTyp = 15;
            });
    }
    void TearDown() override
    {
        frOLEExcelSetExec() = nullptr;
        ExportTest::TearDown();
    }
};

TEST_F(ShowModalTest, TheDialogShowsTheOptionsAndItsChoicesStayWithTheFilter)
{
    filter->CellsBorders = false;
    filter->ScaleY = 1.5;
    filter->TopMargin = 2.5;
    bool shown = false;
    frOLEExcelSetExec() = [&](TfrOLEExcelSet &d) {
        shown = true;
        EXPECT_FALSE(d.CB_Borders->isChecked());
        EXPECT_TRUE(d.CB_Merged->isChecked());
        EXPECT_EQ(d.E_ScaleY->text(), QStringLiteral("150"));
        EXPECT_EQ(d.E_TMargin->text(), u("2,5"));
        d.Better->click();
        d.CB_OpenExcel->setChecked(false);
        d.E_Range->setText(QStringLiteral("2"));
        d.E_ScaleX->setText(QStringLiteral("200"));
        d.E_LMargin->setText(u("1,5"));
        return 1;
    };
    const XSheet s = exportTo();
    ASSERT_TRUE(shown);
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    EXPECT_EQ(s.text(1, 1), QStringLiteral("Page 2"));
    EXPECT_EQ(s.text(2, 1), QString());
    EXPECT_EQ(s.style(1, 1).left, QStringLiteral("thin")) << "borders ticked in the dialog";
    EXPECT_NEAR(s.colWidths.at(1), 200 * 2 / 8.0 + 0.7, 0.2);
    EXPECT_TRUE(filter->CellsBorders);
    EXPECT_DOUBLE_EQ(filter->ScaleX, 2);
    EXPECT_DOUBLE_EQ(filter->LeftMargin, 1.5);
    EXPECT_TRUE(filter->PageRange.isEmpty()) << "the dialog's range serves one export";
}

TEST_F(ShowModalTest, CancelExportsNothingButKeepsWhatWasChanged)
{
    frOLEExcelSetExec() = [](TfrOLEExcelSet &d) {
        d.Faster->click();
        return 2;
    };
    builder->ExportTo(*filter, path("cancelled.xlsx"));
    EXPECT_FALSE(QFile::exists(path("cancelled.xlsx")));
    EXPECT_FALSE(filter->CellsBorders);
    EXPECT_FALSE(filter->CellsFontName);
    EXPECT_TRUE(filter->CellsMerged);
}

TEST_F(ShowModalTest, FieldsThatDoNotReadStopTheExport)
{
    const struct {
        const char *field;
        const char *text;
    } rows[] = {{"E_Range", "1;3"}, {"E_Range", "-2"}, {"E_ScaleX", "abc"}, {"E_ScaleY", "0"},
                {"E_TMargin", "x"}};
    for (const auto &r : rows) {
        frOLEExcelSetExec() = [&](TfrOLEExcelSet &d) {
            d.findChild<QLineEdit *>(QLatin1String(r.field))->setText(QString::fromLatin1(r.text));
            return 1;
        };
        EXPECT_THROW(builder->ExportTo(*filter, path("bad.xlsx")), EConvertError) << r.field << " " << r.text;
        EXPECT_FALSE(QFile::exists(path("bad.xlsx"))) << r.field;
    }
}

TEST_F(ShowModalTest, OKWithAFieldThatDoesNotReadKeepsTheDialogOpenWithAHintNamingIt)
{
    const struct {
        const char *field;
        const char *text;
        const char *caption;
    } rows[] = {{"E_ScaleX", "x0", "Масштаб по X"}, {"E_ScaleY", "0", "Масштаб по Y"},
                {"E_TMargin", "abc", "Отступ сверху"}, {"E_LMargin", "1.5.", "Отступ слева"},
                {"E_Range", "Номера", "Номера"},      {"E_Range", "1;3", "Номера"}};
    for (const auto &r : rows) {
        bool refused = false;
        frOLEExcelSetExec() = [&](TfrOLEExcelSet &d) {
            d.show();
            d.Faster->click();
            auto *field = d.findChild<QLineEdit *>(QLatin1String(r.field));
            field->setText(u(r.text));
            d.OK->click();
            refused = d.isVisible() && d.result() != QDialog::Accepted;
            EXPECT_TRUE(d.Hint->isVisible()) << r.field;
            EXPECT_TRUE(d.Hint->text().contains(u(r.caption))) << d.Hint->text().toStdString();
            EXPECT_FALSE(d.Hint->text().contains(QStringLiteral("valid"))) << "said in Russian";
            // Typing again takes the hint away; the choices made are still there.
            QKeyEvent key(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, QStringLiteral("1"));
            QCoreApplication::sendEvent(field, &key);
            EXPECT_FALSE(d.Hint->isVisible()) << r.field;
            EXPECT_FALSE(d.CB_Borders->isChecked()) << "the choices are not lost";
            d.Cancel->click();
            return d.result() == QDialog::Accepted ? 1 : 2;
        };
        builder->ExportTo(*filter, path("refused.xlsx"));
        EXPECT_TRUE(refused) << r.field;
        EXPECT_FALSE(QFile::exists(path("refused.xlsx"))) << r.field;
    }
    // Corrected, OK goes through.
    frOLEExcelSetExec() = [](TfrOLEExcelSet &d) {
        d.E_ScaleX->setText(QStringLiteral("x0"));
        d.OK->click();
        d.E_ScaleX->setText(QStringLiteral("100"));
        d.E_TMargin->setText(u("0,5"));
        d.OK->click();
        return d.result() == QDialog::Accepted ? 1 : 2;
    };
    const XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    EXPECT_DOUBLE_EQ(filter->TopMargin, 0.5);
}

TEST_F(ShowModalTest, WithoutTheDialogTheProgramsRangeCounts)
{
    filter->ShowDialog = false;
    frOLEExcelSetExec() = [](TfrOLEExcelSet &) {
        ADD_FAILURE() << "no dialog without ShowDialog";
        return 2;
    };
    filter->PageRange = QStringLiteral("3");
    const XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    EXPECT_EQ(s.text(1, 1), QStringLiteral("Page 3"));
}

} // namespace
