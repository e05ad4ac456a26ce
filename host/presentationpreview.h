#pragma once
// Slide preview images: one JPEG of exactly 320 x 240 pixels per slide, made from
// the bitmaps PowerPoint exports into the presentation's preview folder. The
// PowerPoint wrapper's SavePresentationPreview, GeneratePreview and
// ExportSlideImages use these; the images are found through host/previewfolder.h.
#include <string>

#include "officeapi/powerpointwrappers.h"
#include "platform/imaging/image.h"

namespace quillmark {

class PowerPointApplication;

inline constexpr int kPreviewWidth = 320;
inline constexpr int kPreviewHeight = 240;
inline constexpr int iCompressionQuality = 90;

// The preview being made: filled at the start of each preview, read by the export.
struct PreviewRequest {
    PowerPointApplication* pOwner = nullptr;
    std::string path;
    powerpoint::_PresentationPtr spPresentation;
};

// Index of the first installed encoder whose MIME type is exactly `mimeType`,
// with that encoder in `encoder`; -1 (encoder untouched) when none is.
int FindImageEncoder(const std::string& mimeType, imaging::ImageEncoder& encoder);

// Loads `source` (embedded colour profiles not applied), stretches it into
// 320 x 240 whatever its proportions, and writes it to `target` as 24-bit RGB
// JPEG with `parameters`, replacing a file of that name. False when the source
// could not be read, no JPEG encoder is installed or the target not written;
// then `target` is untouched.
bool ConvertToJpeg(const std::string& source, const std::string& target,
                   const imaging::EncoderParameters& parameters);

} // namespace quillmark
