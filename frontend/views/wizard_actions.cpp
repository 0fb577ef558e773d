#include "frontend/views/wizard_actions.hpp"

#include <array>

namespace views {
namespace {

using Operation = void (*)(frontend::WizardModel&);

struct WizardAction {
  const char* name;
  Operation operation;
};

constexpr std::array<WizardAction, 13> kActions{{
    {"continueToName", [](frontend::WizardModel& m) { m.continueToName(); }},
    {"showFavorites", [](frontend::WizardModel& m) { m.showFavorites(); }},
    {"chooseLocalFolder", [](frontend::WizardModel& m) { m.chooseLocalFolder(); }},
    {"nameNext", [](frontend::WizardModel& m) { m.nameNext(); }},
    {"fetchIcon", [](frontend::WizardModel& m) { m.fetchIcon(); }},
    {"resetIcon", [](frontend::WizardModel& m) { m.icon().resetIcon(); }},
    {"iconNext", [](frontend::WizardModel& m) { m.iconNext(); }},
    {"startCreate", [](frontend::WizardModel& m) { m.startCreate(); }},
    {"openGeneratedApp", [](frontend::WizardModel& m) { m.build().openGeneratedApp(); }},
    {"revealGeneratedApp", [](frontend::WizardModel& m) { m.build().revealGeneratedApp(); }},
    {"resetWizard", [](frontend::WizardModel& m) { m.resetWizard(); }},
    {"previousScreen", [](frontend::WizardModel& m) { m.previousScreen(); }},
    {"configureFavorite", [](frontend::WizardModel& m) { m.configureFavorite(); }},
}};

struct Binding {
  frontend::WizardModel* model;
  Operation operation;
};

void activated(GSimpleAction*, GVariant*, gpointer data) {
  auto* binding = static_cast<Binding*>(data);
  binding->operation(*binding->model);
}

void setEnabled(GSimpleActionGroup* group, const char* name, bool enabled) {
  GAction* action = g_action_map_lookup_action(G_ACTION_MAP(group), name);
  if (action) g_simple_action_set_enabled(G_SIMPLE_ACTION(action), enabled);
}

}  // namespace

platform::GRef<GSimpleActionGroup> createWizardActions(frontend::WizardModel& model) {
  auto group = platform::adoptGRef(g_simple_action_group_new());
  for (const WizardAction& entry : kActions) {
    auto action = platform::adoptGRef(g_simple_action_new(entry.name, nullptr));
    g_signal_connect_data(action.get(), "activate", G_CALLBACK(activated), new Binding{&model, entry.operation},
                          [](gpointer data, GClosure*) { delete static_cast<Binding*>(data); }, GConnectFlags(0));
    g_action_map_add_action(G_ACTION_MAP(group.get()), G_ACTION(action.get()));
  }
  updateWizardActions(group.get(), model);
  return group;
}

void updateWizardActions(GSimpleActionGroup* group, const frontend::WizardModel& model) {
  setEnabled(group, "continueToName", model.urlIsValid());
  setEnabled(group, "nameNext", model.nameIsValid());
  setEnabled(group, "iconNext", model.nameIsValid());
  setEnabled(group, "fetchIcon", !model.useLocalFolder() && !model.icon().isFetchingIcon());
  setEnabled(group, "resetIcon", model.icon().iconIsValid());
  setEnabled(group, "startCreate", !model.build().isGenerating());
  setEnabled(group, "openGeneratedApp", model.build().generatedAppURL().has_value());
  setEnabled(group, "revealGeneratedApp", model.build().generatedAppURL().has_value());
  setEnabled(group, "previousScreen", model.backVisible());
  setEnabled(group, "configureFavorite", model.configureVisible());
}

}  // namespace views
