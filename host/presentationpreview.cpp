// The PowerPoint wrapper's slide previews, and the JPEG conversion they use.
#include "host/presentationpreview.h"

#include <strings.h>

#include "host/powerpointapplication.h"
#include "host/presentationuse.h"
#include "host/previewfolder.h"
#include "platform/files/files.h"
#include "store/taggingdatabase.h"

namespace quillmark {

int FindImageEncoder(const std::string& mimeType, imaging::ImageEncoder& encoder)
{
    const std::vector<imaging::ImageEncoder> encoders = imaging::GetImageEncoders();
    for (size_t i = 0; i < encoders.size(); ++i) {
        if (encoders[i].mimeType == mimeType) {
            encoder = encoders[i];
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool ConvertToJpeg(const std::string& source, const std::string& target, const imaging::EncoderParameters& parameters)
{
    const imaging::Image image = imaging::Image::Load(source);
    if (image.IsNull()) return false;
    const imaging::Image bitmap = image.Stretched(kPreviewWidth, kPreviewHeight);
    imaging::ImageEncoder encoder;
    if (FindImageEncoder("image/jpeg", encoder) < 0) return false;
    return bitmap.Save(target, encoder, parameters);
}

namespace {

// "Slide1.BMP" gives "Slide1.JPG": the name up to its first "." and ".JPG".
std::string JpegNameOf(const std::string& bitmapName)
{
    return bitmapName.substr(0, bitmapName.find('.')) + ".JPG";
}

// Other spellings of `name` in `folder` (slide1.jpg beside Slide1.JPG) would be
// counted twice as images of one slide: they go once the new image is written.
void RemoveOtherSpellings(const std::string& folder, const std::string& name)
{
    for (const std::string& other : files::ListFiles(folder, "*"))
        if (other != name && ::strcasecmp(other.c_str(), name.c_str()) == 0) files::RemoveFile(folder + "/" + other);
}

} // namespace

bool PowerPointApplication::SavePresentationPreview(BackgroundRunner* pRunner)
{
    const powerpoint::_PresentationPtr spPresentation = GetActivePresentation();
    if (!spPresentation) return false;
    m_pPreviewRequest->pOwner = this;
    m_pPreviewRequest->path = GetActiveDocumentPath();
    m_pPreviewRequest->spPresentation = spPresentation;
    const bool bWritten = ExportSlideImages(m_pPreviewRequest->spPresentation, m_pPreviewRequest->path, pRunner);
    m_pPreviewRequest->spPresentation = nullptr;
    return bWritten;
}

bool PowerPointApplication::GeneratePreview(const std::string& path, BackgroundRunner* pRunner)
{
    PresentationUse use(*this, path);
    if (!use.Presentation()) return false;
    m_pPreviewRequest->pOwner = this;
    m_pPreviewRequest->path = path;
    m_pPreviewRequest->spPresentation = use.Presentation();
    const bool bWritten = ExportSlideImages(m_pPreviewRequest->spPresentation, m_pPreviewRequest->path, pRunner);
    m_pPreviewRequest->spPresentation = nullptr;
    return bWritten;
}

bool PowerPointApplication::ExportSlideImages(const powerpoint::_PresentationPtr& spPresentation,
                                              const std::string& path, BackgroundRunner* pRunner)
{
    if (!spPresentation) return false;
    const std::string md5 = RequireDatabase().GetMd5Hex(path);
    const std::string folder = PreviewFolder(RequireSettings(), md5);
    files::MakeDirectories(folder); // an existing folder is reused

    // The export and the conversion are the long part: they run through the
    // runner, touching nothing but the presentation and the folder.
    bool bWritten = false;
    RunStep(pRunner, [&spPresentation, &folder, &bWritten] {
        // A failing export is not acted upon: the folder then holds whatever bitmaps it holds.
        spPresentation->SaveCopyAs(folder, powerpoint::ppSaveAsBMP, office::msoFalse);

        imaging::EncoderParameters par;
        par.quality = iCompressionQuality;

        const std::vector<std::string> bitmaps = files::ListFiles(folder, "*.bmp", files::NameCase::Ignore);
        for (const std::string& name : bitmaps) {
            const std::string toPath = JpegNameOf(name);
            if (ConvertToJpeg(folder + "/" + name, folder + "/" + toPath, par)) {
                bWritten = true;
                RemoveOtherSpellings(folder, toPath);
            }
            files::RemoveFile(folder + "/" + name);
        }
    });
    return bWritten;
}

} // namespace quillmark
