// The main of every test binary: one QApplication for the whole run, on the offscreen platform
// unless the environment asks for another.
#include <QApplication>

#include <gtest/gtest.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QS_HAS_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QS_HAS_ASAN 1
#endif

#ifdef QS_HAS_ASAN
// Leaks inside the system libraries Qt uses (font configuration, the platform plug-in loader)
// are not ours; ours are still reported.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\nleak:libQt6Gui\nleak:libdbus\n";
}
#endif

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
