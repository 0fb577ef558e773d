#pragma once
// What changed in the wizard, one bit per state field, and the log that
// collects those bits while an action runs and tells the observers once,
// when the outermost action ends. The model and its screen steps share one log.

#include <cstdint>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "frontend/change_signal.hpp"

namespace frontend {

// One bit per state field, so a view redraws only what changed.
enum class WizardField : std::uint32_t {
  inputUrl = 1u << 0,
  inputName = 1u << 1,
  inputIcon = 1u << 2,
  inputColor = 1u << 3,
  urlIsValid = 1u << 4,
  nameIsValid = 1u << 5,
  iconIsValid = 1u << 6,
  isTargeted = 1u << 7,
  selectedView = 1u << 8,
  preselectedBack = 1u << 9,
  selectedFavorite = 1u << 10,
  useLocalFolder = 1u << 11,
  localFolderURL = 1u << 12,
  isGenerating = 1u << 13,
  generationStatus = 1u << 14,
  generationError = 1u << 15,
  generatedAppURL = 1u << 16,
  isFetchingIcon = 1u << 17,
  showSettings = 1u << 18,
};

class WizardChanges {
 public:
  void add(WizardField field) { bits_ |= std::uint32_t(field); }
  bool contains(WizardField field) const { return (bits_ & std::uint32_t(field)) != 0; }
  bool empty() const { return bits_ == 0; }

 private:
  std::uint32_t bits_ = 0;
};

class WizardChangeLog {
 public:
  using Observer = std::function<void(const WizardChanges&)>;
  [[nodiscard]] Connection observe(Observer observer) { return changed_.connect(std::move(observer)); }

  template <typename T>
  void assign(T& field, T value, WizardField which) {
    if (field == value) return;
    field = std::move(value);
    pending_.add(which);
  }
  // For fields without a cheap comparison (pictures).
  void touch(WizardField which) { pending_.add(which); }

  // Open while an action runs; the observers hear of its changes when the
  // outermost one closes.
  class Batch {
   public:
    explicit Batch(WizardChangeLog& log) : log_(log) { ++log_.depth_; }
    ~Batch() {
      if (--log_.depth_ == 0) log_.flush();
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    WizardChangeLog& log_;
  };

 private:
  void flush() {
    if (pending_.empty()) return;
    WizardChanges changes = pending_;
    pending_ = {};
    changed_.emit(changes);
  }

  int depth_ = 0;
  WizardChanges pending_;
  Signal<const WizardChanges&> changed_;
};

// One dragged item as the drop target hands it over, by the kinds it offers.
// Each is either text the toolkit already made, or the raw bytes.
struct DropItem {
  using Content = std::variant<std::string, std::vector<std::uint8_t>>;
  std::optional<Content> url;        // a web address
  std::optional<Content> plainText;  // UTF-8 text
  std::optional<Content> fileURL;    // a "file:" URL (or an absolute path)
};

// The text in a dropped item, ready-made or raw bytes; nothing unless it is UTF-8.
std::optional<std::string> dropText(const DropItem::Content& content);

}  // namespace frontend
