// Which band holds which object on a template page, decided as the page engine decides it
// when pages are built, so what the designer shows moving together prints together.
#pragma once

#include <QList>
#include <QRect>

class TfrBandView;
class TfrPage;
class TfrView;

// The bands of a page in drawing order.
QList<TfrBandView *> frPageBands(const TfrPage &page);
// The horizontal band that takes the view (its top within the band's top..bottom, the
// band types in their order, the first band of a type first), or nullptr.
TfrBandView *frBandOf(const TfrPage &page, const TfrView &view);
// The cross band (vertical strip) whose left..right holds the view entirely, or nullptr.
TfrBandView *frCrossBandOf(const TfrPage &page, const TfrView &view);
// The views a band carries along when it moves: for a horizontal band those frBandOf gives
// it, for a cross band those inside its strip. Never the band itself or other bands.
QList<TfrView *> frObjectsOfBand(const TfrPage &page, const TfrBandView &band);
// The band under a point in design pixels (a horizontal band first, then a cross band).
TfrBandView *frBandAt(const TfrPage &page, QPoint point);
