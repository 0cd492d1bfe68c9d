// The text and frame tool bars (placeholders until they are built).
#include "report/designer/format_toolbars.h"

struct TfrTextToolBar::Private {};
struct TfrFrameToolBar::Private {};

TfrTextToolBar::TfrTextToolBar(TfrDesignerDocument &, QWidget *parent)
    : QToolBar(QStringLiteral("Текст"), parent), d(std::make_unique<Private>())
{
    setObjectName(QStringLiteral("toolbar_text"));
}
TfrTextToolBar::~TfrTextToolBar() = default;
void TfrTextToolBar::Refresh() {}

TfrFrameToolBar::TfrFrameToolBar(TfrDesignerDocument &, QWidget *parent)
    : QToolBar(QStringLiteral("Рамка"), parent), d(std::make_unique<Private>())
{
    setObjectName(QStringLiteral("toolbar_frame"));
}
TfrFrameToolBar::~TfrFrameToolBar() = default;
void TfrFrameToolBar::Refresh() {}
