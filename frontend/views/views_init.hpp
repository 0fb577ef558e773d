#pragma once
// Makes Nimbrel's views ready on the default display: the compiled-in
// resources, libadwaita's styles, our style sheet and icons. Idempotent; the
// application calls it at start-up, tests before they build a view.

void nimbrel_views_init();

// Without a GPU (no DRM render node) OpenGL would be a software rasterizer,
// which costs Nimbrel's window seconds to start and some 100 MiB; the cairo
// renderer draws the same on the CPU at a fraction of that. Chooses it then,
// unless the user chose a renderer. Call before GTK opens the display.
void nimbrel_views_prefer_cairo_without_gpu();
