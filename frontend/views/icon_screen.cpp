// Icon screen: the icon well (a drop target for picture files), fetching the
// website's icon or resetting it, and "Next".
#include "frontend/views/drop_values.hpp"
#include "frontend/views/icon_view.hpp"
#include "frontend/views/nice_button.hpp"
#include "frontend/views/screen.hpp"
#include "frontend/views/screen_view.hpp"

namespace views {
namespace {

using frontend::WizardField;
namespace text = frontend::wizard_text;

class IconScreen final : public ScreenView {
 public:
  explicit IconScreen(frontend::WizardModel& model) : icon_(model.icon()) {
    GtkWidget* column = makeColumn(0);
    GtkWidget* caption = gtk_label_new(text::iconCaption);
    gtk_widget_add_css_class(caption, "nice-caption");
    gtk_widget_set_margin_bottom(caption, 8);
    gtk_box_append(GTK_BOX(column), caption);

    GtkWidget* well = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_widget_add_css_class(well, "icon-well");
    gtk_widget_set_name(well, "icon-well");
    gtk_widget_set_size_request(well, 130, 130);
    gtk_widget_set_halign(well, GTK_ALIGN_CENTER);
    picture_ = nimbrel_icon_view_new(100, text::iconCaption);
    gtk_widget_set_vexpand(picture_, true);
    gtk_box_append(GTK_BOX(well), picture_);
    GtkDropTarget* drop = gtk_drop_target_new(G_TYPE_INVALID, GDK_ACTION_COPY);
    GType types[] = {GDK_TYPE_FILE_LIST, G_TYPE_FILE};
    gtk_drop_target_set_gtypes(drop, types, G_N_ELEMENTS(types));
    g_signal_connect(drop, "enter", G_CALLBACK(entered), this);
    g_signal_connect(drop, "leave", G_CALLBACK(left), this);
    g_signal_connect(drop, "drop", G_CALLBACK(dropped), this);
    gtk_widget_add_controller(well, GTK_EVENT_CONTROLLER(drop));
    // From the keyboard: focus the well and paste a picture file copied elsewhere.
    gtk_widget_set_focusable(well, true);
    gtk_accessible_update_property(GTK_ACCESSIBLE(well), GTK_ACCESSIBLE_PROPERTY_LABEL, text::iconCaption, -1);
    GtkEventController* keys = gtk_shortcut_controller_new();
    gtk_shortcut_controller_add_shortcut(GTK_SHORTCUT_CONTROLLER(keys),
                                         gtk_shortcut_new(gtk_shortcut_trigger_parse_string("<Control>v"),
                                                          gtk_callback_action_new(pasted, this, nullptr)));
    gtk_widget_add_controller(well, keys);
    gtk_box_append(GTK_BOX(column), well);

    GtkWidget* below = makeColumn(10);
    gtk_widget_set_margin_top(below, 6);
    buttonRow_ = makeRow(12, 360);
    gtk_widget_set_name(buttonRow_, "icon-button-row");
    gtk_box_set_homogeneous(GTK_BOX(buttonRow_), true);
    fetch_ = nimbrel_nice_button_new(text::fetchFromWebsite.label, text::fetchFromWebsite.symbol, false, true,
                                     "wizard.fetchIcon");
    reset_ = nimbrel_nice_button_new(text::resetIcon.label, text::resetIcon.symbol, false, true, "wizard.resetIcon");
    gtk_box_append(GTK_BOX(buttonRow_), fetch_);
    gtk_box_append(GTK_BOX(buttonRow_), reset_);
    gtk_box_append(GTK_BOX(below), buttonRow_);

    progressRow_ = makeRow(8);
    gtk_widget_set_size_request(progressRow_, -1, 44);
    GtkWidget* spinner = gtk_spinner_new();
    gtk_spinner_start(GTK_SPINNER(spinner));
    gtk_box_append(GTK_BOX(progressRow_), spinner);
    gtk_box_append(GTK_BOX(progressRow_), gtk_label_new(text::fetchingIcon));
    gtk_box_append(GTK_BOX(below), progressRow_);

    next_ = nimbrel_nice_button_new(text::next.label, text::next.symbol, false, false, "wizard.iconNext");
    gtk_box_append(GTK_BOX(below), next_);
    gtk_box_append(GTK_BOX(column), below);

    auto info = frontend::screenInfo(frontend::iconScreen);
    screen_ = nimbrel_screen_new(info->hint.c_str(), info->showBackground, column);
  }

  void update(const frontend::WizardModel& model, const frontend::WizardChanges& changes) override {
    const frontend::IconStep& icon = model.icon();
    if (changes.contains(WizardField::inputIcon)) {
      nimbrel_icon_view_set_image(NIMBREL_ICON_VIEW(picture_), icon.inputIcon());
    }
    gtk_widget_set_visible(progressRow_, icon.isFetchingIcon());
    gtk_widget_set_visible(buttonRow_, !icon.isFetchingIcon());
    gtk_widget_set_visible(fetch_, !model.useLocalFolder());
    gtk_widget_set_visible(reset_, icon.iconIsValid());
    gtk_widget_set_size_request(buttonRow_, model.useLocalFolder() ? 180 : 360, -1);
    nimbrel_nice_button_set_is_visible(NIMBREL_NICE_BUTTON(next_), model.nameIsValid());
  }

 private:
  static GdkDragAction entered(GtkDropTarget*, double, double, gpointer data) {
    static_cast<IconScreen*>(data)->icon_.setIsTargeted(true);
    return GDK_ACTION_COPY;
  }
  static void left(GtkDropTarget*, gpointer data) { static_cast<IconScreen*>(data)->icon_.setIsTargeted(false); }
  static gboolean dropped(GtkDropTarget*, const GValue* value, double, double, gpointer data) {
    frontend::IconStep& icon = static_cast<IconScreen*>(data)->icon_;
    icon.setIsTargeted(false);
    if (auto item = dropItemFromValue(value)) icon.acceptIconDrop({*item});
    return true;
  }

  static gboolean pasted(GtkWidget* well, GVariant*, gpointer data) {
    auto* handle = new std::weak_ptr<frontend::IconStep*>(static_cast<IconScreen*>(data)->icon_.weak());
    gdk_clipboard_read_value_async(
        gtk_widget_get_clipboard(well), GDK_TYPE_FILE_LIST, G_PRIORITY_DEFAULT, nullptr,
        [](GObject* clipboard, GAsyncResult* result, gpointer data) {
          std::unique_ptr<std::weak_ptr<frontend::IconStep*>> handle(static_cast<std::weak_ptr<frontend::IconStep*>*>(data));
          const GValue* value = gdk_clipboard_read_value_finish(GDK_CLIPBOARD(clipboard), result, nullptr);
          auto icon = handle->lock();
          if (!value || !icon) return;
          if (auto item = dropItemFromValue(value)) (*icon)->acceptIconDrop({*item});
        },
        handle);
    return true;
  }

  frontend::IconStep& icon_;
  GtkWidget* picture_ = nullptr;
  GtkWidget* buttonRow_ = nullptr;
  GtkWidget* progressRow_ = nullptr;
  GtkWidget* fetch_ = nullptr;
  GtkWidget* reset_ = nullptr;
  GtkWidget* next_ = nullptr;
};

}  // namespace

std::unique_ptr<ScreenView> makeIconScreen(frontend::WizardModel& model) { return std::make_unique<IconScreen>(model); }

}  // namespace views
