#include "resources/menus.h"

#include <map>

namespace quillmark {

const MenuTemplate* FindMenuTemplate(int id)
{
    static const std::map<int, MenuTemplate> menus = {
        {IDR_FILEMENU,
         {IDR_FILEMENU,
          "File",
          {
              {ID_FILE_SHOWINEXPLORER, "Show File in Explorer"},
              {ID_FILE_REMOVEENTRY, "Remove Entry From List"},
              {0, ""},
              {ID_FILE_PROPERTIES, "Properties"},
          }}},
    };
    auto it = menus.find(id);
    return it == menus.end() ? nullptr : &it->second;
}

} // namespace quillmark
