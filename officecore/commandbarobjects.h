#pragma once
// The simulated command bars: CommandBars, CommandBar, CommandBarControls and the
// three control kinds (button, combo box, popup) with their Click and Change
// events. Everything is temporary: it lives while the host runs and is never saved.
#include "officeapi/commandbars.h"
#include "platform/com/com.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillmark::officecore {

class SimControls;
class SimCommandBar;

// What the host knows of every control, whatever its kind.
struct ControlState {
    office::MsoControlType type = office::msoControlButton;
    std::string caption, tag, tooltip, parameter;
    bool bBeginGroup = false;
    bool bEnabled = true;
    bool bVisible = true;
    bool bTemporary = false;
    std::int32_t width = 0;
    // Buttons
    std::int32_t faceId = 0;
    office::MsoButtonStyle style = office::msoButtonAutomatic;
    // Combo boxes
    std::string text;
    std::vector<std::string> list;
    std::int32_t listIndex = 0;
    std::int32_t dropDownLines = 0;
    std::int32_t dropDownWidth = 0;
};

// The host's side of a control: its state, its place, its events.
class ControlCore {
public:
    virtual ~ControlCore() = default;
    ControlState& State() { return m_state; }
    const ControlState& State() const { return m_state; }
    // The control as the object model hands it out (not counted).
    virtual office::CommandBarControl* AsControl() = 0;
    // The items of a popup; nullptr for other kinds.
    virtual SimControls* Items() { return nullptr; }
    // Clicks a button: Click(Ctrl, CancelDefault) to every subscribed sink. Sinks called.
    virtual std::size_t FireClick() { return 0; }
    // Change(Ctrl) to every subscribed sink of a combo box. Sinks called.
    virtual std::size_t FireChange() { return 0; }
    // 1-based position in the controls holding it; 0 once deleted.
    std::int32_t Position() const;
    bool IsDeleted() const { return m_pOwner == nullptr; }

protected:
    friend class SimControls;
    // Tells the command bars' change hook.
    void Changed();
    ControlState m_state;
    SimControls* m_pOwner = nullptr; // not counted; null once deleted
    std::size_t m_nIndex = 0;        // its index in m_pOwner's entries, kept by SimControls
    SimCommandBar* m_pBar = nullptr; // not counted
};

class SimControls final : public DispatchObject<office::CommandBarControls> {
public:
    explicit SimControls(SimCommandBar* pBar) : m_pBar(pBar) {}
    ~SimControls() override;

    HRESULT Add(const Variant& type, const Variant& id, const Variant& parameter, const Variant& before,
                const Variant& temporary, office::CommandBarControl** control) override;
    HRESULT get_Count(std::int32_t* count) override;
    HRESULT get_Item(const Variant& index, office::CommandBarControl** control) override;

    // For the host: the controls in order.
    std::vector<ControlCore*> List() const;
    // The control's 1-based position, 0 when it is not one of these; constant time.
    std::int32_t PositionOf(const ControlCore* pControl) const;
    // Takes the control out without searching for it: only the controls after it move.
    void Remove(ControlCore* pControl);
    // Drops every control (the host is ending); their objects stay valid but deleted.
    void Clear();

private:
    struct Entry {
        ComPtr<office::CommandBarControl> spControl;
        ControlCore* pCore;
    };
    // Tells the entries from `from` on their index.
    void Renumber(std::size_t from);

    SimCommandBar* m_pBar;
    std::vector<Entry> m_vecEntries;
};

class SimCommandBars;

class SimCommandBar final : public DispatchObject<office::CommandBar> {
public:
    SimCommandBar(SimCommandBars* pBars, std::string strName, office::MsoBarPosition position, bool bTemporary);
    ~SimCommandBar() override;

    HRESULT get_Controls(office::CommandBarControls** controls) override;
    HRESULT get_Name(std::string* name) override;
    HRESULT put_Name(const std::string& name) override;
    HRESULT get_Visible(VARIANT_BOOL* visible) override;
    HRESULT put_Visible(VARIANT_BOOL visible) override;
    HRESULT get_Position(office::MsoBarPosition* position) override;
    HRESULT put_Position(office::MsoBarPosition position) override;
    HRESULT get_Protection(office::MsoBarProtection* protection) override;
    HRESULT put_Protection(office::MsoBarProtection protection) override;
    HRESULT get_Index(std::int32_t* index) override;
    HRESULT Delete() override;

    const std::string& Name() const { return m_strName; }
    bool Visible() const { return m_bVisible; }
    bool Temporary() const { return m_bTemporary; }
    SimControls& Controls() { return *m_spControls.Get(); }
    bool IsDeleted() const { return m_pBars == nullptr; }
    void Detach();
    void NotifyChanged();

private:
    SimCommandBars* m_pBars; // not counted; null once deleted
    std::string m_strName;
    office::MsoBarPosition m_position;
    office::MsoBarProtection m_protection = office::msoBarNoProtection;
    bool m_bTemporary;
    bool m_bVisible = false;
    ComPtr<SimControls> m_spControls;
};

class SimCommandBars final : public DispatchObject<office::CommandBars> {
public:
    SimCommandBars() = default;
    ~SimCommandBars() override;

    HRESULT get_Count(std::int32_t* count) override;
    HRESULT get_Item(const Variant& index, office::CommandBar** bar) override;
    HRESULT Add(const Variant& name, const Variant& position, const Variant& menuBar, const Variant& temporary,
                office::CommandBar** bar) override;

    std::vector<SimCommandBar*> Bars() const;
    std::int32_t IndexOf(const SimCommandBar* pBar) const;
    void Remove(SimCommandBar* pBar);
    // The host ends: every bar and control goes (all of them are temporary here).
    void Clear();

    // Depth-first over every bar and popup, in position order.
    ControlCore* FindButtonByTag(const std::string& tag) const;
    ControlCore* FindComboBox() const;

    // Called after every change of a bar, a control or a control's state (the host's
    // window draws its tool bars again). Calls come from inside the object model's
    // calls: the hook must not change the bars itself.
    void SetChangeHook(std::function<void()> fnHook) { m_fnChanged = std::move(fnHook); }
    void NotifyChanged();

private:
    std::function<void()> m_fnChanged;
    std::vector<ComPtr<SimCommandBar>> m_vecBars;
};

} // namespace quillmark::officecore
