#include "platform/com/dispatchtable.h"

#include <cctype>

namespace {
bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
} // namespace

void DispatchTable::Add(std::string name, DISPID id, Handler handler)
{
    m_members.push_back(Member{std::move(name), id, std::move(handler)});
}

const DispatchTable::Member* DispatchTable::Find(DISPID id) const
{
    for (const Member& member : m_members)
        if (member.id == id) return &member;
    return nullptr;
}

const DispatchTable::Member* DispatchTable::Find(std::string_view name) const
{
    for (const Member& member : m_members)
        if (SameName(member.name, name)) return &member;
    return nullptr;
}

HRESULT DispatchTable::GetIDsOfNames(const char* const* names, std::uint32_t count, DISPID* dispIds) const
{
    if (count == 0) return S_OK;
    if (!names || !dispIds) return E_POINTER;
    HRESULT hr = S_OK;
    const Member* member = names[0] ? Find(std::string_view(names[0])) : nullptr;
    dispIds[0] = member ? member->id : DISPID_UNKNOWN;
    if (!member) hr = DISP_E_UNKNOWNNAME;
    for (std::uint32_t i = 1; i < count; ++i) {
        dispIds[i] = DISPID_UNKNOWN;
        hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT DispatchTable::Invoke(DISPID id, std::uint16_t flags, DispParams& params, Variant* result) const
{
    const Member* member = Find(id);
    if (!member || !member->handler) return DISP_E_MEMBERNOTFOUND;
    return member->handler(flags, params, result);
}

HRESULT InvokeByName(IDispatch* object, std::string_view name, std::uint16_t flags,
                     const std::vector<Variant>& callOrderArgs, Variant* result)
{
    if (!object) return E_POINTER;
    std::string memberName(name);
    const char* names[] = {memberName.c_str()};
    DISPID dispId = DISPID_UNKNOWN;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispId);
    if (FAILED(hr)) return hr;
    DispParams params;
    if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && !callOrderArgs.empty()) {
        std::vector<Variant> index(callOrderArgs.begin(), callOrderArgs.end() - 1);
        params = DispParams::PropertyPut(callOrderArgs.back(), index);
    } else {
        params = DispParams::FromArgs(callOrderArgs);
    }
    return object->Invoke(dispId, IID_NULL, LOCALE_SYSTEM_DEFAULT, flags, &params, result, nullptr, nullptr);
}
