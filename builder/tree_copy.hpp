#pragma once
// Copying a site into a bundle. Folders and links are made in one pass, then
// the files are copied by a few threads at once with copy_file_range, so the
// kernel moves the bytes and a site of thousands of small files does not wait
// on each file in turn.

#include <filesystem>
#include <utility>
#include <vector>

namespace builder {

// Copies each `from` (file, folder with everything below it, or symbolic link,
// copied as a link) to its `to`, which must not exist yet. Permissions are
// kept. Throws std::filesystem::filesystem_error with the first failure;
// whatever was copied before it stays.
void copyItems(const std::vector<std::pair<std::filesystem::path, std::filesystem::path>>& items);

}  // namespace builder
