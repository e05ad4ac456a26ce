#pragma once
// PresentationUse: a presentation file that a call needs for a while. When the
// file is open in PowerPoint already, that presentation is used and left open as
// it is, unsaved changes and all; otherwise it is opened here (which fires
// PresentationOpen) and closed again when this object goes. A call thus closes
// only what it opened itself.
#include <string>

#include "officeapi/powerpointwrappers.h"

namespace quillmark {

class PowerPointApplication;

class PresentationUse {
public:
    PresentationUse(PowerPointApplication& app, const std::string& path);
    ~PresentationUse();
    PresentationUse(const PresentationUse&) = delete;
    PresentationUse& operator=(const PresentationUse&) = delete;

    // Empty when the file was not open and PowerPoint could not open it.
    const powerpoint::_PresentationPtr& Presentation() const { return m_spPresentation; }
    // True when this object opened the presentation (and will close it).
    bool OpenedHere() const { return m_bOpenedHere; }
    // Closes now what was opened here; the object then holds nothing.
    void Close();

private:
    powerpoint::_PresentationPtr m_spPresentation;
    bool m_bOpenedHere = false;
};

// The open presentation whose FullName is exactly `path`; empty when none is.
powerpoint::_PresentationPtr FindOpenPresentation(const powerpoint::_ApplicationPtr& spApplication,
                                                  const std::string& path);

} // namespace quillmark
