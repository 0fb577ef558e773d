#pragma once
// Brings the newsletter prompt over the window that shows `content`: records
// the launch when the content first comes on screen (which lets the manager
// decide, a moment later, whether to ask), and shows or takes away the prompt
// as the manager's `isPresented` says.

#include <gtk/gtk.h>

#include <functional>

#include "frontend/mailing_list_manager.hpp"
#include "platform/gobject_ptr.hpp"

class MailingListPromptPresenter {
 public:
  // `contentShown` runs once, just before the launch is recorded.
  MailingListPromptPresenter(GtkWidget* content, frontend::MailingListManager& manager,
                             std::function<void()> contentShown = {});
  ~MailingListPromptPresenter();
  MailingListPromptPresenter(const MailingListPromptPresenter&) = delete;
  MailingListPromptPresenter& operator=(const MailingListPromptPresenter&) = delete;

  // The prompt window while it is shown.
  GtkWidget* prompt() const;

 private:
  static void contentMapped(GtkWidget* content, gpointer self);
  void sync();

  platform::WeakRef<GtkWidget> content_;
  frontend::MailingListManager& manager_;
  std::function<void()> contentShown_;
  platform::WeakRef<GtkWidget> prompt_;
  gulong mapHandler_ = 0;
  frontend::Connection changed_;
};
