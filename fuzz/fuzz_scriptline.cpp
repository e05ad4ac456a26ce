// The host script line splitter over any bytes: it must split or refuse, never
// crash, and the words it gives, quoted again, must split into the same words.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "officecore/scriptline.h"

using quillmark::officecore::SplitScriptLine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string line(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> words;
    std::string error;
    if (!SplitScriptLine(line, words, error)) {
        if (error.empty())
            __builtin_trap();
        return 0;
    }
    // Single quotes keep everything; a quote itself is written '\''.
    std::string quoted;
    for (const std::string& word : words) {
        quoted += quoted.empty() ? "'" : " '";
        for (char c : word)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        quoted += '\'';
    }
    std::vector<std::string> again;
    if (!SplitScriptLine(quoted, again, error) || again != words)
        __builtin_trap();
    return 0;
}
