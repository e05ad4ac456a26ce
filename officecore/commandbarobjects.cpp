#include "officecore/commandbarobjects.h"

#include "platform/registry/regmodel.h"

#include <algorithm>
#include <functional>

namespace quillmark::officecore {

using namespace quillmark::office;

namespace {

HRESULT GetText(std::string* out, const std::string& value)
{
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
}

HRESULT GetBool(VARIANT_BOOL* out, bool value) { return GetValue<VARIANT_BOOL>(out, value ? VARIANT_TRUE : VARIANT_FALSE); }

// A boolean argument that may be missing.
HRESULT OptionalBool(const Variant& value, bool fallback, bool& out)
{
    if (value.IsMissing() || value.IsEmpty()) {
        out = fallback;
        return S_OK;
    }
    Variant converted;
    HRESULT hr = value.ConvertTo(VT_BOOL, converted);
    if (FAILED(hr)) return hr;
    out = converted.BoolVal() != VARIANT_FALSE;
    return S_OK;
}

// A number argument that may be missing (numeric text is accepted, as automation converts it).
HRESULT OptionalInt(const Variant& value, std::int32_t fallback, std::int32_t& out)
{
    if (value.IsMissing() || value.IsEmpty()) {
        out = fallback;
        return S_OK;
    }
    Variant converted;
    HRESULT hr = value.ConvertTo(VT_I4, converted);
    if (FAILED(hr)) return hr;
    out = converted.I4Val();
    return S_OK;
}

bool IsNumber(const Variant& value)
{
    VARTYPE vt = value.Type();
    return vt == VT_I2 || vt == VT_I4 || vt == VT_UI4 || vt == VT_R8;
}

// Members every kind of control shares.
template <class I>
class ControlImpl : public DispatchObject<I, IConnectionPointContainer>, public ControlCore {
public:
    ControlImpl() : m_points(this) {}

#define QM_ALIVE()                          \
    do {                                    \
        if (IsDeleted()) return E_FAIL;     \
    } while (0)

    HRESULT get_Caption(std::string* p) override { QM_ALIVE(); return GetText(p, m_state.caption); }
    HRESULT put_Caption(const std::string& v) override { QM_ALIVE(); m_state.caption = v; Changed(); return S_OK; }
    HRESULT get_Tag(std::string* p) override { QM_ALIVE(); return GetText(p, m_state.tag); }
    HRESULT put_Tag(const std::string& v) override { QM_ALIVE(); m_state.tag = v; Changed(); return S_OK; }
    HRESULT get_TooltipText(std::string* p) override { QM_ALIVE(); return GetText(p, m_state.tooltip); }
    HRESULT put_TooltipText(const std::string& v) override { QM_ALIVE(); m_state.tooltip = v; Changed(); return S_OK; }
    HRESULT get_Parameter(std::string* p) override { QM_ALIVE(); return GetText(p, m_state.parameter); }
    HRESULT put_Parameter(const std::string& v) override { QM_ALIVE(); m_state.parameter = v; Changed(); return S_OK; }
    HRESULT get_BeginGroup(VARIANT_BOOL* p) override { QM_ALIVE(); return GetBool(p, m_state.bBeginGroup); }
    HRESULT put_BeginGroup(VARIANT_BOOL v) override { QM_ALIVE(); m_state.bBeginGroup = v != VARIANT_FALSE; Changed(); return S_OK; }
    HRESULT get_Enabled(VARIANT_BOOL* p) override { QM_ALIVE(); return GetBool(p, m_state.bEnabled); }
    HRESULT put_Enabled(VARIANT_BOOL v) override { QM_ALIVE(); m_state.bEnabled = v != VARIANT_FALSE; Changed(); return S_OK; }
    HRESULT get_Visible(VARIANT_BOOL* p) override { QM_ALIVE(); return GetBool(p, m_state.bVisible); }
    HRESULT put_Visible(VARIANT_BOOL v) override { QM_ALIVE(); m_state.bVisible = v != VARIANT_FALSE; Changed(); return S_OK; }
    HRESULT get_Width(std::int32_t* p) override { QM_ALIVE(); return GetValue(p, m_state.width); }
    HRESULT put_Width(std::int32_t v) override
    {
        QM_ALIVE();
        if (v < 0) return E_INVALIDARG;
        m_state.width = v;
        Changed();
        return S_OK;
    }
    HRESULT get_Type(MsoControlType* p) override { QM_ALIVE(); return GetValue(p, m_state.type); }
    HRESULT get_Index(std::int32_t* p) override { QM_ALIVE(); return GetValue(p, Position()); }
    HRESULT get_Parent(CommandBar** bar) override
    {
        if (!bar) return E_POINTER;
        *bar = nullptr;
        QM_ALIVE();
        if (!m_pBar) return E_FAIL;
        *bar = m_pBar;
        m_pBar->AddRef();
        return S_OK;
    }
    HRESULT Delete(const Variant& temporary) override
    {
        QM_ALIVE();
        bool bTemporary = false;
        HRESULT hr = OptionalBool(temporary, false, bTemporary);
        if (FAILED(hr)) return hr;
        ComPtr<I> self(this); // the owner drops its reference
        SimCommandBar* pBar = m_pBar;
        m_pOwner->Remove(this);
        if (pBar) pBar->NotifyChanged();
        return S_OK;
    }

    HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override
    {
        if (ppEnum) *ppEnum = nullptr;
        return E_NOTIMPL;
    }
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override { return m_points.Find(riid, ppCP); }

    CommandBarControl* AsControl() override { return this; }

protected:
    ConnectionPointList m_points;
};

class SimButton final : public ControlImpl<CommandBarButton> {
public:
    SimButton() { m_points.Add(_CommandBarButtonEvents::Iid); }
    HRESULT get_FaceId(std::int32_t* p) override { QM_ALIVE(); return GetValue(p, m_state.faceId); }
    HRESULT put_FaceId(std::int32_t v) override { QM_ALIVE(); m_state.faceId = v; Changed(); return S_OK; }
    HRESULT get_Style(MsoButtonStyle* p) override { QM_ALIVE(); return GetValue(p, m_state.style); }
    HRESULT put_Style(MsoButtonStyle v) override
    {
        QM_ALIVE();
        if (v < msoButtonAutomatic || v > 16) return E_INVALIDARG;
        m_state.style = v;
        Changed();
        return S_OK;
    }
    std::size_t FireClick() override
    {
        ComPtr<CommandBarButton> self(this);
        VARIANT_BOOL cancel = VARIANT_FALSE;
        DispParams params = DispParams::FromArgs(
            {Variant(static_cast<IDispatch*>(static_cast<CommandBarButton*>(this))), Variant::BoolRef(&cancel)});
        return m_points.Fire(_CommandBarButtonEvents::Iid, DISPID_CommandBarButton_Click, params);
    }
};

class SimComboBox final : public ControlImpl<CommandBarComboBox> {
public:
    SimComboBox() { m_points.Add(_CommandBarComboBoxEvents::Iid); }
    HRESULT get_Text(std::string* p) override { QM_ALIVE(); return GetText(p, m_state.text); }
    HRESULT put_Text(const std::string& v) override { QM_ALIVE(); m_state.text = v; Changed(); return S_OK; }
    HRESULT AddItem(const std::string& text, const Variant& index) override
    {
        QM_ALIVE();
        std::int32_t count = static_cast<std::int32_t>(m_state.list.size());
        std::int32_t at = 0;
        HRESULT hr = OptionalInt(index, count + 1, at);
        if (FAILED(hr)) return hr;
        if (at < 1 || at > count + 1) return E_INVALIDARG;
        m_state.list.insert(m_state.list.begin() + (at - 1), text);
        Changed();
        return S_OK;
    }
    HRESULT RemoveItem(std::int32_t index) override
    {
        QM_ALIVE();
        if (index < 1 || index > static_cast<std::int32_t>(m_state.list.size())) return E_INVALIDARG;
        m_state.list.erase(m_state.list.begin() + (index - 1));
        if (m_state.listIndex >= index) m_state.listIndex = m_state.listIndex == index ? 0 : m_state.listIndex - 1;
        Changed();
        return S_OK;
    }
    HRESULT Clear() override
    {
        QM_ALIVE();
        m_state.list.clear();
        m_state.listIndex = 0;
        Changed();
        return S_OK;
    }
    HRESULT get_ListCount(std::int32_t* p) override
    {
        QM_ALIVE();
        return GetValue(p, static_cast<std::int32_t>(m_state.list.size()));
    }
    HRESULT get_List(std::int32_t index, std::string* p) override
    {
        QM_ALIVE();
        if (index < 1 || index > static_cast<std::int32_t>(m_state.list.size())) return E_INVALIDARG;
        return GetText(p, m_state.list[static_cast<size_t>(index - 1)]);
    }
    HRESULT put_List(std::int32_t index, const std::string& text) override
    {
        QM_ALIVE();
        if (index < 1 || index > static_cast<std::int32_t>(m_state.list.size())) return E_INVALIDARG;
        m_state.list[static_cast<size_t>(index - 1)] = text;
        Changed();
        return S_OK;
    }
    HRESULT get_ListIndex(std::int32_t* p) override { QM_ALIVE(); return GetValue(p, m_state.listIndex); }
    HRESULT put_ListIndex(std::int32_t index) override
    {
        QM_ALIVE();
        if (index < 0 || index > static_cast<std::int32_t>(m_state.list.size())) return E_INVALIDARG;
        m_state.listIndex = index;
        if (index > 0) m_state.text = m_state.list[static_cast<size_t>(index - 1)];
        Changed();
        return S_OK;
    }
    HRESULT get_DropDownLines(std::int32_t* p) override { QM_ALIVE(); return GetValue(p, m_state.dropDownLines); }
    HRESULT put_DropDownLines(std::int32_t v) override
    {
        QM_ALIVE();
        if (v < 0) return E_INVALIDARG;
        m_state.dropDownLines = v;
        Changed();
        return S_OK;
    }
    HRESULT get_DropDownWidth(std::int32_t* p) override { QM_ALIVE(); return GetValue(p, m_state.dropDownWidth); }
    HRESULT put_DropDownWidth(std::int32_t v) override
    {
        QM_ALIVE();
        if (v < -1) return E_INVALIDARG;
        m_state.dropDownWidth = v;
        Changed();
        return S_OK;
    }
    std::size_t FireChange() override
    {
        ComPtr<CommandBarComboBox> self(this);
        DispParams params =
            DispParams::FromArgs({Variant(static_cast<IDispatch*>(static_cast<CommandBarComboBox*>(this)))});
        return m_points.Fire(_CommandBarComboBoxEvents::Iid, DISPID_CommandBarComboBox_Change, params);
    }
};

class SimPopup final : public ControlImpl<CommandBarPopup> {
public:
    explicit SimPopup(SimCommandBar* pBar) : m_spItems(MakeComObject<SimControls>(pBar)) {}
    HRESULT get_Controls(CommandBarControls** controls) override
    {
        if (!controls) return E_POINTER;
        *controls = nullptr;
        QM_ALIVE();
        return ComPtr<CommandBarControls>(m_spItems.Get()).CopyTo(controls);
    }
    SimControls* Items() override { return m_spItems.Get(); }

private:
    ComPtr<SimControls> m_spItems;
};

#undef QM_ALIVE

} // namespace

// ---- ControlCore / SimControls ----

std::int32_t ControlCore::Position() const { return m_pOwner ? m_pOwner->PositionOf(this) : 0; }

void ControlCore::Changed()
{
    if (m_pBar) m_pBar->NotifyChanged();
}

SimControls::~SimControls() { Clear(); }

HRESULT SimControls::Add(const Variant& type, const Variant& id, const Variant& parameter, const Variant& before,
                         const Variant& temporary, CommandBarControl** control)
{
    if (!control) return E_POINTER;
    *control = nullptr;
    (void)id; // built-in control ids are not simulated: every control is a custom one
    std::int32_t kind = 0, at = 0;
    bool bTemporary = false;
    std::int32_t count = static_cast<std::int32_t>(m_vecEntries.size());
    if (FAILED(OptionalInt(type, msoControlButton, kind)) || FAILED(OptionalInt(before, count + 1, at)) ||
        FAILED(OptionalBool(temporary, false, bTemporary)))
        return E_INVALIDARG;
    if (at < 1 || at > count + 1) return E_INVALIDARG;
    std::string param;
    if (!parameter.IsMissing() && !parameter.IsEmpty()) {
        Variant text;
        if (FAILED(parameter.ConvertTo(VT_BSTR, text))) return E_INVALIDARG;
        param = text.StrVal();
    }

    Entry entry;
    switch (kind) {
    case msoControlButton: {
        ComPtr<SimButton> sp = MakeComObject<SimButton>();
        entry = {ComPtr<CommandBarControl>(sp.Get()), sp.Get()};
        break;
    }
    case msoControlEdit:
    case msoControlDropdown:
    case msoControlComboBox: {
        ComPtr<SimComboBox> sp = MakeComObject<SimComboBox>();
        entry = {ComPtr<CommandBarControl>(sp.Get()), sp.Get()};
        break;
    }
    case msoControlPopup: {
        ComPtr<SimPopup> sp = MakeComObject<SimPopup>(m_pBar);
        entry = {ComPtr<CommandBarControl>(sp.Get()), sp.Get()};
        break;
    }
    default:
        return E_INVALIDARG;
    }
    ControlState& state = entry.pCore->State();
    state.type = kind;
    state.parameter = param;
    state.bTemporary = bTemporary;
    entry.pCore->m_pOwner = this;
    entry.pCore->m_pBar = m_pBar;
    m_vecEntries.insert(m_vecEntries.begin() + (at - 1), entry);
    Renumber(static_cast<std::size_t>(at - 1));
    if (m_pBar) m_pBar->NotifyChanged();
    return entry.spControl.CopyTo(control);
}

HRESULT SimControls::get_Count(std::int32_t* count)
{
    return GetValue(count, static_cast<std::int32_t>(m_vecEntries.size()));
}

HRESULT SimControls::get_Item(const Variant& index, CommandBarControl** control)
{
    if (!control) return E_POINTER;
    *control = nullptr;
    if (IsNumber(index)) {
        std::int32_t n = index.ToInt32();
        if (n < 1 || n > static_cast<std::int32_t>(m_vecEntries.size())) return E_INVALIDARG;
        return m_vecEntries[static_cast<size_t>(n - 1)].spControl.CopyTo(control);
    }
    if (index.Type() == VT_BSTR) {
        for (const Entry& entry : m_vecEntries)
            if (registry::EqualNoCase(entry.pCore->State().caption, index.StrVal()))
                return entry.spControl.CopyTo(control);
    }
    return E_INVALIDARG;
}

std::vector<ControlCore*> SimControls::List() const
{
    std::vector<ControlCore*> list;
    for (const Entry& entry : m_vecEntries) list.push_back(entry.pCore);
    return list;
}

void SimControls::Renumber(std::size_t from)
{
    for (std::size_t i = from; i < m_vecEntries.size(); ++i) m_vecEntries[i].pCore->m_nIndex = i;
}

std::int32_t SimControls::PositionOf(const ControlCore* pControl) const
{
    if (!pControl || pControl->m_pOwner != this) return 0;
    const std::size_t i = pControl->m_nIndex;
    return i < m_vecEntries.size() && m_vecEntries[i].pCore == pControl ? static_cast<std::int32_t>(i + 1) : 0;
}

void SimControls::Remove(ControlCore* pControl)
{
    const std::int32_t position = PositionOf(pControl);
    if (position == 0) return;
    const std::size_t i = static_cast<std::size_t>(position - 1);
    Entry entry = m_vecEntries[i]; // keeps the control alive until it is marked deleted
    m_vecEntries.erase(m_vecEntries.begin() + static_cast<std::ptrdiff_t>(i));
    Renumber(i);
    if (SimControls* pItems = entry.pCore->Items()) pItems->Clear();
    entry.pCore->m_pOwner = nullptr;
    entry.pCore->m_pBar = nullptr;
}

void SimControls::Clear()
{
    while (!m_vecEntries.empty()) Remove(m_vecEntries.back().pCore);
}

// ---- SimCommandBar ----

SimCommandBar::SimCommandBar(SimCommandBars* pBars, std::string strName, MsoBarPosition position, bool bTemporary)
    : m_pBars(pBars), m_strName(std::move(strName)), m_position(position), m_bTemporary(bTemporary),
      m_spControls(MakeComObject<SimControls>(this))
{
}

SimCommandBar::~SimCommandBar() { m_spControls->Clear(); }

HRESULT SimCommandBar::get_Controls(CommandBarControls** controls)
{
    if (!controls) return E_POINTER;
    *controls = nullptr;
    if (IsDeleted()) return E_FAIL;
    return ComPtr<CommandBarControls>(m_spControls.Get()).CopyTo(controls);
}

HRESULT SimCommandBar::get_Name(std::string* name) { return IsDeleted() ? E_FAIL : GetText(name, m_strName); }

HRESULT SimCommandBar::put_Name(const std::string& name)
{
    if (IsDeleted()) return E_FAIL;
    if (name.empty()) return E_INVALIDARG;
    m_strName = name;
    NotifyChanged();
    return S_OK;
}

HRESULT SimCommandBar::get_Visible(VARIANT_BOOL* visible) { return IsDeleted() ? E_FAIL : GetBool(visible, m_bVisible); }

HRESULT SimCommandBar::put_Visible(VARIANT_BOOL visible)
{
    if (IsDeleted()) return E_FAIL;
    m_bVisible = visible != VARIANT_FALSE;
    NotifyChanged();
    return S_OK;
}

HRESULT SimCommandBar::get_Position(MsoBarPosition* position)
{
    return IsDeleted() ? E_FAIL : GetValue(position, m_position);
}

HRESULT SimCommandBar::put_Position(MsoBarPosition position)
{
    if (IsDeleted()) return E_FAIL;
    if (position < msoBarLeft || position > msoBarFloating) return E_INVALIDARG;
    m_position = position;
    NotifyChanged();
    return S_OK;
}

HRESULT SimCommandBar::get_Protection(MsoBarProtection* protection)
{
    return IsDeleted() ? E_FAIL : GetValue(protection, m_protection);
}

HRESULT SimCommandBar::put_Protection(MsoBarProtection protection)
{
    if (IsDeleted()) return E_FAIL;
    m_protection = protection;
    return S_OK;
}

HRESULT SimCommandBar::get_Index(std::int32_t* index)
{
    return IsDeleted() ? E_FAIL : GetValue(index, m_pBars->IndexOf(this));
}

HRESULT SimCommandBar::Delete()
{
    if (IsDeleted()) return E_FAIL;
    ComPtr<CommandBar> self(this);
    m_pBars->Remove(this);
    return S_OK;
}

void SimCommandBar::NotifyChanged()
{
    if (m_pBars) m_pBars->NotifyChanged();
}

void SimCommandBar::Detach()
{
    m_spControls->Clear();
    m_pBars = nullptr;
}

// ---- SimCommandBars ----

SimCommandBars::~SimCommandBars() { Clear(); }

HRESULT SimCommandBars::get_Count(std::int32_t* count)
{
    return GetValue(count, static_cast<std::int32_t>(m_vecBars.size()));
}

HRESULT SimCommandBars::get_Item(const Variant& index, CommandBar** bar)
{
    if (!bar) return E_POINTER;
    *bar = nullptr;
    if (IsNumber(index)) {
        std::int32_t n = index.ToInt32();
        if (n < 1 || n > static_cast<std::int32_t>(m_vecBars.size())) return E_INVALIDARG;
        return ComPtr<CommandBar>(m_vecBars[static_cast<size_t>(n - 1)].Get()).CopyTo(bar);
    }
    if (index.Type() == VT_BSTR) {
        for (const auto& sp : m_vecBars)
            if (registry::EqualNoCase(sp->Name(), index.StrVal())) return ComPtr<CommandBar>(sp.Get()).CopyTo(bar);
    }
    return E_INVALIDARG;
}

HRESULT SimCommandBars::Add(const Variant& name, const Variant& position, const Variant& menuBar,
                            const Variant& temporary, CommandBar** bar)
{
    if (!bar) return E_POINTER;
    *bar = nullptr;
    std::string strName;
    if (!name.IsMissing() && !name.IsEmpty()) {
        Variant text;
        if (FAILED(name.ConvertTo(VT_BSTR, text))) return E_INVALIDARG;
        strName = text.StrVal();
    }
    if (strName.empty()) strName = "Custom " + std::to_string(m_vecBars.size() + 1);
    std::int32_t pos = 0;
    bool bMenuBar = false, bTemporary = false;
    if (FAILED(OptionalInt(position, msoBarFloating, pos)) || pos < msoBarLeft || pos > msoBarFloating + 1 ||
        FAILED(OptionalBool(menuBar, false, bMenuBar)) || FAILED(OptionalBool(temporary, false, bTemporary)))
        return E_INVALIDARG;
    // As in the real hosts, a second bar of the same name is refused.
    for (const auto& sp : m_vecBars)
        if (registry::EqualNoCase(sp->Name(), strName)) return E_INVALIDARG;
    ComPtr<SimCommandBar> spBar = MakeComObject<SimCommandBar>(this, strName, pos, bTemporary);
    m_vecBars.push_back(spBar);
    NotifyChanged();
    return ComPtr<CommandBar>(spBar.Get()).CopyTo(bar);
}

void SimCommandBars::NotifyChanged()
{
    if (m_fnChanged) m_fnChanged();
}

std::vector<SimCommandBar*> SimCommandBars::Bars() const
{
    std::vector<SimCommandBar*> bars;
    for (const auto& sp : m_vecBars) bars.push_back(sp.Get());
    return bars;
}

std::int32_t SimCommandBars::IndexOf(const SimCommandBar* pBar) const
{
    for (size_t i = 0; i < m_vecBars.size(); ++i)
        if (m_vecBars[i].Get() == pBar) return static_cast<std::int32_t>(i + 1);
    return 0;
}

void SimCommandBars::Remove(SimCommandBar* pBar)
{
    for (auto it = m_vecBars.begin(); it != m_vecBars.end(); ++it) {
        if (it->Get() == pBar) {
            ComPtr<SimCommandBar> keep = *it;
            m_vecBars.erase(it);
            keep->Detach();
            NotifyChanged();
            return;
        }
    }
}

void SimCommandBars::Clear()
{
    while (!m_vecBars.empty()) Remove(m_vecBars.back().Get());
}

namespace {

ControlCore* FindIn(SimControls& controls, const std::function<bool(ControlCore&)>& match)
{
    for (ControlCore* pControl : controls.List()) {
        if (match(*pControl)) return pControl;
        if (SimControls* pItems = pControl->Items())
            if (ControlCore* pFound = FindIn(*pItems, match)) return pFound;
    }
    return nullptr;
}

} // namespace

ControlCore* SimCommandBars::FindButtonByTag(const std::string& tag) const
{
    for (const auto& sp : m_vecBars) {
        ControlCore* p = FindIn(sp->Controls(), [&](ControlCore& c) {
            return c.State().type == msoControlButton && c.State().tag == tag;
        });
        if (p) return p;
    }
    return nullptr;
}

ControlCore* SimCommandBars::FindComboBox() const
{
    for (const auto& sp : m_vecBars) {
        ControlCore* p = FindIn(sp->Controls(), [](ControlCore& c) {
            return c.State().type == msoControlComboBox || c.State().type == msoControlDropdown ||
                   c.State().type == msoControlEdit;
        });
        if (p) return p;
    }
    return nullptr;
}

} // namespace quillmark::officecore
