#pragma once
// One open document (Word) or presentation (PowerPoint) of the simulated office:
// its name, built-in properties and slides. The office (OfficeModel) owns it.
#include "officecore/office.h"
#include "platform/files/files.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace quillmark::simoffice {

struct Slide {
    std::string text; // the title of a slide read from a file; made up for the others
    unsigned long long id = 0; // unique within the process, so a slide object follows its slide
    // Where the slide's picture comes from: page `page` (1-based) of the presentation
    // file `source`; a slide without a source is drawn.
    std::string source;
    int page = 0;
};

// A fresh slide id.
unsigned long long NextSlideId();

// Built-in document properties in a fixed order; names compare without regard to ASCII case.
class DocumentProperties {
public:
    DocumentProperties(); // "Title", "Subject", "Author", "Keywords", "Comments", all empty
    // nullptr when the property does not exist.
    const std::string* Find(const std::string& name) const;
    // False when the property does not exist (the set of built-in properties is fixed).
    bool Set(const std::string& name, const std::string& value);
    const std::vector<std::pair<std::string, std::string>>& All() const { return m_vecValues; }
    bool operator==(const DocumentProperties&) const = default;

private:
    std::vector<std::pair<std::string, std::string>> m_vecValues;
};

class SimDocument final : public officecore::OfficeDocument {
public:
    SimDocument(std::string strFullName, bool bHasFile) : m_strFullName(std::move(strFullName)), m_bHasFile(bHasFile) {}

    const std::string& FullName() const override { return m_strFullName; }
    bool HasFile() const override { return m_bHasFile; }
    // The built-in properties were read from the file and go into it when it is saved
    // (false for files without a place for them and for files that could not be read).
    bool PropertiesInFile() const { return m_bPropertiesInFile; }
    bool Saved() const override { return m_bSaved; }
    void MarkChanged() override;

    DocumentProperties& Properties() { return m_properties; }
    const DocumentProperties& Properties() const { return m_properties; }
    std::vector<std::string> PropertyNames() const override;
    std::optional<std::string> FindProperty(const std::string& name) const override;
    bool SetProperty(const std::string& name, const std::string& value) override;

    // Slides of a presentation (empty for a Word document).
    std::vector<Slide>& Slides() { return m_vecSlides; }
    const std::vector<Slide>& Slides() const { return m_vecSlides; }
    int SlideCount() const override { return static_cast<int>(m_vecSlides.size()); }
    std::string SlideTitle(int index) const override;
    unsigned long long SlideId(int index) const override;
    void SetSlideCount(int count) override;
    int CurrentSlide() const override;
    bool SetCurrentSlide(int index) override;

    // Called after every change of the document's properties, slides, view or saved
    // state made through this object (the host's window follows them).
    void SetChangeHook(std::function<void()> fnHook) { m_fnChanged = std::move(fnHook); }

private:
    friend class OfficeModel;
    void Changed()
    {
        if (m_fnChanged) m_fnChanged();
    }
    std::function<void()> m_fnChanged;
    std::string m_strFullName;
    bool m_bHasFile = false;
    bool m_bSaved = true;
    bool m_bPropertiesInFile = false;
    // The file as its properties were read or last written; a save into a file
    // changed since by another program is refused.
    files::FileStamp m_stampRead;
    DocumentProperties m_properties;
    std::vector<Slide> m_vecSlides;
    int m_nCurrentSlide = 1;
};

} // namespace quillmark::simoffice
