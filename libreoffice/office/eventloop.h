#pragma once
// Our main thread and the office: the baton (libreoffice/uno/handoff.h) is held by
// the main thread except while Qt's event loop sleeps, work handed to the main
// thread arrives as a Qt event, and script lines are waited for in the event loop,
// so that what the office sends between two lines (a click, a document someone
// opened) is handled while we wait.
#include "libreoffice/uno/officeconnection.h"

#include <QObject>

#include <string>

namespace quillmark::libreoffice {

class MainThreadBinding : public QObject {
public:
    // Takes the baton for the main thread; needs the QApplication. `connection`
    // must outlive this object.
    explicit MainThreadBinding(OfficeConnection& connection);
    // Lets the baton go and hands work to the connection's own queue again.
    ~MainThreadBinding() override;

private:
    OfficeConnection& m_connection;
    int m_nReleased = -1; // levels given away while the event loop sleeps; -1 when awake
};

// Lines from a file descriptor (standard input), each waited for in the event loop.
class LineInput : public QObject {
public:
    explicit LineInput(int fd = 0) : m_nFd(fd) {}
    // The next line without its end; false at the end of the input.
    bool Next(std::string& line);

private:
    bool TakeLine(std::string& line);
    int m_nFd;
    std::string m_strBuffer;
    bool m_bEnded = false;
};

} // namespace quillmark::libreoffice
