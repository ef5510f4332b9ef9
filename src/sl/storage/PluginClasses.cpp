// Plug-in script classes; see PluginClasses.h.
#include "sl/storage/PluginClasses.h"

#include <dlfcn.h>

#include <filesystem>

#include "platform/Format.h"
#include "platform/PathResolver.h"
#include "sl/storage/StorageManager.h"
#include "sl/values/Scalars.h"

namespace fs = std::filesystem;

namespace vt {

namespace {

// The library handle, or an exception with the loader's reason.
void* OpenLibrary(const AnsiString& Library) {
  void* handle = dlopen(ResolvePath(AnsiToWide(Library)).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) throw Exception(Format("LoadScriptClass: cannot load '%s': %s", AnsiToUtf8(Library), dlerror()));
  return handle;
}

template <class Function>
Function Export(void* Handle, const char* Name, const AnsiString& Library) {
  void* symbol = dlsym(Handle, Name);
  if (!symbol)
    throw Exception(Format("LoadScriptClass: '%s' has no export '%s'", AnsiToUtf8(Library), Name));
  return reinterpret_cast<Function>(symbol);
}

// Whether the file lies below the folder (both resolved, links followed).
bool IsBelow(const AnsiString& File, const AnsiString& Folder) {
  std::error_code ec;
  const fs::path file = fs::weakly_canonical(ResolvePath(AnsiToWide(File)), ec);
  const fs::path folder = fs::weakly_canonical(ResolvePath(AnsiToWide(Folder)), ec);
  const auto [f, _] = std::mismatch(folder.begin(), folder.end(), file.begin(), file.end());
  return f == folder.end() || f->empty();
}

}  // namespace

TDLLScriptClass::TDLLScriptClass(const AnsiString& Library, std::int32_t ClassIndex)
    : FHandle(OpenLibrary(Library)), FClassIndex(ClassIndex) {
  try {
    FCreateObject = Export<decltype(FCreateObject)>(FHandle, "CreateObject", Library);
    FDestroyObject = Export<decltype(FDestroyObject)>(FHandle, "DestroyObject", Library);
    FExecuteMethod = Export<decltype(FExecuteMethod)>(FHandle, "ExecuteMethod", Library);
    FGetMethodName = Export<decltype(FGetMethodName)>(FHandle, "GetMethodName", Library);
  } catch (...) {
    dlclose(FHandle);
    throw;
  }
}

TDLLScriptClass::~TDLLScriptClass() { dlclose(FHandle); }

std::int64_t TDLLScriptClass::CreateObject(TContextInterface* Context) { return FCreateObject(FClassIndex, Context); }
void TDLLScriptClass::DestroyObject(std::int64_t Handle) { FDestroyObject(FClassIndex, Handle); }
void TDLLScriptClass::ExecuteMethod(std::int64_t Handle, std::int64_t MethodId, TContextInterface* Context) {
  FExecuteMethod(FClassIndex, Handle, MethodId, Context);
}
AnsiString TDLLScriptClass::GetMethodName(std::int32_t Index) {
  const char* name = FGetMethodName(FClassIndex, Index);
  return name ? name : "";
}

void TSLLoadClassProcedure::Execute(TSLContext* Context) {
  TStackInterface* ops = Context->OperandStack();
  const AnsiString name = WideToAnsi(CheckedCast<TSLString>(ops->GetObjAtIndex(0))->StringValue());
  ops->Pop(false);
  AnsiString library;
  // Code is loaded from the program's own folders only: a library of the name found
  // elsewhere first (the current folder) is passed over.
  const auto inProgramFolder = [](const AnsiString& File) { return IsBelow(File, StorageManager->ProgramFolder()); };
  if (!StorageManager->FindFile(name, library, inProgramFolder))
    throw Exception(Format("LoadScriptClass: DLL with name '%s' not found", AnsiToUtf8(name)));
  void* handle = OpenLibrary(library);
  try {
    auto getClassName = Export<const char* (*)(std::int32_t)>(handle, "GetClassName", library);
    for (std::int32_t index = 0;; ++index) {
      const char* className = getClassName(index);
      if (!className || !*className) break;
      if (!StorageManager->ScriptClassExists(className))
        StorageManager->AnnounceScriptClass(className, std::make_unique<TDLLScriptClass>(library, index), 1);
    }
  } catch (...) {
    dlclose(handle);
    throw;
  }
  dlclose(handle);
}

}  // namespace vt
