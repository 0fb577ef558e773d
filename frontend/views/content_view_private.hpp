#pragma once
// ContentView's C++ side, for tests and benchmarks: a view over services of
// the caller's choosing, its model, and its parts.

#include <functional>
#include <memory>

#include "frontend/views/content_view.hpp"
#include "frontend/wizard_model.hpp"

using NimbrelServicesFactory = std::function<std::unique_ptr<frontend::WizardServices>(GtkWidget* host)>;

GtkWidget* nimbrel_content_view_new_with_services(GCancellable* cancellable, NimbrelServicesFactory makeServices);
frontend::WizardModel& nimbrel_content_view_get_model(NimbrelContentView* self);
// The Screen frame of screen `index` (a value of selectedView).
GtkWidget* nimbrel_content_view_get_screen(NimbrelContentView* self, int index);
GtkWidget* nimbrel_content_view_get_back_item(NimbrelContentView* self);
GtkWidget* nimbrel_content_view_get_configure_item(NimbrelContentView* self);
