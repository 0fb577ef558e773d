#pragma once
// Where the only GL is a software rasteriser (no GPU render node: virtual
// displays, remote sessions, VMs without 3D), GL compositing costs start-up
// time and a few hundred MiB for nothing, so GTK draws with cairo, does not
// even load GL (the probe alone loads the rasteriser), and the web view
// composites without GL. With a GPU both keep GL compositing.

#include <filesystem>

namespace runlet {

// True when some /dev/dri/renderD* node in `driFolder` can be opened.
bool hasGPURenderNode(const std::filesystem::path& driFolder = "/dev/dri");

// Decides the rendering path before GTK starts; an explicit GSK_RENDERER is
// the user's choice and is kept. True for the software path. Programs the
// app starts inherit the choice, which suits them on the same display.
bool chooseRenderingPath();

// Drawing in software, GTK allocates and frees window-sized buffers for every
// frame (a fading scrollbar draws some sixty a second). Memory the allocator
// hands back to the kernel after each frame comes back zeroed page by page on
// the next, which costs more than the drawing itself; this keeps it.
void keepFrameBuffersAllocated();

}  // namespace runlet
