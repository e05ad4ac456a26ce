#pragma once
// Wrapper of IDTExtensibility2 for the host's side (see wrapperbase.h).
#include "officeapi/addin.h"
#include "officeapi/wrapperbase.h"

namespace quillmark::office {

class IDTExtensibility2Ptr : public ComPtr<IDTExtensibility2> {
public:
    using ComPtr::ComPtr;
    IDTExtensibility2Ptr(const ComPtr<IDTExtensibility2>& p) : ComPtr(p) {}

    void OnConnection(IDispatch* application, ext_ConnectMode connectMode, IDispatch* addInInst,
                      CustomArray* custom = nullptr) const
    {
        wrap::Call(*this, &IDTExtensibility2::OnConnection, "IDTExtensibility2.OnConnection", application,
                   connectMode, addInInst, custom);
    }
    void OnDisconnection(ext_DisconnectMode removeMode, CustomArray* custom = nullptr) const
    {
        wrap::Call(*this, &IDTExtensibility2::OnDisconnection, "IDTExtensibility2.OnDisconnection", removeMode, custom);
    }
    void OnAddInsUpdate(CustomArray* custom = nullptr) const
    {
        wrap::Call(*this, &IDTExtensibility2::OnAddInsUpdate, "IDTExtensibility2.OnAddInsUpdate", custom);
    }
    void OnStartupComplete(CustomArray* custom = nullptr) const
    {
        wrap::Call(*this, &IDTExtensibility2::OnStartupComplete, "IDTExtensibility2.OnStartupComplete", custom);
    }
    void OnBeginShutdown(CustomArray* custom = nullptr) const
    {
        wrap::Call(*this, &IDTExtensibility2::OnBeginShutdown, "IDTExtensibility2.OnBeginShutdown", custom);
    }
};

} // namespace quillmark::office
