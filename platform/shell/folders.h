#pragma once
// The user's special folders as the shell reports them, XDG style.
#include <optional>
#include <string>

namespace quillmark::shell {

// $HOME, else the password database entry of the current user; empty when neither is known.
std::string GetHomeFolder();

// Application-data folder: $XDG_DATA_HOME, else ~/.local/share. No trailing separator;
// empty when no home folder is known.
std::string GetApplicationDataFolder();

// Temporary folder: $TMPDIR, else /tmp, always with one trailing "/".
std::string GetTempFolder();

// Browser cache folder: $XDG_CACHE_HOME, else ~/.cache. No trailing separator;
// empty when no home folder is known.
std::string GetBrowserCacheFolder();

// The short (8.3) form of an existing path, which here is its canonical form
// (absolute, links and "." / ".." resolved). nullopt when the path cannot be resolved.
std::optional<std::string> GetShortPathName(const std::string& path);

} // namespace quillmark::shell
