#include "runtime/file_input.hpp"

#include "runtime/file_input_script.hpp"
#include "runtime/menus.hpp"

namespace runlet {

std::string fileInputScript() { return replacingAll(kFileInputScriptSource, "NBL_HANDLER_NAME", kFileInputMessageName); }

}  // namespace runlet
