#pragma once
// CConnect: the add-in's COM class, created by Word or PowerPoint when it loads the
// add-in. Its connection notification brings the whole add-in to life: settings,
// tag database, the wrapper of the recognised host, the command bar.
#include "addin/dialoglauncher.h"
#include "officeapi/addin.h"
#include "platform/com/com.h"

#include <memory>

namespace quillmark {

namespace files {
class FileSystem;
}

class AppSettings;
class OfficeApplication;
class TaggingDatabase;

inline constexpr CLSID CLSID_Connect = GuidLiteral("{6F3C2B18-9A47-4E5D-8C21-3B7D90A4E6F2}");
inline constexpr GUID LIBID_QuillmarkLib = GuidLiteral("{2E81D4A7-5C06-4B9F-A3E2-71F0C8B95D14}");

class CConnect final : public DispatchObject<office::IDTExtensibility2> {
public:
    // The host's class factory makes it over the operating system's file system.
    CConnect();
    // Every file call of the tag database it makes, and of the database's work in
    // the host wrapper, goes through `fs` (not owned; it must outlive the object).
    explicit CConnect(files::FileSystem& fs);
    ~CConnect() override;

    // IDTExtensibility2. Every notification returns S_OK; nothing a host call
    // raises inside one of them reaches the host.
    HRESULT OnConnection(IDispatch* application, office::ext_ConnectMode connectMode, IDispatch* addInInst,
                         office::CustomArray* custom) override;
    HRESULT OnDisconnection(office::ext_DisconnectMode removeMode, office::CustomArray* custom) override;
    HRESULT OnAddInsUpdate(office::CustomArray* custom) override;
    HRESULT OnStartupComplete(office::CustomArray* custom) override;
    HRESULT OnBeginShutdown(office::CustomArray* custom) override;

    // The wrapper made for the host; null before connection and in a host that is
    // neither Word nor PowerPoint.
    OfficeApplication* HostWrapper() const { return m_pHostWrapper.get(); }
    AppSettings* Settings() const { return m_pSettings.get(); }
    TaggingDatabase* Database() const { return m_pDatabase.get(); }

private:
    void StartImaging();
    void Connect(IDispatch* application);
    void InitDispatchTable();

    // Owned here and released when the object goes, wrapper first: it borrows the
    // others. The database writes every change at once, so nothing is unsaved.
    files::FileSystem& m_fs;
    AddinDialogLauncher m_dialogLauncher; // the dialogs the wrapper's command bar asks for
    std::unique_ptr<AppSettings> m_pSettings;
    std::unique_ptr<TaggingDatabase> m_pDatabase;
    std::unique_ptr<OfficeApplication> m_pHostWrapper;
    ComPtr<IDispatch> m_pApplication; // the connection stores none; released on disconnection
    bool m_bConnected = false;
};

} // namespace quillmark
