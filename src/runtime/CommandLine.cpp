// Command-line parsing; see CommandLine.h.
#include "runtime/CommandLine.h"

#include "platform/Dialogs.h"
#include "platform/Format.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace {

TRef<TSLDictionary>& DictRef() {
  static TRef<TSLDictionary> dict;
  return dict;
}

TRef<TSLArray>& ArrayRef() {
  static TRef<TSLArray> array;
  return array;
}

void AddArgument(const WideString& Arg) {
  if (Arg.empty() || Arg[0] != u'-') {
    ArrayRef()->AddObject(MakeRef<TSLString>(Arg).get());
    return;
  }
  const std::size_t colon = Arg.find(u':');
  const WideString name = Arg.substr(1, colon == WideString::npos ? WideString::npos : colon - 1);
  const WideString value = colon == WideString::npos ? WideString() : Arg.substr(colon + 1);
  if (DictRef()->NameExists(name))
    throw Exception(Format("Error: Command Line Parameter Duplication of '-%s'", name));
  DictRef()->AddObject(name, MakeRef<TSLString>(value).get());
}

}  // namespace

TSLDictionary* ProgParamDict() { return DictRef().get(); }
TSLArray* ProgParamArray() { return ArrayRef().get(); }

void ReadProgramParameters(const std::vector<std::string>& Args) {
  DictRef() = MakeRef<TSLDictionary>();
  ArrayRef() = MakeRef<TSLArray>();
  for (const std::string& arg : Args) {
    try {
      AddArgument(Utf8ToWide(arg));
    } catch (const Exception& e) {
      ShowMessage(Utf8ToWide(e.Message()));
    }
  }
}

void ReadProgramParameters(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  ReadProgramParameters(args);
}

}  // namespace vt
