#include "tests/cli/libreofficedocuments.h"

#include "platform/files/files.h"
#include "tests/support/process.h"

#include <filesystem>
#include <fstream>
#include <vector>

namespace quillmark::test {

namespace {

const char* const kTextSource = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
  office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:meta><meta:keyword>KEYWORDS</meta:keyword></office:meta>
 <office:body><office:text><text:p>BODY</text:p></office:text></office:body>
</office:document>
)";

const char* const kPresentationSource = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0"
  xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
  xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
  office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.presentation">
 <office:meta><meta:keyword>KEYWORDS</meta:keyword></office:meta>
 <office:body><office:presentation><draw:page draw:name="One">
  <draw:frame svg:x="2cm" svg:y="2cm" svg:width="10cm" svg:height="3cm"><draw:text-box><text:p>BODY</text:p></draw:text-box></draw:frame>
 </draw:page></office:presentation></office:body>
</office:document>
)";

std::string Filled(std::string text, const std::string& keywords, const std::string& body)
{
    text.replace(text.find("KEYWORDS"), 8, keywords);
    text.replace(text.find("BODY"), 4, body);
    return text;
}

} // namespace

const LibreOfficeDocuments& LibreOfficeDocuments::Get()
{
    static const LibreOfficeDocuments documents;
    return documents;
}

LibreOfficeDocuments::LibreOfficeDocuments()
{
    namespace fs = std::filesystem;
    // Made once for the build and shared by every test process (CTest runs
    // each test in a process of its own); the lock keeps two from making them at once.
    const std::string folder = QUILLMARK_TEST_DOCUMENTS;
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    files::FileLock lock(folder + "/make");
    m_strFolder = folder + "/out";
    struct Source {
        const char* name;
        const char* kind; // fodt or fodp
        const char* keywords;
        const char* format;
    };
    const std::vector<Source> sources = {{"report", "fodt", "Budget, Ünïcödé", "docx"},
                                         {"notes", "fodt", "Notes", "odt"},
                                         {"slides", "fodp", "Talk", "odp"},
                                         {"memo", "fodt", "Memo, Budget", "doc"}};
    for (const Source& source : sources) {
        const std::string made = m_strFolder + "/" + source.name + "." + source.format;
        if (fs::exists(made))
            continue;
        const std::string src = folder + "/" + source.name + "." + source.kind;
        std::ofstream(src) << Filled(std::string(source.kind) == "fodt" ? kTextSource : kPresentationSource,
                                     source.keywords, std::string("The ") + source.name + " document");
        // Each conversion starts an office of its own, with its own profile, that ends when done.
        const std::string profile = folder + "/profile";
        const ProcessResult result =
            RunProcess({"/usr/bin/soffice", "-env:UserInstallation=file://" + profile, "--headless", "--norestore",
                        "--nolockcheck", "--convert-to", source.format, "--outdir", folder + "/making", src});
        const std::string out = folder + "/making/" + source.name + "." + source.format;
        if (result.exitCode != 0 || !fs::exists(out)) {
            m_strError = "soffice did not make " + out + ": " + result.err;
            return;
        }
        fs::create_directories(m_strFolder, ignored);
        fs::rename(out, made, ignored); // whole or not at all, for the processes that come later
    }
}

std::string LibreOfficeDocuments::Path(const std::string& name) const
{
    return m_strError.empty() ? m_strFolder + "/" + name : std::string();
}

} // namespace quillmark::test
