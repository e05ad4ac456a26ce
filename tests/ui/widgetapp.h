#pragma once
// Dialog tests need a Qt widget application; one for the whole test program, on
// the offscreen platform. It is never destroyed: at exit it would outlive objects
// Qt's own statics (QTest's input devices) already took down.
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
    static QApplication* s_pApp = new QApplication(argc, argv);
    (void)s_pApp;
}

} // namespace quillmark::test

namespace quillmark::test {

// A base to derive a fixture from (first) when its members are widgets.
struct WithWidgetApp {
    WithWidgetApp() { EnsureWidgetApp(); }
};

} // namespace quillmark::test
