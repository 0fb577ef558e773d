// Save and build screen: "Create application", the last build's error, where
// to save, and the signing line read from the settings; while a build runs,
// only its progress.
#include "frontend/views/nice_button.hpp"
#include "frontend/views/screen.hpp"
#include "frontend/views/screen_view.hpp"
#include "frontend/views/symbols.hpp"

namespace views {
namespace {

using frontend::WizardField;
namespace text = frontend::wizard_text;

GtkWidget* symbolLine(const char* symbol, GtkWidget** label, GtkWidget** image) {
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  *image = gtk_image_new_from_icon_name(iconNameForSymbol(symbol));
  gtk_box_append(GTK_BOX(row), *image);
  *label = gtk_label_new(nullptr);
  gtk_label_set_wrap(GTK_LABEL(*label), true);
  gtk_label_set_xalign(GTK_LABEL(*label), 0);
  gtk_widget_set_hexpand(*label, true);
  gtk_box_append(GTK_BOX(row), *label);
  return row;
}

class SaveScreen final : public ScreenView {
 public:
  explicit SaveScreen(frontend::WizardModel&) {
    GtkWidget* stack = gtk_stack_new();
    gtk_stack_set_vhomogeneous(GTK_STACK(stack), false);
    stack_ = GTK_STACK(stack);

    GtkWidget* form = makeColumn(0, 380);
    gtk_box_append(GTK_BOX(form), nimbrel_nice_button_new(text::createApplication.label,
                                                          text::createApplication.symbol, false, false,
                                                          "wizard.startCreate"));
    GtkWidget* errorImage = nullptr;
    error_ = symbolLine(text::errorSymbol, &errorLabel_, &errorImage);
    gtk_widget_add_css_class(error_, "generation-error");
    errorFrame_ = clampedWidth(error_, 300);
    for (auto setMargin : {gtk_widget_set_margin_top, gtk_widget_set_margin_bottom, gtk_widget_set_margin_start,
                           gtk_widget_set_margin_end}) {
      setMargin(errorFrame_, 5);
    }
    gtk_box_append(GTK_BOX(form), errorFrame_);

    GtkWidget* where = gtk_label_new(text::chooseWhereToSave);
    gtk_widget_add_css_class(where, "save-hint");
    gtk_label_set_wrap(GTK_LABEL(where), true);
    gtk_label_set_justify(GTK_LABEL(where), GTK_JUSTIFY_CENTER);
    GtkWidget* whereFrame = clampedWidth(where, 200);
    gtk_widget_set_margin_top(whereFrame, 24);
    gtk_box_append(GTK_BOX(form), whereFrame);

    signing_ = symbolLine(text::adhocSigning.symbol, &signingLabel_, &signingImage_);
    gtk_widget_add_css_class(signing_, "signing-line");
    GtkWidget* signingFrame = clampedWidth(signing_, 260);
    gtk_widget_set_margin_top(signingFrame, 8);
    gtk_box_append(GTK_BOX(form), signingFrame);
    gtk_stack_add_named(stack_, form, "form");

    GtkWidget* progress = makeColumn(12, 380);
    GtkWidget* spinner = gtk_spinner_new();
    gtk_widget_set_size_request(spinner, 32, 32);
    gtk_spinner_start(GTK_SPINNER(spinner));
    gtk_box_append(GTK_BOX(progress), spinner);
    status_ = gtk_label_new(nullptr);
    gtk_label_set_wrap(GTK_LABEL(status_), true);
    gtk_label_set_justify(GTK_LABEL(status_), GTK_JUSTIFY_CENTER);
    gtk_box_append(GTK_BOX(progress), status_);
    gtk_stack_add_named(stack_, progress, "progress");

    auto info = frontend::screenInfo(frontend::saveScreen);
    screen_ = nimbrel_screen_new(info->hint.c_str(), info->showBackground, stack);
  }

  void update(const frontend::WizardModel& model, const frontend::WizardChanges& changes) override {
    const frontend::BuildStep& build = model.build();
    gtk_stack_set_visible_child_name(stack_, build.isGenerating() ? "progress" : "form");
    if (changes.contains(WizardField::generationStatus)) {
      gtk_label_set_text(GTK_LABEL(status_), build.generationStatus().c_str());
    }
    const auto& error = build.generationError();
    gtk_widget_set_visible(errorFrame_, error.has_value());
    gtk_label_set_text(GTK_LABEL(errorLabel_), error ? error->c_str() : "");
    // The settings may have changed anywhere; the line is cheap to re-read.
    frontend::LabelledSymbol line = build.signingLine();
    gtk_label_set_text(GTK_LABEL(signingLabel_), line.label);
    gtk_image_set_from_icon_name(GTK_IMAGE(signingImage_), iconNameForSymbol(line.symbol));
  }

 private:
  GtkStack* stack_ = nullptr;
  GtkWidget* error_ = nullptr;
  GtkWidget* errorFrame_ = nullptr;
  GtkWidget* errorLabel_ = nullptr;
  GtkWidget* signing_ = nullptr;
  GtkWidget* signingLabel_ = nullptr;
  GtkWidget* signingImage_ = nullptr;
  GtkWidget* status_ = nullptr;
};

}  // namespace

std::unique_ptr<ScreenView> makeSaveScreen(frontend::WizardModel& model) { return std::make_unique<SaveScreen>(model); }

}  // namespace views
