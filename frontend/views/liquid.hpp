#pragma once
// Liquid: one animated blob, a smooth closed curve through points on the
// ellipse inscribed in its frame, gliding to new random points every period.
// It is drawn centred in its allocation at its own frame size (it may spill
// over; it never asks for space), filled with the CSS colour of the widget at
// `fillOpacity` (cheaper than the widget's own opacity, which needs an
// offscreen pass every frame).
// It moves only while it is mapped in a window that is shown and not
// minimised, and resumes from where it stopped.

#include <gtk/gtk.h>

#include "blobs/animatable_array.hpp"

G_BEGIN_DECLS
#define NIMBREL_TYPE_LIQUID (nimbrel_liquid_get_type())
G_DECLARE_FINAL_TYPE(NimbrelLiquid, nimbrel_liquid, NIMBREL, LIQUID, GtkWidget)
G_END_DECLS

GtkWidget* nimbrel_liquid_new(int samples, double period, int frameWidth, int frameHeight, double fillOpacity = 1);

// The angles drawn in the next frame.
blobs::AnimatableArray nimbrel_liquid_get_radians(NimbrelLiquid* self);
bool nimbrel_liquid_is_animating(NimbrelLiquid* self);
// Frames drawn so far (for benchmarks).
guint64 nimbrel_liquid_get_frames_drawn(NimbrelLiquid* self);
