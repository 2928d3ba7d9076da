// The files of the page (app/web/), built into the program.
#pragma once

#include <string_view>

namespace app::web {

struct Asset {
    std::string_view name;  // "index.html"
    std::string_view type;  // its content type
    std::string_view body;
};

// The asset of that name; null when there is none.
const Asset* findAsset(std::string_view name);

}  // namespace app::web
