#include "app/journal_view.h"

#include "app/application.h"
#include "app/connection_string.h"
#include "app/main_dm.h"
#include "app/number_input.h"
#include "app/settings.h"
#include "report/eval/errors.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

namespace {

enum ColumnKind { ckText, ckNumber, ckSize, ckMemo };

struct Column {
    const char *field;
    const char *title;  // on one line
    const char *header; // as the header shows it
    const char *sample; // typical contents, for the starting width ("" = the title decides)
    ColumnKind kind;
};

const Column kColumns[] = {
    {"NumPP", "#", "#", "000000", ckNumber},
    {"NumReis", "# 2", "# 2", "000", ckNumber},
    {"NameFile", "Имя файла", "Имя файла", "Письмо_поставщику_2024.docx", ckText},
    {"DateCreateFile", "Дата создания", "Дата\nсоздания", "00.00.00", ckText},
    {"TimeCreateFile", "Время создания", "Время\nсоздания", "00:00", ckText},
    {"Size", "Размер", "Размер", "0 000 000 000", ckSize},
    {"DateProcesFile", "Дата обработки", "Дата\nобработки", "00.00.00", ckText},
    {"TimeProcesFile", "Время обработки", "Время\nобработки", "00:00", ckText},
    {"Ispolnitel", "Исполнитель", "Исполнитель", "Кузнецова А. В.", ckText},
    {"BriefContents", "Краткое содержание", "Краткое содержание", "", ckMemo},
    {"ToWhom", "Кому предназначен документ", "Кому предназначен\nдокумент", "Бухгалтерия; Канцелярия", ckMemo},
};
constexpr int kColumnCount = int(std::size(kColumns));
constexpr int kBriefColumn = 9;

QString quoted(const char *name)
{
    return QStringLiteral("\"%1\"").arg(QString::fromLatin1(name));
}

// The lines of a memo on one line of the view.
QString oneLine(const QString &text)
{
    QStringList lines;
    for (const QString &line : QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                   .split(QRegularExpression(QStringLiteral("[\r\n]"))))
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    return lines.join(QStringLiteral("; "));
}

bool isMultiLine(const QString &text)
{
    return text.trimmed().contains(QLatin1Char('\n')) || text.trimmed().contains(QLatin1Char('\r'));
}

// Cells whose text the column cuts short show it whole as a tooltip (multi-line memos
// bring their own).
class TElidedTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override
    {
        if (event->type() == QEvent::ToolTip && index.data(Qt::ToolTipRole).isNull()) {
            QStyleOptionViewItem look = option;
            initStyleOption(&look, index);
            const QStyle *style = view->style();
            const QRect textArea = style->subElementRect(QStyle::SE_ItemViewItemText, &look, view);
            const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
            if (look.fontMetrics.horizontalAdvance(look.text) > textArea.width() - 2 * margin) {
                QToolTip::showText(event->globalPos(), look.text.toHtmlEscaped(), view->viewport(), option.rect);
                return true;
            }
        }
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }
};

} // namespace

// ---------------------------------------------------------------------------------------
// TJournalModel

TJournalModel::TJournalModel(const QSqlDatabase &db, QObject *parent)
    : QAbstractTableModel(parent), m_db(db), m_collate(JournalFoldingCollation(db))
{
}

QString TJournalModel::fieldOf(int column)
{
    return column >= 0 && column < kColumnCount ? QString::fromLatin1(kColumns[column].field) : QString();
}

QString TJournalModel::titleOf(int column)
{
    return column >= 0 && column < kColumnCount ? QString::fromUtf8(kColumns[column].title) : QString();
}

QString TJournalModel::pageStatement(bool numbered, bool first) const
{
    QStringList fields{QStringLiteral("\"id\"")};
    for (const Column &c : kColumns)
        fields << quoted(c.field);
    // With a period or an executor their index finds the rows; the number is then only
    // sorted by, so the engine must not walk the number index through the whole journal.
    const QString number = JournalConditionIndexed(m_selection) ? QStringLiteral("(\"NumPP\" + 0)")
                                                                : QStringLiteral("\"NumPP\"");
    QStringList where;
    if (numbered) {
        where << QStringLiteral("\"NumPP\" IS NOT NULL");
        // Written so both engines start the index range at the last number read.
        if (!first)
            where << QStringLiteral("%1 >= :n").arg(number) << QStringLiteral("(%1 > :n2 OR \"id\" > :i)").arg(number);
    } else {
        where << QStringLiteral("\"NumPP\" IS NULL");
        if (!first)
            where << QStringLiteral("\"id\" > :i");
    }
    where << QStringLiteral("(%1)").arg(JournalCondition(m_db, m_selection, m_collate));
    return QStringLiteral("SELECT %1 FROM \"%2\" WHERE %3 ORDER BY %4 LIMIT %5")
        .arg(fields.join(QStringLiteral(", ")), JournalTableName, where.join(QStringLiteral(" AND ")),
             numbered ? QStringLiteral("%1, \"id\"").arg(number) : QStringLiteral("\"id\""))
        .arg(kPageRows);
}

void TJournalModel::setFilter(const QString &text)
{
    TJournalSelection s;
    s.text = text;
    setSelection(s);
}

void TJournalModel::setSelection(const TJournalSelection &selection)
{
    beginResetModel();
    m_rows.clear();
    m_selection = selection;
    m_selection.text = selection.text.trimmed();
    m_numberedDone = false;
    m_atEnd = false;
    endResetModel();
    try {
        fetchPage();
    } catch (...) {
        m_atEnd = true;
        throw;
    }
}

qint64 TJournalModel::countRows() const
{
    if (m_atEnd)
        return m_rows.size();
    return CountJournalRows(m_db, m_selection, m_collate);
}

void TJournalModel::fetchPage()
{
    QList<Row> page;
    while (!m_atEnd && page.size() < kPageRows) {
        const bool numbered = !m_numberedDone;
        // The last row read in this phase, if any: the page starts after it.
        const Row *last = nullptr;
        if (!page.isEmpty())
            last = &page.last();
        else if (!m_rows.isEmpty())
            last = &m_rows.last();
        if (last && !numbered && !last->numPP.isNull())
            last = nullptr;
        QSqlQuery q(m_db);
        q.setForwardOnly(true);
        if (!q.prepare(pageStatement(numbered, last == nullptr)))
            throw EfrError(q.lastError().text());
        if (last) {
            if (numbered) {
                q.bindValue(QStringLiteral(":n"), last->numPP);
                q.bindValue(QStringLiteral(":n2"), last->numPP);
            }
            q.bindValue(QStringLiteral(":i"), last->id);
        }
        if (!q.exec())
            throw EfrError(q.lastError().text());
        int read = 0;
        while (q.next()) {
            Row row;
            row.id = q.value(0).toLongLong();
            row.values.reserve(kColumnCount);
            for (int c = 0; c < kColumnCount; ++c)
                row.values << q.value(c + 1);
            row.numPP = row.values.at(0);
            page << row;
            ++read;
        }
        if (read < kPageRows) {
            if (numbered)
                m_numberedDone = true;
            else
                m_atEnd = true;
        }
        // A full page from either phase is a page; a short one from the numbered phase
        // goes on with the unnumbered rows.
        if (read == kPageRows)
            break;
    }
    if (page.isEmpty())
        return;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + page.size() - 1));
    m_rows << page;
    endInsertRows();
}

int TJournalModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TJournalModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant TJournalModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= kColumnCount)
        return {};
    const QVariant &value = m_rows.at(index.row()).values.at(index.column());
    const ColumnKind kind = kColumns[index.column()].kind;
    switch (role) {
    case Qt::DisplayRole:
        if (value.isNull())
            return QString();
        if (kind == ckSize) {
            bool ok = false;
            const qint64 size = value.toLongLong(&ok);
            return ok ? frGroupDigits(size) : value.toString();
        }
        if (kind == ckMemo)
            return oneLine(value.toString());
        return value.toString();
    case Qt::EditRole:
        return value;
    case Qt::TextAlignmentRole:
        if (kind == ckNumber || kind == ckSize)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ToolTipRole:
        // The whole text, as typed; rich-text look-alikes in it stay plain.
        if (kind == ckMemo && isMultiLine(value.toString()))
            return QStringLiteral("<p style='white-space:pre-wrap'>%1</p>").arg(value.toString().trimmed().toHtmlEscaped());
        return {};
    default:
        return {};
    }
}

QVariant TJournalModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(kColumns[section].header);
    if (role == Qt::ToolTipRole)
        return titleOf(section);
    return {};
}

bool TJournalModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_atEnd;
}

void TJournalModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || m_atEnd)
        return;
    // Called while the view paints or scrolls: a failure is told and ends the list there.
    if (!frGuard([&] { fetchPage(); }))
        m_atEnd = true;
}

// ---------------------------------------------------------------------------------------
// TJournalView

TJournalView::TJournalView(const QSqlDatabase &db, QWidget *parent) : QDialog(parent), m_db(db)
{
    setObjectName(QStringLiteral("FJournal"));
    setWindowTitle(QStringLiteral("Журнал"));
    // Most of the screen: the journal has eleven columns to show side by side.
    const QScreen *screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1366, 768);
    resize(std::clamp(available.width() - 40, 640, 1320), std::clamp(available.height() - 60, 400, 720));

    auto *layout = new QVBoxLayout(this);

    // Period, executor and runs on one line; the text filter under them.
    auto *choiceRow = new QHBoxLayout;
    auto *periodLabel = new QLabel(QStringLiteral("Период:"), this);
    m_period = new QComboBox(this);
    m_period->setObjectName(QStringLiteral("CmbBPeriod"));
    m_period->addItem(QStringLiteral("Весь журнал"));
    for (int i = 0; i < QuickPeriodCount; ++i)
        m_period->addItem(QuickPeriodName(TQuickPeriod(i)));
    m_period->addItem(QStringLiteral("Другой период"));
    periodLabel->setBuddy(m_period);
    auto dateEdit = [this](const char *name) {
        auto *edit = new QDateEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        // The journal's two-digit years.
        edit->setDateRange(QDate(2000, 1, 1), QDate(2099, 12, 31));
        return edit;
    };
    m_from = dateEdit("DEFrom");
    m_to = dateEdit("DETo");
    auto *executorLabel = new QLabel(QStringLiteral("Исполнитель:"), this);
    m_executor = new QComboBox(this);
    m_executor->setObjectName(QStringLiteral("CmbBIsp"));
    m_executor->setMinimumContentsLength(16);
    m_executor->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    executorLabel->setBuddy(m_executor);
    auto runEdit = [this](const char *name) {
        auto *edit = new QSpinBox(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setRange(0, 99999);
        // 0 leaves that end open.
        edit->setSpecialValueText(QStringLiteral("—"));
        edit->setAlignment(Qt::AlignRight);
        return edit;
    };
    m_runFrom = runEdit("SERunFrom");
    m_runTo = runEdit("SERunTo");
    choiceRow->addWidget(periodLabel);
    choiceRow->addWidget(m_period);
    choiceRow->addWidget(new QLabel(QStringLiteral("с"), this));
    choiceRow->addWidget(m_from);
    choiceRow->addWidget(new QLabel(QStringLiteral("по"), this));
    choiceRow->addWidget(m_to);
    choiceRow->addSpacing(12);
    choiceRow->addWidget(executorLabel);
    choiceRow->addWidget(m_executor);
    choiceRow->addSpacing(12);
    choiceRow->addWidget(new QLabel(QStringLiteral("Рейсы с"), this));
    choiceRow->addWidget(m_runFrom);
    choiceRow->addWidget(new QLabel(QStringLiteral("по"), this));
    choiceRow->addWidget(m_runTo);
    choiceRow->addStretch(1);
    layout->addLayout(choiceRow);

    auto *filterRow = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("Фильтр:"), this);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("EFilter"));
    m_filter->setPlaceholderText(QStringLiteral("имя файла, исполнитель, краткое содержание, получатели"));
    m_filter->setClearButtonEnabled(true);
    label->setBuddy(m_filter);
    filterRow->addWidget(label);
    filterRow->addWidget(m_filter, 1);
    layout->addLayout(filterRow);

    m_model = new TJournalModel(m_db, this);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("DBGridJournal"));
    m_table->setModel(m_model);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideRight);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->horizontalHeader()->setStretchLastSection(false);
    m_table->setItemDelegate(new TElidedTextDelegate(m_table));
    m_table->viewport()->installEventFilter(this);
    connect(m_table->horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
        if (!m_fitting)
            m_userSized = true;
    });
    layout->addWidget(m_table, 1);

    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("LCount"));
    layout->addWidget(m_count);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    auto *print = buttons->addButton(QStringLiteral("Печать"), QDialogButtonBox::ActionRole);
    print->setObjectName(QStringLiteral("BPrint"));
    print->setAutoDefault(false);
    print->setToolTip(QStringLiteral("Найденные записи по шаблону журнала"));
    auto *summary = buttons->addButton(QStringLiteral("Сводка"), QDialogButtonBox::ActionRole);
    summary->setObjectName(QStringLiteral("BSummary"));
    summary->setAutoDefault(false);
    summary->setToolTip(QStringLiteral("Файлы по исполнителям и по адресатам, с итогами"));
    connect(print, &QPushButton::clicked, this, [this] { frGuard([&] { printSelection(); }); });
    connect(summary, &QPushButton::clicked, this, [this] { frGuard([&] { printSummary(); }); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    m_typing.setSingleShot(true);
    m_typing.setInterval(300);
    connect(&m_typing, &QTimer::timeout, this, [this] { frGuard([&] { applySelection(); }); });
    auto later = [this] { m_typing.start(); };
    connect(m_filter, &QLineEdit::textChanged, this, later);
    connect(m_period, &QComboBox::currentIndexChanged, this, [this](int index) { periodChosen(index); });
    auto dateTyped = [this] {
        if (m_choosing)
            return;
        // A date typed by hand is a period of the operator's own.
        m_choosing = true;
        m_period->setCurrentIndex(TypedPeriod);
        m_choosing = false;
        m_typing.start();
    };
    connect(m_from, &QDateEdit::dateChanged, this, dateTyped);
    connect(m_to, &QDateEdit::dateChanged, this, dateTyped);
    connect(m_executor, &QComboBox::currentIndexChanged, this, later);
    connect(m_runFrom, &QSpinBox::valueChanged, this, later);
    connect(m_runTo, &QSpinBox::valueChanged, this, later);

    m_executor->addItem(QStringLiteral("Все исполнители"));
    frGuard([&] { m_executor->addItems(JournalExecutors(m_db)); });
    m_choosing = true;
    m_from->setDate(QDate::currentDate());
    m_to->setDate(QDate::currentDate());
    m_choosing = false;
    periodChosen(WholeJournal);

    applySelection();
    fitColumns();
}

TJournalView::~TJournalView() = default;

void TJournalView::periodChosen(int index)
{
    const bool whole = index == WholeJournal;
    m_from->setEnabled(!whole);
    m_to->setEnabled(!whole);
    if (!m_choosing && index > WholeJournal && index < TypedPeriod) {
        const auto [from, to] = QuickPeriodDates(TQuickPeriod(index - 1), m_today.isValid() ? m_today : QDate::currentDate());
        m_choosing = true;
        m_from->setDate(from);
        m_to->setDate(to);
        m_choosing = false;
    }
    if (!m_choosing)
        m_typing.start();
}

TJournalSelection TJournalView::selection() const
{
    TJournalSelection s;
    if (m_period->currentIndex() != WholeJournal) {
        s.from = m_from->date();
        s.to = m_to->date();
    }
    if (m_executor->currentIndex() > 0)
        s.executor = m_executor->currentText();
    s.runFrom = m_runFrom->value();
    s.runTo = m_runTo->value();
    s.text = m_filter->text().trimmed();
    return s;
}

void TJournalView::applySelection()
{
    m_typing.stop();
    m_count->setText(QStringLiteral("Найдено записей: …"));
    m_model->setSelection(selection());
    // The count may read the whole journal (a text filter): the first page shows first.
    if (m_model->atEnd())
        showCount();
    else
        QTimer::singleShot(0, this, [this] { showCount(); });
}

void TJournalView::showCount()
{
    frGuard([&] { m_count->setText(QStringLiteral("Найдено записей: %1").arg(frGroupDigits(m_model->countRows()))); });
}

void TJournalView::applyFilter(const QString &text)
{
    {
        const QSignalBlocker quiet(m_filter);
        m_filter->setText(text);
    }
    applySelection();
}

void TJournalView::printSelection()
{
    if (!MainDM)
        throw EfrError(QStringLiteral("Модуль данных не создан"));
    const TIniFile ini(frConfigPath());
    MainDM->PrintJournalSelection(selection(), Cfg::BackwardOrder(ini));
}

void TJournalView::printSummary()
{
    if (!MainDM)
        throw EfrError(QStringLiteral("Модуль данных не создан"));
    MainDM->PrintJournalSummary(selection());
}

void TJournalView::fitColumns()
{
    m_fitting = true;
    QHeaderView *header = m_table->horizontalHeader();
    const QFontMetrics metrics(m_table->font());
    // Room around a cell's text: the style's margins and a little air.
    const int padding = 2 * (m_table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_table) + 1) + 8;
    int used = 0;
    for (int c = 0; c < kColumnCount; ++c) {
        if (c == kBriefColumn)
            continue;
        const int contents = metrics.horizontalAdvance(QString::fromUtf8(kColumns[c].sample)) + padding;
        const int width = std::max(contents, header->sectionSizeHint(c));
        m_table->setColumnWidth(c, width);
        used += width;
    }
    const int least = std::max(header->sectionSizeHint(kBriefColumn), metrics.averageCharWidth() * 20);
    m_table->setColumnWidth(kBriefColumn, std::max(least, m_table->viewport()->width() - used));
    m_fitting = false;
}

bool TJournalView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_table->viewport() && event->type() == QEvent::Resize && !m_userSized)
        fitColumns();
    return QDialog::eventFilter(watched, event);
}
