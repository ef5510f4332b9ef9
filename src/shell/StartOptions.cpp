// The start's command-line options; see StartOptions.h.
#include "shell/StartOptions.h"

#include <filesystem>

#include "platform/PathResolver.h"
#include "runtime/CommandLine.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace fs = std::filesystem;

bool HasOption(const char16_t* Name) { return ProgParamDict() && ProgParamDict()->NameExists(Name); }

AnsiString OptionValue(const char16_t* Name) {
  const auto* value = HasOption(Name) ? dynamic_cast<const TSLString*>(ProgParamDict()->FindObject(Name)) : nullptr;
  return value ? WideToAnsi(value->StringValue()) : AnsiString();
}

AnsiString StartConfigurationName(const std::vector<std::string>& Args) {
  if (AnsiString name = OptionValue(u"VXC"); !name.empty()) return name;
  if (Args.size() != 1) return {};
  std::error_code ec;
  const fs::path file = ResolvePath(Utf8ToWide(Args[0]));
  if (UpperCaseAnsi(file.extension().string()) != ".VXC2" || !fs::is_regular_file(file, ec)) return {};
  return Args[0];
}

int ScriptsExpectedToStart() { return (HasOption(u"Script") ? 1 : 0) + (HasOption(u"NoAuto") ? 0 : 1); }

}  // namespace vt
