// Placeholder until the alignment commands land.
#include "report/designer/alignment.h"

bool frAlignSelection(TfrDesignerDocument &, TfrAlignCommand, int) { return false; }
