#pragma once
// IEnumString: hands out strings one batch at a time, each a UTF-8 copy from
// the task allocator that the caller frees with CoTaskMemFree.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/com/comobject.h"

struct IEnumString : IUnknown {
    using Base = IUnknown;
    static constexpr IID Iid = GuidLiteral("{00000101-0000-0000-C000-000000000046}");

    // Up to `count` strings into `strings`; *fetched (may be null when count is 1)
    // receives how many. S_OK when all `count` were handed out, else S_FALSE.
    virtual HRESULT Next(ULONG count, char** strings, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumString** ppEnum) = 0;
};
inline constexpr const IID& IID_IEnumString = IEnumString::Iid;

// An enumerator over a fixed list, with the usual semantics: Skip past the end
// stops at the end and answers S_FALSE; Clone keeps the position.
class StringEnumerator final : public ComObject<IEnumString> {
public:
    explicit StringEnumerator(std::vector<std::string> items, std::size_t position = 0)
        : m_items(std::move(items)), m_nPosition(position < m_items.size() ? position : m_items.size())
    {
    }

    HRESULT Next(ULONG count, char** strings, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumString** ppEnum) override;

private:
    std::vector<std::string> m_items;
    std::size_t m_nPosition;
};

// Reads the remaining strings of `enumerator` one at a time (freeing each),
// at most `maxItems`, so that an enumerator that never ends cannot hang the caller.
std::vector<std::string> ReadAllStrings(IEnumString* enumerator, std::size_t maxItems = 1000000);
