#pragma once
// Dialog tests need a Qt widget application; one for the whole test program, on
// the offscreen platform.
#include <QApplication>

#include <cstdlib>

namespace quillmark::test {

inline void EnsureWidgetApp()
{
    if (QCoreApplication::instance()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own input devices may be gone before it.
    static QApplication* pApp = new QApplication(argc, argv);
    (void)pApp;
}

} // namespace quillmark::test

namespace quillmark::test {

// A base to derive a fixture from (first) when its members are widgets.
struct WithWidgetApp {
    WithWidgetApp() { EnsureWidgetApp(); }
};

} // namespace quillmark::test
