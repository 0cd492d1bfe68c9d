// One measure of memory for every benchmark, so their figures compare: the process's
// resident size and its high-water mark as the kernel reports them, in megabytes.
#pragma once

namespace testkit {

double residentMegabytes();
// The highest resident size since the start or since the last resetPeakMemory.
double peakMegabytes();
// Starts a new high-water mark at the resident size now, which it answers.
double resetPeakMemory();

} // namespace testkit
