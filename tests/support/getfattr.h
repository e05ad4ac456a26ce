#pragma once
// The file-system tags of a file as the desktop's own tool shows them.
#include "tests/support/process.h"

#include <string>

namespace quillmark::test {

// The value of user.xdg.tags that `getfattr` prints for `file`; "<none>" when
// it prints none (no attribute, or a file system without user attributes).
inline std::string GetFattrTags(const std::string& file)
{
    const ProcessResult result = RunProcess({"/usr/bin/getfattr", "-n", "user.xdg.tags", "--only-values", file});
    return result.exitCode == 0 ? result.out : "<none>";
}

} // namespace quillmark::test
