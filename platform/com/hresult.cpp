#include "platform/com/hresult.h"

#include <cstdio>

namespace {

const char* KnownName(HRESULT hr)
{
    switch (hr) {
    case S_OK: return "S_OK";
    case S_FALSE: return "S_FALSE";
    case E_NOTIMPL: return "E_NOTIMPL";
    case E_NOINTERFACE: return "E_NOINTERFACE";
    case E_POINTER: return "E_POINTER";
    case E_ABORT: return "E_ABORT";
    case E_FAIL: return "E_FAIL";
    case E_PENDING: return "E_PENDING";
    case E_UNEXPECTED: return "E_UNEXPECTED";
    case E_ACCESSDENIED: return "E_ACCESSDENIED";
    case E_OUTOFMEMORY: return "E_OUTOFMEMORY";
    case E_INVALIDARG: return "E_INVALIDARG";
    case DISP_E_UNKNOWNINTERFACE: return "DISP_E_UNKNOWNINTERFACE";
    case DISP_E_MEMBERNOTFOUND: return "DISP_E_MEMBERNOTFOUND";
    case DISP_E_PARAMNOTFOUND: return "DISP_E_PARAMNOTFOUND";
    case DISP_E_TYPEMISMATCH: return "DISP_E_TYPEMISMATCH";
    case DISP_E_UNKNOWNNAME: return "DISP_E_UNKNOWNNAME";
    case DISP_E_NONAMEDARGS: return "DISP_E_NONAMEDARGS";
    case DISP_E_BADVARTYPE: return "DISP_E_BADVARTYPE";
    case DISP_E_EXCEPTION: return "DISP_E_EXCEPTION";
    case DISP_E_OVERFLOW: return "DISP_E_OVERFLOW";
    case DISP_E_BADINDEX: return "DISP_E_BADINDEX";
    case DISP_E_BADPARAMCOUNT: return "DISP_E_BADPARAMCOUNT";
    case DISP_E_PARAMNOTOPTIONAL: return "DISP_E_PARAMNOTOPTIONAL";
    case CLASS_E_NOAGGREGATION: return "CLASS_E_NOAGGREGATION";
    case CLASS_E_CLASSNOTAVAILABLE: return "CLASS_E_CLASSNOTAVAILABLE";
    case REGDB_E_CLASSNOTREG: return "REGDB_E_CLASSNOTREG";
    // Shared with SELFREG_E_TYPELIB / SELFREG_E_CLASS.
    case CONNECT_E_NOCONNECTION: return "CONNECT_E_NOCONNECTION";
    case CONNECT_E_ADVISELIMIT: return "CONNECT_E_ADVISELIMIT";
    case CONNECT_E_CANNOTCONNECT: return "CONNECT_E_CANNOTCONNECT";
    default: return nullptr;
    }
}

} // namespace

std::string HResultText(HRESULT hr)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(hr));
    if (const char* name = KnownName(hr))
        return std::string(name) + " (" + hex + ")";
    return hex;
}
