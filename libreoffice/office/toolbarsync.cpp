#include "libreoffice/office/toolbarsync.h"

#include <QTimer>

#include <iostream>

namespace quillmark::libreoffice {

using officecore::ControlCore;
using officecore::ControlState;
using officecore::SimCommandBar;
using officecore::SimCommandBars;
using officecore::SimControls;

namespace {

ToolBarItem ItemOf(ControlCore& control, const std::string& id)
{
    const ControlState& s = control.State();
    ToolBarItem item;
    item.strLabel = MnemonicLabel(s.caption);
    item.strTooltip = s.tooltip;
    item.bBeginGroup = s.bBeginGroup;
    switch (s.type) {
    case office::msoControlPopup:
        item.kind = ToolBarItem::Kind::DropDown;
        item.strCommand = MenuCommand(id, s.bEnabled);
        if (SimControls* pEntries = control.Items()) {
            int position = 0;
            for (ControlCore* pEntry : pEntries->List()) {
                ++position;
                if (pEntry->State().bVisible)
                    item.vecEntries.push_back(ItemOf(*pEntry, id + "." + std::to_string(position)));
            }
        }
        break;
    case office::msoControlComboBox:
    case office::msoControlEdit:
    case office::msoControlDropdown:
        item.kind = ToolBarItem::Kind::TextField;
        item.strCommand = std::string(kSearchCommand);
        break;
    default:
        item.kind = ToolBarItem::Kind::Button;
        item.strCommand = ClickCommand(id, s.bEnabled);
        break;
    }
    return item;
}

std::vector<SimCommandBar*> VisibleBars(SimCommandBars& bars)
{
    std::vector<SimCommandBar*> visible;
    for (SimCommandBar* pBar : bars.Bars())
        if (pBar->Visible()) visible.push_back(pBar);
    return visible;
}

} // namespace

ToolBar MirrorToolBar(SimCommandBars& bars)
{
    ToolBar toolBar;
    toolBar.strTitle = "Quillmark";
    int barNumber = 0;
    for (SimCommandBar* pBar : VisibleBars(bars)) {
        ++barNumber;
        int position = 0;
        for (ControlCore* pControl : pBar->Controls().List()) {
            ++position;
            if (!pControl->State().bVisible) continue;
            toolBar.vecItems.push_back(
                ItemOf(*pControl, std::to_string(barNumber) + "." + std::to_string(position)));
        }
    }
    return toolBar;
}

ControlCore* ControlById(SimCommandBars& bars, const std::string& id)
{
    std::vector<int> path;
    size_t start = 0;
    while (start <= id.size()) {
        size_t dot = id.find('.', start);
        const std::string part = id.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (part.empty() || part.size() > 6 || part.find_first_not_of("0123456789") != std::string::npos)
            return nullptr;
        path.push_back(std::stoi(part));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    if (path.size() < 2) return nullptr;
    std::vector<SimCommandBar*> visible = VisibleBars(bars);
    if (path[0] < 1 || path[0] > static_cast<int>(visible.size())) return nullptr;
    SimControls* pControls = &visible[static_cast<size_t>(path[0] - 1)]->Controls();
    ControlCore* pControl = nullptr;
    for (size_t i = 1; i < path.size(); ++i) {
        if (!pControls) return nullptr;
        std::vector<ControlCore*> list = pControls->List();
        if (path[i] < 1 || path[i] > static_cast<int>(list.size())) return nullptr;
        pControl = list[static_cast<size_t>(path[i] - 1)];
        pControls = pControl->Items();
    }
    return pControl;
}

ToolBarSync::ToolBarSync(LibreOfficeModel& model, SimCommandBars& bars, OfficeToolBars& toolBars)
    : m_model(model), m_bars(bars), m_toolBars(toolBars)
{
    m_bars.SetChangeHook([this] { ScheduleSync(); });
    m_model.SetDocumentHooks([this](LibreOfficeDocument&) { ScheduleSync(); },
                             [this](LibreOfficeDocument& doc) { m_mapShown.erase(doc.Id()); });
}

ToolBarSync::~ToolBarSync()
{
    m_bars.SetChangeHook({});
    m_model.SetDocumentHooks({}, {});
}

bool ToolBarSync::ReceiveCommands(std::string* error)
{
    return m_toolBars.ReceiveCommands({m_model.Kind()},
                                      [this](DocumentId id, const ForwardedCommand& command) { Run(id, command); },
                                      error);
}

void ToolBarSync::ScheduleSync()
{
    if (m_bSyncPending) return;
    m_bSyncPending = true;
    // After the add-in's change has ended: it usually rebuilds the bar control by control.
    QTimer::singleShot(0, this, [this] { Sync(); });
}

void ToolBarSync::Sync()
{
    m_bSyncPending = false;
    const ToolBar toolBar = MirrorToolBar(m_bars);
    for (int i = 1; i <= m_model.Count(); ++i) {
        LibreOfficeDocument* pDoc = m_model.Item(i);
        auto it = m_mapShown.find(pDoc->Id());
        if (it != m_mapShown.end() && it->second == toolBar) continue;
        std::string error;
        if (m_toolBars.Show(pDoc->Id(), toolBar, &error))
            m_mapShown[pDoc->Id()] = toolBar;
        else
            std::cerr << "quillmark-office: cannot show the tool bar in " << pDoc->FullName() << ": " << error
                      << std::endl;
    }
}

void ToolBarSync::Run(DocumentId id, const ForwardedCommand& command)
{
    // The add-in works on the active document: the one whose frame sent the command.
    if (LibreOfficeDocument* pDoc = m_model.ById(id)) m_model.Activate(pDoc);
    if (command.strVerb == "search") {
        ControlCore* pCombo = m_bars.FindComboBox();
        if (!pCombo) return;
        ComPtr<office::CommandBarControl> spKeep(pCombo->AsControl());
        pCombo->State().text = command.strText;
        pCombo->FireChange();
        return;
    }
    if (command.strVerb != "click") return; // a drop-down item only opens its entries
    ControlCore* pControl = ControlById(m_bars, command.strId);
    if (!pControl || !pControl->State().bEnabled) return;
    ComPtr<office::CommandBarControl> spKeep(pControl->AsControl()); // the add-in may delete it while clicked
    pControl->FireClick();
}

} // namespace quillmark::libreoffice
