// The data dictionary dialog.
#include "report/designer/dictionary_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "report/designer/designer_editors.h"
#include "report/designer/dialog_buttons.h"
#include "report/designer/expression_check.h"
#include "report/eval/data_dictionary.h"
#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/eval/parser.h"
#include "report/eval/ui_hooks.h"
#include "report/model/fr_globals.h"
#include "report/model/report.h"

namespace {

constexpr int kMbIconWarning = 48;
constexpr int kRoleCategory = Qt::UserRole;   // bool
constexpr int kRoleValue = Qt::UserRole + 1;  // the value text
constexpr int kRoleName = Qt::UserRole + 2;   // the name as last accepted
constexpr int kRoleKind = Qt::UserRole + 3;   // how the value was given

// Data sets and fields are found among the components of the report's owner, which the
// lookups reach through the engine's current report.
struct CurrentReportScope {
    TfrReport *saved = CurReport;
    explicit CurrentReportScope(TfrReport &report)
    {
        frGlobals(); // the lookups' context comes with the engine's shared services
        CurReport = &report;
    }
    ~CurrentReportScope() { CurReport = saved; }
};

// DataSet."Field" (the form the dictionary resolves as a field), split.
bool splitFieldReference(const QString &value, QString &dataSet, QString &field)
{
    static const QRegularExpression form(QStringLiteral("^([A-Za-z_][A-Za-z0-9_.]*)\\.\"([^\"]+)\"$"));
    const QRegularExpressionMatch m = form.match(value);
    if (!m.hasMatch())
        return false;
    dataSet = m.captured(1);
    field = m.captured(2);
    return true;
}

// Empty, or the shared check's verdict (what the parser refuses for any data).
bool expressionProblem(const QString &text, QString &problem)
{
    if (text.trimmed().isEmpty()) {
        problem = QObject::tr("Введите выражение.");
        return true;
    }
    QString message;
    if (frCheckExpression(text, &message))
        return false;
    problem = frExpressionMessageText(message);
    return true;
}

QTreeWidgetItem *makeItem(const QString &name, bool category)
{
    auto *item = new QTreeWidgetItem(QStringList{name});
    item->setData(0, kRoleCategory, category);
    item->setData(0, kRoleName, name);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    if (category) {
        QFont bold = item->font(0);
        bold.setBold(true);
        item->setFont(0, bold);
    }
    return item;
}

void setValue(QTreeWidgetItem *item, const QString &value)
{
    QString dataSet, field;
    int kind = 0; // empty
    if (splitFieldReference(value, dataSet, field))
        kind = 2;
    else if (!value.isEmpty())
        kind = 1;
    item->setData(0, kRoleValue, value);
    item->setData(0, kRoleKind, kind);
}

} // namespace

TfrDictionaryDialog::TfrDictionaryDialog(TfrReport &report, QWidget *parent) : QDialog(parent), m_report(report)
{
    setObjectName(QStringLiteral("dictionary_dialog"));
    setWindowTitle(tr("Словарь данных"));
    auto *layout = new QVBoxLayout(this);
    auto *splitter = new QSplitter(this);
    layout->addWidget(splitter, 1);

    // ---- categories and variables ----
    auto *left = new QGroupBox(tr("Категории и переменные"), splitter);
    auto *leftLayout = new QVBoxLayout(left);
    m_tree = new QTreeWidget(left);
    m_tree->setObjectName(QStringLiteral("variables_tree"));
    m_tree->setHeaderHidden(true);
    m_tree->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
    leftLayout->addWidget(m_tree, 1);
    auto *buttons = new QGridLayout;
    auto button = [&](const char *name, const QString &text, int row, int column) {
        auto *b = new QPushButton(text, left);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        buttons->addWidget(b, row, column);
        return b;
    };
    m_addCategory = button("add_category", tr("Новая категория"), 0, 0);
    m_addVariable = button("add_variable", tr("Новая переменная"), 0, 1);
    m_rename = button("rename", tr("Переименовать"), 1, 0);
    m_delete = button("delete", tr("Удалить"), 1, 1);
    m_up = button("move_up", tr("Вверх"), 2, 0);
    m_down = button("move_down", tr("Вниз"), 2, 1);
    leftLayout->addLayout(buttons);

    // ---- the value and the data sets ----
    auto *right = new QWidget(splitter);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto *valueBox = new QGroupBox(tr("Значение переменной"), right);
    valueBox->setObjectName(QStringLiteral("value_group"));
    auto *valueLayout = new QGridLayout(valueBox);
    m_empty = new QRadioButton(tr("Нет значения"), valueBox);
    m_empty->setObjectName(QStringLiteral("value_empty"));
    m_expression = new QRadioButton(tr("Выражение:"), valueBox);
    m_expression->setObjectName(QStringLiteral("value_expression"));
    m_field = new QRadioButton(tr("Поле данных:"), valueBox);
    m_field->setObjectName(QStringLiteral("value_field"));
    auto *kinds = new QButtonGroup(this);
    kinds->addButton(m_empty, kindEmpty);
    kinds->addButton(m_expression, kindExpression);
    kinds->addButton(m_field, kindField);
    m_expressionEdit = new QLineEdit(valueBox);
    m_expressionEdit->setObjectName(QStringLiteral("expression_edit"));
    m_expressionEdit->setPlaceholderText(tr("например, [Table1.\"Amount\"] * 2"));
    m_builder = new QPushButton(QStringLiteral("…"), valueBox);
    m_builder->setObjectName(QStringLiteral("expression_builder"));
    m_builder->setToolTip(tr("Построитель выражений"));
    m_builder->setAutoDefault(false);
    m_dataSet = new QComboBox(valueBox);
    m_dataSet->setObjectName(QStringLiteral("dataset_combo"));
    m_dataSet->setEditable(true);
    m_fieldName = new QComboBox(valueBox);
    m_fieldName->setObjectName(QStringLiteral("field_combo"));
    m_fieldName->setEditable(true);
    m_valueMessage = new QLabel(valueBox);
    m_valueMessage->setObjectName(QStringLiteral("value_message"));
    m_valueMessage->setWordWrap(true);
    m_valueMessage->setStyleSheet(QStringLiteral("color: #B71C1C;"));
    valueLayout->addWidget(m_empty, 0, 0, 1, 3);
    valueLayout->addWidget(m_expression, 1, 0);
    valueLayout->addWidget(m_expressionEdit, 1, 1);
    valueLayout->addWidget(m_builder, 1, 2);
    valueLayout->addWidget(m_field, 2, 0);
    valueLayout->addWidget(new QLabel(tr("Набор данных:"), valueBox), 2, 1, 1, 2);
    valueLayout->addWidget(m_dataSet, 3, 1, 1, 2);
    valueLayout->addWidget(new QLabel(tr("Поле:"), valueBox), 4, 1, 1, 2);
    valueLayout->addWidget(m_fieldName, 5, 1, 1, 2);
    valueLayout->addWidget(m_valueMessage, 6, 0, 1, 3);
    valueLayout->setColumnStretch(1, 1);
    rightLayout->addWidget(valueBox);

    auto *dataBox = new QGroupBox(tr("Наборы данных отчёта"), right);
    auto *dataLayout = new QVBoxLayout(dataBox);
    m_dataSets = new QListWidget(dataBox);
    m_dataSets->setObjectName(QStringLiteral("datasets_list"));
    dataLayout->addWidget(m_dataSets);
    rightLayout->addWidget(dataBox, 1);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);

    auto *box = frDialogButtons(this);
    layout->addWidget(box);

    // ---- contents ----
    QStringList dataSets;
    {
        CurrentReportScope scope(report);
        QStringList sources;
        try {
            report.Dictionary().GetDatasetList(dataSets);
            report.Dictionary().GetBandDatasourceList(sources);
        } catch (const EfrError &) {
            // Components that fail to list leave the lists as far as they got.
        }
        for (const QString &name : std::as_const(sources))
            if (!dataSets.contains(name, Qt::CaseInsensitive))
                dataSets.append(name);
    }
    m_dataSets->addItems(dataSets);
    m_dataSet->addItems(dataSets);

    m_loading = true;
    const TfrVariables &vars = report.Dictionary().VarList;
    QTreeWidgetItem *category = nullptr;
    for (int i = 0; i < vars.GetCount(); ++i) {
        const QString name = vars.GetName(i);
        if (name.startsWith(QLatin1Char(' '))) {
            category = makeItem(name.mid(1), true);
            m_tree->addTopLevelItem(category);
            continue;
        }
        // Variables before any heading would turn into headings when the template is read
        // again; they are shown (and kept) under a category of their own.
        if (!category) {
            category = makeItem(uniqueName(tr("Без категории"), true), true);
            m_tree->addTopLevelItem(category);
        }
        QTreeWidgetItem *item = makeItem(name, false);
        setValue(item, vars.GetValue(i).isNull() ? QString() : vars.GetValue(i).toString());
        category->addChild(item);
    }
    m_tree->expandAll();
    m_loading = false;

    connect(m_addCategory, &QPushButton::clicked, this, [this] { AddCategory(); });
    connect(m_addVariable, &QPushButton::clicked, this, [this] { AddVariable(); });
    connect(m_rename, &QPushButton::clicked, this, &TfrDictionaryDialog::RenameCurrent);
    connect(m_delete, &QPushButton::clicked, this, &TfrDictionaryDialog::DeleteCurrent);
    connect(m_up, &QPushButton::clicked, this, [this] { MoveCurrent(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { MoveCurrent(1); });
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &TfrDictionaryDialog::showCurrent);
    connect(m_tree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item) { itemRenamed(item); });
    connect(kinds, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            valueEdited();
    });
    connect(m_expressionEdit, &QLineEdit::textEdited, this, &TfrDictionaryDialog::valueEdited);
    connect(m_dataSet, &QComboBox::currentTextChanged, this, [this](const QString &name) {
        if (m_loading)
            return;
        fillFields(name);
        valueEdited();
    });
    connect(m_fieldName, &QComboBox::currentTextChanged, this, &TfrDictionaryDialog::valueEdited);
    connect(m_builder, &QPushButton::clicked, this, [this] {
        QString expression = m_expressionEdit->text();
        if (!frBuildExpression(this, m_report, expression))
            return;
        m_expressionEdit->setText(expression);
        m_expression->setChecked(true);
        valueEdited();
    });

    if (m_tree->topLevelItemCount() > 0)
        m_tree->setCurrentItem(m_tree->topLevelItem(0));
    showCurrent();
    resize(820, 560);
}

bool TfrDictionaryDialog::isCategory(const QTreeWidgetItem *item)
{
    return item && item->data(0, kRoleCategory).toBool();
}

QTreeWidgetItem *TfrDictionaryDialog::currentCategory() const
{
    QTreeWidgetItem *item = m_tree->currentItem();
    if (!item)
        return nullptr;
    return isCategory(item) ? item : item->parent();
}

bool TfrDictionaryDialog::nameTaken(const QString &name, bool category, const QTreeWidgetItem *except) const
{
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *c = m_tree->topLevelItem(i);
        if (category) {
            if (c != except && c->data(0, kRoleName).toString().compare(name, Qt::CaseInsensitive) == 0)
                return true;
            continue;
        }
        for (int j = 0; j < c->childCount(); ++j) {
            const QTreeWidgetItem *v = c->child(j);
            if (v != except && v->data(0, kRoleName).toString().compare(name, Qt::CaseInsensitive) == 0)
                return true;
        }
    }
    return false;
}

QString TfrDictionaryDialog::uniqueName(const QString &stem, bool category) const
{
    if (!nameTaken(stem, category, nullptr))
        return stem;
    for (int n = 2;; ++n) {
        const QString name = QStringLiteral("%1 %2").arg(stem).arg(n);
        if (!nameTaken(name, category, nullptr))
            return name;
    }
}

QTreeWidgetItem *TfrDictionaryDialog::AddCategory()
{
    QTreeWidgetItem *item = makeItem(uniqueName(tr("Категория"), true), true);
    m_loading = true;
    QTreeWidgetItem *after = currentCategory();
    m_tree->insertTopLevelItem(after ? m_tree->indexOfTopLevelItem(after) + 1 : m_tree->topLevelItemCount(), item);
    m_loading = false;
    m_tree->setCurrentItem(item);
    m_tree->editItem(item);
    return item;
}

QTreeWidgetItem *TfrDictionaryDialog::AddVariable()
{
    QTreeWidgetItem *category = currentCategory();
    if (!category) {
        m_loading = true;
        category = makeItem(uniqueName(tr("Категория"), true), true);
        m_tree->addTopLevelItem(category);
        m_loading = false;
    }
    // Variable names are names in expressions: no spaces, so they read without brackets.
    QString name;
    for (int n = 1;; ++n) {
        name = QStringLiteral("Var%1").arg(n);
        if (!nameTaken(name, false, nullptr))
            break;
    }
    QTreeWidgetItem *item = makeItem(name, false);
    setValue(item, QString());
    m_loading = true;
    QTreeWidgetItem *current = m_tree->currentItem();
    if (current && !isCategory(current))
        category->insertChild(category->indexOfChild(current) + 1, item);
    else
        category->addChild(item);
    category->setExpanded(true);
    m_loading = false;
    m_tree->setCurrentItem(item);
    m_tree->editItem(item);
    return item;
}

void TfrDictionaryDialog::RenameCurrent()
{
    if (QTreeWidgetItem *item = m_tree->currentItem())
        m_tree->editItem(item);
}

void TfrDictionaryDialog::DeleteCurrent()
{
    QTreeWidgetItem *item = m_tree->currentItem();
    if (!item)
        return;
    delete item; // the tree's own item: QTreeWidget hands ownership to whoever removes it
    showCurrent();
}

void TfrDictionaryDialog::MoveCurrent(int delta)
{
    QTreeWidgetItem *item = m_tree->currentItem();
    if (!item)
        return;
    m_loading = true;
    if (isCategory(item)) {
        const int from = m_tree->indexOfTopLevelItem(item);
        const int to = from + delta;
        if (to >= 0 && to < m_tree->topLevelItemCount()) {
            const bool expanded = item->isExpanded();
            m_tree->takeTopLevelItem(from);
            m_tree->insertTopLevelItem(to, item);
            item->setExpanded(expanded);
        }
    } else {
        QTreeWidgetItem *category = item->parent();
        const int from = category->indexOfChild(item);
        const int to = from + delta;
        const int categoryIndex = m_tree->indexOfTopLevelItem(category);
        if (to >= 0 && to < category->childCount()) {
            category->takeChild(from);
            category->insertChild(to, item);
        } else if (to < 0 && categoryIndex > 0) {
            // Past the top of its category: to the end of the one above.
            category->takeChild(from);
            QTreeWidgetItem *above = m_tree->topLevelItem(categoryIndex - 1);
            above->addChild(item);
            above->setExpanded(true);
        } else if (to >= category->childCount() && categoryIndex + 1 < m_tree->topLevelItemCount()) {
            category->takeChild(from);
            QTreeWidgetItem *below = m_tree->topLevelItem(categoryIndex + 1);
            below->insertChild(0, item);
            below->setExpanded(true);
        }
    }
    m_loading = false;
    m_tree->setCurrentItem(item);
    updateButtons();
}

void TfrDictionaryDialog::itemRenamed(QTreeWidgetItem *item)
{
    if (m_loading || !item)
        return;
    const QString before = item->data(0, kRoleName).toString();
    const QString name = item->text(0).trimmed();
    if (name == before) {
        if (item->text(0) != before) {
            const QSignalBlocker block(m_tree);
            item->setText(0, before);
        }
        return;
    }
    const bool category = isCategory(item);
    QString problem;
    if (name.isEmpty())
        problem = category ? tr("Имя категории не может быть пустым.") : tr("Имя переменной не может быть пустым.");
    else if (nameTaken(name, category, item))
        problem = (category ? tr("Категория «%1» уже есть.") : tr("Переменная «%1» уже есть.")).arg(name);
    {
        const QSignalBlocker block(m_tree);
        item->setText(0, problem.isEmpty() ? name : before);
    }
    if (!problem.isEmpty()) {
        frMessageBox(problem, tr("Словарь данных"), kMbIconWarning);
        return;
    }
    item->setData(0, kRoleName, name);
}

void TfrDictionaryDialog::fillFields(const QString &dataSet)
{
    const QString keep = m_fieldName->currentText();
    QStringList fields;
    {
        CurrentReportScope scope(m_report);
        try {
            m_report.Dictionary().GetFieldList(dataSet, fields);
        } catch (const EfrError &) {
            // A data set that cannot be reached offers no fields; the name may still be typed.
        }
    }
    const QSignalBlocker block(m_fieldName);
    m_fieldName->clear();
    m_fieldName->addItems(fields);
    m_fieldName->setCurrentIndex(-1);
    if (fields.contains(keep))
        m_fieldName->setCurrentText(keep);
    else if (!fields.isEmpty())
        m_fieldName->setCurrentIndex(0);
    else
        m_fieldName->setEditText(QString());
}

void TfrDictionaryDialog::showCurrent()
{
    QTreeWidgetItem *item = m_tree->currentItem();
    const bool variable = item && !isCategory(item);
    m_loading = true;
    const QString value = variable ? item->data(0, kRoleValue).toString() : QString();
    const int kind = variable ? item->data(0, kRoleKind).toInt() : kindEmpty;
    {
        const QSignalBlocker b1(m_empty), b2(m_expression), b3(m_field), b4(m_expressionEdit);
        m_empty->setChecked(kind == kindEmpty);
        m_expression->setChecked(kind == kindExpression);
        m_field->setChecked(kind == kindField);
        QString dataSet, field;
        if (kind == kindField && splitFieldReference(value, dataSet, field)) {
            m_expressionEdit->clear();
            m_dataSet->setCurrentText(dataSet);
            fillFields(dataSet);
            const QSignalBlocker b5(m_fieldName);
            m_fieldName->setCurrentText(field);
        } else {
            m_expressionEdit->setText(kind == kindExpression ? value : QString());
        }
    }
    for (QWidget *w : {static_cast<QWidget *>(m_empty), static_cast<QWidget *>(m_expression),
                       static_cast<QWidget *>(m_field)})
        w->setEnabled(variable);
    m_expressionEdit->setEnabled(variable && kind == kindExpression);
    m_builder->setEnabled(variable && kind == kindExpression);
    m_dataSet->setEnabled(variable && kind == kindField);
    m_fieldName->setEnabled(variable && kind == kindField);
    QString problem;
    m_valueMessage->setText(variable && valueProblem(item, problem) ? problem : QString());
    m_loading = false;
    updateButtons();
}

void TfrDictionaryDialog::valueEdited()
{
    if (m_loading)
        return;
    QTreeWidgetItem *item = m_tree->currentItem();
    if (!item || isCategory(item))
        return;
    int kind = kindEmpty;
    QString value;
    if (m_expression->isChecked()) {
        kind = kindExpression;
        value = m_expressionEdit->text();
    } else if (m_field->isChecked()) {
        kind = kindField;
        const QString dataSet = m_dataSet->currentText().trimmed();
        // Switched to a field with a data set already shown: offer its fields.
        if (!dataSet.isEmpty() && m_fieldName->count() == 0 && m_fieldName->currentText().isEmpty())
            fillFields(dataSet);
        const QString field = m_fieldName->currentText().trimmed();
        if (!dataSet.isEmpty() && !field.isEmpty())
            value = dataSet + QStringLiteral(".\"") + field + QLatin1Char('"');
    }
    item->setData(0, kRoleValue, value);
    item->setData(0, kRoleKind, kind);
    m_expressionEdit->setEnabled(kind == kindExpression);
    m_builder->setEnabled(kind == kindExpression);
    m_dataSet->setEnabled(kind == kindField);
    m_fieldName->setEnabled(kind == kindField);
    QString problem;
    m_valueMessage->setText(valueProblem(item, problem) ? problem : QString());
}

bool TfrDictionaryDialog::valueProblem(const QTreeWidgetItem *item, QString &problem) const
{
    const QString value = item->data(0, kRoleValue).toString();
    switch (item->data(0, kRoleKind).toInt()) {
    case kindExpression:
        return expressionProblem(value, problem);
    case kindField:
        if (value.isEmpty()) {
            problem = tr("Выберите набор данных и поле.");
            return true;
        }
        return false;
    default:
        return false;
    }
}

void TfrDictionaryDialog::updateButtons()
{
    QTreeWidgetItem *item = m_tree->currentItem();
    m_rename->setEnabled(item);
    m_delete->setEnabled(item);
    m_up->setEnabled(item);
    m_down->setEnabled(item);
}

QList<QPair<QString, QString>> TfrDictionaryDialog::Entries() const
{
    QList<QPair<QString, QString>> entries;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *c = m_tree->topLevelItem(i);
        entries.append({QLatin1Char(' ') + c->data(0, kRoleName).toString(), QString()});
        for (int j = 0; j < c->childCount(); ++j)
            entries.append({c->child(j)->data(0, kRoleName).toString(), c->child(j)->data(0, kRoleValue).toString()});
    }
    return entries;
}

void TfrDictionaryDialog::accept()
{
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *c = m_tree->topLevelItem(i);
        for (int j = 0; j < c->childCount(); ++j) {
            QTreeWidgetItem *v = c->child(j);
            QString problem;
            if (!valueProblem(v, problem))
                continue;
            m_tree->setCurrentItem(v);
            frMessageBox(tr("Переменная «%1»: %2").arg(v->text(0), problem), tr("Словарь данных"), kMbIconWarning);
            if (v->data(0, kRoleKind).toInt() == kindExpression)
                m_expressionEdit->setFocus();
            return;
        }
    }
    QDialog::accept();
}

void TfrDictionaryDialog::Apply(TfrReport &report) const
{
    TfrVariables &vars = report.Dictionary().VarList;
    const QList<QPair<QString, QString>> entries = Entries();
    // Unchanged entries keep their values as they are (a value read from an old template
    // may not be text).
    bool same = vars.GetCount() == entries.size();
    for (int i = 0; same && i < entries.size(); ++i)
        same = vars.GetName(i) == entries[i].first &&
               (entries[i].first.startsWith(QLatin1Char(' ')) || vars.GetValue(i).toString() == entries[i].second);
    if (same)
        return;
    vars.Clear();
    for (const auto &[name, value] : entries)
        vars.SetVariable(name, TfrVariant(value));
    report.Dictionary().ClearCache();
}
