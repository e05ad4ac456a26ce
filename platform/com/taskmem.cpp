#include "platform/com/taskmem.h"

#include <cstdlib>
#include <cstring>

void* CoTaskMemAlloc(std::size_t size)
{
    return std::malloc(size ? size : 1);
}

void* CoTaskMemRealloc(void* block, std::size_t size)
{
    return std::realloc(block, size ? size : 1);
}

void CoTaskMemFree(void* block)
{
    std::free(block);
}

char* CoTaskMemStrDup(std::string_view text)
{
    auto* copy = static_cast<char*>(CoTaskMemAlloc(text.size() + 1));
    if (!copy) return nullptr;
    std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}
