#pragma once
// The wizard model's actions as one GAction group, "wizard", named after the
// model's operations ("wizard.continueToName", "wizard.previousScreen", …).
// Buttons name an action; whether it may run is decided in one place,
// updateWizardActions, from the model's state, and a disabled action disables
// (and the style sheet dims) its buttons.

#include <gio/gio.h>

#include "frontend/wizard_model.hpp"
#include "platform/gobject_ptr.hpp"

namespace views {

inline constexpr const char* kWizardActionPrefix = "wizard";

// `model` must outlive the group's use (the content view owns both).
platform::GRef<GSimpleActionGroup> createWizardActions(frontend::WizardModel& model);
void updateWizardActions(GSimpleActionGroup* group, const frontend::WizardModel& model);

}  // namespace views
