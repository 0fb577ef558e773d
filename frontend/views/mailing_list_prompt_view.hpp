#pragma once
// "Stay in the loop": the newsletter prompt over the main window. Shows, by
// the manager's status, an activity indicator, the thank-you (which closes
// itself after a while), or the address field with its failure message and
// the three answers. Closing it by other means counts as no answer; when it
// goes away the manager's status returns to idle and the address is gone.

#include <gtk/gtk.h>

#include "frontend/mailing_list_manager.hpp"

G_BEGIN_DECLS
#define NIMBREL_TYPE_MAILING_LIST_PROMPT_VIEW (nimbrel_mailing_list_prompt_view_get_type())
G_DECLARE_FINAL_TYPE(NimbrelMailingListPromptView, nimbrel_mailing_list_prompt_view, NIMBREL,
                     MAILING_LIST_PROMPT_VIEW, GtkWindow)
G_END_DECLS

GtkWidget* nimbrel_mailing_list_prompt_view_new(GtkWindow* parent, frontend::MailingListManager& manager);
