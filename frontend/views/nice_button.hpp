#pragma once
// NiceButton: the wizard's large rounded button, a symbol and a title in a row
// 44 high. Prominent buttons are filled white with an accent-coloured title;
// the others are translucent with a white outline. Hovering grows it to 1.03
// with a spring. A button that is not visible is drawn fully transparent,
// takes no clicks, hover or focus, and keeps its place.
//
// Clicks run a widget action (`actionName`), so a disabled action disables
// the button; the style sheet dims a disabled button.

#include <gtk/gtk.h>

G_BEGIN_DECLS
#define NIMBREL_TYPE_NICE_BUTTON (nimbrel_nice_button_get_type())
G_DECLARE_FINAL_TYPE(NimbrelNiceButton, nimbrel_nice_button, NIMBREL, NICE_BUTTON, GtkWidget)
G_END_DECLS

// `symbol` is a symbol name of the wizard ("arrow.right").
GtkWidget* nimbrel_nice_button_new(const char* label, const char* symbol, bool prominent, bool fillWidth,
                                   const char* actionName);

void nimbrel_nice_button_set_is_visible(NimbrelNiceButton* self, bool visible);
bool nimbrel_nice_button_get_is_visible(NimbrelNiceButton* self);
bool nimbrel_nice_button_get_is_hover(NimbrelNiceButton* self);
// The scale the button is drawn at right now (1.0 to 1.03 while the spring runs).
double nimbrel_nice_button_get_scale(NimbrelNiceButton* self);
// The clickable face (a GtkButton) inside the button.
GtkWidget* nimbrel_nice_button_get_face(NimbrelNiceButton* self);
