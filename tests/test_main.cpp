// Shared entry of every test program: a QApplication on the offscreen platform, so
// painting, fonts and widgets work without a display.
#include <QApplication>
#include <gtest/gtest.h>

#ifdef FR_CUPS_STATE_DIR
#include <QFile>
#endif

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef FR_CUPS_STATE_DIR
    // The printing tests talk to the test CUPS server (scripts/cups-test-server.sh), whose
    // port is chosen when it starts; the print system reads CUPS_SERVER once, so it is set
    // before anything asks for printers.
    QFile server(QStringLiteral(FR_CUPS_STATE_DIR "/server.txt"));
    if (server.open(QIODevice::ReadOnly))
        qputenv("CUPS_SERVER", server.readAll().trimmed());
#endif
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
