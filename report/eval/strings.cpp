#include "report/eval/strings.h"

#include <algorithm>
#include <iterator>

#include "report/eval/globals.h"

namespace {

struct StringEntry {
    int id;
    const char16_t *text;
};

// Sorted by id.
constexpr StringEntry kStrings[] = {
    {53000, u"Поиск"},
    {53001, u"Искать &текст"},
    {53002, u"Опции поиска"},
    {53003, u"Различать &регистр"},
    {53004, u"Искать"},
    {53005, u"С &начала"},
    {53006, u"&Продолжить"},
    {53020, u"По ширине страницы"},
    {53021, u"Страница целиком"},
    {53022, u"Две страницы"},
    {53023, u"Выход"},
    {53024, u"Масштаб"},
    {53025, u"Открыть отчет"},
    {53026, u"Сохранить отчет в файле"},
    {53027, u"Печать отчета"},
    {53028, u"Поиск"},
    {53029, u"Редактировать страницу"},
    {53030, u"Добавить страницу"},
    {53031, u"Удалить страницу"},
    {53032, u"Показать справку"},
    {53040, u"Печать"},
    {53041, u"Принтер"},
    {53042, u"Свойства..."},
    {53043, u"Копии"},
    {53044, u"Страницы"},
    {53045, u"&Все"},
    {53046, u"&Текущая"},
    {53047, u"&Номера:"},
    {53048, u"Введите номера и/или диапазоны страниц, разделенные запятыми. Например, 1,3,5-12"},
    {53049, u"&Имя:"},
    {53050, u"Число &копий:"},
    {53051, u"&Разобрать по копиям"},
    {53052, u"Вывести на &печать:"},
    {53053, u"Все страницы диапазона"},
    {53054, u"Нечетные страницы"},
    {53055, u"Четные страницы"},
    {54840, u"Файл Excel через OLE (*.xls)"},
    {54844, u"Экспорт в Excel"},
    {54845, u" Настройки страницы "},
    {54846, u"Отступ сверху"},
    {54847, u"Отступ слева"},
    {54848, u"Масштаб по X"},
    {54849, u"Масштаб по Y"},
    {54850, u" Настройки качества "},
    {54851, u"Объединения"},
    {54852, u"Выравнивания"},
    {54853, u"Цвета заливки"},
    {54854, u"Окантовки"},
    {54855, u"Перенос слов"},
    {54856, u"Шрифты"},
    {54857, u"Размеры шрифтов"},
    {54858, u"Стили шрифтов"},
    {54859, u"Цвет текста"},
    {54860, u"Разрывы страниц"},
    {54861, u"Лучше"},
    {54862, u"Быстрее"},
    {54863, u"Картинки"},
    {54864, u"Открыть Excel после экспорта"},
    {55000, u"ОК"},
    {55001, u"Отмена"},
    {55004, u"Стр."},
    {55005, u"Удалить страницу?"},
    {55006, u"Подтверждение"},
    {55007, u"Виртуальный принтер"},
    {55008, u"Letter, 8 1/2 x 11\""},
    {55009, u"Letter small, 8 1/2 x 11\""},
    {55010, u"Tabloid, 11 x 17\""},
    {55011, u"Ledger, 17 x 11\""},
    {55012, u"Legal, 8 1/2 x 14\""},
    {55013, u"Statement, 5 1/2 x 8 1/2\""},
    {55014, u"Executive, 7 1/4 x 10 1/2\""},
    {55015, u"A3 297 x 420 мм"},
    {55016, u"A4 210 x 297 мм"},
    {55017, u"A4 small sheet, 210 x 297 мм"},
    {55018, u"A5 148 x 210 мм"},
    {55019, u"B4 250 x 354 мм"},
    {55020, u"B5 182 x 257 мм"},
    {55021, u"Folio, 8 1/2 x 13\""},
    {55022, u"Quarto Sheet, 215 x 275 мм"},
    {55023, u"10 x 14\""},
    {55024, u"11 x 17\""},
    {55025, u"Note, 8 1/2 x 11\""},
    {55026, u"9 Envelope, 3 7/8 x 8 7/8\""},
    {55027, u"#10 Envelope, 4 1/8  x 9 1/2\""},
    {55028, u"#11 Envelope, 4 1/2 x 10 3/8\""},
    {55029, u"#12 Envelope, 4 3/4 x 11\""},
    {55030, u"#14 Envelope, 5 x 11 1/2\""},
    {55031, u"C Sheet, 17 x 22\""},
    {55032, u"D Sheet, 22 x 34\""},
    {55033, u"E Sheet, 34 x 44\""},
    {55034, u"DL Envelope, 110 x 220 мм"},
    {55035, u"C5 Envelope, 162 x 229 мм"},
    {55036, u"C3 Envelope,  324 x 458 мм"},
    {55037, u"C4 Envelope,  229 x 324 мм"},
    {55038, u"C6 Envelope,  114 x 162 мм"},
    {55039, u"C65 Envelope, 114 x 229 мм"},
    {55040, u"B4 Envelope,  250 x 353 мм"},
    {55041, u"B5 Envelope,  176 x 250 мм"},
    {55042, u"B6 Envelope,  176 x 125 мм"},
    {55043, u"Italy Envelope, 110 x 230 мм"},
    {55044, u"Monarch Envelope, 3 7/8 x 7 1/2\""},
    {55045, u"6 3/4 Envelope, 3 5/8 x 6 1/2\""},
    {55046, u"US Std Fanfold, 14 7/8 x 11\""},
    {55047, u"German Std Fanfold, 8 1/2 x 12\""},
    {55048, u"German Legal Fanfold, 8 1/2 x 13\""},
    {55049, u"B4 (ISO) 250 x 353 мм"},
    {55050, u"Japanese Postcard 100 x 148 мм"},
    {55051, u"9 x 11\""},
    {55052, u"10 x 11\""},
    {55053, u"15 x 11\""},
    {55054, u"Envelope Invite 220 x 220 мм"},
    {55055, u"Letter Extra 9/275 x 12\""},
    {55056, u"Legal Extra 9/275 x 15\""},
    {55057, u"Tabloid Extra 11.69 x 18\""},
    {55058, u"A4 Extra 9.27 x 12.69\""},
    {55059, u"Letter Transverse 8/275 x 11\""},
    {55060, u"A4 Transverse 210 x 297 мм"},
    {55061, u"Letter Extra Transverse 9/275 x 12\""},
    {55062, u"SuperASuperAA4 227 x 356 мм"},
    {55063, u"SuperBSuperBA3 305 x 487 мм"},
    {55064, u"Letter Plus 8.5 x 12.69\""},
    {55065, u"A4 Plus 210 x 330 мм"},
    {55066, u"A5 Transverse 148 x 210 мм"},
    {55067, u"B5 (JIS) Transverse 182 x 257 мм"},
    {55068, u"A3 Extra 322 x 445 мм"},
    {55069, u"A5 Extra 174 x 235 мм"},
    {55070, u"B5 (ISO) Extra 201 x 276 мм"},
    {55071, u"A2 420 x 594 мм"},
    {55072, u"A3 Transverse 297 x 420 мм"},
    {55073, u"A3 Extra Transverse 322 x 445 мм"},
    {55074, u"Другой"},
    {55077, u"Report title"},
    {55078, u"Report summary"},
    {55079, u"Page header"},
    {55080, u"Page footer"},
    {55081, u"Master header"},
    {55082, u"Master data"},
    {55083, u"Master footer"},
    {55084, u"Detail header"},
    {55085, u"Detail data"},
    {55086, u"Detail footer"},
    {55087, u"Subdetail header"},
    {55088, u"Subdetail data"},
    {55089, u"Subdetail footer"},
    {55090, u"Overlay"},
    {55091, u"Column header"},
    {55092, u"Column footer"},
    {55093, u"Group header"},
    {55094, u"Group footer"},
    {55095, u"Cross header"},
    {55096, u"Cross data"},
    {55097, u"Cross footer"},
    {55098, u"Child"},
    {55099, u"Нет"},
    {55170, u"0;1"},
    {55171, u"Нет;Да"},
    {55172, u"_;x"},
    {55173, u"False;True"},
    {55175, u"dd.mm.yy"},
    {55176, u"dd.mm.yyyy"},
    {55177, u"d mmm yyyy"},
    {55178, u"d mmmm yyyy"},
    {55179, u"hh:nn:ss"},
    {55180, u"h:nn:ss"},
    {55181, u"hh:nn"},
    {55182, u"h:nn"},
    {55190, u"Растягиваемый"},
    {55199, u"из"},
    {55203, u"Подготовка отчета"},
    {55204, u"Выполняется 1-й проход:"},
    {55205, u"Формируется страница:"},
    {55206, u"Ошибка"},
    {55207, u"Предварительный просмотр"},
    {55208, u"Печатается страница:"},
    {55209, u"Untitled"},
    {55210, u"Возникли проблемы с настройкой выбранного принтера."},
    {55211, u"Файл отчета"},
    {55228, u"[Рисунок]"},
    {55306, u"Сохранить изменения"},
    {55337, u"204"},
    {55345, u"Неверный FRF формат"},
    {55435, u"По умолчанию"},
    {55653, u"Пароль"},
    {55654, u"Введите пароль для открытия отчета"},
};

constexpr bool isSorted()
{
    for (size_t i = 1; i < std::size(kStrings); ++i)
        if (kStrings[i - 1].id >= kStrings[i].id)
            return false;
    return true;
}
static_assert(isSorted(), "the string table must be sorted by id without duplicates");

QString builtinString(int id)
{
    const auto *end = std::end(kStrings);
    const auto *it = std::lower_bound(std::begin(kStrings), end, id,
                                      [](const StringEntry &e, int key) { return e.id < key; });
    if (it == end || it->id != id)
        return QString();
    return QString::fromUtf16(it->text);
}

} // namespace

QString TfrLocale::LoadStr(int StringID) const
{
    if (m_onLocalize) {
        QString result;
        m_onLocalize(StringID, result);
        if (!result.isEmpty())
            return result;
    }
    QString text = m_module ? m_module->value(StringID) : builtinString(StringID);
    // Resource strings were read through a 1024-character buffer.
    if (text.size() > MaxStringLength)
        text.truncate(MaxStringLength);
    return text;
}

void TfrLocale::SetOnLocalize(TLocalizeEvent handler)
{
    m_onLocalize = std::move(handler);
    changed();
}

void TfrLocale::LoadModule(QHash<int, QString> table)
{
    m_module = std::move(table);
    changed();
}

void TfrLocale::UnloadModule()
{
    m_module.reset();
    changed();
}

void TfrLocale::AddLocalizeListener(std::function<void()> listener)
{
    m_listeners.push_back(std::move(listener));
}

void TfrLocale::changed()
{
    frLocalizeGlobals();
    // By index: a listener may add another.
    for (size_t i = 0; i < m_listeners.size(); ++i)
        m_listeners[i]();
}

TfrLocale &frLocale()
{
    static TfrLocale locale;
    return locale;
}
