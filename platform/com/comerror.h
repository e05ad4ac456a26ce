#pragma once
// ComError: a failed call into an object model, carrying its result code.
#include <exception>
#include <string>

#include "platform/com/hresult.h"

class ComError : public std::exception {
public:
    // `context` names the failed call, e.g. "CommandBars.Add".
    explicit ComError(HRESULT hr, std::string context = {});

    HRESULT Error() const noexcept { return m_hr; }
    const std::string& Context() const noexcept { return m_strContext; }
    // "CommandBars.Add failed: E_FAIL (0x80004005)"
    const char* what() const noexcept override { return m_strMessage.c_str(); }

private:
    HRESULT m_hr;
    std::string m_strContext;
    std::string m_strMessage;
};

// Throws ComError when `hr` is a failure; returns it otherwise (S_FALSE included).
inline HRESULT ThrowIfFailed(HRESULT hr, const char* context = "")
{
    if (FAILED(hr)) throw ComError(hr, context);
    return hr;
}
