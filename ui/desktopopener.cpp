#include "ui/desktopopener.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QUrl>

namespace quillmark {

namespace {
constexpr int kReplyTimeoutMs = 3000;
} // namespace

bool DesktopOpener::ShowItem(const std::string& path)
{
    // Qt D-Bus runs on the application's event loop: without one there is no bus here.
    if (QCoreApplication::instance() && !path.empty()) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1",
                "ShowItems");
            call << QStringList{QUrl::fromLocalFile(QString::fromStdString(path)).toString()} << QString();
            const QDBusMessage reply = bus.call(call, QDBus::Block, kReplyTimeoutMs);
            if (reply.type() == QDBusMessage::ReplyMessage) return true;
        }
    }
    return m_xdg.ShowItem(path);
}

} // namespace quillmark
