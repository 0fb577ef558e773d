#include "frontend/views/nice_text_field.hpp"

#include "frontend/views/view_type.hpp"

struct NimbrelNiceTextFieldPrivate {
  GtkWidget* entry = nullptr;
  std::function<void(const char*)> edited;
  // Replacing the text deletes and then inserts; the half-way empty text is no edit.
  bool settingText = false;
};

NIMBREL_DEFINE_FINAL_TYPE(NimbrelNiceTextField, nimbrel_nice_text_field, GTK_TYPE_WIDGET, GtkWidget)

static void nimbrel_nice_text_field_dispose(GObject* object) {
  auto* self = NIMBREL_NICE_TEXT_FIELD(object);
  while (GtkWidget* child = gtk_widget_get_first_child(GTK_WIDGET(self))) gtk_widget_unparent(child);
  self->priv->entry = nullptr;
  G_OBJECT_CLASS(nimbrel_nice_text_field_parent_class)->dispose(object);
}

static void nimbrel_nice_text_field_class_setup(NimbrelNiceTextFieldClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = nimbrel_nice_text_field_dispose;
  gtk_widget_class_set_layout_manager_type(GTK_WIDGET_CLASS(klass), GTK_TYPE_BOX_LAYOUT);
  gtk_widget_class_set_css_name(GTK_WIDGET_CLASS(klass), "nicetextfield");
}

static void nimbrel_nice_text_field_setup(NimbrelNiceTextField* self) {
  gtk_orientable_set_orientation(GTK_ORIENTABLE(gtk_widget_get_layout_manager(GTK_WIDGET(self))),
                                 GTK_ORIENTATION_VERTICAL);
  gtk_box_layout_set_spacing(GTK_BOX_LAYOUT(gtk_widget_get_layout_manager(GTK_WIDGET(self))), 8);
}

GtkWidget* nimbrel_nice_text_field_new(const char* label) {
  auto* self = NIMBREL_NICE_TEXT_FIELD(g_object_new(NIMBREL_TYPE_NICE_TEXT_FIELD, nullptr));
  GtkWidget* caption = gtk_label_new(label);
  gtk_widget_add_css_class(caption, "nice-caption");
  gtk_widget_set_parent(caption, GTK_WIDGET(self));

  GtkWidget* entry = gtk_entry_new();
  gtk_widget_add_css_class(entry, "nice-text-field");
  gtk_entry_set_input_hints(GTK_ENTRY(entry), GtkInputHints(GTK_INPUT_HINT_NO_SPELLCHECK | GTK_INPUT_HINT_NO_EMOJI));
  gtk_accessible_update_property(GTK_ACCESSIBLE(entry), GTK_ACCESSIBLE_PROPERTY_LABEL, label, -1);
  gtk_widget_set_parent(entry, GTK_WIDGET(self));
  self->priv->entry = entry;
  g_signal_connect(entry, "changed", G_CALLBACK(+[](GtkEditable* editable, gpointer data) {
                     auto* priv = NIMBREL_NICE_TEXT_FIELD(data)->priv;
                     if (!priv->settingText && priv->edited) priv->edited(gtk_editable_get_text(editable));
                   }),
                   self);
  return GTK_WIDGET(self);
}

GtkEntry* nimbrel_nice_text_field_get_entry(NimbrelNiceTextField* self) { return GTK_ENTRY(self->priv->entry); }

void nimbrel_nice_text_field_set_text(NimbrelNiceTextField* self, const std::string& text) {
  GtkEditable* editable = GTK_EDITABLE(self->priv->entry);
  if (text == gtk_editable_get_text(editable)) return;
  self->priv->settingText = true;
  gtk_editable_set_text(editable, text.c_str());
  self->priv->settingText = false;
}

void nimbrel_nice_text_field_on_edited(NimbrelNiceTextField* self, std::function<void(const char*)> edited) {
  self->priv->edited = std::move(edited);
}
