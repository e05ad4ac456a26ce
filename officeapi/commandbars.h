#pragma once
// The Office command-bar object model: CommandBars, CommandBar,
// CommandBarControls, CommandBarControl and its kinds (button, popup, combo
// box), and the control events. Interface ids are those of the Office type
// library. Properties follow the automation convention get_X / put_X; text is
// UTF-8, booleans are VARIANT_BOOL.
#include <cstdint>
#include <string>

#include "platform/com/dispatch.h"
#include "platform/com/variant.h"

namespace quillmark::office {

using MsoControlType = std::int32_t;
inline constexpr MsoControlType msoControlButton = 1;
inline constexpr MsoControlType msoControlEdit = 2;
inline constexpr MsoControlType msoControlDropdown = 3;
inline constexpr MsoControlType msoControlComboBox = 4;
inline constexpr MsoControlType msoControlPopup = 10;

using MsoButtonStyle = std::int32_t;
inline constexpr MsoButtonStyle msoButtonAutomatic = 0;
inline constexpr MsoButtonStyle msoButtonIcon = 1;
inline constexpr MsoButtonStyle msoButtonCaption = 2;
inline constexpr MsoButtonStyle msoButtonIconAndCaption = 3;

using MsoBarPosition = std::int32_t;
inline constexpr MsoBarPosition msoBarLeft = 0;
inline constexpr MsoBarPosition msoBarTop = 1;
inline constexpr MsoBarPosition msoBarRight = 2;
inline constexpr MsoBarPosition msoBarBottom = 3;
inline constexpr MsoBarPosition msoBarFloating = 4;

using MsoBarProtection = std::int32_t;
inline constexpr MsoBarProtection msoBarNoProtection = 0;

using MsoTriState = std::int32_t;
inline constexpr MsoTriState msoTrue = -1;
inline constexpr MsoTriState msoFalse = 0;
inline constexpr MsoTriState msoCTrue = 1;

struct CommandBar;
struct CommandBarControls;

// The application's collection of command bars.
struct CommandBars : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{000C0302-0000-0000-C000-000000000046}");

    virtual HRESULT get_Count(std::int32_t* count) = 0;
    // By 1-based index (a number) or by name (text); E_INVALIDARG when there is none.
    virtual HRESULT get_Item(const Variant& index, CommandBar** bar) = 0;
    // Name (text), Position (MsoBarPosition as a number or numeric text), MenuBar
    // (bool), Temporary (bool); each may be missing.
    virtual HRESULT Add(const Variant& name, const Variant& position, const Variant& menuBar,
                        const Variant& temporary, CommandBar** bar) = 0;
};

struct CommandBar : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{000C0304-0000-0000-C000-000000000046}");

    virtual HRESULT get_Controls(CommandBarControls** controls) = 0;
    virtual HRESULT get_Name(std::string* name) = 0;
    virtual HRESULT put_Name(const std::string& name) = 0;
    virtual HRESULT get_Visible(VARIANT_BOOL* visible) = 0;
    virtual HRESULT put_Visible(VARIANT_BOOL visible) = 0;
    virtual HRESULT get_Position(MsoBarPosition* position) = 0;
    virtual HRESULT put_Position(MsoBarPosition position) = 0;
    virtual HRESULT get_Protection(MsoBarProtection* protection) = 0;
    virtual HRESULT put_Protection(MsoBarProtection protection) = 0;
    virtual HRESULT get_Index(std::int32_t* index) = 0;
    virtual HRESULT Delete() = 0;
};

struct CommandBarControl;

struct CommandBarControls : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{000C0306-0000-0000-C000-000000000046}");

    // Type (MsoControlType), Id, Parameter, Before (1-based position to insert
    // at; missing = at the end), Temporary (bool); each may be missing.
    virtual HRESULT Add(const Variant& type, const Variant& id, const Variant& parameter, const Variant& before,
                        const Variant& temporary, CommandBarControl** control) = 0;
    virtual HRESULT get_Count(std::int32_t* count) = 0;
    // By 1-based position (a number) or by caption (text); E_INVALIDARG when there is none.
    virtual HRESULT get_Item(const Variant& index, CommandBarControl** control) = 0;
};

// What every control has. Positions are 1-based and close up after Delete.
struct CommandBarControl : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{000C0308-0000-0000-C000-000000000046}");

    virtual HRESULT get_Caption(std::string* caption) = 0;
    virtual HRESULT put_Caption(const std::string& caption) = 0;
    virtual HRESULT get_Tag(std::string* tag) = 0;
    virtual HRESULT put_Tag(const std::string& tag) = 0;
    virtual HRESULT get_TooltipText(std::string* text) = 0;
    virtual HRESULT put_TooltipText(const std::string& text) = 0;
    virtual HRESULT get_Parameter(std::string* parameter) = 0;
    virtual HRESULT put_Parameter(const std::string& parameter) = 0;
    virtual HRESULT get_BeginGroup(VARIANT_BOOL* beginGroup) = 0;
    virtual HRESULT put_BeginGroup(VARIANT_BOOL beginGroup) = 0;
    virtual HRESULT get_Enabled(VARIANT_BOOL* enabled) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL enabled) = 0;
    virtual HRESULT get_Visible(VARIANT_BOOL* visible) = 0;
    virtual HRESULT put_Visible(VARIANT_BOOL visible) = 0;
    virtual HRESULT get_Width(std::int32_t* width) = 0;
    virtual HRESULT put_Width(std::int32_t width) = 0;
    virtual HRESULT get_Type(MsoControlType* type) = 0;
    virtual HRESULT get_Index(std::int32_t* index) = 0;  // 1-based position in its Controls
    virtual HRESULT get_Parent(CommandBar** bar) = 0;
    // Temporary (bool, may be missing): whether the deletion lasts only for the session.
    virtual HRESULT Delete(const Variant& temporary) = 0;
};

struct CommandBarButton : CommandBarControl {
    using Base = CommandBarControl;
    static constexpr IID Iid = GuidLiteral("{000C030E-0000-0000-C000-000000000046}");

    virtual HRESULT get_FaceId(std::int32_t* faceId) = 0;
    virtual HRESULT put_FaceId(std::int32_t faceId) = 0;
    virtual HRESULT get_Style(MsoButtonStyle* style) = 0;
    virtual HRESULT put_Style(MsoButtonStyle style) = 0;
};

struct CommandBarPopup : CommandBarControl {
    using Base = CommandBarControl;
    static constexpr IID Iid = GuidLiteral("{000C030A-0000-0000-C000-000000000046}");

    virtual HRESULT get_Controls(CommandBarControls** controls) = 0;
};

struct CommandBarComboBox : CommandBarControl {
    using Base = CommandBarControl;
    static constexpr IID Iid = GuidLiteral("{000C030C-0000-0000-C000-000000000046}");

    virtual HRESULT get_Text(std::string* text) = 0;
    virtual HRESULT put_Text(const std::string& text) = 0;
    // Index: 1-based place to insert at; missing = at the end.
    virtual HRESULT AddItem(const std::string& text, const Variant& index) = 0;
    virtual HRESULT RemoveItem(std::int32_t index) = 0;
    virtual HRESULT Clear() = 0;
    virtual HRESULT get_ListCount(std::int32_t* count) = 0;
    virtual HRESULT get_List(std::int32_t index, std::string* text) = 0;  // 1-based
    virtual HRESULT put_List(std::int32_t index, const std::string& text) = 0;
    virtual HRESULT get_ListIndex(std::int32_t* index) = 0;  // 0 = none selected
    virtual HRESULT put_ListIndex(std::int32_t index) = 0;
    virtual HRESULT get_DropDownLines(std::int32_t* lines) = 0;
    virtual HRESULT put_DropDownLines(std::int32_t lines) = 0;
    virtual HRESULT get_DropDownWidth(std::int32_t* width) = 0;
    virtual HRESULT put_DropDownWidth(std::int32_t width) = 0;
};

// Event dispinterface of a button: Click(Ctrl as IDispatch, CancelDefault as
// VT_BOOL|VT_BYREF). Arguments arrive last-first: args[0] CancelDefault, args[1] Ctrl.
struct _CommandBarButtonEvents : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{000C0351-0000-0000-C000-000000000046}");
};
inline constexpr DISPID DISPID_CommandBarButton_Click = 1;

// Event dispinterface of a combo box: Change(Ctrl as IDispatch).
struct _CommandBarComboBoxEvents : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{000C0354-0000-0000-C000-000000000046}");
};
inline constexpr DISPID DISPID_CommandBarComboBox_Change = 1;

} // namespace quillmark::office
