#include "frontend/views/wizard_actions.hpp"

#include <array>

namespace views {
namespace {

using Operation = void (frontend::WizardModel::*)();

struct ActionSpec {
  const char* name;
  Operation operation;
};

constexpr std::array<ActionSpec, 13> kActions{{
    {"continueToName", &frontend::WizardModel::continueToName},
    {"showFavorites", &frontend::WizardModel::showFavorites},
    {"chooseLocalFolder", &frontend::WizardModel::chooseLocalFolder},
    {"nameNext", &frontend::WizardModel::nameNext},
    {"fetchIcon", &frontend::WizardModel::fetchIcon},
    {"resetIcon", &frontend::WizardModel::resetIcon},
    {"iconNext", &frontend::WizardModel::iconNext},
    {"startCreate", &frontend::WizardModel::startCreate},
    {"openGeneratedApp", &frontend::WizardModel::openGeneratedApp},
    {"revealGeneratedApp", &frontend::WizardModel::revealGeneratedApp},
    {"resetWizard", &frontend::WizardModel::resetWizard},
    {"previousScreen", &frontend::WizardModel::previousScreen},
    {"configureFavorite", &frontend::WizardModel::configureFavorite},
}};

struct Binding {
  frontend::WizardModel* model;
  Operation operation;
};

void activated(GSimpleAction*, GVariant*, gpointer data) {
  auto* binding = static_cast<Binding*>(data);
  (binding->model->*binding->operation)();
}

void setEnabled(GSimpleActionGroup* group, const char* name, bool enabled) {
  GAction* action = g_action_map_lookup_action(G_ACTION_MAP(group), name);
  if (action) g_simple_action_set_enabled(G_SIMPLE_ACTION(action), enabled);
}

}  // namespace

platform::GRef<GSimpleActionGroup> createWizardActions(frontend::WizardModel& model) {
  auto group = platform::adoptGRef(g_simple_action_group_new());
  for (const ActionSpec& spec : kActions) {
    auto action = platform::adoptGRef(g_simple_action_new(spec.name, nullptr));
    g_signal_connect_data(action.get(), "activate", G_CALLBACK(activated), new Binding{&model, spec.operation},
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
  setEnabled(group, "fetchIcon", !model.useLocalFolder() && !model.isFetchingIcon());
  setEnabled(group, "resetIcon", model.iconIsValid());
  setEnabled(group, "startCreate", !model.isGenerating());
  setEnabled(group, "openGeneratedApp", model.generatedAppURL().has_value());
  setEnabled(group, "revealGeneratedApp", model.generatedAppURL().has_value());
  setEnabled(group, "previousScreen", model.backVisible());
  setEnabled(group, "configureFavorite", model.configureVisible());
}

}  // namespace views
