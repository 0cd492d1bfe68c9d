#include "app/journal_view.h"

#include "app/application.h"
#include "app/connection_string.h"
#include "app/main_dm.h"
#include "app/number_input.h"
#include "report/eval/errors.h"

#include <QDialogButtonBox>
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

const char *const kFilterFields[] = {"NameFile", "Ispolnitel", "BriefContents", "ToWhom"};

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

TJournalModel::TJournalModel(const QSqlDatabase &db, QObject *parent) : QAbstractTableModel(parent), m_db(db)
{
    if (frEngineOf(m_db) != TfrDbEngine::dePostgreSQL)
        return;
    // A database made with a UTF-8 locale folds every alphabet by itself, and does it
    // faster than ICU; one made with the C locale folds Latin letters only, and then the
    // ICU root collation does it, when the server was built with ICU.
    QSqlQuery probe(m_db);
    if (probe.exec(QStringLiteral("SELECT lower('ЁЛКА') = 'ёлка'")) && probe.next() && probe.value(0).toBool())
        return;
    if (probe.exec(QStringLiteral("SELECT 1 FROM pg_collation WHERE collname = 'und-x-icu'")) && probe.next())
        m_collate = QStringLiteral(" COLLATE \"und-x-icu\"");
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
    QStringList where;
    if (numbered) {
        where << QStringLiteral("\"NumPP\" IS NOT NULL");
        // Written so both engines start the index range at the last number read.
        if (!first)
            where << QStringLiteral("\"NumPP\" >= :n") << QStringLiteral("(\"NumPP\" > :n2 OR \"id\" > :i)");
    } else {
        where << QStringLiteral("\"NumPP\" IS NULL");
        if (!first)
            where << QStringLiteral("\"id\" > :i");
    }
    if (!m_filter.isEmpty()) {
        if (frEngineOf(m_db) == TfrDbEngine::dePostgreSQL) {
            // One folding of the four fields per row; the separator keeps a match from
            // running across two of them.
            QStringList args;
            for (const char *f : kFilterFields)
                args << quoted(f);
            where << QStringLiteral("strpos(lower(concat_ws(chr(1), %1)%2), lower(CAST(:needle AS text)%2)) > 0")
                         .arg(args.join(QStringLiteral(", ")), m_collate);
        } else {
            QStringList args{QStringLiteral(":needle")};
            for (const char *f : kFilterFields)
                args << quoted(f);
            where << QStringLiteral("fr_contains(%1)").arg(args.join(QStringLiteral(", ")));
        }
    }
    return QStringLiteral("SELECT %1 FROM \"%2\" WHERE %3 ORDER BY %4 LIMIT %5")
        .arg(fields.join(QStringLiteral(", ")), JournalTableName, where.join(QStringLiteral(" AND ")),
             numbered ? QStringLiteral("\"NumPP\", \"id\"") : QStringLiteral("\"id\""))
        .arg(kPageRows);
}

void TJournalModel::setFilter(const QString &text)
{
    beginResetModel();
    m_rows.clear();
    m_filter = text.trimmed();
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
        if (!m_filter.isEmpty())
            q.bindValue(QStringLiteral(":needle"), m_filter);
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

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    m_typing.setSingleShot(true);
    m_typing.setInterval(300);
    connect(&m_typing, &QTimer::timeout, this, [this] { frGuard([&] { applyFilter(m_filter->text()); }); });
    connect(m_filter, &QLineEdit::textChanged, this, [this] { m_typing.start(); });

    applyFilter(QString());
    fitColumns();
}

TJournalView::~TJournalView() = default;

void TJournalView::applyFilter(const QString &text)
{
    m_typing.stop();
    m_model->setFilter(text);
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
