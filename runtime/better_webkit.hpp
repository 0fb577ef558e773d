#pragma once
// BetterWebkit: the main window's web view. Built like any web view from the
// app's context, session, content manager and settings; its one behaviour of
// its own is a title strip at its top, used by full-content windows: a press
// there moves the window (a drag), acts as a title bar (a double click), or
// shows the window menu (a secondary click), instead of reaching the page.

#include <webkit/webkit.h>

G_BEGIN_DECLS

#define RUNLET_TYPE_BETTER_WEBKIT (better_webkit_get_type())
G_DECLARE_FINAL_TYPE(BetterWebkit, better_webkit, RUNLET, BETTER_WEBKIT, WebKitWebView)

// 0 (the default): the whole view belongs to the page.
void better_webkit_set_title_strip_height(BetterWebkit* view, int height);
int better_webkit_get_title_strip_height(BetterWebkit* view);

G_END_DECLS
