#include "report/model/fr_globals.h"

#include <QCoreApplication>

#include "report/eval/globals.h"
#include "report/model/model_context.h"
#include "report/model/text_layout.h"

namespace {

std::unique_ptr<TfrGlobals> &instance()
{
    static std::unique_ptr<TfrGlobals> g;
    return g;
}

} // namespace

TfrGlobals::TfrGlobals() : m_scratchImage(8, 8, QImage::Format_ARGB32_Premultiplied)
{
    Localize();
    m_scratchImage.fill(Qt::white);
    m_scratchPainter.begin(&m_scratchImage);
    m_valueContext = std::make_unique<TfrModelValueContext>();
    frSetValueContext(m_valueContext.get());
    frInstallNameHandler();
}

TfrGlobals::~TfrGlobals()
{
    if (&frValueContext() == m_valueContext.get())
        frSetValueContext(nullptr);
    if (m_scratchPainter.isActive())
        m_scratchPainter.end();
    // Fonts must go while the font database still exists.
    frClearFontMetrics();
}

void TfrGlobals::Localize() { frLocalizeGlobals(); }

TfrGlobals &frGlobals()
{
    std::unique_ptr<TfrGlobals> &g = instance();
    if (!g) {
        g = std::make_unique<TfrGlobals>();
        qAddPostRoutine(frShutdownGlobals);
    }
    return *g;
}

void frShutdownGlobals() { instance().reset(); }

void frRunScript(QStringList &script)
{
    if (script.isEmpty())
        return;
    TfrGlobals &g = frGlobals();
    if (g.scriptRunner)
        g.scriptRunner(script);
}
