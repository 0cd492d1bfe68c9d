#include "testkit/memory.h"

#include <cstring>
#include <fstream>
#include <string>

namespace testkit {

namespace {

double statusMegabytes(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::stod(line.substr(std::strlen(field))) / 1024;
    return 0;
}

} // namespace

double residentMegabytes() { return statusMegabytes("VmRSS:"); }

double peakMegabytes() { return statusMegabytes("VmHWM:"); }

double resetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
    return residentMegabytes();
}

} // namespace testkit
