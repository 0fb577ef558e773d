#pragma once
// NiceTextField: a caption above a text field in 20-point white text, outlined
// in white with round ends; no placeholder, no spell-checking, a white caret.
// Callers hear of the user's edits through `onEdited`, connect to the entry's
// own "activate" signal and attach their drop targets to it.

#include <gtk/gtk.h>

#include <functional>
#include <string>

G_BEGIN_DECLS
#define NIMBREL_TYPE_NICE_TEXT_FIELD (nimbrel_nice_text_field_get_type())
G_DECLARE_FINAL_TYPE(NimbrelNiceTextField, nimbrel_nice_text_field, NIMBREL, NICE_TEXT_FIELD, GtkWidget)
G_END_DECLS

GtkWidget* nimbrel_nice_text_field_new(const char* label);
GtkEntry* nimbrel_nice_text_field_get_entry(NimbrelNiceTextField* self);
// Runs after every edit of the text, except those made by set_text.
void nimbrel_nice_text_field_on_edited(NimbrelNiceTextField* self, std::function<void(const char* text)> edited);
// Shows `text` unless the field already holds it, so the caret stays where the user left it.
void nimbrel_nice_text_field_set_text(NimbrelNiceTextField* self, const std::string& text);
