#include "tools/common/file_tree.hpp"

#include <algorithm>
#include <cerrno>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace tools {
namespace {

EntryKind kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return EntryKind::directory;
  if (S_ISREG(mode)) return EntryKind::regular;
  if (S_ISLNK(mode)) return EntryKind::symlink;
  return EntryKind::other;
}

void walkInto(const fs::path& root, const fs::path& relative, std::vector<TreeEntry>& out) {
  std::vector<std::string> names;
  for (const auto& item : fs::directory_iterator(root / relative)) names.push_back(item.path().filename().string());
  std::sort(names.begin(), names.end());
  for (const auto& name : names) {
    fs::path rel = relative.empty() ? fs::path(name) : relative / name;
    TreeEntry entry = describe(root / rel);
    entry.relative = rel;
    bool isDirectory = entry.kind == EntryKind::directory;
    out.push_back(std::move(entry));
    if (isDirectory) walkInto(root, rel, out);
  }
}

}  // namespace

TreeEntry describe(const fs::path& path) {
  TreeEntry entry{path, EntryKind::other, {}};
  if (::lstat(path.c_str(), &entry.info) != 0)
    throw fs::filesystem_error("cannot read", path, std::error_code(errno, std::generic_category()));
  entry.kind = kindOf(entry.info.st_mode);
  return entry;
}

std::vector<TreeEntry> walkTree(const fs::path& root) {
  std::vector<TreeEntry> entries;
  walkInto(root, {}, entries);
  return entries;
}

}  // namespace tools
