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
    // Never destroyed: a QApplication torn down among the exit handlers can crash
    // in Qt's own input-device cleanup after the test program has passed.
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

} // namespace quillmark::test

namespace quillmark::test {

// A base to derive a fixture from (first) when its members are widgets.
struct WithWidgetApp {
    WithWidgetApp() { EnsureWidgetApp(); }
};

} // namespace quillmark::test
