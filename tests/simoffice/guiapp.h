#pragma once
// Drawing slide pictures needs a Qt GUI application; one for the whole test program,
// destroyed at exit.
#include <QGuiApplication>

#include <cstdlib>

namespace quillmark::test {

inline void EnsureGuiApp()
{
    if (QCoreApplication::instance()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "simoffice_tests";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}

} // namespace quillmark::test
