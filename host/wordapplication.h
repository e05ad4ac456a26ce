#pragma once
// WordApplication: the host wrapper for Word. Implements the host operations on
// Word's object model and adds the per-document operations of the Word event
// handler and the Tag dialog: the "Keywords" tags, the full name, and the tests
// that keep unsaved documents and templates out of the database.
#include <memory>

#include "host/officeapplication.h"
#include "host/wordeventhandler.h"
#include "officeapi/wordwrappers.h"

namespace quillmark {

class WordApplication : public OfficeApplication {
public:
    WordApplication() = default;
    ~WordApplication() override;

    bool AddControls() override;
    bool MergeTagsFromFile(const std::string& path) override;
    bool GetCommandBars(office::CommandBarsPtr& spCommandBars) override;
    bool ConnectApplicationEvents() override;
    bool CreateTagButton(const office::CommandBarControlsPtr& spControls) override;
    bool AddTagButtonHandler(const office::CommandBarButtonPtr& spButton, const std::string& tag) override;
    bool RemoveTagButtonHandler(TagButtonHandler* pHandler) override;
    bool OpenDocument(const std::string& path) override;
    bool InsertSlideFromFile(const std::string& path, int slideNumber) override;
    std::string GetActiveDocumentPath() override;
    TagList GetDatabaseTags(const std::string& path) override;
    bool GetEmbeddedTags(TagList& tags) override;
    bool SetEmbeddedTags(const TagList& tags) override;
    bool CanRefreshToolbar() override;

    /* 28 */ virtual TagList GetActiveDocumentTags();
    /* 29 */ virtual bool SetApplication(const ComPtr<word::_Application>& spApplication);

    // The active document; a failure code (and an empty reference) when there is none.
    HRESULT GetActiveDocument(word::_DocumentPtr& spDocument);
    // FullName of the document; "" for an empty reference.
    std::string GetFullName(const word::_DocumentPtr& spDocument);
    // The tags of the "Keywords" property; an empty reference means the active document.
    TagList GetKeywords(const word::_DocumentPtr& spDocument);
    // Writes the tags joined by ", " into "Keywords" (not saved); an empty reference
    // means the active document. No document at all: no effect.
    bool SetKeywords(const word::_DocumentPtr& spDocument, const TagList& tags);
    bool IsSavedToFile(const word::_DocumentPtr& spDocument);
    // The full name, lower-cased, ends with ".dot".
    bool IsTemplate(const word::_DocumentPtr& spDocument);

    const word::_ApplicationPtr& Application() const { return m_pWordApp; }

    // Tag click: the Tag dialog for the active document, if there is one.
    void OnTagClick();

private:
    word::_ApplicationPtr m_pWordApp;
    std::unique_ptr<WordEventHandler> m_pEventHandler; // subscribed by ConnectApplicationEvents
};

} // namespace quillmark
