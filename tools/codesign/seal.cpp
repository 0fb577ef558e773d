#include "tools/codesign/seal.hpp"

#include <glib.h>
#include <openssl/evp.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <fstream>
#include <map>
#include <stdexcept>
#include <thread>

#include "tools/common/file_tree.hpp"

namespace fs = std::filesystem;
namespace plist = platform::plist;

namespace codesign {
namespace {

struct DigestDeleter {
  void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};

// OpenSSL's SHA-256 uses the CPU's SHA instructions: several times GLib's
// speed, which is what a bundle with a large site waits on.
plist::Data sha256(const fs::path& file) {
  std::unique_ptr<EVP_MD_CTX, DigestDeleter> context(EVP_MD_CTX_new());
  if (!context || !EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr)) throw std::runtime_error("SHA-256 unavailable");
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  char buffer[65536];
  while (in) {
    in.read(buffer, sizeof buffer);
    EVP_DigestUpdate(context.get(), buffer, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) throw std::runtime_error("cannot read " + file.string());
  plist::Data digest(32);
  unsigned length = 0;
  EVP_DigestFinal_ex(context.get(), digest.data(), &length);
  return digest;
}

bool isSealFile(const fs::path& relative) {
  fs::path folder(kSealFolder);
  return relative == folder / kSealName || relative == folder / kSignatureName;
}

struct Contents {
  plist::Dictionary files;
  plist::Dictionary symlinks;
};

// Digests of the files, on as many threads as there are cores: sealing a
// bundle with a large site is bound by hashing, not by the disk.
std::vector<plist::Data> digestsOf(const fs::path& bundle, const std::vector<fs::path>& files) {
  std::vector<plist::Data> digests(files.size());
  std::vector<std::exception_ptr> errors(files.size());
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i; (i = next++) < files.size();) {
      try {
        digests[i] = sha256(bundle / files[i]);
      } catch (...) {
        errors[i] = std::current_exception();
      }
    }
  };
  const unsigned helpers = std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), files.size() / 8 + 1) - 1;
  std::vector<std::thread> threads;
  for (unsigned t = 0; t < helpers; ++t) threads.emplace_back(work);
  work();
  for (auto& thread : threads) thread.join();
  for (auto& error : errors) {
    if (error) std::rethrow_exception(error);
  }
  return digests;
}

Contents currentContents(const fs::path& bundle) {
  Contents contents;
  std::vector<fs::path> regular;
  for (const auto& entry : tools::walkTree(bundle)) {
    if (entry.kind == tools::EntryKind::directory || isSealFile(entry.relative)) continue;
    std::string key = entry.relative.generic_string();
    // Property-list strings are UTF-8; a name that is not can't be recorded.
    if (!g_utf8_validate(key.data(), static_cast<gssize>(key.size()), nullptr))
      throw std::runtime_error("cannot seal a file whose name is not UTF-8: " + key);
    switch (entry.kind) {
      case tools::EntryKind::regular:
        regular.push_back(entry.relative);
        break;
      case tools::EntryKind::symlink:
        contents.symlinks[key] = fs::read_symlink(bundle / entry.relative).string();
        break;
      default:
        throw std::runtime_error("cannot seal special file " + key);
    }
  }
  auto digests = digestsOf(bundle, regular);
  for (std::size_t i = 0; i < regular.size(); ++i) contents.files[regular[i].generic_string()] = std::move(digests[i]);
  return contents;
}

void compare(const plist::Dictionary& sealed, const plist::Dictionary& current, std::vector<std::string>& problems) {
  for (const auto& [path, value] : sealed) {
    auto it = current.find(path);
    if (it == current.end()) {
      problems.push_back("missing: " + path);
    } else if (!(it->second == value)) {
      problems.push_back("modified: " + path);
    }
  }
  for (const auto& [path, value] : current)
    if (!sealed.contains(path)) problems.push_back("added: " + path);
}

}  // namespace

plist::Dictionary makeSeal(const fs::path& bundle, const SealOptions& options) {
  Contents contents = currentContents(bundle);
  plist::Dictionary seal{
      {"files", std::move(contents.files)},
      {"symlinks", std::move(contents.symlinks)},
      {"identity", options.identity},
  };
  if (options.entitlements) seal["entitlements"] = *options.entitlements;
  if (!options.flags.empty()) {
    plist::Array flags(options.flags.begin(), options.flags.end());
    seal["flags"] = std::move(flags);
  }
  if (options.timestamp) {
    auto now = std::chrono::system_clock::now().time_since_epoch();
    seal["signingTime"] = plist::Date{std::chrono::duration<double>(now).count()};
  }
  return seal;
}

std::vector<std::string> checkSeal(const fs::path& bundle, const plist::Dictionary& seal) {
  std::vector<std::string> problems;
  auto files = plist::lookup<plist::Dictionary>(seal, "files");
  auto symlinks = plist::lookup<plist::Dictionary>(seal, "symlinks");
  if (!files || !symlinks) return {"the seal is not readable"};
  Contents contents = currentContents(bundle);
  compare(*files, contents.files, problems);
  compare(*symlinks, contents.symlinks, problems);
  return problems;
}

}  // namespace codesign
