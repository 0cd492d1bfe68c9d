#include "report/eval/globals.h"

#include "report/eval/c_locale.h"
#include "report/eval/strings.h"

#include <QCoreApplication>

// Here, because every program of the engine links this file: after QCoreApplication's
// constructor has taken the locale from the environment, numbers go back to the C locale.
Q_COREAPP_STARTUP_FUNCTION(frUseCNumericLocale)

TfrReport *CurReport = nullptr;
TfrReport *MasterReport = nullptr;
TfrPage *CurPage = nullptr;
TfrBand *CurBand = nullptr;
TfrView *CurView = nullptr;
int PageNo = 0;
TfrDocMode DocMode = dmDesigning;
bool DisableDrawing = false;

bool ErrorFlag = false;
QString ErrorStr;

quint8 frVersion = 0;
qint32 objectNumberCounter = 0;

quint8 frCharset = 204;
std::array<QString, 23> frBandNames;
std::array<QString, 4> frDateFormats;
std::array<QString, 4> frTimeFormats;
std::array<QString, 4> frBoolFormats;

namespace {

constexpr int kCharsetId = 55337;
constexpr int kFirstBandNameId = 55077;
constexpr int kFirstBoolFormatId = 55170;
constexpr int kFirstDateFormatId = 55175;
constexpr int kFirstTimeFormatId = 55179;

template <size_t N>
void load(std::array<QString, N> &target, int firstId)
{
    for (size_t i = 0; i < N; ++i)
        target[i] = frLoadStr(firstId + int(i));
}

// Runs when the engine's code is loaded, before anything can read the tables.
[[maybe_unused]] const bool localizedAtStart = (frLocalizeGlobals(), true);

} // namespace

void frLocalizeGlobals()
{
    // A translation with a text that is no character set number keeps the previous one.
    bool ok = false;
    const int charset = frLoadStr(kCharsetId).trimmed().toInt(&ok);
    if (ok && charset >= 0 && charset <= 255)
        frCharset = quint8(charset);
    load(frBandNames, kFirstBandNameId);
    load(frBoolFormats, kFirstBoolFormatId);
    load(frDateFormats, kFirstDateFormatId);
    load(frTimeFormats, kFirstTimeFormatId);
}
