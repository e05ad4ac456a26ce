#pragma once
// OfficeApplication: what both host wrappers share. It owns the add-in's command
// bar with its fixed controls, the tag buttons and every control subscription,
// and offers the path and tag helpers. Whatever needs a host's own object model
// is a pure virtual operation of the Word and PowerPoint wrappers.
//
// The virtual operations are declared in their slot order; the wrappers add their
// own after slot 27. Failing host calls throw ComError; no operation here catches
// it (the control sinks do, at the host's boundary).
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <list>
#include <string>
#include <string_view>

#include "host/commandhandlers.h"
#include "host/dialogrequests.h"
#include "officeapi/commandbarswrappers.h"
#include "platform/com/com.h"
#include "store/tagtext.h"

namespace quillmark {

class AppSettings;
class TaggingDatabase;

class OfficeApplication {
public:
    OfficeApplication();
    OfficeApplication(const OfficeApplication&) = delete;
    OfficeApplication& operator=(const OfficeApplication&) = delete;

    /* 0 */ virtual bool AddControls() = 0;
    /* 1 */ virtual bool RefreshTagToolbar(const std::string& path, bool bRecreateTagButton);
    /* 2 */ virtual bool RemoveTagButtons(bool bRecreateTagButton);
    /* 3 */ virtual bool MergeTagsFromFile(const std::string& path) = 0;
    /* 4 */ virtual bool GetCommandBars(office::CommandBarsPtr& spCommandBars) = 0;
    /* 5 */ virtual bool ConnectApplicationEvents() = 0;
    /* 6 */ virtual bool CreateTagButton(const office::CommandBarControlsPtr& spControls) = 0;
    /* 7 */ virtual bool AddTagButtonHandler(const office::CommandBarButtonPtr& spButton, const std::string& tag) = 0;
    /* 8 */ virtual bool RemoveTagButtonHandler(TagButtonHandler* pHandler) = 0;
    /* 9 */ virtual bool OpenDocument(const std::string& path) = 0;
    /* 10 */ virtual bool InsertSlideFromFile(const std::string& path, int slideNumber) = 0;
    /* 11 */ virtual std::string GetActiveDocumentPath() = 0;
    /* 12 */ virtual TagList GetDatabaseTags(const std::string& path) = 0;
    /* 13 */ virtual bool GetEmbeddedTags(TagList& tags) = 0;
    /* 14 */ virtual bool SetEmbeddedTags(const TagList& tags) = 0;
    /* 15 */ virtual bool CanRefreshToolbar() = 0;
    /* 16 */ virtual bool AddProductMenu(const office::CommandBarControlsPtr& spControls);
    /* 17 */ virtual office::CommandBarComboBoxPtr AddSearchBox(const office::CommandBarControlsPtr& spControls);
    /* 18 */ virtual bool CreateCommandBar();
    /* 19 */ virtual office::CommandBarButtonPtr AddButton(const office::CommandBarControlsPtr& spControls,
                                                           const std::string& caption, int faceId,
                                                           bool bIsTagButton, const std::string& tooltip);
    /* 20 */ virtual office::CommandBarButtonPtr AddButton(const office::CommandBarControlsPtr& spControls,
                                                           const std::string& caption, int faceId,
                                                           bool bIsTagButton);
    /* 21 */ virtual office::CommandBarButtonPtr AddButton(const office::CommandBarControlsPtr& spControls,
                                                           const std::string& caption, int faceId,
                                                           const std::string& tooltip);
    /* 22 */ virtual office::CommandBarButtonPtr AddButton(const office::CommandBarControlsPtr& spControls,
                                                           const std::string& caption, int faceId);
    /* 23 */ virtual bool SetSettings(AppSettings* pSettings);
    /* 24 */ virtual bool SetDatabase(TaggingDatabase* pDatabase);
    /* 25 */ virtual bool HasFilePath();
    /* 26 */ virtual bool IsInTemporaryFolder(const std::string& path);
    /* 27 */ virtual bool IsTagInList(const std::string& tag, const TagList& tags);

    // Ends every subscription; the host's controls are left to the host.
    virtual ~OfficeApplication();

    // The file name without folders and extension: C:\docs\report.final.doc gives
    // report.final; a path without any "." gives "".
    static std::string GetFileNameTag(const std::string& path);
    // Late-bound call of member `name` of `object`. The arguments are given LAST
    // FIRST, as automation lays them out; a property put names its single argument
    // DISPID_PROPERTYPUT. A null object returns S_OK without any call and leaves
    // `result` untouched; otherwise the first failing code is returned.
    static HRESULT DispatchByName(std::uint16_t flags, Variant* result, IDispatch* object, std::string_view name,
                                  std::initializer_list<Variant> lastFirstArgs = {});

    // What became of a relocation (RelocateDocument).
    enum class Relocation {
        Relocated,         // the located file holds the tags; the old record is gone
        NotFound,          // there is no file at the located path: nothing changed
        InTemporaryFolder, // the located file cannot be tagged: nothing changed
        NotSaved,          // the database could not be written: the old record stays
    };
    // The user has located a file the database knew under `oldPath` at `newPath`.
    // The located file's record gets its own stored tags, then the old record's
    // tags it lacks, then its file-name tag; only once that record is written is
    // the old one removed. Then MergeTagsFromFile(newPath) lets the host add what
    // it knows of the file.
    Relocation RelocateDocument(const std::string& oldPath, const std::string& newPath);

    // Ends the application-event subscription made by ConnectApplicationEvents
    // (Unadvise with its cookie); the add-in calls it when it disconnects.
    void DisconnectApplicationEvents();

    // Where the bar's handlers send their dialog requests (not owned; null = no dialogs).
    void SetDialogLauncher(DialogLauncher* pLauncher) { m_pDialogLauncher = pLauncher; }
    DialogLauncher* GetDialogLauncher() const { return m_pDialogLauncher; }

    AppSettings* Settings() const { return m_pSettings; }
    TaggingDatabase* Database() const { return m_pDatabase; }
    const office::CommandBarPtr& CommandBar() const { return m_pCommandBar; }
    int TagButtonCount() const { return m_nTagButtons; }
    // "&Tag" acts on the active document, so it is enabled only while one is open:
    // RefreshTagToolbar enables it for an active document, and whoever handles the
    // closing of the last document disables it. Without a "&Tag" button, nothing.
    void EnableTagButton(bool bEnabled);

    // What the bar's controls do when clicked (called from their subscriptions).
    void ShowBrowseDialog(DialogKind kind, const std::string& searchText);
    void ShowAboutDialog();
    void ShowOptionsDialog(); // refreshes the tag buttons after OK
    void OpenHelp();
    void OpenWebsite();

protected:
    // The fixed controls of both hosts (product menu, search box, "&Browse"), the
    // Browse click subscribed through `browseSink` to the dialog `browseKind`.
    bool AddFixedControls(ControlSubscription& browseSink, DialogKind browseKind);
    // "&Tag" through AddButton, kept in m_spTagButton and subscribed through `tagSink`.
    bool AddTagButton(const office::CommandBarControlsPtr& spControls, ControlSubscription& tagSink,
                      std::function<void()> fnClick);
    // Asks the launcher for a dialog; false when there is none or it was cancelled.
    bool ShowDialog(DialogRequest request);
    // The Tag dialog `kind` for one document of the host.
    bool ShowTagDialog(DialogKind kind, IDispatch* pDocument);
    // Subscribes `pSink` to the application's events `eventsIid`, keeping the
    // connection point and cookie for DisconnectApplicationEvents. A host without
    // that connection point gets no subscription.
    void AdviseApplicationEvents(IUnknown* pApplication, const IID& eventsIid, IDispatch* pSink);
    // A new handler for a tag button, appended to m_tagButtonHandlers; the host
    // subscribes it to the button's Click.
    TagButtonHandler& AppendTagButtonHandler(const office::CommandBarButtonPtr& spButton, const std::string& tag);
    const AppSettings& RequireSettings() const;
    TaggingDatabase& RequireDatabase() const;

    ComPtr<IConnectionPoint> m_pConnectionPoint;
    DWORD m_dwAppEventsCookie = 0;
    office::CommandBarPtr m_pCommandBar;
    int m_nTagButtons = 0;
    CommandSinks m_commandSinks;
    office::CommandBarButtonPtr m_spTagButton;
    office::CommandBarButtonPtr m_spBrowseButton;
    office::CommandBarButtonPtr m_spAboutButton;
    office::CommandBarButtonPtr m_spHelpButton;
    office::CommandBarButtonPtr m_spWebsiteButton;
    office::CommandBarButtonPtr m_spOptionsButton;
    SearchBoxHandler m_searchBoxHandler;
    std::list<TagButtonHandler*> m_tagButtonHandlers; // owned
    TaggingDatabase* m_pDatabase = nullptr;           // not owned
    AppSettings* m_pSettings = nullptr;               // not owned
    DialogLauncher* m_pDialogLauncher = nullptr;      // not owned
};

} // namespace quillmark
