#pragma once
// The platform's autocomplete object: bound to an edit, it asks a string
// enumerator (IEnumString) for its suggestions and offers them while the user
// types. Here it is a QCompleter fed by enumerating the source each time the text
// is edited. Options as the platform defines them:
//   ACO_AUTOSUGGEST       a drop-down of the suggestions that begin with the text,
//                         in case-insensitive order; deleting closes it
//   ACO_AUTOAPPEND        the first suggestion (in that order) in place of the typed
//                         text, in its own case, its rest selected; nothing when
//                         the typed text is a suggestion itself
//   ACO_UPDOWNKEYDROPSLIST Up and Down open the drop-down
#include "platform/com/com.h"
#include "platform/com/enumstring.h"

class QLineEdit;

namespace quillmark {

inline constexpr DWORD ACO_NONE = 0;
inline constexpr DWORD ACO_AUTOSUGGEST = 0x1;
inline constexpr DWORD ACO_AUTOAPPEND = 0x2;
inline constexpr DWORD ACO_UPDOWNKEYDROPSLIST = 0x20;

struct IAutoComplete : IUnknown {
    using Base = IUnknown;
    static constexpr IID Iid = GuidLiteral("{00BB2762-6A77-11D0-A535-00C04FD7D062}");
    // Binds to `pEdit` with `pEnumerator` (an IEnumString, referenced while bound).
    // E_INVALIDARG for a null edit or an enumerator without IEnumString.
    virtual HRESULT Init(QLineEdit* pEdit, IUnknown* pEnumerator, const char* registryPath, const char* format) = 0;
    virtual HRESULT Enable(bool bEnable) = 0;
};

struct IAutoComplete2 : IAutoComplete {
    using Base = IAutoComplete;
    static constexpr IID Iid = GuidLiteral("{EAC04BC0-3791-11D2-BB95-0060977B464C}");
    virtual HRESULT SetOptions(DWORD options) = 0;
    virtual HRESULT GetOptions(DWORD* pOptions) = 0;
};

inline constexpr CLSID CLSID_AutoComplete = GuidLiteral("{00BB2763-6A77-11D0-A535-00C04FD7D062}");

// Creates the platform autocomplete object (what CoCreateInstance(CLSID_AutoComplete) gives).
HRESULT CreateAutoComplete(REFIID riid, void** ppv);

} // namespace quillmark
