// Name screen: the app's name and "Next", shown once the name has a character.
#include "frontend/views/nice_button.hpp"
#include "frontend/views/nice_text_field.hpp"
#include "frontend/views/screen.hpp"
#include "frontend/views/screen_view.hpp"

namespace views {
namespace {

using frontend::WizardField;
namespace text = frontend::wizard_text;

class NameScreen final : public ScreenView {
 public:
  explicit NameScreen(frontend::WizardModel& model) : model_(model) {
    GtkWidget* column = makeColumn(4);
    field_ = nimbrel_nice_text_field_new(text::nameField);
    gtk_widget_set_size_request(field_, 350, -1);
    gtk_box_append(GTK_BOX(column), field_);
    entry_ = nimbrel_nice_text_field_get_entry(NIMBREL_NICE_TEXT_FIELD(field_));
    nimbrel_nice_text_field_on_edited(NIMBREL_NICE_TEXT_FIELD(field_),
                                      [this](const char* text) { model_.editName(text); });
    next_ = nimbrel_nice_button_new(text::next.label, text::next.symbol, false, false, "wizard.nameNext");
    gtk_box_append(GTK_BOX(column), next_);
    auto info = frontend::screenInfo(frontend::nameScreen);
    screen_ = nimbrel_screen_new(info->hint.c_str(), info->showBackground, column);
  }

  void update(const frontend::WizardModel& model, const frontend::WizardChanges& changes) override {
    if (changes.contains(WizardField::inputName)) {
      nimbrel_nice_text_field_set_text(NIMBREL_NICE_TEXT_FIELD(field_), model.inputName());
    }
    if (changes.contains(WizardField::nameIsValid)) {
      nimbrel_nice_button_set_is_visible(NIMBREL_NICE_BUTTON(next_), model.nameIsValid());
    }
  }

  GtkWidget* initialFocus() const override { return GTK_WIDGET(entry_); }

 private:
  frontend::WizardModel& model_;
  GtkWidget* field_ = nullptr;
  GtkEntry* entry_ = nullptr;
  GtkWidget* next_ = nullptr;
};

}  // namespace

std::unique_ptr<ScreenView> makeNameScreen(frontend::WizardModel& model) { return std::make_unique<NameScreen>(model); }

}  // namespace views
