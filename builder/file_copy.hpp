#pragma once
// Copies of the template and of a site: folders, regular files and symbolic
// links (as links). Nothing else is copied, and nothing can stall the copy:
// a named pipe, socket or device is refused with a message naming it, and
// every file is opened without blocking.

#include <gio/gio.h>

#include <filesystem>

namespace builder {

// Copies `from` to `to`, which must not exist yet. Throws std::system_error
// naming the file that could not be read or written, or a GeneratorError
// naming a file of another kind. Cancelling `cancellable` stops the copy
// within a file or so, with the stopped build's error (see staging.hpp).
void copyTree(const std::filesystem::path& from, const std::filesystem::path& to,
              GCancellable* cancellable = nullptr);

}  // namespace builder
