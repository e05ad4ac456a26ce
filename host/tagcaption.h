#pragma once
// The caption of a tag's tool-bar button. A caption takes "&" as the mark of an
// accelerator, so a tag's own "&" is doubled to show as itself; a tag longer than
// kTagCaptionLength characters is cut to its first kTagCaptionLength followed by
// "...", so that one long tag cannot push the others off the bar. The button's
// tooltip keeps the whole tag.
#include <cstddef>
#include <string>

namespace quillmark {

inline constexpr std::size_t kTagCaptionLength = 40;

// `tag` as a caption: cut (characters, not bytes) and with "&" doubled.
std::string TagButtonCaption(const std::string& tag);

} // namespace quillmark
