#include "tools/codesign/gpg_signature.hpp"

#include "tools/common/process.hpp"
#include "tools/common/tool_main.hpp"

namespace codesign {
namespace {

tools::ProcessResult runGpg(const std::vector<std::string>& argv) {
  try {
    return tools::runProcess(argv);
  } catch (const std::exception& e) {
    throw tools::VerbatimFailure(std::string("codesign: cannot run gpg, which signing with an identity needs: ") +
                                 e.what() + "\n");
  }
}

std::string failureText(const tools::ProcessResult& result, const std::string& fallback) {
  if (!result.standardError.empty()) return result.standardError;
  return fallback + " (gpg exit status " + std::to_string(result.exitStatus) + ")\n";
}

}  // namespace

void signDetached(const std::filesystem::path& file, const std::filesystem::path& signature,
                  const std::string& identity) {
  auto result = runGpg({"gpg", "--batch", "--yes", "--local-user", identity, "--detach-sign", "--armor", "-o",
                        signature.string(), file.string()});
  if (result.exitStatus != 0)
    throw tools::VerbatimFailure(failureText(result, "codesign: gpg could not sign with \"" + identity + "\""));
}

std::optional<std::string> verifyDetached(const std::filesystem::path& file, const std::filesystem::path& signature) {
  auto result = runGpg({"gpg", "--batch", "--verify", signature.string(), file.string()});
  if (result.exitStatus == 0) return std::nullopt;
  return failureText(result, "codesign: gpg could not verify " + signature.string());
}

}  // namespace codesign
