#include "frontend/views/signing_settings_tab.hpp"

#include <string>

#include "frontend/views/view_type.hpp"

// The command that stores a notarization profile; the address is a placeholder.
static constexpr const char* kNotaryProfileCommand =
    "xcrun notarytool store-credentials \"profile name\" \\\n"
    "  --apple-id you@example.com --team-id TEAMID";

struct NimbrelSigningSettingsTabPrivate {
  frontend::SigningSettings* settings = nullptr;
  GtkSwitch* developerID = nullptr;
  GtkWidget* developerIDControls = nullptr;
  GtkEditable* identity = nullptr;
  GtkSwitch* notarize = nullptr;
  GtkWidget* notaryControls = nullptr;
  GtkEditable* profile = nullptr;
  frontend::Connection changed;
};

NIMBREL_DEFINE_FINAL_TYPE(NimbrelSigningSettingsTab, nimbrel_signing_settings_tab, GTK_TYPE_WIDGET, GtkWidget)

// Only what differs is set, so the text being typed keeps its cursor and a
// switch does not write back what it was just given.
static void showStored(GtkSwitch* control, bool stored) {
  if (gtk_switch_get_active(control) != stored) gtk_switch_set_active(control, stored);
}
static void showStored(GtkEditable* field, const std::string& stored) {
  if (stored != gtk_editable_get_text(field)) gtk_editable_set_text(field, stored.c_str());
}

static void refresh(NimbrelSigningSettingsTab* self) {
  auto* priv = self->priv;
  auto& settings = *priv->settings;
  bool useDeveloperID = settings.useDeveloperID();
  bool notarize = settings.notarize();
  showStored(priv->developerID, useDeveloperID);
  showStored(priv->identity, settings.identity());
  showStored(priv->notarize, notarize);
  showStored(priv->profile, settings.notaryProfile());
  gtk_widget_set_visible(priv->developerIDControls, useDeveloperID);
  gtk_widget_set_visible(priv->notaryControls, notarize);
}

static void switchToggled(GtkSwitch* control, GParamSpec*, gpointer data) {
  auto* priv = NIMBREL_SIGNING_SETTINGS_TAB(data)->priv;
  auto& settings = *priv->settings;
  bool value = gtk_switch_get_active(control);
  if (control == priv->developerID && settings.useDeveloperID() != value) settings.setUseDeveloperID(value);
  if (control == priv->notarize && settings.notarize() != value) settings.setNotarize(value);
}

static void textEdited(GtkEditable* field, gpointer data) {
  auto* priv = NIMBREL_SIGNING_SETTINGS_TAB(data)->priv;
  auto& settings = *priv->settings;
  std::string value = gtk_editable_get_text(field);
  if (field == priv->identity && settings.identity() != value) settings.setIdentity(value);
  if (field == priv->profile && settings.notaryProfile() != value) settings.setNotaryProfile(value);
}

static void nimbrel_signing_settings_tab_dispose(GObject* object) {
  NIMBREL_SIGNING_SETTINGS_TAB(object)->priv->changed.disconnect();
  gtk_widget_dispose_template(GTK_WIDGET(object), NIMBREL_TYPE_SIGNING_SETTINGS_TAB);
  while (GtkWidget* child = gtk_widget_get_first_child(GTK_WIDGET(object))) gtk_widget_unparent(child);
  G_OBJECT_CLASS(nimbrel_signing_settings_tab_parent_class)->dispose(object);
}

static void nimbrel_signing_settings_tab_class_setup(NimbrelSigningSettingsTabClass* klass) {
  auto* widgetClass = GTK_WIDGET_CLASS(klass);
  G_OBJECT_CLASS(klass)->dispose = nimbrel_signing_settings_tab_dispose;
  gtk_widget_class_set_layout_manager_type(widgetClass, GTK_TYPE_BIN_LAYOUT);
  gtk_widget_class_set_template_from_resource(widgetClass, "/co/corvan/nimbrel/signing_settings_tab.ui");
  for (const char* child : {"developer_id_switch", "developer_id_controls", "identity_entry", "notarize_switch",
                            "notary_controls", "profile_entry", "command_block"}) {
    gtk_widget_class_bind_template_child_full(widgetClass, child, FALSE, 0);
  }
}

static void nimbrel_signing_settings_tab_setup(NimbrelSigningSettingsTab* self) {
  auto* widget = GTK_WIDGET(self);
  gtk_widget_init_template(widget);
  auto child = [widget](const char* name) {
    return GTK_WIDGET(gtk_widget_get_template_child(widget, NIMBREL_TYPE_SIGNING_SETTINGS_TAB, name));
  };
  auto* priv = self->priv;
  priv->developerID = GTK_SWITCH(child("developer_id_switch"));
  priv->developerIDControls = child("developer_id_controls");
  priv->identity = GTK_EDITABLE(child("identity_entry"));
  priv->notarize = GTK_SWITCH(child("notarize_switch"));
  priv->notaryControls = child("notary_controls");
  priv->profile = GTK_EDITABLE(child("profile_entry"));
  gtk_label_set_text(GTK_LABEL(child("command_block")), kNotaryProfileCommand);
}

GtkWidget* nimbrel_signing_settings_tab_new(frontend::SigningSettings& settings) {
  auto* self = NIMBREL_SIGNING_SETTINGS_TAB(g_object_new(NIMBREL_TYPE_SIGNING_SETTINGS_TAB, nullptr));
  auto* priv = self->priv;
  priv->settings = &settings;
  refresh(self);
  g_signal_connect(priv->developerID, "notify::active", G_CALLBACK(switchToggled), self);
  g_signal_connect(priv->notarize, "notify::active", G_CALLBACK(switchToggled), self);
  g_signal_connect(priv->identity, "changed", G_CALLBACK(textEdited), self);
  g_signal_connect(priv->profile, "changed", G_CALLBACK(textEdited), self);
  priv->changed = settings.observe([self] { refresh(self); });
  return GTK_WIDGET(self);
}
