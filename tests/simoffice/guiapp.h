#pragma once
// Drawing slide pictures and the host's window need a Qt application with widgets;
// one for the whole test program. It is never destroyed: at exit it would outlive
// objects Qt's own statics (QTest's input devices) already took down.
#include <QApplication>

#include <cstdlib>

namespace quillmark::test {

inline void EnsureGuiApp()
{
    if (QCoreApplication::instance()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "simoffice_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* s_pApp = new QApplication(argc, argv);
    (void)s_pApp;
}

} // namespace quillmark::test
