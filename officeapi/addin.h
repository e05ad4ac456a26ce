#pragma once
// IDTExtensibility2: the interface through which Word and PowerPoint load and
// unload a COM add-in. It is dual: the host may also call it through IDispatch
// with the dispatch ids below.
#include <cstdint>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/variant.h"

namespace quillmark::office {

using ext_ConnectMode = std::int32_t;
inline constexpr ext_ConnectMode ext_cm_AfterStartup = 0;
inline constexpr ext_ConnectMode ext_cm_Startup = 1;
inline constexpr ext_ConnectMode ext_cm_External = 2;
inline constexpr ext_ConnectMode ext_cm_CommandLine = 3;

using ext_DisconnectMode = std::int32_t;
inline constexpr ext_DisconnectMode ext_dm_HostShutdown = 0;
inline constexpr ext_DisconnectMode ext_dm_UserClosed = 1;

// The "custom" array of the notifications (a SAFEARRAY of VARIANT in reality);
// hosts pass an empty one or null.
using CustomArray = std::vector<Variant>;

struct IDTExtensibility2 : IDispatch {
    using Base = IDispatch;
    static constexpr IID Iid = GuidLiteral("{B65AD801-ABAF-11D0-BB8B-00A0C90F2744}");

    // Called once after loading, on the host's user-interface thread, with the
    // host's application object.
    virtual HRESULT OnConnection(IDispatch* application, ext_ConnectMode connectMode, IDispatch* addInInst,
                                 CustomArray* custom) = 0;
    virtual HRESULT OnDisconnection(ext_DisconnectMode removeMode, CustomArray* custom) = 0;
    virtual HRESULT OnAddInsUpdate(CustomArray* custom) = 0;
    virtual HRESULT OnStartupComplete(CustomArray* custom) = 0;
    virtual HRESULT OnBeginShutdown(CustomArray* custom) = 0;
};

inline constexpr DISPID DISPID_OnConnection = 1;
inline constexpr DISPID DISPID_OnDisconnection = 2;
inline constexpr DISPID DISPID_OnAddInsUpdate = 3;
inline constexpr DISPID DISPID_OnStartupComplete = 4;
inline constexpr DISPID DISPID_OnBeginShutdown = 5;

} // namespace quillmark::office
