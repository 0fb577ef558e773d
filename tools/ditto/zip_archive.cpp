#include "tools/ditto/zip_archive.hpp"

#include <sys/stat.h>
#include <zip.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "tools/common/file_tree.hpp"

namespace fs = std::filesystem;

namespace ditto {
namespace {

constexpr zip_uint32_t kMsDosDirectory = 0x10;

struct ArchiveDeleter {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ArchiveDeleter>;

[[noreturn]] void fail(zip_t* archive, const std::string& what) {
  throw std::runtime_error(what + ": " + zip_strerror(archive));
}

zip_int64_t addEntry(zip_t* archive, const std::string& name, const fs::path& path, const tools::TreeEntry& entry) {
  zip_int64_t index = -1;
  switch (entry.kind) {
    case tools::EntryKind::directory:
      index = zip_dir_add(archive, name.c_str(), ZIP_FL_ENC_GUESS);
      break;
    case tools::EntryKind::regular: {
      zip_source_t* source = zip_source_file(archive, path.c_str(), 0, -1);
      if (!source) fail(archive, "cannot read " + path.string());
      index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_GUESS);
      if (index < 0) zip_source_free(source);
      break;
    }
    case tools::EntryKind::symlink: {
      // A link's entry holds its target as data, marked as a link by its mode.
      std::string target = fs::read_symlink(path).string();
      void* copy = std::malloc(target.size() + 1);
      if (!copy) throw std::bad_alloc();
      std::memcpy(copy, target.c_str(), target.size() + 1);
      zip_source_t* source = zip_source_buffer(archive, copy, target.size(), 1);
      if (!source) {
        std::free(copy);
        fail(archive, "cannot add " + path.string());
      }
      index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_GUESS);
      if (index < 0) {
        zip_source_free(source);
      } else {
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
      }
      break;
    }
    case tools::EntryKind::other:
      throw std::runtime_error("cannot archive special file " + path.string());
  }
  if (index < 0) fail(archive, "cannot add " + path.string());

  auto i = static_cast<zip_uint64_t>(index);
  zip_uint32_t attributes = static_cast<zip_uint32_t>(entry.info.st_mode & 0xffff) << 16;
  if (entry.kind == tools::EntryKind::directory) attributes |= kMsDosDirectory;
  if (zip_file_set_external_attributes(archive, i, 0, ZIP_OPSYS_UNIX, attributes) != 0 ||
      zip_file_set_mtime(archive, i, entry.info.st_mtime, 0) != 0)
    fail(archive, "cannot describe " + path.string());
  return index;
}

}  // namespace

void writeZipArchive(const fs::path& source, const fs::path& archivePath, bool keepParent) {
  // The source itself may be reached through a link; what lies below it is not.
  std::error_code ec;
  if (!fs::is_directory(source, ec)) throw std::runtime_error(source.string() + ": not a folder");
  tools::TreeEntry top{source, tools::EntryKind::directory, {}};
  if (::stat(source.c_str(), &top.info) != 0) throw std::runtime_error("cannot read " + source.string());

  fs::path topName = source.lexically_normal().filename();
  if (topName.empty()) topName = source.lexically_normal().parent_path().filename();
  if (keepParent && (topName.empty() || topName == "." || topName == ".."))
    throw std::runtime_error(source.string() + ": has no folder name to keep");

  int error = 0;
  // libzip writes to a temporary file and renames it over the archive on close.
  Archive archive(zip_open(archivePath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error));
  if (!archive) {
    zip_error_t zipError;
    zip_error_init_with_code(&zipError, error);
    std::string message = zip_error_strerror(&zipError);
    zip_error_fini(&zipError);
    throw std::runtime_error("cannot create " + archivePath.string() + ": " + message);
  }

  fs::path absoluteArchive = fs::absolute(archivePath).lexically_normal();
  std::string prefix = keepParent ? topName.string() + "/" : std::string();
  if (keepParent) addEntry(archive.get(), topName.string(), source, top);
  std::size_t count = keepParent ? 1 : 0;
  for (const auto& entry : tools::walkTree(source)) {
    fs::path path = source / entry.relative;
    if (fs::absolute(path).lexically_normal() == absoluteArchive) continue;  // the archive inside its own source
    addEntry(archive.get(), prefix + entry.relative.generic_string(), path, entry);
    ++count;
  }
  if (count == 0) throw std::runtime_error(source.string() + ": nothing to archive");
  if (zip_close(archive.get()) != 0) fail(archive.get(), "cannot write " + archivePath.string());
  archive.release();
}

}  // namespace ditto
