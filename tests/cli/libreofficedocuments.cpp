#include "tests/cli/libreofficedocuments.h"

#include "tests/support/process.h"

#include <cstdlib>
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
    // Kept for the program's life and removed at its end.
    static const struct Folder {
        std::string path;
        Folder()
        {
            std::string pattern = (fs::temp_directory_path() / "quillmark-lo-XXXXXX").string();
            path = ::mkdtemp(pattern.data()) ? pattern : std::string();
        }
        ~Folder()
        {
            std::error_code ignored;
            if (!path.empty())
                fs::remove_all(path, ignored);
        }
    } folder;
    if (folder.path.empty()) {
        m_strError = "no folder for the documents";
        return;
    }
    m_strFolder = folder.path + "/out";
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
        const std::string src = folder.path + "/" + source.name + "." + source.kind;
        std::ofstream(src) << Filled(std::string(source.kind) == "fodt" ? kTextSource : kPresentationSource,
                                     source.keywords, std::string("The ") + source.name + " document");
        // Each conversion starts an office of its own, with its own profile, that ends when done.
        const ProcessResult result = RunProcess({"soffice", "-env:UserInstallation=file://" + folder.path + "/profile",
                                                 "--headless", "--norestore", "--nolockcheck", "--convert-to",
                                                 source.format, "--outdir", m_strFolder, src});
        const std::string made = m_strFolder + "/" + source.name + "." + source.format;
        if (result.exitCode != 0 || !fs::exists(made)) {
            m_strError = "soffice did not make " + made + ": " + result.err;
            return;
        }
    }
}

std::string LibreOfficeDocuments::Path(const std::string& name) const
{
    return m_strError.empty() ? m_strFolder + "/" + name : std::string();
}

} // namespace quillmark::test
