#include "platform/plist_limits.hpp"

#include <algorithm>
#include <string_view>
#include <vector>

namespace platform::plist {
namespace {

constexpr std::size_t kTrailer = 32;

bool isBinary(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 8 && std::string_view(reinterpret_cast<const char*>(bytes.data()), 6) == "bplist";
}

// Deepest nesting of <array> and <dict> elements, counted on the raw text.
// Tags inside comments count too, which can only overstate it.
std::size_t xmlNesting(std::string_view text) {
  auto isTag = [&](std::size_t at, std::string_view name) {
    if (text.substr(at, name.size()) != name || at + name.size() >= text.size()) return false;
    char next = text[at + name.size()];
    return next == '>' || next == '/' || next == ' ' || next == '\t' || next == '\r' || next == '\n';
  };
  std::size_t depth = 0, deepest = 0;
  for (std::size_t open = text.find('<'); open != std::string_view::npos; open = text.find('<', open + 1)) {
    const bool closing = open + 1 < text.size() && text[open + 1] == '/';
    const std::size_t name = open + 1 + (closing ? 1 : 0);
    if (!isTag(name, "array") && !isTag(name, "dict")) continue;
    const std::size_t end = text.find('>', name);
    if (end == std::string_view::npos) break;
    if (closing) {
      if (depth > 0) --depth;
    } else if (text[end - 1] != '/') {
      deepest = std::max(deepest, ++depth);
      if (deepest > maxNesting) break;
    }
  }
  return deepest;
}

std::uint64_t readBigEndian(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) value = (value << 8) | bytes[at + i];
  return value;
}

// The object table of a binary list, each object's place checked.
class BinaryList {
 public:
  explicit BinaryList(std::span<const std::uint8_t> bytes) : bytes_(bytes), end_(bytes.size() - kTrailer) {
    offsetWidth_ = bytes[end_ + 6];
    refWidth_ = bytes[end_ + 7];
    objects_ = readBigEndian(bytes, end_ + 8, 8);
    top_ = readBigEndian(bytes, end_ + 16, 8);
    table_ = readBigEndian(bytes, end_ + 24, 8);
  }

  bool tableIsSound() const {
    return offsetWidth_ >= 1 && offsetWidth_ <= 8 && refWidth_ >= 1 && refWidth_ <= 8 && table_ <= end_ &&
           objects_ <= (end_ - table_) / offsetWidth_ && objects_ <= maxBinaryValues && top_ < objects_;
  }
  std::uint64_t objects() const { return objects_; }
  std::uint64_t top() const { return top_; }

  // Where object `index` starts; 0 (never an object's place) when outside the data.
  std::uint64_t offsetOf(std::uint64_t index) const {
    std::uint64_t at = readBigEndian(bytes_, table_ + index * offsetWidth_, offsetWidth_);
    return at >= 8 && at < end_ ? at : 0;
  }

  // The count of an object and where its contents start; false when malformed.
  bool countAndStart(std::uint64_t at, std::uint64_t& count, std::uint64_t& start) const {
    count = bytes_[at] & 0x0F;
    start = at + 1;
    if (count != 0x0F) return true;
    if (start >= end_ || (bytes_[start] >> 4) != 0x1) return false;
    const std::size_t width = std::size_t{1} << (bytes_[start] & 0x0F);
    if (width > 8 || start + 1 + width > end_) return false;
    count = readBigEndian(bytes_, start + 1, width);
    start += 1 + width;
    return true;
  }

  // Strings (ASCII 0x5n, UTF-16 0x6n) must hold no NUL: libplist asserts on one.
  bool stringIsSound(std::uint64_t at) const {
    const std::uint8_t kind = bytes_[at] >> 4;
    const std::size_t unit = kind == 0x5 ? 1 : 2;
    std::uint64_t count = 0, start = 0;
    if (!countAndStart(at, count, start) || count > (end_ - start) / unit) return false;
    for (std::uint64_t c = 0; c < count; ++c) {
      bool nul = unit == 1 ? bytes_[start + c] == 0 : (bytes_[start + 2 * c] | bytes_[start + 2 * c + 1]) == 0;
      if (nul) return false;
    }
    return true;
  }

  // The objects an array (0xA) or dictionary (0xD, keys and values) refers to.
  bool children(std::uint64_t at, std::vector<std::uint64_t>& out) const {
    out.clear();
    const std::uint8_t kind = bytes_[at] >> 4;
    if (kind != 0xA && kind != 0xD) return true;
    std::uint64_t count = 0, start = 0;
    if (!countAndStart(at, count, start)) return false;
    const std::uint64_t refs = kind == 0xD ? 2 * count : count;
    if (count > end_ || refs > (end_ - start) / refWidth_) return false;
    for (std::uint64_t i = 0; i < refs; ++i) {
      const std::uint64_t ref = readBigEndian(bytes_, start + i * refWidth_, refWidth_);
      if (ref >= objects_) return false;
      out.push_back(ref);
    }
    return true;
  }

  std::uint8_t kindAt(std::uint64_t at) const { return bytes_[at] >> 4; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t end_;
  std::size_t offsetWidth_ = 0, refWidth_ = 0;
  std::uint64_t objects_ = 0, top_ = 0, table_ = 0;
};

bool binaryWithinLimits(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 8 + kTrailer) return false;
  BinaryList list(bytes);
  if (!list.tableIsSound()) return false;

  // Every object once: its place and its strings.
  for (std::uint64_t i = 0; i < list.objects(); ++i) {
    const std::uint64_t at = list.offsetOf(i);
    if (at == 0) return false;
    const std::uint8_t kind = list.kindAt(at);
    if ((kind == 0x5 || kind == 0x6) && !list.stringIsSound(at)) return false;
  }

  // From the top object: depth and expanded size of every object, once each
  // (a depth-first walk without recursion; meeting an object still being
  // walked is a cycle).
  enum : std::uint8_t { unseen, walking, done };
  std::vector<std::uint8_t> state(list.objects(), unseen);
  std::vector<std::uint32_t> depth(list.objects(), 0);
  std::vector<std::uint64_t> values(list.objects(), 0);
  struct Frame {
    std::uint64_t object;
    std::vector<std::uint64_t> children;
    std::size_t next = 0;
  };
  std::vector<Frame> stack;
  auto enter = [&](std::uint64_t object) {
    Frame frame{object, {}, 0};
    if (!list.children(list.offsetOf(object), frame.children)) return false;
    state[object] = walking;
    stack.push_back(std::move(frame));
    return stack.size() <= maxNesting;
  };
  if (!enter(list.top())) return false;
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next < frame.children.size()) {
      const std::uint64_t child = frame.children[frame.next++];
      if (state[child] == walking) return false;
      if (state[child] == unseen && !enter(child)) return false;
      continue;
    }
    std::uint32_t deepest = 0;
    std::uint64_t total = 1;
    for (std::uint64_t child : frame.children) {
      deepest = std::max(deepest, depth[child]);
      total += values[child];
      if (total > maxBinaryValues) return false;
    }
    depth[frame.object] = deepest + 1;
    values[frame.object] = total;
    state[frame.object] = done;
    if (depth[frame.object] > maxNesting) return false;
    stack.pop_back();
  }
  return true;
}

}  // namespace

bool withinParserLimits(std::span<const std::uint8_t> bytes) {
  if (isBinary(bytes)) return binaryWithinLimits(bytes);
  return xmlNesting(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())) <= maxNesting;
}

}  // namespace platform::plist
