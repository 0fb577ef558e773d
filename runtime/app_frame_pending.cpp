// TEMPORARY until the user defaults land in main: frame memory is off.
#include "runtime/app_delegate.hpp"

namespace runlet {
void AppDelegate::restoreFrame() {}
void AppDelegate::saveFrame() {}
}  // namespace runlet
