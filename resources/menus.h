#pragma once
// The menu resources: pop-up menus as data, each item with its command id and text.
#include <string>
#include <vector>

namespace quillmark {

struct MenuItemTemplate {
    int id = 0; // the command sent when chosen; 0 for a separator
    std::string text;
};

struct MenuTemplate {
    int id = 0;
    std::string text; // the pop-up's own caption ("File")
    std::vector<MenuItemTemplate> items;
};

// The File menu of the Browse Tags dialogs and its commands.
inline constexpr int IDR_FILEMENU = 206;
inline constexpr int ID_FILE_SHOWINEXPLORER = 32770;
inline constexpr int ID_FILE_REMOVEENTRY = 32775;
inline constexpr int ID_FILE_PROPERTIES = 32776;

// The menu with resource id `id`; null when there is none.
const MenuTemplate* FindMenuTemplate(int id);

} // namespace quillmark
