#pragma once
// The add-ins' command bars mirrored into every Writer or Impress frame of the
// host's kind as the Quillmark tool bar, and the tool bar's commands (a click, a
// drop-down entry, the search field's Enter) fired as the controls' Click and
// Change events. The tool bar is rebuilt whenever the controls change and shown in
// every document that joins the office.
//
// Controls are named by their place: "B.P" for control P of visible bar B, "B.P.E"
// for entry E of a popup (all 1-based), so a command names the control that is in
// that place when it arrives.
#include "libreoffice/office/libreofficemodel.h"
#include "libreoffice/toolbar/officetoolbars.h"
#include "officecore/commandbarobjects.h"

#include <QObject>

#include <map>
#include <string>

namespace quillmark::libreoffice {

// The tool bar that mirrors `bars`: one item per visible control of every visible
// bar, in bar order.
ToolBar MirrorToolBar(officecore::SimCommandBars& bars);
// The control named `id` (see above); null when there is none.
officecore::ControlCore* ControlById(officecore::SimCommandBars& bars, const std::string& id);

class ToolBarSync : public QObject {
public:
    // All three must outlive this object.
    ToolBarSync(LibreOfficeModel& model, officecore::SimCommandBars& bars, OfficeToolBars& toolBars);
    ~ToolBarSync() override;

    // Starts receiving the tool bar's commands; false (with `error`) when the office
    // lacks the extension.
    bool ReceiveCommands(std::string* error);
    // Shows the current tool bar in every document where it differs from the one shown.
    void Sync();
    // Runs a command that came from the office (on the main thread).
    void Run(DocumentId id, const ForwardedCommand& command);

private:
    void ScheduleSync();

    LibreOfficeModel& m_model;
    officecore::SimCommandBars& m_bars;
    OfficeToolBars& m_toolBars;
    std::map<DocumentId, ToolBar> m_mapShown;
    bool m_bSyncPending = false;
};

} // namespace quillmark::libreoffice
