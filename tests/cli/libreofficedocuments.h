#pragma once
// Real documents made by LibreOffice (headless, with a profile of its own) from
// flat OpenDocument sources, once per build folder: each holds Keywords.
#include <map>
#include <string>

namespace quillmark::test {

class LibreOfficeDocuments {
public:
    // The documents, made at the first call: "report.docx" (Keywords
    // "Budget, Ünïcödé"), "notes.odt" ("Notes"), "slides.odp" ("Talk") and
    // "memo.doc" ("Memo, Budget"). Empty when LibreOffice could not make them
    // (`Error` says why).
    static const LibreOfficeDocuments& Get();
    std::string Path(const std::string& name) const;
    const std::string& Error() const { return m_strError; }

private:
    LibreOfficeDocuments();
    std::string m_strFolder;
    std::string m_strError;
};

} // namespace quillmark::test
