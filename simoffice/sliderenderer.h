#pragma once
// Real pictures of a presentation's slides: LibreOffice (headless, with its own
// user profile in a private temporary folder) converts the file to PDF there, and
// Poppler renders each page. Pages of a file are kept for as long as the file is
// unchanged, so a second export of the same file does not convert it again.
#include <QImage>

#include <map>
#include <memory>
#include <string>
#include <vector>

class QTemporaryDir;

namespace quillmark::simoffice {

class SlideRenderer {
public:
    SlideRenderer();
    ~SlideRenderer();
    SlideRenderer(const SlideRenderer&) = delete;
    SlideRenderer& operator=(const SlideRenderer&) = delete;

    // One picture per page of `path`, `width` pixels wide (height as the page's shape
    // asks). Null with `error` set when LibreOffice is missing, fails, takes longer
    // than the time-out, or leaves no PDF behind, or when the PDF cannot be read.
    // The program is $QUILLMARK_SOFFICE, else "soffice" from the PATH.
    const std::vector<QImage>* Pages(const std::string& path, int width, std::string* error);

    // Seconds a conversion may take before it is given up.
    void SetTimeout(int seconds) { m_nTimeoutSeconds = seconds; }

private:
    bool ConvertToPdf(const std::string& path, std::string& pdf, std::string* error);

    struct Entry;
    std::map<std::string, std::unique_ptr<Entry>> m_mapPages; // by full path
    std::unique_ptr<QTemporaryDir> m_pWorkDir;                // the profile and the PDFs
    int m_nTimeoutSeconds = 120;
    int m_nConversions = 0;
};

} // namespace quillmark::simoffice
