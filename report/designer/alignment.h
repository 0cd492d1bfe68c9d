// The alignment tool bar's commands on the document's selection, each one step.
#pragma once

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
