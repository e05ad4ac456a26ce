#pragma once
// Wrappers of the command-bar interfaces (see wrapperbase.h): every call
// throws ComError on failure.
//
//   CommandBarsPtr bars = app.GetCommandBars();
//   CommandBarPtr bar = bars.Add("Quillmark 1.0", "1", Variant::Missing(), true);
//   CommandBarButtonPtr button = bar.GetControls().Add(msoControlButton, ..., true).As<CommandBarButton>();
#include "officeapi/commandbars.h"
#include "officeapi/wrapperbase.h"

namespace quillmark::office {

class CommandBarControlsPtr;

template <class T>
class CommandBarControlOps : public ComPtr<T> {
public:
    using ComPtr<T>::ComPtr;
    CommandBarControlOps(const ComPtr<T>& p) : ComPtr<T>(p) {}

    std::string GetCaption() const { return wrap::Get(*this, &T::get_Caption, "CommandBarControl.Caption"); }
    void PutCaption(const std::string& v) const { wrap::Call(*this, &T::put_Caption, "CommandBarControl.Caption", v); }
    std::string GetTag() const { return wrap::Get(*this, &T::get_Tag, "CommandBarControl.Tag"); }
    void PutTag(const std::string& v) const { wrap::Call(*this, &T::put_Tag, "CommandBarControl.Tag", v); }
    std::string GetTooltipText() const { return wrap::Get(*this, &T::get_TooltipText, "CommandBarControl.TooltipText"); }
    void PutTooltipText(const std::string& v) const { wrap::Call(*this, &T::put_TooltipText, "CommandBarControl.TooltipText", v); }
    std::string GetParameter() const { return wrap::Get(*this, &T::get_Parameter, "CommandBarControl.Parameter"); }
    void PutParameter(const std::string& v) const { wrap::Call(*this, &T::put_Parameter, "CommandBarControl.Parameter", v); }
    bool GetBeginGroup() const { return wrap::GetBool(*this, &T::get_BeginGroup, "CommandBarControl.BeginGroup"); }
    void PutBeginGroup(bool v) const { wrap::Call(*this, &T::put_BeginGroup, "CommandBarControl.BeginGroup", wrap::ToVariantBool(v)); }
    bool GetEnabled() const { return wrap::GetBool(*this, &T::get_Enabled, "CommandBarControl.Enabled"); }
    void PutEnabled(bool v) const { wrap::Call(*this, &T::put_Enabled, "CommandBarControl.Enabled", wrap::ToVariantBool(v)); }
    bool GetVisible() const { return wrap::GetBool(*this, &T::get_Visible, "CommandBarControl.Visible"); }
    void PutVisible(bool v) const { wrap::Call(*this, &T::put_Visible, "CommandBarControl.Visible", wrap::ToVariantBool(v)); }
    std::int32_t GetWidth() const { return wrap::Get(*this, &T::get_Width, "CommandBarControl.Width"); }
    void PutWidth(std::int32_t v) const { wrap::Call(*this, &T::put_Width, "CommandBarControl.Width", v); }
    MsoControlType GetType() const { return wrap::Get(*this, &T::get_Type, "CommandBarControl.Type"); }
    std::int32_t GetIndex() const { return wrap::Get(*this, &T::get_Index, "CommandBarControl.Index"); }
    void Delete(const Variant& temporary = Variant::Missing()) const
    {
        wrap::Call(*this, &T::Delete, "CommandBarControl.Delete", temporary);
    }
};

class CommandBarControlPtr : public CommandBarControlOps<CommandBarControl> {
public:
    using CommandBarControlOps::CommandBarControlOps;
};

class CommandBarButtonPtr : public CommandBarControlOps<CommandBarButton> {
public:
    using CommandBarControlOps::CommandBarControlOps;
    std::int32_t GetFaceId() const { return wrap::Get(*this, &CommandBarButton::get_FaceId, "CommandBarButton.FaceId"); }
    void PutFaceId(std::int32_t v) const { wrap::Call(*this, &CommandBarButton::put_FaceId, "CommandBarButton.FaceId", v); }
    MsoButtonStyle GetStyle() const { return wrap::Get(*this, &CommandBarButton::get_Style, "CommandBarButton.Style"); }
    void PutStyle(MsoButtonStyle v) const { wrap::Call(*this, &CommandBarButton::put_Style, "CommandBarButton.Style", v); }
};

class CommandBarComboBoxPtr : public CommandBarControlOps<CommandBarComboBox> {
public:
    using CommandBarControlOps::CommandBarControlOps;
    using I = CommandBarComboBox;
    std::string GetText() const { return wrap::Get(*this, &I::get_Text, "CommandBarComboBox.Text"); }
    void PutText(const std::string& v) const { wrap::Call(*this, &I::put_Text, "CommandBarComboBox.Text", v); }
    void AddItem(const std::string& text, const Variant& index = Variant::Missing()) const
    {
        wrap::Call(*this, &I::AddItem, "CommandBarComboBox.AddItem", text, index);
    }
    void RemoveItem(std::int32_t index) const { wrap::Call(*this, &I::RemoveItem, "CommandBarComboBox.RemoveItem", index); }
    void Clear() const { wrap::Call(*this, &I::Clear, "CommandBarComboBox.Clear"); }
    std::int32_t GetListCount() const { return wrap::Get(*this, &I::get_ListCount, "CommandBarComboBox.ListCount"); }
    std::string GetList(std::int32_t index) const
    {
        std::string text;
        wrap::Call(*this, &I::get_List, "CommandBarComboBox.List", index, &text);
        return text;
    }
    void PutList(std::int32_t index, const std::string& v) const { wrap::Call(*this, &I::put_List, "CommandBarComboBox.List", index, v); }
    std::int32_t GetListIndex() const { return wrap::Get(*this, &I::get_ListIndex, "CommandBarComboBox.ListIndex"); }
    void PutListIndex(std::int32_t v) const { wrap::Call(*this, &I::put_ListIndex, "CommandBarComboBox.ListIndex", v); }
    std::int32_t GetDropDownLines() const { return wrap::Get(*this, &I::get_DropDownLines, "CommandBarComboBox.DropDownLines"); }
    void PutDropDownLines(std::int32_t v) const { wrap::Call(*this, &I::put_DropDownLines, "CommandBarComboBox.DropDownLines", v); }
    std::int32_t GetDropDownWidth() const { return wrap::Get(*this, &I::get_DropDownWidth, "CommandBarComboBox.DropDownWidth"); }
    void PutDropDownWidth(std::int32_t v) const { wrap::Call(*this, &I::put_DropDownWidth, "CommandBarComboBox.DropDownWidth", v); }
};

class CommandBarControlsPtr : public ComPtr<CommandBarControls> {
public:
    using ComPtr::ComPtr;
    CommandBarControlsPtr(const ComPtr<CommandBarControls>& p) : ComPtr(p) {}

    CommandBarControlPtr Add(const Variant& type, const Variant& id = Variant::Missing(),
                             const Variant& parameter = Variant::Missing(), const Variant& before = Variant::Missing(),
                             const Variant& temporary = Variant::Missing()) const
    {
        return wrap::GetObject(*this, &CommandBarControls::Add, "CommandBarControls.Add", type, id, parameter,
                               before, temporary);
    }
    std::int32_t GetCount() const { return wrap::Get(*this, &CommandBarControls::get_Count, "CommandBarControls.Count"); }
    CommandBarControlPtr GetItem(const Variant& index) const
    {
        return wrap::GetObject(*this, &CommandBarControls::get_Item, "CommandBarControls.Item", index);
    }
};

class CommandBarPopupPtr : public CommandBarControlOps<CommandBarPopup> {
public:
    using CommandBarControlOps::CommandBarControlOps;
    CommandBarControlsPtr GetControls() const
    {
        return wrap::GetObject(*this, &CommandBarPopup::get_Controls, "CommandBarPopup.Controls");
    }
};

class CommandBarPtr : public ComPtr<CommandBar> {
public:
    using ComPtr::ComPtr;
    CommandBarPtr(const ComPtr<CommandBar>& p) : ComPtr(p) {}

    CommandBarControlsPtr GetControls() const { return wrap::GetObject(*this, &CommandBar::get_Controls, "CommandBar.Controls"); }
    std::string GetName() const { return wrap::Get(*this, &CommandBar::get_Name, "CommandBar.Name"); }
    void PutName(const std::string& v) const { wrap::Call(*this, &CommandBar::put_Name, "CommandBar.Name", v); }
    bool GetVisible() const { return wrap::GetBool(*this, &CommandBar::get_Visible, "CommandBar.Visible"); }
    void PutVisible(bool v) const { wrap::Call(*this, &CommandBar::put_Visible, "CommandBar.Visible", wrap::ToVariantBool(v)); }
    MsoBarPosition GetPosition() const { return wrap::Get(*this, &CommandBar::get_Position, "CommandBar.Position"); }
    void PutPosition(MsoBarPosition v) const { wrap::Call(*this, &CommandBar::put_Position, "CommandBar.Position", v); }
    MsoBarProtection GetProtection() const { return wrap::Get(*this, &CommandBar::get_Protection, "CommandBar.Protection"); }
    void PutProtection(MsoBarProtection v) const { wrap::Call(*this, &CommandBar::put_Protection, "CommandBar.Protection", v); }
    std::int32_t GetIndex() const { return wrap::Get(*this, &CommandBar::get_Index, "CommandBar.Index"); }
    void Delete() const { wrap::Call(*this, &CommandBar::Delete, "CommandBar.Delete"); }
};

class CommandBarsPtr : public ComPtr<CommandBars> {
public:
    using ComPtr::ComPtr;
    CommandBarsPtr(const ComPtr<CommandBars>& p) : ComPtr(p) {}

    std::int32_t GetCount() const { return wrap::Get(*this, &CommandBars::get_Count, "CommandBars.Count"); }
    CommandBarPtr GetItem(const Variant& index) const
    {
        return wrap::GetObject(*this, &CommandBars::get_Item, "CommandBars.Item", index);
    }
    CommandBarPtr Add(const Variant& name = Variant::Missing(), const Variant& position = Variant::Missing(),
                      const Variant& menuBar = Variant::Missing(), const Variant& temporary = Variant::Missing()) const
    {
        return wrap::GetObject(*this, &CommandBars::Add, "CommandBars.Add", name, position, menuBar, temporary);
    }
};

} // namespace quillmark::office
