#pragma once
// A build never touches the app it replaces until the new one is finished.
// The new bundle is assembled, given its icon and signed in a hidden room
// next to the destination,
//
//   <folder>/.nimbrel-build-XXXXXX/<Name>.app
//
// and then swapped into place in one step (renameat2 RENAME_EXCHANGE), so
// at every moment the destination holds either the old app or the new one,
// whole. The old one ends up in the room, which is removed with it.
//
// Each room is locked (flock on the room itself) for as long as its build
// lives. A room nobody holds belongs to a build that was killed; the next
// build into that folder removes it. Creating a room, clearing dead ones and
// swapping all happen under a lock on the folder, so two builds of one
// destination never interleave their swaps and registrations.

#include <gio/gio.h>

#include <filesystem>
#include <functional>
#include <memory>

namespace builder {

class StagedBundle {
 public:
  // Clears rooms of dead builds in the destination's folder and makes a new
  // one. Throws std::system_error naming the folder when it cannot.
  static std::shared_ptr<StagedBundle> create(const std::filesystem::path& destination);
  // Both remove the room and whatever it holds (the unfinished bundle, or the
  // replaced one after commit); errors are ignored. Copies of the handle may
  // outlive the build in queued callbacks, so builds discard explicitly.
  void discard();
  ~StagedBundle() { discard(); }
  StagedBundle(const StagedBundle&) = delete;
  StagedBundle& operator=(const StagedBundle&) = delete;

  // Where the new bundle is built: the room plus the destination's file name.
  const std::filesystem::path& bundle() const { return bundle_; }
  const std::filesystem::path& destination() const { return destination_; }

  // Puts the finished bundle at the destination in one step, then runs
  // `afterwards` (registration) while no other build of that folder can swap.
  // Throws std::system_error when the swap fails (the destination is then
  // untouched), and when the process is shutting down (see abandonAll).
  void commit(const std::function<void()>& afterwards = {});

  // For SIGINT/SIGTERM: removes the rooms of this process and makes every
  // later commit fail, so whatever was at a destination stays as it was.
  static void abandonAll();

 private:
  StagedBundle(std::filesystem::path room, std::filesystem::path destination, int lock);
  std::filesystem::path room_;
  std::filesystem::path destination_;
  std::filesystem::path bundle_;
  int lock_;
};

// A stopped build (its cancellable cancelled, or the process shutting down)
// fails with std::system_error ECANCELED, never as a success.
void throwIfCancelled(GCancellable* cancellable);

// The prefix of every room's name.
inline constexpr const char* stagingPrefix = ".nimbrel-build-";

}  // namespace builder
