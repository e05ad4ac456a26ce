#include "platform/com/enumstring.h"

#include "platform/com/taskmem.h"

HRESULT StringEnumerator::Next(ULONG count, char** strings, ULONG* fetched)
{
    if (fetched) *fetched = 0;
    if (count == 0) return S_OK;
    if (!strings) return E_POINTER;
    if (count > 1 && !fetched) return E_INVALIDARG;
    ULONG done = 0;
    while (done < count && m_nPosition < m_items.size()) {
        char* copy = CoTaskMemStrDup(m_items[m_nPosition]);
        if (!copy) {
            for (ULONG i = 0; i < done; ++i) {
                CoTaskMemFree(strings[i]);
                strings[i] = nullptr;
            }
            m_nPosition -= done;
            return E_OUTOFMEMORY;
        }
        strings[done++] = copy;
        ++m_nPosition;
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
}

HRESULT StringEnumerator::Skip(ULONG count)
{
    std::size_t left = m_items.size() - m_nPosition;
    if (count > left) {
        m_nPosition = m_items.size();
        return S_FALSE;
    }
    m_nPosition += count;
    return S_OK;
}

HRESULT StringEnumerator::Reset()
{
    m_nPosition = 0;
    return S_OK;
}

HRESULT StringEnumerator::Clone(IEnumString** ppEnum)
{
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    try {
        ComPtr<StringEnumerator> copy = MakeComObject<StringEnumerator>(m_items, m_nPosition);
        *ppEnum = copy.Detach();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

std::vector<std::string> ReadAllStrings(IEnumString* enumerator, std::size_t maxItems)
{
    std::vector<std::string> items;
    if (!enumerator) return items;
    while (items.size() < maxItems) {
        char* text = nullptr;
        ULONG fetched = 0;
        HRESULT hr = enumerator->Next(1, &text, &fetched);
        if (FAILED(hr) || fetched == 0) {
            CoTaskMemFree(fetched ? text : nullptr);
            break;
        }
        items.emplace_back(text ? text : "");
        CoTaskMemFree(text);
        if (hr != S_OK) break;
    }
    return items;
}
