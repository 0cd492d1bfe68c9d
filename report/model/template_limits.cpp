#include "report/model/template_limits.h"

#include <initializer_list>
#include <utility>

#include "report/model/band_view.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"

namespace {

struct Limit {
    const char *property;
    qint64 value;
};

void check(const QString &object, std::initializer_list<Limit> values, qint64 bound)
{
    for (const Limit &l : values) {
        if (l.value >= -bound && l.value <= bound)
            continue;
        throw ETemplateLimit(QStringLiteral("%1: %2 = %3 не помещается на странице (допустимо от %4 до %5)")
                                 .arg(object, QLatin1String(l.property))
                                 .arg(l.value)
                                 .arg(-bound)
                                 .arg(bound));
    }
}

} // namespace

void frCheckTemplateLimits(const TfrView &v)
{
    check(v.Name, {{"Left", v.Left}, {"Top", v.Top}, {"Width", v.Width}, {"Height", v.Height}}, frMaxTemplateExtent);
    check(v.Name, {{"GapX", v.GapX}, {"GapY", v.GapY}}, frMaxTemplateGap);
    if (const auto *memo = dynamic_cast<const TfrMemoView *>(&v)) {
        check(v.Name, {{"Font.Size", memo->Font.Size}}, frMaxTemplateFontSize);
        check(v.Name, {{"LineSpacing", memo->LineSpacing}, {"CharSpacing", memo->CharSpacing}}, frMaxTemplateGap);
    }
    if (const auto *band = dynamic_cast<const TfrBandView *>(&v)) {
        check(v.Name, {{"Columns", band->Columns}}, frMaxTemplateColumns);
        check(v.Name, {{"ColumnWidth", band->ColumnWidth}, {"ColumnGap", band->ColumnGap}}, frMaxTemplateExtent);
    }
}

void frCheckTemplateLimits(const TfrPage &p)
{
    check(p.Name,
          {{"Margins.Left", p.pgMargins.Left},
           {"Margins.Top", p.pgMargins.Top},
           {"Margins.Right", p.pgMargins.Right},
           {"Margins.Bottom", p.pgMargins.Bottom},
           {"ColGap", p.ColGap}},
          frMaxTemplateExtent);
    check(p.Name, {{"Columns", p.Columns}}, frMaxTemplateColumns);
}
