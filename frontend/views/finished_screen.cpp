// Finished screen: the new app's icon, name and source, with "Open", the file
// manager and "Create another app".
#include "frontend/views/icon_view.hpp"
#include "frontend/views/nice_button.hpp"
#include "frontend/views/screen.hpp"
#include "frontend/views/screen_view.hpp"

namespace views {
namespace {

using frontend::WizardField;
namespace text = frontend::wizard_text;

class FinishedScreen final : public ScreenView {
 public:
  explicit FinishedScreen(frontend::WizardModel&) {
    GtkWidget* column = makeColumn(12, 360);
    GtkWidget* circle = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_widget_add_css_class(circle, "finished-icon-circle");
    gtk_widget_set_size_request(circle, 96, 96);
    gtk_widget_set_halign(circle, GTK_ALIGN_CENTER);
    picture_ = nimbrel_icon_view_new(64, "App icon");
    gtk_widget_set_vexpand(picture_, true);
    gtk_box_append(GTK_BOX(circle), picture_);
    gtk_box_append(GTK_BOX(column), circle);

    title_ = gtk_label_new(nullptr);
    gtk_widget_add_css_class(title_, "finished-title");
    gtk_label_set_wrap(GTK_LABEL(title_), true);
    gtk_label_set_justify(GTK_LABEL(title_), GTK_JUSTIFY_CENTER);
    gtk_box_append(GTK_BOX(column), title_);

    subtitle_ = gtk_label_new(nullptr);
    gtk_widget_add_css_class(subtitle_, "finished-subtitle");
    gtk_widget_set_name(subtitle_, "finished-subtitle");
    gtk_label_set_ellipsize(GTK_LABEL(subtitle_), PANGO_ELLIPSIZE_MIDDLE);
    gtk_label_set_single_line_mode(GTK_LABEL(subtitle_), true);
    gtk_box_append(GTK_BOX(column), clampedWidth(subtitle_, 320));

    GtkWidget* row = makeRow(12);
    gtk_widget_set_halign(row, GTK_ALIGN_FILL);
    gtk_box_set_homogeneous(GTK_BOX(row), true);
    gtk_box_append(GTK_BOX(row),
                   nimbrel_nice_button_new(text::open.label, text::open.symbol, false, true, "wizard.openGeneratedApp"));
    gtk_box_append(GTK_BOX(row), nimbrel_nice_button_new(text::showInFinder.label, text::showInFinder.symbol, false,
                                                         true, "wizard.revealGeneratedApp"));
    gtk_box_append(GTK_BOX(column), row);
    gtk_box_append(GTK_BOX(column), nimbrel_nice_button_new(text::createAnother.label, text::createAnother.symbol,
                                                            false, true, "wizard.resetWizard"));

    auto info = frontend::screenInfo(frontend::finishedScreen);
    screen_ = nimbrel_screen_new(info->hint.c_str(), info->showBackground, column);
  }

  void update(const frontend::WizardModel& model, const frontend::WizardChanges& changes) override {
    if (changes.contains(WizardField::inputIcon)) {
      nimbrel_icon_view_set_image(NIMBREL_ICON_VIEW(picture_), model.icon().inputIcon());
    }
    gtk_label_set_text(GTK_LABEL(title_), model.finishedTitle().c_str());
    std::string subtitle = model.finishedSubtitle();
    gtk_label_set_text(GTK_LABEL(subtitle_), subtitle.c_str());
    gtk_widget_set_tooltip_text(subtitle_, subtitle.c_str());
  }

 private:
  GtkWidget* picture_ = nullptr;
  GtkWidget* title_ = nullptr;
  GtkWidget* subtitle_ = nullptr;
};

}  // namespace

std::unique_ptr<ScreenView> makeFinishedScreen(frontend::WizardModel& model) {
  return std::make_unique<FinishedScreen>(model);
}

}  // namespace views
