#pragma once
// Shared by the add-in tests: the built libquillmark.so loaded as a host loads it
// and a fake host application object (a throw-away registry and data folder come
// from IsolatedFolders).
#include "officeapi/addin.h"
#include "platform/com/com.h"
#include "tests/support/isolatedfolders.h"

#include <string>
#include <vector>

namespace quillmark::test {

inline constexpr CLSID kConnectClsid = GuidLiteral("{6F3C2B18-9A47-4E5D-8C21-3B7D90A4E6F2}");
inline constexpr GUID kTypeLibId = GuidLiteral("{2E81D4A7-5C06-4B9F-A3E2-71F0C8B95D14}");
inline constexpr IID kPowerPointAppIid = GuidLiteral("{91493442-5A91-11CF-8700-00AA0060263B}");
inline constexpr IID kWordAppIid = GuidLiteral("{00020970-0000-0000-C000-000000000046}");

// The add-in library, opened with dlopen, and its four entry points.
class AddinLibrary {
public:
    explicit AddinLibrary(const std::string& path);
    ~AddinLibrary();
    AddinLibrary(const AddinLibrary&) = delete;
    AddinLibrary& operator=(const AddinLibrary&) = delete;

    bool Loaded() const { return m_hLibrary != nullptr; }
    const std::string& Error() const { return m_strError; }

    HRESULT (*DllCanUnloadNow)() = nullptr;
    HRESULT (*DllGetClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT (*DllRegisterServer)() = nullptr;
    HRESULT (*DllUnregisterServer)() = nullptr;

    // A new CConnect through the class factory, as its IDTExtensibility2.
    ComPtr<office::IDTExtensibility2> CreateConnect();

private:
    void* m_hLibrary = nullptr;
    std::string m_strError;
};

// An application object that is neither Word nor PowerPoint: it records every
// interface it is asked for and every late-bound call, and answers none but its own.
class FakeApplication final : public ComObject<IDispatch> {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    HRESULT GetTypeInfoCount(std::uint32_t* pctinfo) override;
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo** ppTInfo) override;
    HRESULT GetIDsOfNames(REFIID, const char* const* names, std::uint32_t count, LCID, DISPID* dispIds) override;
    HRESULT Invoke(DISPID dispId, REFIID, LCID, std::uint16_t, DispParams*, Variant*, ExcepInfo*,
                   std::uint32_t*) override;

    std::vector<IID> m_vecAsked;       // interfaces asked for, in order
    std::vector<std::string> m_vecCalls; // late-bound calls
};

} // namespace quillmark::test
