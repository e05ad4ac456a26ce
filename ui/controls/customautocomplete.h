#pragma once
// CustomAutoComplete: the list of strings (every tag of the database) that the
// platform autocomplete object asks for suggestions, and the binding of that
// object to an edit.
//
// As an IEnumString it answers exactly so: Next treats a count of 0 as 1 and gives
// S_FALSE when it handed out fewer than asked; Skip past the end starts again at
// the beginning (always S_OK); Clone keeps the items and the position; a null out
// pointer is E_POINTER. The reference count starts at 0.
#include "platform/com/com.h"
#include "platform/com/enumstring.h"
#include "ui/controls/autocomplete.h"

#include <string>
#include <vector>

class QLineEdit;

namespace quillmark {

class CustomAutoComplete final : public ComObject<IEnumString> {
public:
    CustomAutoComplete() = default;

    HRESULT Next(ULONG count, char** strings, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumString** ppEnum) override;

    // Binds a new platform autocomplete object to `pEdit` with `options` (0: the
    // platform's own) and `format`. False when `pEdit` is null, when already bound,
    // or when the platform object cannot be made or bound.
    bool Bind(QLineEdit* pEdit, DWORD options = ACO_NONE, const std::string& format = {});
    // Releases the platform object; nothing when not bound.
    void Unbind();
    bool IsBound() const { return m_bBound; }

    // Appends `text`; false for "" and for a text already present (exact comparison).
    bool AddItem(const std::string& text);

    const std::vector<std::string>& Items() const { return m_items; }
    std::size_t CurrentIndex() const { return m_nCurrentIndex; }

protected:
    ~CustomAutoComplete() override;

private:
    CustomAutoComplete(std::vector<std::string> items, std::size_t currentIndex)
        : m_items(std::move(items)), m_nCurrentIndex(currentIndex)
    {
    }

    std::vector<std::string> m_items;
    std::size_t m_nCurrentIndex = 0;
    ComPtr<IAutoComplete> m_pac;
    bool m_bBound = false;
};

} // namespace quillmark
