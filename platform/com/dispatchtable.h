#pragma once
// Helpers for IDispatch implementations.
//
// DispatchTable: member names (matched without regard to case, as automation
// does) with their dispatch ids and, optionally, the handler Invoke calls.
// DispatchObject<Interfaces...>: a ComObject whose IDispatch methods are served
// from its table (`m_dispatchTable`); override InvokeMember for anything else.
// InvokeByName: the late-bound call a client makes (GetIDsOfNames, then Invoke).
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/comerror.h"
#include "platform/com/comobject.h"
#include "platform/com/dispparams.h"

class DispatchTable {
public:
    // Called for Invoke with the flags, the arguments and the place for the result
    // (null when the caller wants none).
    using Handler = std::function<HRESULT(std::uint16_t flags, DispParams& params, Variant* result)>;
    struct Member {
        std::string name;
        DISPID id = DISPID_UNKNOWN;
        Handler handler;
    };

    DispatchTable() = default;
    DispatchTable(std::initializer_list<Member> members) : m_members(members) {}

    void Add(std::string name, DISPID id, Handler handler = {});

    const Member* Find(DISPID id) const;
    const Member* Find(std::string_view name) const;  // case-insensitive

    // The first name is the member; further names (parameter names) are not
    // known and get DISPID_UNKNOWN with DISP_E_UNKNOWNNAME.
    HRESULT GetIDsOfNames(const char* const* names, std::uint32_t count, DISPID* dispIds) const;
    // DISP_E_MEMBERNOTFOUND for an id without a handler.
    HRESULT Invoke(DISPID id, std::uint16_t flags, DispParams& params, Variant* result) const;

private:
    std::vector<Member> m_members;
};

template <class... Interfaces>
class DispatchObject : public ComObject<Interfaces...> {
public:
    HRESULT GetTypeInfoCount(std::uint32_t* pctinfo) override
    {
        if (!pctinfo) return E_POINTER;
        *pctinfo = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo** ppTInfo) override
    {
        if (!ppTInfo) return E_POINTER;
        *ppTInfo = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT GetIDsOfNames(REFIID riid, const char* const* names, std::uint32_t count, LCID,
                          DISPID* dispIds) override
    {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        return m_dispatchTable.GetIDsOfNames(names, count, dispIds);
    }
    // A ComError thrown by a member becomes DISP_E_EXCEPTION with its code in
    // `excepInfo`; no exception crosses this boundary.
    HRESULT Invoke(DISPID dispId, REFIID riid, LCID, std::uint16_t flags, DispParams* params, Variant* result,
                   ExcepInfo* excepInfo, std::uint32_t*) override
    {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        DispParams none;
        try {
            return InvokeMember(dispId, flags, params ? *params : none, result);
        } catch (const ComError& error) {
            if (excepInfo) *excepInfo = ExcepInfo{0, "", error.what(), error.Error()};
            return DISP_E_EXCEPTION;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (const std::exception& error) {
            if (excepInfo) *excepInfo = ExcepInfo{0, "", error.what(), E_FAIL};
            return DISP_E_EXCEPTION;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

protected:
    virtual HRESULT InvokeMember(DISPID dispId, std::uint16_t flags, DispParams& params, Variant* result)
    {
        return m_dispatchTable.Invoke(dispId, flags, params, result);
    }

    DispatchTable m_dispatchTable;
};

// Late-bound call of `name` on `object`: arguments in call order; with
// DISPATCH_PROPERTYPUT the last argument is the value and is passed named
// DISPID_PROPERTYPUT. `result` may be null. Returns the first failing code.
HRESULT InvokeByName(IDispatch* object, std::string_view name, std::uint16_t flags,
                     const std::vector<Variant>& callOrderArgs, Variant* result);
