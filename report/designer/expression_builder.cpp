// The expression builder dialog.
#include "report/designer/expression_builder.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "report/designer/data_tree.h"
#include "report/designer/designer_editors.h"
#include "report/designer/dialog_buttons.h"
#include "report/designer/expression_check.h"

namespace {

struct OperatorButton {
    const char *objectName;
    const char *caption;
    const char *text; // what goes into the expression
};

constexpr OperatorButton kOperators[] = {
    {"op_plus", "+", " + "},     {"op_minus", "-", " - "},   {"op_multiply", "*", " * "},
    {"op_divide", "/", " / "},   {"op_equal", "=", " = "},   {"op_not_equal", "<>", " <> "},
    {"op_less", "<", " < "},     {"op_greater", ">", " > "}, {"op_less_equal", "<=", " <= "},
    {"op_greater_equal", ">=", " >= "}, {"op_open", "(", "("}, {"op_close", ")", ")"},
    {"op_and", "AND", " AND "}, {"op_or", "OR", " OR "},     {"op_not", "NOT", "NOT "},
    {"op_mod", "MOD", " MOD "}, {"op_string", "' '", "''"},
};

} // namespace

TfrExpressionBuilder::TfrExpressionBuilder(TfrDesignerDocument *doc, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("expression_builder"));
    setWindowTitle(tr("Построитель выражений"));
    auto *layout = new QVBoxLayout(this);

    layout->addWidget(new QLabel(tr("Выражение:"), this));
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("expression_edit"));
    layout->addWidget(m_edit);

    auto *operators = new QGridLayout;
    operators->setSpacing(2);
    int column = 0;
    for (const OperatorButton &op : kOperators) {
        auto *button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(op.objectName));
        button->setText(QString::fromLatin1(op.caption));
        button->setMinimumWidth(36);
        const QString text = QString::fromLatin1(op.text);
        connect(button, &QToolButton::clicked, this, [this, text] {
            Insert(text);
            // Inside the quotes of a new text literal, ready to type it.
            if (text == QLatin1String("''"))
                m_edit->cursorBackward(false);
        });
        operators->addWidget(button, 0, column++);
    }
    operators->setColumnStretch(column, 1);
    layout->addLayout(operators);

    if (doc) {
        auto *splitter = new QSplitter(Qt::Vertical, this);
        m_tree = new TfrDataTree(*doc, splitter);
        m_tree->setObjectName(QStringLiteral("expression_tree"));
        m_description = new QLabel(splitter);
        m_description->setObjectName(QStringLiteral("expression_description"));
        m_description->setWordWrap(true);
        m_description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_description->setFrameShape(QFrame::StyledPanel);
        m_description->setMinimumHeight(48);
        splitter->setStretchFactor(0, 4);
        splitter->setStretchFactor(1, 1);
        layout->addWidget(splitter, 1);
        m_tree->Refresh();
        connect(m_tree, &TfrDataTree::InsertRequested, this, &TfrExpressionBuilder::insertFromTree);
        connect(m_tree->Tree(), &QTreeWidget::currentItemChanged, this,
                [this] { m_description->setText(m_tree->CurrentDescription()); });
    } else {
        layout->addStretch(1);
    }

    auto *row = new QHBoxLayout;
    if (m_tree) {
        auto *insert = new QPushButton(tr("Вставить"), this);
        insert->setObjectName(QStringLiteral("insert_item"));
        connect(insert, &QPushButton::clicked, this, [this] {
            const QString text = m_tree->CurrentInsertText();
            if (!text.isEmpty())
                insertFromTree(text);
        });
        row->addWidget(insert);
    }
    auto *check = new QPushButton(tr("Проверить"), this);
    check->setObjectName(QStringLiteral("check_button"));
    connect(check, &QPushButton::clicked, this, [this] { Check(); });
    row->addWidget(check);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("check_message"));
    m_message->setWordWrap(true);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(m_message, 1);
    layout->addLayout(row);

    auto *buttons = frDialogButtons(this);
    layout->addWidget(buttons);

    // A changed expression is no longer the one that was checked.
    connect(m_edit, &QLineEdit::textEdited, this, [this] { m_message->clear(); });
    resize(640, doc ? 520 : 220);
}

QString TfrExpressionBuilder::Expression() const { return m_edit->text().trimmed(); }

void TfrExpressionBuilder::SetExpression(const QString &expression)
{
    m_edit->setText(expression);
    m_message->clear();
}

void TfrExpressionBuilder::Insert(const QString &text)
{
    m_edit->insert(text);
    m_edit->setFocus();
    m_message->clear();
}

void TfrExpressionBuilder::insertFromTree(const QString &text)
{
    // A call goes in as it is; a field or a variable as a bracket group, so names with
    // blanks and points stay one operand.
    Insert(text.endsWith(QLatin1Char(')')) ? text : QLatin1Char('[') + text + QLatin1Char(']'));
}

void TfrExpressionBuilder::showResult(bool ok, const QString &text)
{
    m_message->setStyleSheet(ok ? QStringLiteral("color: #1a7f1a;") : QStringLiteral("color: #c00000;"));
    m_message->setText(text);
}

bool TfrExpressionBuilder::Check()
{
    const QString expression = Expression();
    if (expression.isEmpty()) {
        if (m_emptyAllowed) {
            showResult(true, tr("Условие не задано"));
            return true;
        }
        showResult(false, tr("Выражение не задано"));
        return false;
    }
    QString message;
    if (!frCheckExpression(expression, &message, m_inlineFormat)) {
        showResult(false, tr("Ошибка в выражении: %1").arg(frExpressionMessageText(message)));
        m_edit->setFocus();
        return false;
    }
    showResult(true, tr("Выражение правильное"));
    return true;
}

void TfrExpressionBuilder::accept()
{
    if (Check())
        QDialog::accept();
}

bool frBuildExpression(QWidget *parent, TfrDesignerDocument &doc, QString &expression)
{
    TfrExpressionBuilder dialog(&doc, parent);
    dialog.SetExpression(expression);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    expression = dialog.Expression();
    return true;
}

bool frBuildCondition(QWidget *parent, TfrDesignerDocument &doc, QString &condition)
{
    TfrExpressionBuilder dialog(&doc, parent);
    dialog.setWindowTitle(TfrExpressionBuilder::tr("Условие"));
    dialog.SetEmptyAllowed(true);
    dialog.SetExpression(condition);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    condition = dialog.Expression();
    return true;
}

bool frBuildExpression(QWidget *parent, TfrReport &, QString &expression)
{
    // Without the document the report's data sets cannot be listed: the line and the
    // operators only.
    TfrExpressionBuilder dialog(nullptr, parent);
    dialog.SetExpression(expression);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    expression = dialog.Expression();
    return true;
}
