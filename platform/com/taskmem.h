#pragma once
// The task allocator: memory that one side allocates and the other frees,
// such as the strings an IEnumString hands out.
#include <cstddef>
#include <string_view>

void* CoTaskMemAlloc(std::size_t size);
void* CoTaskMemRealloc(void* block, std::size_t size);
void CoTaskMemFree(void* block);  // null is allowed

// A NUL-terminated copy of `text` from the task allocator (null when out of memory).
char* CoTaskMemStrDup(std::string_view text);
