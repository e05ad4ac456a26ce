#pragma once
// WordEventHandler: receives Word's application events (WindowActivate,
// DocumentOpen, DocumentBeforeSave). The Word wrapper creates and subscribes it in
// ConnectApplicationEvents.
#include "host/applicationeventsink.h"
#include "officeapi/word.h"

namespace quillmark {

class WordEventHandler final : public ApplicationEventSink<word::ApplicationEvents> {
public:
    std::int32_t m_bSyncPending = 0; // the next window activation records the active document

protected:
    // The document rules are not part of the wrapper: every event is accepted and
    // left alone here, so that subscribing never disturbs the host.
    void OnEvent(DISPID, DispParams&) override {}
};

} // namespace quillmark
