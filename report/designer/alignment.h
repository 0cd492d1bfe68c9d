// The alignment tool bar's commands on the document's selection, each one step.
//
// The first selected object is the reference the others line up with (lefts, centres,
// rights, tops, middles, bottoms, same width, same height), as people expect when they
// click the object to align to first. Spacing keeps the outermost objects where they are
// and spreads the rest with equal gaps between them. Centring in the band moves the
// selected objects of each band together, as one block, to the middle of their band.
// To grid snaps each object's top-left corner to the nearest grid point.
//
// Bands are never aligned (they span the page and stack by their own rules). An object
// with frrfDontMove keeps its place and one with frrfDontSize its size; the rest still
// align, and a restricted reference still serves as the reference.
#pragma once

#include <QString>

class TfrDesignerDocument;

enum class TfrAlignCommand {
    Lefts, Centres, Rights, Tops, Middles, Bottoms,
    SameWidth, SameHeight,
    SpaceAcross, SpaceDown,
    CentreInBandAcross, CentreInBandDown,
    ToGrid,
};

// False when the command does not apply (too few objects selected, restriction bits).
bool frAlignSelection(TfrDesignerDocument &doc, TfrAlignCommand command, int gridSize);

// The command's caption for menus, tool tips and the undo step ("Выровнять по левому краю").
QString frAlignCommandText(TfrAlignCommand command);
// The fewest selected objects (bands not counted) the command needs.
int frAlignMinimumSelection(TfrAlignCommand command);
