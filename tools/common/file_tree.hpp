#pragma once
// Everything below a folder, for the tools that touch whole bundles (clearing
// attributes, sealing, archiving). Symbolic links are reported as links and
// never followed, so a link inside a bundle can't lead a tool outside it.

#include <sys/stat.h>

#include <filesystem>
#include <vector>

namespace tools {

enum class EntryKind { directory, regular, symlink, other };

struct TreeEntry {
  std::filesystem::path relative;  // to the walked folder
  EntryKind kind;
  struct stat info;  // lstat of the entry
};

// Every entry below root (root itself excluded): a folder comes before its
// contents, names in byte order, so the same tree always gives the same list.
// Throws std::filesystem::filesystem_error naming the path that failed.
std::vector<TreeEntry> walkTree(const std::filesystem::path& root);

// lstat as an entry kind; throws filesystem_error when the path is missing.
TreeEntry describe(const std::filesystem::path& path);

}  // namespace tools
