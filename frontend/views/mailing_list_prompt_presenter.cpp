#include "frontend/views/mailing_list_prompt_presenter.hpp"

#include "frontend/views/mailing_list_prompt_view.hpp"

MailingListPromptPresenter::MailingListPromptPresenter(GtkWidget* content, frontend::MailingListManager& manager,
                                                       std::function<void()> contentShown)
    : content_(content), manager_(manager), contentShown_(std::move(contentShown)) {
  mapHandler_ = g_signal_connect(content, "map", G_CALLBACK(contentMapped), this);
  changed_ = manager_.observe([this] { sync(); });
}

MailingListPromptPresenter::~MailingListPromptPresenter() {
  changed_.disconnect();
  auto content = content_.get();
  if (content && mapHandler_) g_signal_handler_disconnect(content.get(), mapHandler_);
  if (auto prompt = prompt_.get()) {
    prompt_.set(nullptr);
    gtk_window_destroy(GTK_WINDOW(prompt.get()));
  }
}

GtkWidget* MailingListPromptPresenter::prompt() const { return prompt_.get().get(); }

void MailingListPromptPresenter::contentMapped(GtkWidget* content, gpointer data) {
  auto* self = static_cast<MailingListPromptPresenter*>(data);
  g_signal_handler_disconnect(content, std::exchange(self->mapHandler_, 0));
  if (auto shown = std::exchange(self->contentShown_, nullptr)) shown();
  self->manager_.recordLaunch();
  self->sync();
}

void MailingListPromptPresenter::sync() {
  auto prompt = prompt_.get();
  if (!manager_.isPresented()) {
    if (prompt) {
      prompt_.set(nullptr);
      gtk_window_destroy(GTK_WINDOW(prompt.get()));
    }
    return;
  }
  if (prompt) return;
  auto content = content_.get();
  GtkRoot* root = content ? gtk_widget_get_root(content.get()) : nullptr;
  if (!GTK_IS_WINDOW(root)) return;
  // Asked for from the menu of a hidden window: the window comes back first.
  gtk_window_present(GTK_WINDOW(root));
  GtkWidget* view = nimbrel_mailing_list_prompt_view_new(GTK_WINDOW(root), manager_);
  prompt_.set(view);
  gtk_window_present(GTK_WINDOW(view));
}
