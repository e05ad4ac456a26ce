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
        {350, "2005100925"},
        // A listed file that was moved or renamed, found again before the user is asked.
        {700, "Found at %s; use it?"},
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

} // namespace quillmark
