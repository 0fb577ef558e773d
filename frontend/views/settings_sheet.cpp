#include "frontend/views/settings_sheet.hpp"

// Placeholder until the settings sheet lands: nothing to show, so it is gone at once.
void nimbrel_present_settings_sheet(GtkWindow*, frontend::SigningSettings&, std::function<void()> dismissed) {
  if (dismissed) dismissed();
}
