#pragma once
// What the Word and PowerPoint application objects share: the office model they
// show, their command bars, one automation object per open document (so a
// document keeps its identity), the application-event connection point, and an
// optional trace of every event fired.
#include "platform/com/com.h"
#include "officecore/commandbarobjects.h"
#include "officecore/office.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace quillmark::officecore {

class AppCore;

// The link from an automation object to its document; `pDoc` is null once the
// document is closed, and every call on such an object then fails.
struct DocLink {
    OfficeDocument* pDoc = nullptr;
    AppCore* pApp = nullptr;
    int activePane = 2; // PowerPoint's panes: 1 outline, 2 slide, 3 notes
};
using DocLinkPtr = std::shared_ptr<DocLink>;

class AppCore : public OfficeEvents {
public:
    explicit AppCore(Office& model);
    ~AppCore() override;

    Office& Model() { return m_model; }
    SimCommandBars& Bars() { return *m_spBars.Get(); }
    HostKind Host() const { return m_model.Host(); }
    // The application object (IDispatch of Word's or PowerPoint's _Application); not counted.
    virtual IDispatch* AppDispatch() = 0;

    // The one automation object of an open document, and of its window.
    ComPtr<IDispatch> DocumentObject(OfficeDocument& doc);
    ComPtr<IDispatch> WindowObject(OfficeDocument& doc);
    DocLinkPtr Link(OfficeDocument& doc);

    // Called with "DocumentOpen /tmp/a.doc" and the like for every event fired.
    void SetEventTrace(std::function<void(const std::string&)> fnTrace) { m_fnTrace = std::move(fnTrace); }

    // The host ends: every command bar goes, document objects are cut off, event
    // subscribers are let go. The object itself stays usable for the host's own code.
    void Shutdown();

    // OfficeEvents
    void DocumentOpened(OfficeDocument& doc) override;
    void WindowActivated(OfficeDocument& doc) override;
    bool BeforeSave(OfficeDocument& doc, bool bSaveAsUi) override;
    void AfterSave(OfficeDocument& doc) override;
    void DocumentClosing(OfficeDocument& doc) override;

protected:
    struct Views {
        DocLinkPtr link;
        ComPtr<IDispatch> spDocument;
        ComPtr<IDispatch> spWindow;
    };
    virtual ComPtr<IDispatch> MakeDocumentObject(const DocLinkPtr& link) = 0;
    virtual ComPtr<IDispatch> MakeWindowObject(const DocLinkPtr& link) = 0;
    // Fires an application event with arguments in call order.
    std::size_t Fire(DISPID dispId, const IID& eventIid, std::initializer_list<Variant> args);
    void Trace(const std::string& event, const OfficeDocument& doc);
    virtual const IID& EventIid() const = 0;
    // The application-event connection point list; null once the host has ended.
    virtual ConnectionPointList* Points() = 0;
    // Drops the event subscribers (the host is ending).
    virtual void DropEventSinks() = 0;

    Office& m_model;
    ComPtr<SimCommandBars> m_spBars;
    std::map<OfficeDocument*, Views> m_mapViews;
    std::function<void(const std::string&)> m_fnTrace;
    bool m_bShutDown = false;
};

// The application object of the model's host: Word's or PowerPoint's. `pCore` gets
// the host's side of it (valid while the returned reference lives).
ComPtr<IDispatch> MakeApplication(Office& model, AppCore*& pCore);

// The late-bound built-in properties collection of a document: Item(name or index)
// gives a property whose Value is read and written, Count.
ComPtr<IDispatch> MakePropertiesObject(const DocLinkPtr& link);

// Text of a Variant argument (numbers converted); false when it has none.
bool ArgText(const Variant& value, std::string& text);

} // namespace quillmark::officecore
