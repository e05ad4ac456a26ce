#pragma once
// PowerPointEventHandler: receives PowerPoint's application events (WindowActivate,
// PresentationOpen, PresentationBeforeSave, PresentationSave). The PowerPoint
// wrapper creates and subscribes it in ConnectApplicationEvents.
#include "host/applicationeventsink.h"
#include "officeapi/powerpoint.h"

namespace quillmark {

class PowerPointEventHandler final : public ApplicationEventSink<powerpoint::EApplication> {
protected:
    // The presentation rules are not part of the wrapper: every event is accepted
    // and left alone here, so that subscribing never disturbs the host.
    void OnEvent(DISPID, DispParams&) override {}
};

} // namespace quillmark
