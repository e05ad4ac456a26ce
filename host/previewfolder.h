#pragma once
// Where a presentation's slide previews live and how they are found: the folder
// is the database folder followed directly by the presentation's fingerprint;
// slide n is "Slide%d.jpg" there. Windows compares file names without regard to
// case, and the images are written as Slide1.JPG..., so every lookup here
// ignores case as well.
#include <string>
#include <vector>

namespace quillmark {

class AppSettings;

// DatabasePath + md5 (DatabasePath ends with a separator). No separator at the end.
std::string PreviewFolder(const AppSettings& settings, const std::string& md5);

// Names of the JPEG files in `folder` ("*.jpg", any case), sorted; none when the
// folder is missing.
std::vector<std::string> PreviewImageNames(const std::string& folder);

// Path of slide `slide`'s image ("Slide%d.jpg", any case) in `folder`; empty when
// there is none.
std::string FindSlideImage(const std::string& folder, int slide);

} // namespace quillmark
