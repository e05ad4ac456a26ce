#include "addin/dialogavailability.h"

#include "officeapi/powerpoint.h"
#include "officeapi/word.h"

#include <cstdio>
#include <iostream>

namespace quillmark {

namespace {

// The text between double quotes on one line: quotes and backslashes escaped,
// line breaks and other control characters written as escapes.
std::string Quoted(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\r') {
            quoted += "\\r";
        } else if (c == '\t') {
            quoted += "\\t";
        } else if (byte < 0x20 || byte == 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

// The full name of the Tag dialog's document; empty when it cannot be read.
std::string DocumentName(const DialogRequest& request)
{
    std::string name;
    if (!request.spDocument) return name;
    if (request.kind == DialogKind::TagWord) {
        ComPtr<word::_Document> spDocument;
        if (SUCCEEDED(request.spDocument.As(spDocument)) && spDocument && FAILED(spDocument->get_FullName(&name)))
            name.clear();
    } else {
        ComPtr<powerpoint::_Presentation> spPresentation;
        if (SUCCEEDED(request.spDocument.As(spPresentation)) && spPresentation &&
            FAILED(spPresentation->get_FullName(&name)))
            name.clear();
    }
    return name;
}

std::string WithSearch(std::string dialog, const std::string& search)
{
    if (!search.empty()) dialog += " (search " + Quoted(search) + ")";
    return dialog;
}

std::string WithDocument(std::string dialog, const char* what, const std::string& name)
{
    if (!name.empty()) dialog += std::string(" for the ") + what + " " + Quoted(name);
    return dialog;
}

} // namespace

DialogAvailability::DialogAvailability() : m_err(std::cerr) {}

DialogAvailability::DialogAvailability(std::ostream& err) : m_err(err) {}

std::string DialogAvailability::Note(const DialogRequest& request)
{
    std::string dialog;
    switch (request.kind) {
    case DialogKind::TagWord:
        dialog = WithDocument("the Tag dialog", "document", DocumentName(request));
        break;
    case DialogKind::TagPowerPoint:
        dialog = WithDocument("the Tag dialog", "presentation", DocumentName(request));
        break;
    case DialogKind::BrowseDocuments:
        dialog = WithSearch("the Browse Tags dialog for documents", request.strSearch);
        break;
    case DialogKind::BrowsePresentations:
        dialog = WithSearch("the Browse Tags dialog for presentations", request.strSearch);
        break;
    case DialogKind::Options:
        dialog = "the Options dialog";
        break;
    case DialogKind::About:
        dialog = "the About dialog";
        break;
    }
    return "quillmark: " + dialog + " is not available in this version";
}

bool DialogAvailability::Show(const DialogRequest& request)
{
    m_err << Note(request) << std::endl;
    return false;
}

} // namespace quillmark
