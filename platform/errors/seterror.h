#pragma once
// Functions that report a failure through an optional message (`std::string* error`,
// null when the caller wants none) set it through this one helper.
#include <string>
#include <utility>

namespace quillmark {

// Stores `text` as the message, when the caller asked for one.
inline void SetError(std::string* error, std::string text)
{
    if (error) *error = std::move(text);
}

} // namespace quillmark
