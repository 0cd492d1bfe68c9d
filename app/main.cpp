// Entry of the journal program.
#include "app/application.h"
#include "app/startup.h"

#include <cstdio>

int main(int argc, char **argv)
{
    TJournalApplication app(argc, argv);
    TStartupOptions options;
    try {
        // The application object has taken its own options out of argv already.
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        options = frParseCommandLine(arguments);
    } catch (...) {
        std::fprintf(stderr, "%s\n", qPrintable(frExceptionText(std::current_exception())));
        return 2;
    }
    return frRunJournal(options);
}
