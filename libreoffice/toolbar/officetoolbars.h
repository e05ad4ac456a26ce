#pragma once
// The Quillmark tool bar in the office's document frames and the command URLs its
// items send back, for the office core: plain C++ over an OfficeConnection.
//
// Every call goes through the connection's calls into the office (time limit,
// threads as in libreoffice/uno/handoff.h); false / nullopt with a reason in
// `error` on failure, nothing throws.
#include "libreoffice/toolbar/toolbarmodel.h"
#include "libreoffice/uno/officeconnection.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillmark::libreoffice {

class OfficeToolBars {
public:
    // `office` must outlive this object.
    explicit OfficeToolBars(OfficeConnection& office);
    // Stops receiving commands (the tool bars stay).
    ~OfficeToolBars();
    OfficeToolBars(const OfficeToolBars&) = delete;
    OfficeToolBars& operator=(const OfficeToolBars&) = delete;

    // Makes `toolBar` the Quillmark tool bar of the document's frame: builds it the
    // first time, relabels it in place afterwards, and shows it. The document's own
    // file is not changed by this (the tool bar is never saved into it).
    bool Show(DocumentId id, const ToolBar& toolBar, std::string* error);
    // The Quillmark tool bar of the document's frame as the office holds it (read
    // from the frame's UI configuration, not from what we sent); nullopt with
    // `error` empty when the frame has none.
    std::optional<ToolBar> Read(DocumentId id, std::string* error);
    // Takes the tool bar away from the document's frame.
    bool Remove(DocumentId id, std::string* error);

    // Receives the vnd.quillmark: commands dispatched in the frames of documents of
    // `kinds` (a click, the search field's Enter, a dispatch by anyone), from now on
    // and instead of whoever received them before (a process that died, an earlier
    // registration). `fnCommand` runs on the main thread (posted there through the
    // connection; the office never waits for it) with the document whose frame sent
    // it (0 when it came from elsewhere). False when the office lacks the extension.
    bool ReceiveCommands(std::vector<DocumentKind> kinds,
                         std::function<void(DocumentId, const ForwardedCommand&)> fnCommand,
                         std::string* error);

    // Adds the extension (ExtensionPath()) to the office for its user when it lacks
    // it; an office started with a private profile needs this once. The office uses
    // it at once, no restart.
    bool AddExtension(const std::string& oxtPath, std::string* error);

    class Impl;

private:
    std::unique_ptr<Impl> m_pImpl;
};

// Installation of the extension for the current user (`unopkg add`, with
// --shared when run as root, where unopkg refuses per-user installs) and of the
// start-with-LibreOffice hook: the extension starts `program` (connected to the
// office) when the first document window of an office appears. False with a
// message when unopkg is missing or fails; an office that is running picks the
// extension up when it starts again.
bool InstallExtension(const std::string& oxtPath, const std::string& program, std::string* error);
// Undoes InstallExtension; a missing installation is no error.
bool UninstallExtension(std::string* error);
// The .oxt built with this program ($QUILLMARK_EXTENSION, else beside the program,
// else the build tree's).
std::string ExtensionPath();

} // namespace quillmark::libreoffice
