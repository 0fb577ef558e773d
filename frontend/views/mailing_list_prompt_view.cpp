#include "frontend/views/mailing_list_prompt_view.hpp"

#include <memory>

#include "frontend/views/view_type.hpp"

struct NimbrelMailingListPromptViewPrivate {
  frontend::MailingListManager* manager = nullptr;
  frontend::Connection changed;
  std::unique_ptr<frontend::PendingCall> autoDismiss;
  GtkStack* body = nullptr;
  GtkEditable* email = nullptr;
  GtkLabel* failure = nullptr;
  GtkWidget* subscribe = nullptr;
  GtkWidget* done = nullptr;
  GtkWidget* privacy = nullptr;
};

NIMBREL_DEFINE_FINAL_TYPE(NimbrelMailingListPromptView, nimbrel_mailing_list_prompt_view, GTK_TYPE_WINDOW, GtkWindow)

using Kind = frontend::SubmitStatus::Kind;

static void refresh(NimbrelMailingListPromptView* self) {
  auto* priv = self->priv;
  const auto& status = priv->manager->status();
  const char* page = status.kind == Kind::submitting ? "submitting" : status.kind == Kind::success ? "success" : "form";
  gtk_stack_set_visible_child_name(priv->body, page);
  bool failed = status.kind == Kind::failure;
  gtk_label_set_text(priv->failure, failed ? status.message.c_str() : "");
  gtk_widget_set_visible(GTK_WIDGET(priv->failure), failed);
  gtk_widget_set_sensitive(priv->subscribe, *gtk_editable_get_text(priv->email) != '\0');
  bool success = status.kind == Kind::success;
  // The thank-you closes itself, unless it goes away first.
  if (success && !priv->autoDismiss) priv->autoDismiss = priv->manager->scheduleAutoDismiss();
  if (!success) priv->autoDismiss.reset();
}

// A page that goes away takes the window's focus and default button with it
// (GTK may do so a moment later, after the next page set its own), so Return
// in the address field submits by itself and each page, once on screen, puts
// the focus where Return does the next thing.
static void formShown(GtkWidget*, gpointer data) {
  gtk_widget_grab_focus(GTK_WIDGET(NIMBREL_MAILING_LIST_PROMPT_VIEW(data)->priv->email));
}

static void successShown(GtkWidget*, gpointer data) {
  auto* priv = NIMBREL_MAILING_LIST_PROMPT_VIEW(data)->priv;
  gtk_window_set_default_widget(GTK_WINDOW(data), priv->done);
  gtk_widget_grab_focus(priv->done);
}

static void emailActivated(GtkEntry*, gpointer data) {
  auto* priv = NIMBREL_MAILING_LIST_PROMPT_VIEW(data)->priv;
  if (gtk_widget_get_sensitive(priv->subscribe)) priv->manager->submit(gtk_editable_get_text(priv->email));
}

static void emailEdited(GtkEditable*, gpointer data) { refresh(NIMBREL_MAILING_LIST_PROMPT_VIEW(data)); }

static void subscribeClicked(GtkButton*, gpointer data) {
  auto* priv = NIMBREL_MAILING_LIST_PROMPT_VIEW(data)->priv;
  priv->manager->submit(gtk_editable_get_text(priv->email));
}
static void declineClicked(GtkButton*, gpointer data) { NIMBREL_MAILING_LIST_PROMPT_VIEW(data)->priv->manager->decline(); }
static void snoozeClicked(GtkButton*, gpointer data) { NIMBREL_MAILING_LIST_PROMPT_VIEW(data)->priv->manager->snooze(); }
static void doneClicked(GtkButton*, gpointer data) { NIMBREL_MAILING_LIST_PROMPT_VIEW(data)->priv->manager->dismiss(); }

// Escape and the like: the manager decides, and whoever presented the prompt
// takes it away.
static gboolean closeRequested(GtkWindow* window, gpointer) {
  auto* manager = NIMBREL_MAILING_LIST_PROMPT_VIEW(window)->priv->manager;
  if (!manager->isPresented()) return FALSE;
  manager->dismiss();
  return TRUE;
}

static void nimbrel_mailing_list_prompt_view_dispose(GObject* object) {
  auto* priv = NIMBREL_MAILING_LIST_PROMPT_VIEW(object)->priv;
  priv->autoDismiss.reset();
  if (priv->changed.connected()) {
    priv->changed.disconnect();
    priv->manager->promptDisappeared();
  }
  gtk_widget_dispose_template(GTK_WIDGET(object), NIMBREL_TYPE_MAILING_LIST_PROMPT_VIEW);
  G_OBJECT_CLASS(nimbrel_mailing_list_prompt_view_parent_class)->dispose(object);
}

static void nimbrel_mailing_list_prompt_view_class_setup(NimbrelMailingListPromptViewClass* klass) {
  auto* widgetClass = GTK_WIDGET_CLASS(klass);
  G_OBJECT_CLASS(klass)->dispose = nimbrel_mailing_list_prompt_view_dispose;
  gtk_widget_class_set_template_from_resource(widgetClass, "/co/corvan/nimbrel/mailing_list_prompt_view.ui");
  for (const char* child : {"body", "email_entry", "failure_label", "subscribe_button", "done_button",
                            "decline_button", "snooze_button", "privacy_link", "form_page", "success_page"}) {
    gtk_widget_class_bind_template_child_full(widgetClass, child, FALSE, 0);
  }
  gtk_widget_class_add_binding_action(widgetClass, GDK_KEY_Escape, GdkModifierType(0), "window.close", nullptr);
}

static void nimbrel_mailing_list_prompt_view_setup(NimbrelMailingListPromptView* self) {
  auto* widget = GTK_WIDGET(self);
  gtk_widget_init_template(widget);
  auto child = [widget](const char* name) {
    return GTK_WIDGET(gtk_widget_get_template_child(widget, NIMBREL_TYPE_MAILING_LIST_PROMPT_VIEW, name));
  };
  auto* priv = self->priv;
  priv->body = GTK_STACK(child("body"));
  priv->email = GTK_EDITABLE(child("email_entry"));
  priv->failure = GTK_LABEL(child("failure_label"));
  priv->subscribe = child("subscribe_button");
  priv->done = child("done_button");
  priv->privacy = child("privacy_link");
  g_signal_connect(priv->email, "changed", G_CALLBACK(emailEdited), self);
  g_signal_connect(priv->email, "activate", G_CALLBACK(emailActivated), self);
  g_signal_connect(priv->subscribe, "clicked", G_CALLBACK(subscribeClicked), self);
  g_signal_connect(priv->done, "clicked", G_CALLBACK(doneClicked), self);
  g_signal_connect(child("decline_button"), "clicked", G_CALLBACK(declineClicked), self);
  g_signal_connect(child("snooze_button"), "clicked", G_CALLBACK(snoozeClicked), self);
  g_signal_connect(self, "close-request", G_CALLBACK(closeRequested), nullptr);
  g_signal_connect(child("form_page"), "map", G_CALLBACK(formShown), self);
  g_signal_connect(child("success_page"), "map", G_CALLBACK(successShown), self);
}

GtkWidget* nimbrel_mailing_list_prompt_view_new(GtkWindow* parent, frontend::MailingListManager& manager) {
  auto* self = NIMBREL_MAILING_LIST_PROMPT_VIEW(
      g_object_new(NIMBREL_TYPE_MAILING_LIST_PROMPT_VIEW, "accessible-role", GTK_ACCESSIBLE_ROLE_DIALOG, nullptr));
  auto* priv = self->priv;
  gtk_window_set_transient_for(GTK_WINDOW(self), parent);
  gtk_window_set_destroy_with_parent(GTK_WINDOW(self), TRUE);
  priv->manager = &manager;
  if (auto privacy = manager.privacyPolicyURL()) {
    gtk_link_button_set_uri(GTK_LINK_BUTTON(priv->privacy), privacy->string().c_str());
    gtk_widget_set_visible(priv->privacy, TRUE);
  }
  priv->changed = manager.observe([self] { refresh(self); });
  refresh(self);
  return GTK_WIDGET(self);
}
