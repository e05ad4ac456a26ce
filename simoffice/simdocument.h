#pragma once
// One open document (Word) or presentation (PowerPoint) of the simulated office:
// its name, built-in properties and slides. The office (OfficeModel) owns it.
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

class SimDocument {
public:
    SimDocument(std::string strFullName, bool bHasFile) : m_strFullName(std::move(strFullName)), m_bHasFile(bHasFile) {}

    // Full path of a saved file, bare name ("Document1") of a never-saved one.
    const std::string& FullName() const { return m_strFullName; }
    // The file name part of FullName.
    std::string Name() const;
    bool HasFile() const { return m_bHasFile; }
    // The built-in properties were read from the file and go into it when it is saved
    // (false for files without a place for them and for files that could not be read).
    bool PropertiesInFile() const { return m_bPropertiesInFile; }
    // No change since the last save (or the opening).
    bool Saved() const { return m_bSaved; }

    DocumentProperties& Properties() { return m_properties; }
    const DocumentProperties& Properties() const { return m_properties; }
    std::string Property(const std::string& name) const;
    bool SetProperty(const std::string& name, const std::string& value);

    // Slides of a presentation (empty for a Word document).
    std::vector<Slide>& Slides() { return m_vecSlides; }
    const std::vector<Slide>& Slides() const { return m_vecSlides; }
    // Sets the number of slides: new ones are appended, extra ones dropped from the end.
    void SetSlideCount(int count);
    // More slides than any real presentation holds; scripts may ask for no more.
    static constexpr int kMaxSlides = 10000;
    // The slide shown in the window, 1-based; 0 when there are no slides.
    int CurrentSlide() const;
    bool SetCurrentSlide(int index);

    void MarkChanged();
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
