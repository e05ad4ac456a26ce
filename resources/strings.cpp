// The English string table. Add new user-visible texts here, by number.
#include "resources/strings.h"

#include <map>

namespace quillmark {

namespace {

const std::map<int, std::string>& StringTable()
{
    // String 100 (the message box caption) exists only in the translated tables.
    static const std::map<int, std::string> table = {
        {101, "1.0"},
        {102, "Please enter tags you want to assign to this document to."},
        {103, "Multiple tags should be seperated by commas."},
        {104, "Search tags"},
        {105, "tags.xml"},
        {106, "&About"},
        {107, "&"},
        {108, "&Options..."},
        {109, "&Help"},
        {110, "&Website"},
        {111, "&Tag"},
        {112, "%d of %d Slides"},
        {113, "Insert Slide %d"},
        {114, "https://www.pallister.example/"},
        {115, "Slide%d.jpg"},
        {116, "%Y-%m-%d %H:%M:%S"},
        {117, "&Browse"},
        {118, "Saving Tags to database..."},
        {119, "Refreshing Tag toolbar..."},
        {120, "Saving Presentation preview..."},
        {121, "Finished..."},
        {122, "© 2005 Norvane. All rights reserved.\nBuildId: "},
        {123, "Generating Presentation preview..."},
        {124, "Show all documents with \""},
        {125, "\" tag"},
        {127, "your new tag"},
        {128, "You can not tag files saved in temporary folders."},
        {129, "The file\""},
        {130, "\" could not be used because the original file\ncould not be found. Would you like to locate it?"},
        {131, "Summary"},
        {132, "Quillmark"},
        {133, "Pallister"},
        {134, "Corvenna"},
        {135, "https://www.quillmark.example/"},
        {136, "The tags could not be saved, so nothing was changed.\n%s"},
        {150, "Document Files (*.doc)"},
        {151, "PowerPoint Files (*.ppt)"},
        {152, "OpenDocument Text (*.odt)"},
        {153, "OpenDocument Presentation (*.odp)"},
        {154, "The file \"%s\" could not be found."},
        {155, "%s bytes"},
        {156, "not known"},
        {157, "%s Properties"},
        {158, "The document properties are shown while the file is open in %s."},
        {159, "Name"},
        {160, "Tags"},
        {161, "The Keywords of \"%s\" are kept as they are: the tag database does not hold them yet."},
        {162, "The tag database could not be read."},
        {163, "The tag database could not be written."},
        {164, "Only part of the Keywords of \"%s\" went into the tag database, which takes tags of at most %s characters and at most %s tags from a file: %s tags were cut, %s left out. The document keeps its Keywords."},
        // The LibreOffice host's messages.
        {600, "LibreOffice is not installed here (%s is missing). Install the libreoffice-writer and libreoffice-impress packages."},
        {601, "Nothing accepts UNO connections at \"%s\". Start LibreOffice with soffice --accept=\"%s;urp;\" or let Quillmark start it."},
        {602, "LibreOffice did not answer within %s seconds (a dialog may be open in it)."},
        {603, "The connection to LibreOffice is lost."},
        {604, "LibreOffice could not be started: %s"},
        {605, "The document is not open in LibreOffice."},
        {606, "LibreOffice could not open \"%s\": %s"},
        {607, "LibreOffice cannot save this document as \"%s\": the file type is not one it writes for this kind of document."},
        {608, "\"%s\" is not a built-in document property."},
        {609, "The document is not a presentation."},
        {610, "\"%s\" holds %s slides; slides %s to %s cannot be inserted."},
        {611, "\"%s\" is not a picture format for slides (JPG, PNG or BMP)."},
        {612, "A document that was never saved needs a file name to be saved."},
        {613, "LibreOffice reported an error: %s"},
        {614, "LibreOffice did not accept the connection within %s seconds."},
        {615, "The folder \"%s\" could not be made: %s"},
        // The Quillmark tool bar and extension in LibreOffice.
        {640, "The Quillmark extension is not installed in this LibreOffice (%s)."},
        {641, "The document has no window in LibreOffice."},
        {642, "The Quillmark extension could not be installed: %s"},
        {643, "unopkg, which installs LibreOffice extensions, could not be run: %s"},
        {644, "unopkg failed (exit status %s): %s"},
        {645, "The file \"%s\" could not be written: %s"},
        {646, "The Quillmark extension (quillmark.oxt) was not found; set QUILLMARK_EXTENSION to its path."},
        // The dialogs' messages to the person and their file-type filters.
        {700, "\"%s\" could not be opened."},
        {701, "The folder \"%s\" could not be shown."},
        {702, "It does not exist."},
        {703, "This desktop has no program to open it with (xdg-open could not be started)."},
        {704, "No tagged files match"},
        {705, "Slide %d of \"%s\" was inserted."},
        {706, "All Files (*)"},
        {707, "Word Documents (*.docx *.docm)"},
        {708, "PowerPoint Presentations (*.pptx *.pptm)"},
        {709, "Pictures (*.jpg *.bmp *.gif)"},
        {350, "2005100925"},
        // A listed file that was moved or renamed, found again before the user is asked.
        {710, "Found at %s; use it?"},
    };
    return table;
}

} // namespace

const std::string& LoadResString(int id)
{
    static const std::string empty;
    const auto& table = StringTable();
    auto it = table.find(id);
    return it == table.end() ? empty : it->second;
}

std::string FormatResString(int id, const std::string& value)
{
    const std::string& pattern = LoadResString(id);
    std::string text;
    text.reserve(pattern.size() + value.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == 's' || pattern[i + 1] == '%')) {
            text += pattern[i + 1] == 's' ? value : "%";
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

} // namespace quillmark
