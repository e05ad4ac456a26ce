#pragma once
// Which files may not be tagged: those in the temporary folder or the browser
// cache, where files come and go (an attachment opened from mail, a download
// being viewed). The add-in, the command line and the scan share this rule.
#include <string>

namespace quillmark::shell {

// True when `path` lies in the temporary folder (compared in its short, here
// canonical, form, so that a longer spelling or a link to the folder is still
// recognised) or in the browser cache (compared as given).
bool IsInTemporaryFolder(const std::string& path);

} // namespace quillmark::shell
