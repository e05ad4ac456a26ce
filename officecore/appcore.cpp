#include "officecore/appcore.h"

#include "officeapi/powerpoint.h"
#include "officeapi/word.h"
#include "platform/registry/regmodel.h"

namespace quillmark::officecore {

AppCore::AppCore(Office& model) : m_model(model), m_spBars(MakeComObject<SimCommandBars>())
{
    m_model.SetEvents(this);
}

AppCore::~AppCore() { m_model.SetEvents(nullptr); } // the hosts' destructors shut down

DocLinkPtr AppCore::Link(OfficeDocument& doc)
{
    Views& views = m_mapViews[&doc];
    if (!views.link) views.link = std::make_shared<DocLink>(DocLink{&doc, this, 2});
    return views.link;
}

ComPtr<IDispatch> AppCore::DocumentObject(OfficeDocument& doc)
{
    DocLinkPtr link = Link(doc);
    Views& views = m_mapViews[&doc];
    if (!views.spDocument) views.spDocument = MakeDocumentObject(link);
    return views.spDocument;
}

ComPtr<IDispatch> AppCore::WindowObject(OfficeDocument& doc)
{
    DocLinkPtr link = Link(doc);
    Views& views = m_mapViews[&doc];
    if (!views.spWindow) views.spWindow = MakeWindowObject(link);
    return views.spWindow;
}

void AppCore::Shutdown()
{
    if (m_bShutDown) return;
    m_bShutDown = true;
    m_model.SetEvents(nullptr);
    DropEventSinks();
    if (m_spBars) m_spBars->Clear();
    for (auto& [pDoc, views] : m_mapViews)
        if (views.link) views.link->pDoc = nullptr;
    m_mapViews.clear();
}

void AppCore::Trace(const std::string& event, const OfficeDocument& doc)
{
    if (m_fnTrace) m_fnTrace(event + " " + doc.FullName());
}

std::size_t AppCore::Fire(DISPID dispId, const IID& eventIid, std::initializer_list<Variant> args)
{
    ConnectionPointList* pPoints = Points();
    if (!pPoints) return 0;
    DispParams params = DispParams::FromArgs(args);
    return pPoints->Fire(eventIid, dispId, params);
}

void AppCore::DocumentOpened(OfficeDocument& doc)
{
    ComPtr<IDispatch> spDoc = DocumentObject(doc);
    if (Host() == HostKind::Word) {
        Trace("DocumentOpen", doc);
        Fire(word::DISPID_Word_DocumentOpen, EventIid(), {Variant(spDoc.Get())});
    } else {
        Trace("PresentationOpen", doc);
        Fire(powerpoint::DISPID_PowerPoint_PresentationOpen, EventIid(), {Variant(spDoc.Get())});
    }
}

void AppCore::WindowActivated(OfficeDocument& doc)
{
    ComPtr<IDispatch> spDoc = DocumentObject(doc);
    ComPtr<IDispatch> spWindow = WindowObject(doc);
    Trace("WindowActivate", doc);
    DISPID id = Host() == HostKind::Word ? word::DISPID_Word_WindowActivate : powerpoint::DISPID_PowerPoint_WindowActivate;
    Fire(id, EventIid(), {Variant(spDoc.Get()), Variant(spWindow.Get())});
}

bool AppCore::BeforeSave(OfficeDocument& doc, bool bSaveAsUi)
{
    ComPtr<IDispatch> spDoc = DocumentObject(doc);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    if (Host() == HostKind::Word) {
        Trace("DocumentBeforeSave", doc);
        VARIANT_BOOL saveAsUi = bSaveAsUi ? VARIANT_TRUE : VARIANT_FALSE;
        Fire(word::DISPID_Word_DocumentBeforeSave, EventIid(),
             {Variant(spDoc.Get()), Variant::BoolRef(&saveAsUi), Variant::BoolRef(&cancel)});
    } else {
        Trace("PresentationBeforeSave", doc);
        Fire(powerpoint::DISPID_PowerPoint_PresentationBeforeSave, EventIid(),
             {Variant(spDoc.Get()), Variant::BoolRef(&cancel)});
    }
    return cancel != VARIANT_FALSE;
}

void AppCore::AfterSave(OfficeDocument& doc)
{
    if (Host() != HostKind::PowerPoint) return;
    ComPtr<IDispatch> spDoc = DocumentObject(doc);
    Trace("PresentationSave", doc);
    Fire(powerpoint::DISPID_PowerPoint_PresentationSave, EventIid(), {Variant(spDoc.Get())});
}

void AppCore::DocumentClosing(OfficeDocument& doc)
{
    ComPtr<IDispatch> spDoc = DocumentObject(doc);
    if (Host() == HostKind::Word) {
        Trace("DocumentBeforeClose", doc);
        VARIANT_BOOL cancel = VARIANT_FALSE; // the simulated hosts always close
        Fire(word::DISPID_Word_DocumentBeforeClose, EventIid(), {Variant(spDoc.Get()), Variant::BoolRef(&cancel)});
    } else {
        Trace("PresentationClose", doc);
        Fire(powerpoint::DISPID_PowerPoint_PresentationClose, EventIid(), {Variant(spDoc.Get())});
    }
    auto it = m_mapViews.find(&doc);
    if (it == m_mapViews.end()) return;
    if (it->second.link) it->second.link->pDoc = nullptr;
    m_mapViews.erase(it);
}

bool ArgText(const Variant& value, std::string& text)
{
    if (value.IsMissing() || value.IsEmpty()) return false;
    Variant converted;
    if (FAILED(value.ConvertTo(VT_BSTR, converted))) return false;
    text = converted.StrVal();
    return true;
}

// ---- built-in document properties (late-bound only) ----

namespace {

constexpr std::int32_t msoPropertyTypeString = 4;

class PropertyObject final : public DispatchObject<IDispatch> {
public:
    PropertyObject(DocLinkPtr link, std::string name) : m_link(std::move(link)), m_strName(std::move(name))
    {
        m_dispatchTable.Add("Value", DISPID_VALUE, [this](std::uint16_t flags, DispParams& params, Variant* result) {
            return Value(flags, params, result);
        });
        m_dispatchTable.Add("Name", 3, [this](std::uint16_t flags, DispParams&, Variant* result) {
            if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
            if (result) *result = Variant(m_strName);
            return S_OK;
        });
        m_dispatchTable.Add("Type", 4, [](std::uint16_t flags, DispParams&, Variant* result) {
            if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
            if (result) *result = Variant(msoPropertyTypeString);
            return S_OK;
        });
    }

private:
    HRESULT Value(std::uint16_t flags, DispParams& params, Variant* result)
    {
        OfficeDocument* pDoc = m_link->pDoc;
        if (!pDoc) return E_FAIL;
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            Variant* pValue = params.Named(DISPID_PROPERTYPUT);
            if (!pValue) pValue = params.Positional(0);
            if (!pValue) return DISP_E_PARAMNOTFOUND;
            std::string text;
            if (!ArgText(*pValue, text) && !pValue->IsEmpty()) return DISP_E_TYPEMISMATCH;
            return pDoc->SetProperty(m_strName, text) ? S_OK : E_FAIL;
        }
        if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) return DISP_E_MEMBERNOTFOUND;
        if (result) *result = Variant(pDoc->Property(m_strName));
        return S_OK;
    }

    DocLinkPtr m_link;
    std::string m_strName;
};

class PropertiesObject final : public DispatchObject<IDispatch> {
public:
    explicit PropertiesObject(DocLinkPtr link) : m_link(std::move(link))
    {
        m_dispatchTable.Add("Item", DISPID_VALUE, [this](std::uint16_t flags, DispParams& params, Variant* result) {
            return Item(flags, params, result);
        });
        m_dispatchTable.Add("Count", 4, [this](std::uint16_t flags, DispParams&, Variant* result) {
            if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
            if (!m_link->pDoc) return E_FAIL;
            if (result) *result = Variant(static_cast<std::int32_t>(m_link->pDoc->PropertyNames().size()));
            return S_OK;
        });
    }

private:
    HRESULT Item(std::uint16_t flags, DispParams& params, Variant* result)
    {
        if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) return DISP_E_MEMBERNOTFOUND;
        OfficeDocument* pDoc = m_link->pDoc;
        if (!pDoc) return E_FAIL;
        const Variant* pIndex = params.Positional(0);
        if (!pIndex || pIndex->IsMissing()) return DISP_E_PARAMNOTFOUND;
        const std::vector<std::string> all = pDoc->PropertyNames();
        std::string name;
        if (pIndex->Type() == VT_BSTR) {
            for (const std::string& key : all)
                if (registry::EqualNoCase(key, pIndex->StrVal())) name = key;
            if (name.empty()) return E_INVALIDARG;
        } else {
            Variant number;
            if (FAILED(pIndex->ConvertTo(VT_I4, number))) return DISP_E_TYPEMISMATCH;
            std::int32_t n = number.I4Val();
            if (n < 1 || n > static_cast<std::int32_t>(all.size())) return E_INVALIDARG;
            name = all[static_cast<size_t>(n - 1)];
        }
        if (result) {
            ComPtr<PropertyObject> sp = MakeComObject<PropertyObject>(m_link, name);
            *result = Variant(static_cast<IDispatch*>(sp.Get()));
        }
        return S_OK;
    }

    DocLinkPtr m_link;
};

} // namespace

ComPtr<IDispatch> MakePropertiesObject(const DocLinkPtr& link)
{
    ComPtr<PropertiesObject> sp = MakeComObject<PropertiesObject>(link);
    return ComPtr<IDispatch>(sp.Get());
}

} // namespace quillmark::officecore
