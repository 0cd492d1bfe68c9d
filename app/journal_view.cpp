#include "app/journal_view.h"

#include "app/application.h"
#include "app/connection_string.h"
#include "app/main_dm.h"
#include "report/eval/errors.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace {

struct Column {
    const char *field;
    const char *title;
    int width;
};

const Column kColumns[] = {
    {"NumPP", "#", 60},
    {"NumReis", "# 2", 36},
    {"NameFile", "Имя файла", 200},
    {"DateCreateFile", "Дата создания", 70},
    {"TimeCreateFile", "Время создания", 50},
    {"Size", "Размер", 80},
    {"DateProcesFile", "Дата обработки", 70},
    {"TimeProcesFile", "Время обработки", 50},
    {"Ispolnitel", "Исполнитель", 120},
    {"BriefContents", "Краткое содержание", 200},
    {"ToWhom", "Кому предназначен документ", 200},
};

const char *const kFilterFields[] = {"NameFile", "Ispolnitel", "BriefContents", "ToWhom"};

// The filter text matches anywhere in a field; its own % and _ are literal.
QString likePattern(const QString &text)
{
    QString escaped;
    for (QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

} // namespace

QString TJournalView::selectStatement(const QSqlDatabase &db, const QString &filter, QString *pattern)
{
    // Column names are quoted: PostgreSQL keeps their case only so.
    QStringList fields;
    for (const Column &c : kColumns)
        fields << QStringLiteral("\"%1\"").arg(QString::fromLatin1(c.field));
    QString sql = QStringLiteral("SELECT %1 FROM \"%2\"").arg(fields.join(QStringLiteral(", ")), JournalTableName);
    const QString text = filter.trimmed();
    if (pattern)
        pattern->clear();
    if (!text.isEmpty()) {
        // PostgreSQL's LIKE minds case; SQLite's does not (for Latin letters).
        const QString like = frEngineOf(db) == TfrDbEngine::dePostgreSQL ? QStringLiteral("ILIKE")
                                                                         : QStringLiteral("LIKE");
        QStringList terms;
        for (int i = 0; i < int(std::size(kFilterFields)); ++i)
            terms << QStringLiteral("\"%1\" %2 :p%3 ESCAPE '\\'").arg(QString::fromLatin1(kFilterFields[i]), like).arg(i);
        sql += QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" OR "));
        if (pattern)
            *pattern = likePattern(text);
    }
    return sql + QStringLiteral(" ORDER BY \"NumPP\"");
}

TJournalView::TJournalView(const QSqlDatabase &db, QWidget *parent) : QDialog(parent), m_db(db)
{
    setObjectName(QStringLiteral("FJournal"));
    setWindowTitle(QStringLiteral("Журнал"));
    resize(1000, 560);

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

    m_model = new QSqlQueryModel(this);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("DBGridJournal"));
    m_table->setModel(m_model);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table->verticalHeader()->hide();
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
}

TJournalView::~TJournalView()
{
    // The query must go before the connection it runs on may be closed.
    m_model->clear();
}

void TJournalView::applyFilter(const QString &text)
{
    m_typing.stop();
    QString pattern;
    QSqlQuery query(m_db);
    query.setForwardOnly(false);
    if (!query.prepare(selectStatement(m_db, text, &pattern)))
        throw EfrError(query.lastError().text());
    // One placeholder per field: not every driver lets one name stand in several places.
    if (!pattern.isEmpty())
        for (int i = 0; i < int(std::size(kFilterFields)); ++i)
            query.bindValue(QStringLiteral(":p%1").arg(i), pattern);
    if (!query.exec())
        throw EfrError(query.lastError().text());
    m_model->setQuery(std::move(query));
    if (m_model->lastError().isValid())
        throw EfrError(m_model->lastError().text());
    for (int i = 0; i < int(std::size(kColumns)); ++i) {
        m_model->setHeaderData(i, Qt::Horizontal, QString::fromUtf8(kColumns[i].title));
        m_table->setColumnWidth(i, std::max(kColumns[i].width, m_table->horizontalHeader()->sectionSizeHint(i)));
    }
}
