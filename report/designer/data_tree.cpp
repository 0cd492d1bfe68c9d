// The data tree (placeholder until it is built).
#include "report/designer/data_tree.h"

#include <QTreeWidget>
#include <QVBoxLayout>

struct TfrDataTree::Private {
    QTreeWidget *tree = nullptr;
};

TfrDataTree::TfrDataTree(TfrDesignerDocument &, QWidget *parent) : QWidget(parent), d(std::make_unique<Private>())
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    d->tree = new QTreeWidget(this);
    d->tree->setObjectName(QStringLiteral("data_tree"));
    d->tree->setHeaderHidden(true);
    layout->addWidget(d->tree);
}

TfrDataTree::~TfrDataTree() = default;
QTreeWidget *TfrDataTree::Tree() const { return d->tree; }
QString TfrDataTree::CurrentInsertText() const { return QString(); }
QString TfrDataTree::CurrentDescription() const { return QString(); }
void TfrDataTree::Refresh() {}
