// The data tree. What it shows is read through the engine's own lookups (the report's owner
// and its components, the dictionary, the function catalogue), with the designer's report
// as the current one while it reads. Reading is cheap and the tree is rebuilt only when
// what it would show has changed, so it may follow every step of the document.
#include "report/designer/data_tree.h"

#include <QApplication>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPalette>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <optional>

#include "report/designer/designer_document.h"
#include "report/eval/components.h"
#include "report/eval/data_dictionary.h"
#include "report/eval/db_dataset.h"
#include "report/eval/errors.h"
#include "report/eval/function_library.h"
#include "report/eval/globals.h"
#include "report/model/band_view.h"
#include "report/model/fr_globals.h"
#include "report/model/page.h"
#include "report/model/report.h"

namespace {

enum TfrDataItemKind {
    dikGroup = 1,
    dikDataSet,
    dikMissingDataSet,
    dikField,
    dikNote,
    dikCategory,
    dikVariable,
    dikSystemVariable,
    dikFunctionCategory,
    dikFunction,
};

constexpr int kKindRole = Qt::UserRole;
constexpr int kInsertRole = Qt::UserRole + 1;      // what the item puts into an expression
constexpr int kDescriptionRole = Qt::UserRole + 2;
constexpr int kDataSetRole = Qt::UserRole + 3;     // a data set item's actual name
constexpr int kLazyRole = Qt::UserRole + 4;        // its fields are read when it opens

const QString kDataSetsGroup = QStringLiteral("Наборы данных");
const QString kDictionaryGroup = QStringLiteral("Словарь");
const QString kSystemGroup = QStringLiteral("Системные переменные");
const QString kFunctionsGroup = QStringLiteral("Функции");

struct TfrSystemVariable {
    const char *name;
    const char *description;
};
const TfrSystemVariable kSystemVariables[] = {
    {"PAGE#", "Номер текущей страницы."},
    {"TOTALPAGES", "Число страниц отчёта (известно в двухпроходном отчёте)."},
    {"DATE", "Дата начала построения отчёта."},
    {"TIME", "Время начала построения отчёта."},
    {"LINE#", "Номер текущей строки данных в группе или в записи верхнего уровня."},
    {"LINETHROUGH#", "Сквозной номер текущей строки данных от начала отчёта."},
    {"COLUMN#", "Номер текущей колонки перекрёстного отчёта."},
    {"CURRENT#", "Номер напечатанной записи на странице."},
};

// The designer's report is the current one while the engine's lookups run (they find the
// report's owner through it).
class TfrReportScope {
public:
    explicit TfrReportScope(TfrReport &report) : m_saved(CurReport) { CurReport = &report; }
    ~TfrReportScope() { CurReport = m_saved; }
    TfrReportScope(const TfrReportScope &) = delete;
    TfrReportScope &operator=(const TfrReportScope &) = delete;

private:
    TfrReport *m_saved;
};

QString errorText(const std::exception &e)
{
    if (const auto *fr = dynamic_cast<const EfrError *>(&e))
        return fr->message();
    return QString::fromUtf8(e.what());
}

// The component of that name among what the report's owner reaches, or nullptr (a failed
// lookup counts as not found).
QObject *findComponent(const QString &name)
{
    try {
        return frGetDataSet(name);
    } catch (const std::exception &) {
        return nullptr;
    }
}

struct TfrFieldEntry {
    QString name; // as shown (the alias when the dictionary gives one)
    QString kind; // "String(40)", "Integer", ...
    friend bool operator==(const TfrFieldEntry &, const TfrFieldEntry &) = default;
};

struct TfrDataSetEntry {
    QString shown;   // the name expressions use (an alias when there is one)
    QString actual;  // the component's name
    QString about;   // what the description says of it
    QList<TfrFieldEntry> fields;
    QString failure; // why its fields cannot be listed
    bool lazy = false;    // a closed cursor whose fields are not known yet
    bool missing = false; // named by a band, not found
    friend bool operator==(const TfrDataSetEntry &, const TfrDataSetEntry &) = default;
};

// Everything the tree shows, so a refresh can tell whether anything changed.
struct TfrTreeContent {
    QList<TfrDataSetEntry> dataSets;
    QList<std::pair<QString, QString>> variables; // the dictionary's list, in order
    int functionCount = 0;
    friend bool operator==(const TfrTreeContent &, const TfrTreeContent &) = default;
};

QString kindText(const TfrFieldDef &def)
{
    QString text = QString::fromLatin1(frFieldKindName(def.kind));
    if (def.kind == TfrFieldKind::fkString && def.size > 0)
        text += QStringLiteral("(%1)").arg(def.size);
    return text;
}

bool isDataBand(int type)
{
    return type == btMasterData || type == btDetailData || type == btSubDetailData || type == btCrossData;
}

// A function's call form without its optional parts: "SUM(<Выражение> [,ИмяБэнда [,1]])"
// gives "SUM(<Выражение>)"; square brackets would read as expressions inside a text.
QString callTemplate(const QString &name, const QString &callForm)
{
    if (callForm.isEmpty())
        return name;
    QString result;
    int depth = 0;
    for (const QChar c : callForm) {
        if (c == QLatin1Char('['))
            ++depth;
        else if (c == QLatin1Char(']'))
            depth = std::max(0, depth - 1);
        else if (depth == 0)
            result += c;
    }
    result.replace(QRegularExpression(QStringLiteral("\\s+\\)")), QStringLiteral(")"));
    return result.trimmed();
}

} // namespace

QString frFieldExpression(const QString &dataSet, const QString &field)
{
    return dataSet + QStringLiteral(".\"") + field + QLatin1Char('"');
}

// Fields and variables drag out; everything else only inserts.
class TfrDataTreeWidget : public QTreeWidget {
public:
    TfrDataTreeWidget(TfrDataTree &owner, QWidget *parent) : QTreeWidget(parent), m_owner(owner) {}

protected:
    // Always a copy: a move would take the item out of the tree once the page accepted it.
    void startDrag(Qt::DropActions) override { QTreeWidget::startDrag(Qt::CopyAction); }
    QStringList mimeTypes() const override
    {
        return {QString::fromLatin1(kFrFieldMimeType), QStringLiteral("text/plain")};
    }
    QMimeData *mimeData(const QList<QTreeWidgetItem *> &items) const override
    {
        if (items.size() != 1)
            return nullptr;
        return m_owner.DragData(items.front()).release();
    }

private:
    TfrDataTree &m_owner;
};

struct TfrDataTree::Private {
    TfrDataTree *q = nullptr;
    TfrDesignerDocument *doc = nullptr;
    TfrDataTreeWidget *tree = nullptr;
    QLabel *description = nullptr;
    QTimer refreshTimer;
    std::optional<TfrTreeContent> shown;
    // Why a closed data set could not be opened to learn its fields, by actual name (lower
    // case); it is tried again only when the user opens the item again.
    QHash<QString, QString> failures;
    int builds = 0;

    TfrTreeContent read();
    void readDataSets(TfrTreeContent &content);
    TfrDataSetEntry dataSetEntry(const QString &shown, const QString &actual, QObject *component);
    void build(const TfrTreeContent &content);
    void fillDataSet(QTreeWidgetItem *item, const TfrDataSetEntry &entry);
    void loadFields(QTreeWidgetItem *item);
    void showDescription();
    static QTreeWidgetItem *add(QTreeWidgetItem *parent, const QString &text, int kind, const QString &insert = {},
                                const QString &description = {});
    static QString path(const QTreeWidgetItem *item);
};

QTreeWidgetItem *TfrDataTree::Private::add(QTreeWidgetItem *parent, const QString &text, int kind,
                                           const QString &insert, const QString &description)
{
    auto *item = new QTreeWidgetItem(parent, {text});
    item->setData(0, kKindRole, kind);
    item->setData(0, kInsertRole, insert);
    item->setData(0, kDescriptionRole, description);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (kind == dikField || kind == dikVariable || kind == dikSystemVariable)
        flags |= Qt::ItemIsDragEnabled;
    item->setFlags(flags);
    if (!description.isEmpty())
        item->setToolTip(0, description);
    return item;
}

QString TfrDataTree::Private::path(const QTreeWidgetItem *item)
{
    QStringList parts;
    for (; item; item = item->parent())
        parts.prepend(item->text(0));
    return parts.join(QChar(0x1F));
}

TfrDataSetEntry TfrDataTree::Private::dataSetEntry(const QString &shown, const QString &actual, QObject *component)
{
    TfrDataSetEntry entry;
    entry.shown = shown;
    entry.actual = actual;
    TfrTableCursor *cursor = frDataSetOf(component);
    if (qobject_cast<TfrDBDataSet *>(component)) {
        entry.about = cursor && !cursor->tableName().isEmpty()
                          ? QStringLiteral("Набор данных отчёта «%1» (таблица %2).").arg(shown, cursor->tableName())
                          : QStringLiteral("Набор данных отчёта «%1».").arg(shown);
        if (!cursor) {
            entry.failure = QStringLiteral("Набор данных не связан с таблицей.");
            return entry;
        }
    } else if (qobject_cast<TfrDataset *>(component)) {
        entry.about = QStringLiteral("Набор данных отчёта «%1» без полей: его записи задаёт программа.").arg(shown);
    } else {
        entry.about = cursor && !cursor->tableName().isEmpty()
                          ? QStringLiteral("Таблица «%1» (%2).").arg(shown, cursor->tableName())
                          : QStringLiteral("Таблица «%1».").arg(shown);
    }
    if (!cursor)
        return entry;
    QList<TfrFieldDef> defs;
    if (cursor->Active() || cursor->FieldCount() > 0) {
        for (int i = 0; i < cursor->FieldCount(); ++i)
            defs.append(cursor->FieldDef(i));
    } else if (!cursor->declaredFieldDefs().isEmpty()) {
        defs = cursor->declaredFieldDefs();
    } else if (const auto failure = failures.constFind(actual.toLower()); failure != failures.cend()) {
        entry.failure = *failure;
        return entry;
    } else {
        // Opening reads the whole table: that waits until someone opens the item.
        entry.lazy = true;
        return entry;
    }
    const TfrDataDictionary &dict = doc->Report().Dictionary();
    for (const TfrFieldDef &def : std::as_const(defs)) {
        QString name = def.name;
        if (const TfrVariant *alias = dict.AliasList.Find(actual + QLatin1Char('.') + def.name)) {
            name = alias->toString();
            if (name.isEmpty())
                continue; // an empty alias hides the field
        }
        entry.fields.append({name, kindText(def)});
    }
    return entry;
}

void TfrDataTree::Private::readDataSets(TfrTreeContent &content)
{
    TfrReport &report = doc->Report();
    TfrDataDictionary &dict = report.Dictionary();
    QStringList reportSets, cursors;
    try {
        dict.GetBandDatasourceList(reportSets);
        dict.GetDatasetList(cursors);
    } catch (const std::exception &) {
        // A registry that cannot be walked offers nothing; the bands' names still show.
    }
    QList<const TfrTableCursor *> covered;
    auto known = [&](const QString &name) {
        for (const TfrDataSetEntry &e : std::as_const(content.dataSets))
            if (e.shown.compare(name, Qt::CaseInsensitive) == 0 || e.actual.compare(name, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    for (const QString &shown : std::as_const(reportSets)) {
        const QString actual = dict.GetRealDataSourceName(shown);
        QObject *component = findComponent(actual);
        if (!component)
            continue;
        if (const TfrTableCursor *cursor = frDataSetOf(component))
            covered.append(cursor);
        content.dataSets.append(dataSetEntry(shown, actual, component));
    }
    // Tables no report data set stands for: expressions may name them directly.
    for (const QString &shown : std::as_const(cursors)) {
        const QString actual = dict.GetRealDataSetName(shown);
        QObject *component = findComponent(actual);
        const TfrTableCursor *cursor = frDataSetOf(component);
        if (!component || covered.contains(cursor) || known(shown))
            continue;
        content.dataSets.append(dataSetEntry(shown, actual, component));
    }
    // What the bands name but nobody offers.
    for (int p = 0; p < report.PageCount(); ++p) {
        const TfrPage *page = report.Page(p);
        for (const auto &v : page->Objects) {
            if (v->Typ != otBand || !isDataBand(static_cast<const TfrBandView &>(*v).GetBandType()))
                continue;
            const QString source = v->formatText.trimmed();
            // A record count ("5") or a cross-band list is not a data set.
            if (source.isEmpty() || (source[0] >= QLatin1Char('1') && source[0] <= QLatin1Char('9')) ||
                source.contains(QLatin1Char(';')) || known(source))
                continue;
            if (findComponent(dict.GetRealDataSourceName(source)))
                continue;
            TfrDataSetEntry entry;
            entry.shown = entry.actual = source;
            entry.missing = true;
            entry.about = QStringLiteral("Набор данных «%1» назван полосой %2, но программа его не предоставляет: "
                                         "поля недоступны, при построении полоса не получит данных.")
                              .arg(source, v->Name);
            content.dataSets.append(entry);
        }
    }
}

TfrTreeContent TfrDataTree::Private::read()
{
    TfrTreeContent content;
    TfrReportScope scope(doc->Report());
    readDataSets(content);
    const TfrVariables &vars = doc->Report().Dictionary().VarList;
    for (int i = 0; i < vars.GetCount(); ++i)
        content.variables.append({vars.GetName(i), vars.GetValue(i).toString()});
    content.functionCount = frInstalledFunctions().Count();
    return content;
}

void TfrDataTree::Private::fillDataSet(QTreeWidgetItem *item, const TfrDataSetEntry &entry)
{
    qDeleteAll(item->takeChildren());
    item->setData(0, kLazyRole, entry.lazy);
    if (entry.lazy) {
        // A child so the item can be opened; opening reads the fields.
        add(item, QStringLiteral("Поля будут прочитаны при раскрытии"), dikNote);
        return;
    }
    if (!entry.failure.isEmpty()) {
        QTreeWidgetItem *note = add(item, QStringLiteral("Поля недоступны: %1").arg(entry.failure), dikNote, {},
                                    entry.failure);
        note->setForeground(0, QApplication::palette().brush(QPalette::Disabled, QPalette::Text));
        return;
    }
    for (const TfrFieldEntry &f : entry.fields) {
        const QString expression = frFieldExpression(entry.shown, f.name);
        add(item, f.name, dikField, expression,
            QStringLiteral("Поле %1\nТип: %2").arg(expression, f.kind.isEmpty() ? QStringLiteral("—") : f.kind));
    }
}

void TfrDataTree::Private::build(const TfrTreeContent &content)
{
    ++builds;
    // What was open and current comes back when the same items are there again.
    QSet<QString> expanded;
    const bool first = !shown.has_value();
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->isExpanded())
            expanded.insert(path(*it));
    const QString current = tree->currentItem() ? path(tree->currentItem()) : QString();

    tree->clear();
    QTreeWidgetItem *root = tree->invisibleRootItem();

    QTreeWidgetItem *sets = add(root, kDataSetsGroup, dikGroup);
    if (content.dataSets.isEmpty()) {
        add(sets, QStringLiteral("Программа не предоставляет наборов данных"), dikNote, {},
            QStringLiteral("Наборы данных появляются, когда отчёт открыт из программы, которая их предоставляет."));
    }
    for (const TfrDataSetEntry &entry : content.dataSets) {
        if (entry.missing) {
            QTreeWidgetItem *item =
                add(sets, QStringLiteral("%1 (не найден)").arg(entry.shown), dikMissingDataSet, {}, entry.about);
            item->setForeground(0, QApplication::palette().brush(QPalette::Disabled, QPalette::Text));
            continue;
        }
        QTreeWidgetItem *item = add(sets, entry.shown, dikDataSet, {}, entry.about);
        item->setData(0, kDataSetRole, entry.actual);
        fillDataSet(item, entry);
    }

    QTreeWidgetItem *dictionary = add(root, kDictionaryGroup, dikGroup);
    QTreeWidgetItem *category = dictionary;
    for (const auto &[name, value] : content.variables) {
        if (name.startsWith(QLatin1Char(' '))) {
            category = add(dictionary, name.mid(1), dikCategory, {}, QStringLiteral("Категория словаря «%1».").arg(name.mid(1)));
            continue;
        }
        const QString about = value.isEmpty() ? QStringLiteral("Переменная словаря %1\nЗначение не задано.").arg(name)
                                              : QStringLiteral("Переменная словаря %1\nЗначение: %2").arg(name, value);
        add(category, name, dikVariable, name, about);
    }

    QTreeWidgetItem *system = add(root, kSystemGroup, dikGroup);
    for (const TfrSystemVariable &v : kSystemVariables) {
        const QString name = QString::fromLatin1(v.name);
        add(system, name, dikSystemVariable, name, name + QLatin1Char('\n') + QString::fromUtf8(v.description));
    }

    QTreeWidgetItem *functions = add(root, kFunctionsGroup, dikGroup);
    const TfrInstalledFunctions &catalogue = frInstalledFunctions();
    QStringList categories;
    catalogue.GetCategoryList(categories);
    for (const QString &cat : std::as_const(categories)) {
        QTreeWidgetItem *catItem = add(functions, cat, dikFunctionCategory);
        QStringList names;
        catalogue.GetFunctionList(cat, names);
        for (const QString &name : std::as_const(names)) {
            const QString desc = catalogue.GetFunctionDesc(name);
            const qsizetype slash = desc.indexOf(QLatin1Char('/'));
            const QString form = slash < 0 ? name : desc.left(slash).trimmed();
            const QString explanation = slash < 0 ? desc.trimmed() : desc.mid(slash + 1).trimmed();
            add(catItem, name, dikFunction, callTemplate(name, form),
                explanation.isEmpty() ? form : form + QLatin1Char('\n') + explanation);
        }
    }

    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        const QString p = path(*it);
        if (expanded.contains(p) || (first && ((*it) == sets || (*it) == dictionary)))
            (*it)->setExpanded(true);
        if (!current.isEmpty() && p == current)
            tree->setCurrentItem(*it);
    }
    shown = content;
    showDescription();
}

void TfrDataTree::Private::loadFields(QTreeWidgetItem *item)
{
    if (!item->data(0, kLazyRole).toBool())
        return;
    const QString actual = item->data(0, kDataSetRole).toString();
    TfrReportScope scope(doc->Report());
    QObject *component = findComponent(actual);
    TfrTableCursor *cursor = frDataSetOf(component);
    failures.remove(actual.toLower());
    if (cursor && !cursor->Active()) {
        // Opened to learn the fields, closed again: the program finds it as it left it.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            cursor->Open();
            cursor->Close();
        } catch (const std::exception &e) {
            failures.insert(actual.toLower(), errorText(e));
        }
        QApplication::restoreOverrideCursor();
    }
    TfrDataSetEntry entry = dataSetEntry(item->text(0), actual, component);
    if (entry.lazy) // a table without columns
        entry.lazy = false;
    fillDataSet(item, entry);
    // The tree now shows what a fresh read gives.
    if (shown) {
        for (TfrDataSetEntry &e : shown->dataSets)
            if (e.actual == actual && !e.missing)
                e = entry;
    }
}

void TfrDataTree::Private::showDescription() { description->setText(q->CurrentDescription()); }

TfrDataTree::TfrDataTree(TfrDesignerDocument &doc, QWidget *parent) : QWidget(parent), d(std::make_unique<Private>())
{
    d->q = this;
    d->doc = &doc;
    frGlobals(); // the engine's lookups need its value context
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    d->tree = new TfrDataTreeWidget(*this, this);
    d->tree->setObjectName(QStringLiteral("data_tree"));
    d->tree->setHeaderHidden(true);
    d->tree->setDragEnabled(true);
    d->tree->setDragDropMode(QAbstractItemView::DragOnly);
    d->tree->setSelectionMode(QAbstractItemView::SingleSelection);
    d->tree->installEventFilter(this);
    layout->addWidget(d->tree, 1);
    d->description = new QLabel(this);
    d->description->setObjectName(QStringLiteral("data_tree_description"));
    d->description->setWordWrap(true);
    d->description->setTextFormat(Qt::PlainText);
    d->description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    d->description->setFrameShape(QFrame::StyledPanel);
    d->description->setMargin(4);
    d->description->setMinimumHeight(fontMetrics().lineSpacing() * 4 + 10);
    d->description->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(d->description);

    connect(d->tree, &QTreeWidget::currentItemChanged, this, [this] { d->showDescription(); });
    connect(d->tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *item) { d->loadFields(item); });
    connect(d->tree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        const QString text = item->data(0, kInsertRole).toString();
        if (!text.isEmpty())
            emit InsertRequested(text);
    });
    // Edits arrive in bursts (one notice per property): one look after the burst.
    d->refreshTimer.setSingleShot(true);
    d->refreshTimer.setInterval(0);
    connect(&d->refreshTimer, &QTimer::timeout, this, &TfrDataTree::Refresh);
    connect(&doc, &TfrDesignerDocument::Changed, this, [this](const TfrChange &c) {
        if (c.kind != frcObjectMoved && c.kind != frcObjectReordered)
            d->refreshTimer.start();
    });
    connect(&doc, &TfrDesignerDocument::StepCommitted, this, [this] { d->refreshTimer.start(); });
    connect(&doc, &TfrDesignerDocument::FileNameChanged, this, [this] { d->refreshTimer.start(); });
    Refresh();
}

TfrDataTree::~TfrDataTree() = default;

QTreeWidget *TfrDataTree::Tree() const { return d->tree; }
QLabel *TfrDataTree::DescriptionLabel() const { return d->description; }
int TfrDataTree::BuildCount() const { return d->builds; }

QString TfrDataTree::CurrentInsertText() const
{
    const QTreeWidgetItem *item = d->tree->currentItem();
    return item ? item->data(0, kInsertRole).toString() : QString();
}

QString TfrDataTree::CurrentDescription() const
{
    const QTreeWidgetItem *item = d->tree->currentItem();
    return item ? item->data(0, kDescriptionRole).toString() : QString();
}

QTreeWidgetItem *TfrDataTree::ItemAt(const QStringList &path) const
{
    QTreeWidgetItem *item = d->tree->invisibleRootItem();
    for (const QString &part : path) {
        QTreeWidgetItem *next = nullptr;
        for (int i = 0; i < item->childCount() && !next; ++i)
            if (item->child(i)->text(0) == part)
                next = item->child(i);
        if (!next)
            return nullptr;
        item = next;
    }
    return item == d->tree->invisibleRootItem() ? nullptr : item;
}

std::unique_ptr<QMimeData> TfrDataTree::DragData(const QTreeWidgetItem *item) const
{
    if (!item || !(item->flags() & Qt::ItemIsDragEnabled))
        return nullptr;
    const QString expression = item->data(0, kInsertRole).toString();
    if (expression.isEmpty())
        return nullptr;
    auto data = std::make_unique<QMimeData>();
    data->setData(QString::fromLatin1(kFrFieldMimeType), expression.toUtf8());
    data->setText(QLatin1Char('[') + expression + QLatin1Char(']'));
    return data;
}

void TfrDataTree::Refresh()
{
    d->refreshTimer.stop();
    TfrTreeContent content = d->read();
    if (d->shown && *d->shown == content)
        return;
    d->build(content);
}

bool TfrDataTree::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == d->tree && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            const QString text = CurrentInsertText();
            if (!text.isEmpty()) {
                emit InsertRequested(text);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
