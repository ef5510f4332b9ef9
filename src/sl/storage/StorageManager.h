// The storage manager: the one place through which the program reads and writes SL
// objects (files, archive entries, the clipboard, by URL-like names) and creates
// script contexts and tasks. It owns the shared text decoder and encoder, the System
// dictionary, the interpreter and the script-class registry. Also: storage objects,
// storage plug-ins, and the storage IDs that let debug positions name their file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "sl/values/Arrays.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Object.h"

namespace vt {

class TSLStreamDecoder;
class TSLStreamEncoder;
class TSLInterpreter;
class TSLContextImplementation;
class TSLStringStream;
class TScriptClass;
class TScriptTaskInterface;
class TScriptTaskFactoryInterface;

// One SL object kept somewhere, with its name and text format.
class TSLStorageObject : public TSLObject {
 public:
  using TSLObject::TSLObject;
  const char* ClassName() const override { return "TSLStorageObject"; }
  virtual AnsiString GetName() const = 0;
  virtual TStorageFormat GetFormat() const = 0;
  virtual void SetFormat(TStorageFormat Format) = 0;
  virtual TSLObject* GetData() = 0;
  virtual void SetData(TSLObject* Data) = 0;
  virtual void Read() = 0;
  virtual void Write() = 0;
};

// Serves the names of one scheme ("file://", "archive://", "clipboard://"). Storage
// objects come retained and autoreleased: a caller that keeps one retains it.
class TStoragePluginInterface {
 public:
  virtual ~TStoragePluginInterface() = default;
  virtual bool ObjectExists(const AnsiString& Name) = 0;
  // Read access and the manager's debug flag.
  TSLStorageObject* GetObject(const AnsiString& Name);
  TSLStorageObject* GetObject(const AnsiString& Name, TStreamAccess Access);
  virtual TSLStorageObject* GetObject(const AnsiString& Name, TStreamAccess Access, bool Debug) = 0;
  virtual bool CanCreate(const AnsiString& Name) = 0;
  virtual TSLStorageObject* CreateObject(const AnsiString& Name) = 0;
  virtual AnsiString GetScheme() const = 0;
};

struct TStorageIDInfo {
  AnsiString Name;  // full file name, or archive path without extension + "\" + entry
  TSLObject* Data = nullptr;  // the object last read from that text; not retained
};

class TStorageIDManager {
 public:
  // The ID of a used slot with exactly this name, else a new one (first empty slot).
  std::uint16_t CreateStorageID(const AnsiString& Name, TSLObject* Data);
  void DestroyStorageID(std::uint16_t ID);
  TStorageIDInfo& GetIDInfo(std::uint16_t ID);
  // The first used slot with exactly that name; false with ID 65535 when none.
  bool NameExist(const AnsiString& Name, std::uint16_t& ID) const;

 private:
  std::vector<std::optional<TStorageIDInfo>> IDList;  // an empty slot is a deleted ID
};

// The one storage-ID manager of the process.
TStorageIDManager& StorageIDManager();

class TStorageManager {
 public:
  // ProgramFolder: the folder the program's data lie in; the first class-path entry.
  explicit TStorageManager(const AnsiString& ProgramFolder);
  ~TStorageManager();
  TStorageManager(const TStorageManager&) = delete;
  TStorageManager& operator=(const TStorageManager&) = delete;
  const char* ClassName() const { return "TStorageManager"; }

  // A name with a scheme goes to that plug-in alone; a plain name is looked for by the
  // default-search plug-ins in turn (a file first, then inside archives).
  TSLStorageObject* GetObject(const AnsiString& Name);
  TSLStorageObject* GetObject(const AnsiString& Name, TStreamAccess Access);
  TSLStorageObject* GetObject(const AnsiString& Name, TStreamAccess Access, bool Debug);
  TSLStorageObject* CreateObject(const AnsiString& Name);
  bool ObjectExists(const AnsiString& Name);
  // A rooted name as it is, else the current folder, then the class path in order.
  // Existing files that Accept refuses (given their complete name) are passed over.
  bool FindFile(const AnsiString& Name, AnsiString& CompleteName,
                const std::function<bool(const AnsiString&)>& Accept = nullptr);

  TScriptTaskInterface* CreateScriptTask();
  // Called by a task being destroyed: it stops being the current task.
  void ForgetScriptTask(const TScriptTaskInterface* Task) {
    if (FActualScriptTask == Task) FActualScriptTask = nullptr;
  }
  // A context searching "Global", then "Create", then "System".
  TSLContextImplementation* CreateContext(bool AutoRelease);
  void ImportIntoContext(const AnsiString& Name, TSLContext* Context);

  void AnnounceClasspath(const AnsiString& Path);
  void AnnounceDictionary(const AnsiString& Name, TSLDictionary* Dict);
  void AnnounceScriptTaskFactory(std::unique_ptr<TScriptTaskFactoryInterface> Factory);
  void AnnounceStoragePlugin(std::unique_ptr<TStoragePluginInterface> Plugin, bool IncludeInDefaultSearch);
  void AnnounceSystemProcedure(const AnsiString& Name, TSLObject* Procedure);
  // The class is not owned: it must outlive its instances (registered classes live for
  // the process). The second form hands the class over to the manager.
  void AnnounceScriptClass(const AnsiString& Name, TScriptClass* Class, std::int32_t Version);
  void AnnounceScriptClass(const AnsiString& Name, std::unique_ptr<TScriptClass> Class, std::int32_t Version);
  bool ScriptClassExists(const AnsiString& Name) const;

  // One object from SL text and back; the shared string stream forbids nesting these.
  TSLObject* DecodeStringToObject(const AnsiString& Text);
  AnsiString EncodeObjectToString(TSLObject* Obj);

  TSLStreamEncoder* StreamEncoder() const { return Encoder.get(); }
  TSLStreamDecoder* StreamDecoder() const { return Decoder.get(); }
  TSLInterpreter* Interpreter() const { return FInterpreter.get(); }
  TSLDictionary* SystemDict() const { return FSystemDict.get(); }
  TSLDictionary* ScriptClassDict() const { return FScriptClassDict.get(); }
  TSLDictionary* AnnouncedDictionaries() const { return FDictionaries.get(); }
  TSLArray* AnnouncedClasspathes() const { return FClasspathArray.get(); }
  const AnsiString& ProgramFolder() const { return FProgramFolder; }
  TScriptTaskInterface* ActualScriptTask() const { return FActualScriptTask; }
  bool Debug() const { return FDebug; }

 private:
  TStoragePluginInterface* PluginForScheme(const AnsiString& Name, AnsiString& Rest) const;
  TSLDictionary* ScriptDictionary() const;

  TRef<TSLStreamEncoder> Encoder;
  TRef<TSLStreamDecoder> Decoder;
  TRef<TSLInterpreter> FInterpreter;
  TRef<TSLDictionary> FSystemDict;
  TRef<TSLDictionary> FDictionaries;
  TRef<TSLArray> FClasspathArray;
  TRef<TSLDictionary> FScriptClassDict;
  std::vector<TStoragePluginInterface*> FDefaultStoragePluginList;  // not owned
  std::vector<std::unique_ptr<TStoragePluginInterface>> FStoragePluginList;
  std::vector<std::unique_ptr<TScriptClass>> FOwnedScriptClasses;
  std::unique_ptr<TScriptTaskFactoryInterface> FScrTskFactory;
  bool FDebug = false;
  TRef<TSLStringStream> FStringStream;
  TRef<TSLLookaheadStream> FLookaheadStream;
  TScriptTaskInterface* FActualScriptTask = nullptr;
  AnsiString FProgramFolder;
};

// The one storage manager of the process; the shell creates it at start-up.
extern TStorageManager* StorageManager;
// That storage manager; raises "no storage manager" before the shell has created it.
TStorageManager& TheStorageManager();

}  // namespace vt
