#pragma once
// Makes Nimbrel's views ready on the default display: the compiled-in
// resources, libadwaita's styles, our style sheet and icons. Idempotent; the
// application calls it at start-up, tests before they build a view.

void nimbrel_views_init();
