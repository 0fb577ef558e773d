#pragma once
// One exported file on its way to disk: base64 text decoded piece by piece
// into a temporary file beside its destination, renamed into place under a
// free name when complete, never replacing anything. Dropped unfinished, it
// leaves nothing behind.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/export_bridge.hpp"

namespace runlet {

class ExportWriter {
 public:
  ExportWriter(std::filesystem::path folder, std::string name);
  ~ExportWriter();
  ExportWriter(const ExportWriter&) = delete;
  ExportWriter& operator=(const ExportWriter&) = delete;

  // Decodes and writes more of the file; false once it cannot go on (outcome() says why).
  bool append(std::string_view base64);
  SaveOutcome finish();
  SaveOutcome outcome() const { return outcome_; }

 private:
  class TempFile;
  std::filesystem::path folder_;
  std::string name_;
  std::unique_ptr<TempFile> temp_;
  Base64Decoder decoder_;
  SaveOutcome outcome_{SaveOutcome::Kind::pending, {}};
};

}  // namespace runlet
