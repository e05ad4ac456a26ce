#include "libreoffice/office/eventloop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace quillmark::libreoffice {

MainThreadBinding::MainThreadBinding(OfficeConnection& connection) : m_connection(connection)
{
    m_connection.GetBaton().Enter();
    QAbstractEventDispatcher* pDispatcher = QAbstractEventDispatcher::instance();
    connect(pDispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
        if (m_nReleased < 0) m_nReleased = m_connection.GetBaton().ReleaseAll();
    });
    connect(pDispatcher, &QAbstractEventDispatcher::awake, this, [this] {
        if (m_nReleased < 0) return;
        const int levels = m_nReleased;
        m_nReleased = -1;
        m_connection.GetBaton().Reacquire(levels);
    });
    m_connection.SetPoster([this](std::function<void()> fnWork) {
        QMetaObject::invokeMethod(this, std::move(fnWork), Qt::QueuedConnection);
    });
}

MainThreadBinding::~MainThreadBinding()
{
    m_connection.SetPoster({});
    disconnect(QAbstractEventDispatcher::instance(), nullptr, this, nullptr);
    if (m_nReleased >= 0) m_connection.GetBaton().Reacquire(m_nReleased);
    m_connection.GetBaton().Leave();
}

bool LineInput::TakeLine(std::string& line)
{
    const size_t end = m_strBuffer.find('\n');
    if (end == std::string::npos) {
        if (!m_bEnded || m_strBuffer.empty()) return false;
        line = std::move(m_strBuffer); // a last line without its end
        m_strBuffer.clear();
        return true;
    }
    line = m_strBuffer.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    m_strBuffer.erase(0, end + 1);
    return true;
}

bool LineInput::Next(std::string& line)
{
    // What arrived from the office since the last line is handled first.
    QCoreApplication::processEvents();
    for (;;) {
        if (TakeLine(line)) return true;
        if (m_bEnded) return false;
        pollfd ready{m_nFd, POLLIN, 0};
        if (poll(&ready, 1, 0) > 0) {
            char chunk[4096];
            const ssize_t n = read(m_nFd, chunk, sizeof chunk);
            if (n > 0) {
                m_strBuffer.append(chunk, static_cast<size_t>(n));
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                m_bEnded = true;
            }
            continue;
        }
        // Nothing yet: the event loop runs (and the office's work with it) until the
        // input has something.
        QEventLoop loop;
        QSocketNotifier notifier(m_nFd, QSocketNotifier::Read);
        connect(&notifier, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
        QTimer::singleShot(500, &loop, &QEventLoop::quit); // a notifier missed by a nested loop
        loop.exec();
    }
}

} // namespace quillmark::libreoffice
