#pragma once
// The subscriptions behind the command bar: the block of eight Click subscriptions
// of the fixed buttons, one handler per tag button, and the search box's Change.
#include <string>

#include "host/controlsubscription.h"
#include "officeapi/commandbarswrappers.h"

namespace quillmark {

class OfficeApplication;

// One Click subscription per fixed button, with the ids the bar has always used.
struct CommandSinks {
    CommandSinks() = default;
    CommandSinks(const CommandSinks&) = delete;
    CommandSinks& operator=(const CommandSinks&) = delete;

    OfficeApplication* m_pOwner = nullptr; // set by SetDatabase; no click is handled before
    ControlSubscription m_tagWord{406, office::_CommandBarButtonEvents::Iid};
    ControlSubscription m_tagPowerPoint{206, office::_CommandBarButtonEvents::Iid};
    ControlSubscription m_browseWord{307, office::_CommandBarButtonEvents::Iid};
    ControlSubscription m_browsePowerPoint{207, office::_CommandBarButtonEvents::Iid};
    ControlSubscription m_about{107, office::_CommandBarButtonEvents::Iid};
    ControlSubscription m_options{111, office::_CommandBarButtonEvents::Iid};
    ControlSubscription m_help{109, office::_CommandBarButtonEvents::Iid};
    ControlSubscription m_website{110, office::_CommandBarButtonEvents::Iid};
};

// The Click subscriptions of one tag button: id 112 is Word's (Browse Tags for
// documents), id 113 PowerPoint's (Browse Tags for presentations).
class TagButtonHandler {
public:
    TagButtonHandler(OfficeApplication* pOwner, office::CommandBarButtonPtr spButton, std::string strTag);
    TagButtonHandler(const TagButtonHandler&) = delete;
    TagButtonHandler& operator=(const TagButtonHandler&) = delete;

    void AdviseWord();
    void AdvisePowerPoint();
    const std::string& Tag() const { return m_strTag; }
    const office::CommandBarButtonPtr& Button() const { return m_spButton; }

    ControlSubscription m_wordClick{112, office::_CommandBarButtonEvents::Iid};
    ControlSubscription m_powerPointClick{113, office::_CommandBarButtonEvents::Iid};

private:
    OfficeApplication* m_pOwner;
    office::CommandBarButtonPtr m_spButton;
    std::string m_strTag;
};

// The Change subscription of the "Search tags" box.
class SearchBoxHandler {
public:
    SearchBoxHandler() = default;
    SearchBoxHandler(const SearchBoxHandler&) = delete;
    SearchBoxHandler& operator=(const SearchBoxHandler&) = delete;

    // Ends the current subscription and subscribes to `spComboBox` for `pOwner`.
    void Reset(OfficeApplication* pOwner, office::CommandBarComboBoxPtr spComboBox);
    const office::CommandBarComboBoxPtr& ComboBox() const { return m_spComboBox; }
    // Reads the entry; anything but the "Search tags" text goes to the list and
    // opens the Browse Tags dialog for presentations with it.
    void OnChange();

    ControlSubscription m_change{1, office::_CommandBarComboBoxEvents::Iid};

private:
    OfficeApplication* m_pOwner = nullptr;
    office::CommandBarComboBoxPtr m_spComboBox;
};

} // namespace quillmark
