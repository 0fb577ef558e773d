#pragma once
// One wizard screen over the wizard model: it builds its widgets inside a
// Screen frame once, sends the user's input to the model's actions, and
// re-reads what each change touched. Buttons run the "wizard." actions of
// wizard_actions.hpp. Main thread only.

#include <gtk/gtk.h>

#include <memory>

#include "frontend/wizard_images.hpp"
#include "frontend/wizard_model.hpp"

namespace views {

class ScreenView {
 public:
  virtual ~ScreenView() = default;
  // The Screen frame; owned by whoever it is added to.
  GtkWidget* widget() const { return screen_; }
  // Called once after construction with everything changed, then after each
  // change of the model.
  virtual void update(const frontend::WizardModel& model, const frontend::WizardChanges& changes) = 0;
  // Where the keyboard focus goes when the screen is shown (null: the first control).
  virtual GtkWidget* initialFocus() const { return nullptr; }

 protected:
  GtkWidget* screen_ = nullptr;
};

// A column of `spacing`, `width` points wide (any width when negative), centred.
GtkWidget* makeColumn(int spacing, int width = -1);
GtkWidget* makeRow(int spacing, int width = -1);
// `child` at most `width` points wide, centred (GTK has no maximum width of its own).
GtkWidget* clampedWidth(GtkWidget* child, int width);

std::unique_ptr<ScreenView> makeWebsiteScreen(frontend::WizardModel& model);
std::unique_ptr<ScreenView> makeNameScreen(frontend::WizardModel& model);
std::unique_ptr<ScreenView> makeIconScreen(frontend::WizardModel& model);
std::unique_ptr<ScreenView> makeSaveScreen(frontend::WizardModel& model);
std::unique_ptr<ScreenView> makeFavoritesScreen(frontend::WizardModel& model, const frontend::ImageLoader& imageNamed);
std::unique_ptr<ScreenView> makeFinishedScreen(frontend::WizardModel& model);

// A change that names every field: a screen's first update.
frontend::WizardChanges allChanges();

}  // namespace views
