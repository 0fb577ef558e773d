// xattr: clears extended attributes ("-c"), of whole trees with "-r". Links
// are never followed: the attributes of a link are its own.

#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/common/file_tree.hpp"
#include "tools/common/options.hpp"
#include "tools/common/tool_main.hpp"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage = "xattr -c [-r] [-s] FILE...";

// Namespaces the kernel manages (security labels, ACLs): refusing to remove
// those is the system's decision, not a failure of clearing.
bool isSystemManaged(const std::string& name, int error) {
  bool systemName = name.starts_with("security.") || name.starts_with("system.");
  return systemName && (error == EPERM || error == EACCES || error == ENOTSUP || error == EOPNOTSUPP);
}

std::vector<std::string> attributeNames(const fs::path& path) {
  for (;;) {
    ssize_t size = ::llistxattr(path.c_str(), nullptr, 0);
    if (size < 0 && (errno == ENOTSUP || errno == EOPNOTSUPP)) return {};  // nothing can be there
    if (size < 0)
      throw fs::filesystem_error("cannot list attributes of", path, std::error_code(errno, std::generic_category()));
    if (size == 0) return {};
    std::vector<char> buffer(static_cast<std::size_t>(size));
    ssize_t got = ::llistxattr(path.c_str(), buffer.data(), buffer.size());
    if (got < 0 && errno == ERANGE) continue;  // grew in between
    if (got < 0)
      throw fs::filesystem_error("cannot list attributes of", path, std::error_code(errno, std::generic_category()));
    std::vector<std::string> names;
    for (const char* p = buffer.data(); p < buffer.data() + got; p += std::strlen(p) + 1) names.emplace_back(p);
    return names;
  }
}

// Returns false after reporting what could not be removed.
bool clearAttributes(const fs::path& path) {
  bool ok = true;
  for (const auto& name : attributeNames(path)) {
    if (::lremovexattr(path.c_str(), name.c_str()) == 0 || errno == ENODATA) continue;
    int error = errno;
    if (isSystemManaged(name, error)) continue;
    std::fprintf(stderr, "xattr: %s: cannot remove %s: %s\n", path.c_str(), name.c_str(), std::strerror(error));
    ok = false;
  }
  return ok;
}

bool clearOne(const fs::path& path, bool recursive) {
  try {
    auto top = tools::describe(path);
    bool ok = clearAttributes(path);
    if (recursive && top.kind == tools::EntryKind::directory) {
      for (const auto& entry : tools::walkTree(path)) ok = clearAttributes(path / entry.relative) && ok;
    }
    return ok;
  } catch (const fs::filesystem_error& e) {
    if (e.code() == std::errc::no_such_file_or_directory && e.path1() == path) {
      std::fprintf(stderr, "xattr: No such file: %s\n", path.c_str());
    } else {
      std::fprintf(stderr, "xattr: %s\n", e.what());
    }
    return false;
  }
}

int run(const std::vector<std::string>& args) {
  static const tools::OptionRule specs[] = {{'c', {}}, {'r', {}}, {'s', {}}};
  auto parsed = tools::parseArguments(args, specs);
  if (!parsed.has("c")) throw tools::UsageError("only clearing attributes (-c) is supported");
  if (parsed.operands.empty()) throw tools::UsageError("no file given");
  bool ok = true;
  for (const auto& operand : parsed.operands) ok = clearOne(operand, parsed.has("r")) && ok;
  return ok ? 0 : tools::kExitFailure;
}

}  // namespace

int main(int argc, char** argv) { return tools::runTool("xattr", kUsage, argc, argv, run); }
