// Website screen: the address field (typed, or dropped web addresses and
// text), "Continue", and the "or start from" choices.
#include "frontend/views/drop_values.hpp"
#include "frontend/views/nice_button.hpp"
#include "frontend/views/nice_text_field.hpp"
#include "frontend/views/screen.hpp"
#include "frontend/views/screen_view.hpp"

namespace views {
namespace {

using frontend::WizardField;
namespace text = frontend::wizard_text;

GtkWidget* dividerLine() {
  GtkWidget* line = gtk_separator_new(GTK_ORIENTATION_HORIZONTAL);
  gtk_widget_add_css_class(line, "start-from-line");
  gtk_widget_set_hexpand(line, true);
  gtk_widget_set_valign(line, GTK_ALIGN_CENTER);
  return line;
}

class WebsiteScreen final : public ScreenView {
 public:
  explicit WebsiteScreen(frontend::WizardModel& model) : model_(model) {
    GtkWidget* column = makeColumn(18, 360);
    field_ = nimbrel_nice_text_field_new(text::websiteField);
    gtk_box_append(GTK_BOX(column), field_);
    GtkEntry* entry = entry_ = nimbrel_nice_text_field_get_entry(NIMBREL_NICE_TEXT_FIELD(field_));
    gtk_entry_set_input_purpose(entry, GTK_INPUT_PURPOSE_URL);
    gtk_widget_set_name(GTK_WIDGET(entry), "website-field");
    nimbrel_nice_text_field_on_edited(NIMBREL_NICE_TEXT_FIELD(field_),
                                      [this](const char* text) { model_.editUrl(text); });
    g_signal_connect(entry, "activate", G_CALLBACK(+[](GtkEntry*, gpointer self) {
                       static_cast<WebsiteScreen*>(self)->model_.submitUrl();
                     }),
                     this);
    // Capture, so a dropped address replaces the text instead of being inserted by the entry itself.
    GtkDropTarget* drop = gtk_drop_target_new(G_TYPE_INVALID, GDK_ACTION_COPY);
    GType types[] = {webAddressType(), G_TYPE_STRING};
    gtk_drop_target_set_gtypes(drop, types, G_N_ELEMENTS(types));
    gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(drop), GTK_PHASE_CAPTURE);
    g_signal_connect(drop, "drop", G_CALLBACK(dropped), this);
    gtk_widget_add_controller(GTK_WIDGET(entry), GTK_EVENT_CONTROLLER(drop));

    gtk_box_append(GTK_BOX(column),
                   nimbrel_nice_button_new(text::continueButton.label, text::continueButton.symbol, true, true,
                                           "wizard.continueToName"));

    GtkWidget* divider = makeRow(10);
    gtk_widget_set_halign(divider, GTK_ALIGN_FILL);
    gtk_box_append(GTK_BOX(divider), dividerLine());
    GtkWidget* caption = gtk_label_new(text::startFromCaption);
    gtk_widget_add_css_class(caption, "start-from-caption");
    gtk_box_append(GTK_BOX(divider), caption);
    gtk_box_append(GTK_BOX(divider), dividerLine());
    gtk_box_append(GTK_BOX(column), divider);

    GtkWidget* choices = makeRow(12);
    gtk_widget_set_halign(choices, GTK_ALIGN_FILL);
    gtk_box_set_homogeneous(GTK_BOX(choices), true);
    gtk_box_append(GTK_BOX(choices), nimbrel_nice_button_new(text::favorites.label, text::favorites.symbol, false,
                                                             true, "wizard.showFavorites"));
    gtk_box_append(GTK_BOX(choices), nimbrel_nice_button_new(text::localFolder.label, text::localFolder.symbol,
                                                             false, true, "wizard.chooseLocalFolder"));
    gtk_box_append(GTK_BOX(column), choices);

    auto info = frontend::screenInfo(frontend::websiteScreen);
    screen_ = nimbrel_screen_new(info->hint.c_str(), info->showBackground, column);
  }

  void update(const frontend::WizardModel& model, const frontend::WizardChanges& changes) override {
    if (changes.contains(WizardField::inputUrl)) {
      nimbrel_nice_text_field_set_text(NIMBREL_NICE_TEXT_FIELD(field_), model.inputUrl());
    }
  }

  GtkWidget* initialFocus() const override { return GTK_WIDGET(entry_); }

 private:
  static gboolean dropped(GtkDropTarget*, const GValue* value, double, double, gpointer data) {
    auto item = dropItemFromValue(value);
    if (!item) return false;
    return static_cast<WebsiteScreen*>(data)->model_.acceptURLDrop({*item});
  }

  frontend::WizardModel& model_;
  GtkWidget* field_ = nullptr;
  GtkEntry* entry_ = nullptr;
};

}  // namespace

std::unique_ptr<ScreenView> makeWebsiteScreen(frontend::WizardModel& model) {
  return std::make_unique<WebsiteScreen>(model);
}

}  // namespace views
