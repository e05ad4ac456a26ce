#pragma once
// The fingerprint that keys database records: MD5 of a full path's UTF-8 bytes,
// as 32 lowercase hexadecimal digits.
#include <string>
#include <string_view>

namespace quillmark {

std::string GetMd5Hex(std::string_view path);

} // namespace quillmark
