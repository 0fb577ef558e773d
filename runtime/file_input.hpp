#pragma once
// The page tells which kind of chooser its file input wants: WebKitGTK's
// chooser request says whether several files may be picked but not whether
// the input takes folders (the "webkitdirectory" attribute).

#include <string>
#include <string_view>

namespace runlet {

inline constexpr std::string_view kFileInputMessageName = "nblFileInput";

std::string fileInputScript();

}  // namespace runlet
