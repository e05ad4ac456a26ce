#include "ui/controls/customautocomplete.h"

#include "platform/com/taskmem.h"

#include <algorithm>

namespace quillmark {

CustomAutoComplete::~CustomAutoComplete() = default;

HRESULT CustomAutoComplete::Next(ULONG count, char** strings, ULONG* fetched)
{
    if (count == 0) count = 1;
    ULONG stored = 0;
    if (strings) {
        for (; stored < count && m_nCurrentIndex < m_items.size(); ++stored, ++m_nCurrentIndex) {
            char* copy = CoTaskMemStrDup(m_items[m_nCurrentIndex]);
            if (!copy) break;
            strings[stored] = copy;
        }
    }
    if (fetched) *fetched = stored;
    return stored == count ? S_OK : S_FALSE;
}

HRESULT CustomAutoComplete::Skip(ULONG count)
{
    m_nCurrentIndex += count;
    if (m_nCurrentIndex > m_items.size()) m_nCurrentIndex = 0;
    return S_OK;
}

HRESULT CustomAutoComplete::Reset()
{
    m_nCurrentIndex = 0;
    return S_OK;
}

HRESULT CustomAutoComplete::Clone(IEnumString** ppEnum)
{
    if (!ppEnum) return E_POINTER;
    auto* pClone = new CustomAutoComplete(m_items, m_nCurrentIndex);
    pClone->AddRef();
    *ppEnum = pClone;
    return S_OK;
}

bool CustomAutoComplete::Bind(QLineEdit* pEdit, DWORD options, const std::string& format)
{
    if (!pEdit || m_bBound || m_pac) return false;
    if (FAILED(CreateAutoComplete(IAutoComplete::Iid, reinterpret_cast<void**>(&m_pac))) || !m_pac) return false;
    if (options != 0) {
        ComPtr<IAutoComplete2> spAutoComplete2;
        if (FAILED(m_pac.As(spAutoComplete2)) || !spAutoComplete2) {
            m_pac = nullptr;
            return false;
        }
        spAutoComplete2->SetOptions(options);
    }
    if (FAILED(m_pac->Init(pEdit, static_cast<IEnumString*>(this), nullptr, format.empty() ? nullptr : format.c_str()))) {
        m_pac = nullptr;
        return false;
    }
    m_bBound = true;
    return true;
}

void CustomAutoComplete::Unbind()
{
    if (!m_bBound) return;
    m_bBound = false;
    m_pac = nullptr; // the platform object lets go of this enumerator
}

bool CustomAutoComplete::AddItem(const std::string& text)
{
    if (text.empty() || std::find(m_items.begin(), m_items.end(), text) != m_items.end()) return false;
    m_items.push_back(text);
    return true;
}

} // namespace quillmark
