#include <gtest/gtest.h>

#include <QGuiApplication>

#include "ScriptFixture.h"
#include "StorageFixture.h"
#include "platform/Clipboard.h"
#include "platform/Format.h"
#include "sl/interpreter/Interpreter.h"
#include "sl/interpreter/ScriptTask.h"
#include "sl/storage/ClipboardStorage.h"
#include "sl/storage/FileStorage.h"
#include "sl/storage/PluginClasses.h"
#include "sl/storage/StorageNames.h"
#include "sl/values/Scalars.h"

namespace fs = std::filesystem;

namespace vt::test {
namespace {

TEST(StorageNames, SplitAndCount) {
  struct Case {
    const char* name;
    int index;
    const char* head;
    const char* tail;
  } cases[] = {
      {"A\\B\\C", 1, "A", "B\\C"}, {"A\\B\\C", 2, "A\\B", "C"}, {"A\\B\\C", 0, ".", "A\\B\\C"},
      {"C:\\X", 0, "C:\\", "X"},   {"\\A\\B", 1, "\\A", "B"},   {"\\A", 0, "\\", "A"},
      {"/tmp/x/y", 2, "/tmp/x", "y"},
  };
  for (const auto& c : cases) {
    AnsiString head, tail;
    SplitName(c.name, c.index, head, tail);
    EXPECT_EQ(head, c.head) << c.name << " at " << c.index;
    EXPECT_EQ(tail, c.tail) << c.name << " at " << c.index;
  }
  EXPECT_EQ(CountDirectories("A\\B\\C"), 2);
  EXPECT_EQ(CountDirectories("C:\\X"), 0);
  EXPECT_EQ(CountDirectories("x.stx"), 0);
  AnsiString head, tail;
  EXPECT_THROW_MSG(SplitName("A\\B\\C", 3, head, tail), "DirIndex out of bounds in procedure SplitName");
  EXPECT_THROW_MSG(SplitName("A", -1, head, tail), "DirIndex out of bounds in procedure SplitName");
}

TEST(StorageNames, AccessAndFormatWords) {
  EXPECT_EQ(ConvertAccessString("rw"), saReadWrite);
  EXPECT_EQ(ConvertAccessString("R"), saRead);
  EXPECT_EQ(ConvertAccessString("w"), saWrite);
  EXPECT_THROW_MSG(ConvertAccessString("x"), "illegal access attribute 'X'");
  EXPECT_EQ(ConvertFormatString("easciI"), sfEASCII);
  EXPECT_EQ(ConvertFormatString("Unknown"), sfUnknown);
  EXPECT_THROW_MSG(ConvertFormatString("bin"), "unknown storage object format 'BIN'");
}

class Storage : public StorageTest {};

TEST_F(Storage, SchemesAndDefaultSearch) {
  WriteFile("Lib\\a.stx", "1");            // a file
  WriteFile("Lib.sla", ArchiveEntryBytes("a.stx", "2") + ArchiveEntryBytes("b.stx", "3"));
  EXPECT_EQ(ReadText("Lib\\a.stx"), "1 ");  // the file comes first
  EXPECT_EQ(ReadText("Lib\\b.stx"), "3 ");  // then the archive
  EXPECT_EQ(ReadText("archive://Lib\\a.stx"), "2 ");
  EXPECT_THROW_MSG(StorageManager->GetObject("file://Lib\\b.stx"), "TFileStoragePlugin error: no object named Lib\\b.stx found");
  EXPECT_THROW_MSG(StorageManager->GetObject("Lib\\c.stx"), "TStorageManager.GetObject: object with name 'Lib\\c.stx' not found");
  EXPECT_TRUE(StorageManager->ObjectExists("Lib\\b.stx"));
  EXPECT_FALSE(StorageManager->ObjectExists("file://Lib\\b.stx"));
  EXPECT_FALSE(StorageManager->ObjectExists("clipboard://Lib\\a.stx"));
}

TEST_F(Storage, FindFilePrefersTheCurrentFolder) {
  WriteFile("x.stx", "'data folder'");
  WriteCwdFile("x.stx", "'current folder'");
  AnsiString complete;
  ASSERT_TRUE(StorageManager->FindFile("x.stx", complete));
  EXPECT_EQ(complete, (Cwd / "x.stx").string());
  EXPECT_EQ(ReadText("X.STX"), "'current folder' ");  // names match without regard to case
  fs::remove(Cwd / "x.stx");
  auto object = TRef<TSLStorageObject>(StorageManager->GetObject("x.stx"));
  EXPECT_EQ(object->GetName(), (Folder / "x.stx").string());  // the full name in the class path
  EXPECT_TRUE(StorageManager->FindFile(At("x.stx"), complete));  // rooted: as it is
  EXPECT_FALSE(StorageManager->FindFile("nothere.stx", complete));
}

TEST_F(Storage, StorageIDsAreReusedByExactName) {
  auto& ids = StorageIDManager();
  const std::uint16_t a = ids.CreateStorageID(At("same.stx"), nullptr);
  EXPECT_EQ(ids.CreateStorageID(At("same.stx"), nullptr), a);
  EXPECT_NE(ids.CreateStorageID(At("SAME.stx"), nullptr), a);
  std::uint16_t found = 0;
  EXPECT_TRUE(ids.NameExist(At("same.stx"), found));
  EXPECT_EQ(found, a);
  EXPECT_FALSE(ids.NameExist(At("other.stx"), found));
  EXPECT_EQ(found, 65535);
  ids.DestroyStorageID(a);
  EXPECT_THROW_MSG(ids.DestroyStorageID(a), Format("TStorageIDManager.DestroyStorageID: StorageID %d was already deleted", a));
  EXPECT_THROW_MSG(ids.GetIDInfo(a), Format("TStorageIDManager.GetIDInfo: ID %d was deleted", a));
  EXPECT_EQ(ids.CreateStorageID(At("new.stx"), nullptr), a);  // the empty slot is taken again
  EXPECT_THROW_MSG(ids.DestroyStorageID(0), "TStorageIDManager.DestroyStorageID: StorageID 0 is not a valid ID");
}

TEST_F(Storage, FilesPlainAndEnciphered) {
  WriteFile("Cfg\\plain.stx", "[D /Speed 10 /Name 'x']");
  auto object = TRef<TSLStorageObject>(StorageManager->GetObject("Cfg\\plain.stx", saReadWrite));
  object->SetFormat(sfEASCII);
  object->Write();
  EXPECT_EQ(ReadFile("Cfg\\plain.stx").substr(0, 4), "%SLE");
  EXPECT_TRUE(Exists("Cfg\\plain.bak"));
  auto again = TRef<TSLStorageObject>(StorageManager->GetObject("Cfg\\plain.stx", saReadWrite));
  EXPECT_TRUE(again->GetData()->IsEqual(object->GetData()));
  EXPECT_EQ(again->GetFormat(), sfASCII);  // read leaves the plain format set
  again->Write();
  EXPECT_EQ(ReadFile("Cfg\\plain.stx"), "[D /Speed 10 /Name 'x' ] ");
}

TEST_F(Storage, FailedWriteLeavesTheOldFile) {
  WriteFile("keep.stx", "[A 1 2]");
  auto object = TRef<TSLStorageObject>(StorageManager->GetObject("keep.stx", saReadWrite));
  auto bad = MakeRef<TSLArray>();
  bad->AddObject(MakeRef<TSLLongint>(1).get());
  bad->AddObject(MakeRef<TSLDouble>(std::nan("")).get());
  object->SetData(bad.get());
  EXPECT_THROW(object->Write(), Exception);
  EXPECT_EQ(ReadFile("keep.stx"), "[A 1 2]");
  for (const auto& entry : fs::directory_iterator(Folder)) EXPECT_TRUE(entry.is_directory() || entry.path().filename() == "keep.stx") << entry.path();
}

TEST_F(Storage, FileAccessAndCreation) {
  WriteFile("r.stx", "1");
  auto readOnly = TRef<TSLStorageObject>(StorageManager->GetObject("r.stx"));
  EXPECT_THROW_MSG(readOnly->Write(), Format("TSLFileStorageObject.Write: storage object '%s' was opened as read only",
                                             (Folder / "r.stx").string()));
  auto created = TRef<TSLStorageObject>(StorageManager->CreateObject("new.stx"));  // a bare name: the current folder
  EXPECT_THROW_MSG(created->Read(), "TSLFileStorageObject.Read: storage object 'new.stx' was opened as write only");
  created->SetData(Sl("[A 'n']"));
  created->Write();
  EXPECT_EQ(ReadCwdFile("new.stx"), "[A 'n' ] ");
  EXPECT_THROW_MSG(StorageManager->CreateObject("file://missing\\x.stx"),
                   "TFileStoragePlugin.CreateObject: Could not create object with name missing\\x.stx");
  auto* file = dynamic_cast<TSLFileStorageObject*>(readOnly.get());
  EXPECT_THROW_MSG(file->Init("r.stx", saRead, false), "TSLFileStorageObject error: file storage object already initialized");
}

TEST_F(Storage, StringsAndContexts) {
  EXPECT_EQ(Text(Sl("[D /a [A 1 2.5 'x'] ]")), "[D /a [A 1 2.5 'x' ] ] ");
  EXPECT_THROW(Sl("[A 1"), Exception);
  EXPECT_EQ(Text(Sl("7")), "7 ");  // nothing of the failed text is read again

  auto context = TRef<TSLContextImplementation>(StorageManager->CreateContext(false));
  TSLStack* dicts = context->DictStackObj();
  ASSERT_EQ(dicts->GetCount(), 3);
  EXPECT_EQ(dicts->GetObjAtIndex(2), StorageManager->SystemDict());
  EXPECT_EQ(dicts->GetObjAtIndex(1), StorageManager->ScriptClassDict());
  EXPECT_THROW_MSG(StorageManager->CreateScriptTask(), "TStorageManager.CreateScriptTask: no ScriptClassFactory announced");
}

TEST_F(Storage, ImportIntoContext) {
  auto context = TRef<TSLContextImplementation>(StorageManager->CreateContext(false));
  auto announced = MakeRef<TSLDictionary>();
  announced->SetIntWithName(u"v", 1);
  StorageManager->AnnounceDictionary("Units", announced.get());
  StorageManager->ImportIntoContext("Units", context.get());
  WriteFile("Lib\\Consts.stx", "[D /Pi 3.14]");
  StorageManager->ImportIntoContext("Lib\\Consts", context.get());
  EXPECT_EQ(context->ResolveName("Units:v"), announced->GetObjWithName(u"v"));
  EXPECT_EQ(CheckedCast<TSLDouble>(context->ResolveName("Consts:Pi"))->GetDoubleValue(), 3.14);
  EXPECT_THROW_MSG(StorageManager->ImportIntoContext("Lib\\None", context.get()),
                   "TStorageManager.ImportIntoContext: No storage object with name:Lib\\None found");
}

TEST_F(Storage, ClipboardRoundTrip) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "test_sl";
  static char* argv[] = {name, nullptr};
  static QGuiApplication app(argc, argv);
  ClipboardSetData("Other Format", "x");
  EXPECT_FALSE(StorageManager->ObjectExists("clipboard://cb.data"));  // other formats are ignored
  EXPECT_THROW_MSG(StorageManager->GetObject("clipboard://cb.data"), "TClipboardStoragePlugin error: no object named cb.data found");
  auto out = TRef<TSLStorageObject>(StorageManager->CreateObject("clipboard://cb.data"));
  out->SetData(Sl("[D /Text 'Gr\xFC\xDF' /n 5]"));
  EXPECT_THROW_MSG(out->SetFormat(sfEASCII), "TSLClipboardStorageObject.SetFormat: sfEASCII is not supported");
  out->Write();
  const std::string bytes = *ClipboardGetData(kClipboardFormatName);
  EXPECT_EQ(bytes.substr(bytes.size() - 2), std::string(2, '\0'));  // UTF-16 with a terminating null
  EXPECT_EQ(bytes.substr(0, 4), std::string("[\0D\0", 4));
  auto in = TRef<TSLStorageObject>(StorageManager->GetObject("clipboard://cb.data"));
  EXPECT_TRUE(in->GetData()->IsEqual(out->GetData()));
  EXPECT_FALSE(StorageManager->ObjectExists("clipboard://other"));
  EXPECT_THROW_MSG(StorageManager->CreateObject("clipboard://other"),
                   "TClipboardStoragePlugin.CreateObject: can not create object with name 'other'");
}

// Script-class plug-ins load from the program's folders only: a library of the name in
// the current folder is passed over, and the search goes on along the class path.
TEST_F(Storage, LoadClassFromAPluginLibrary) {
  fs::copy_file(VT_DEMO_PLUGIN, Cwd / "libvtdemo.so");
  auto context = TRef<TSLContextImplementation>(StorageManager->CreateContext(false));
  auto load = MakeRef<TSLLoadClassProcedure>();
  auto run = [&](const char* library) {
    context->OperandStackObj()->PushString(library);
    load->Execute(context.get());
  };
  EXPECT_THROW_MSG(run("libvtdemo.so"), "LoadScriptClass: DLL with name 'libvtdemo.so' not found");
  EXPECT_FALSE(StorageManager->ScriptClassExists("Demo"));
  fs::copy_file(VT_DEMO_PLUGIN, Folder / "libvtdemo.so");
  run("libvtdemo.so");
  run("libvtdemo.so");  // announced once
  EXPECT_TRUE(StorageManager->ScriptClassExists("Demo"));
  EXPECT_TRUE(StorageManager->ScriptClassExists("Other"));
  EXPECT_THROW_MSG(StorageManager->AnnounceScriptClass("Demo", nullptr, 1),
                   "TStorageManager.AnnounceScriptClass: class with name 'Demo' already announced");
  auto code = TRef<TSLObject>(Sl("[B /d Demo def /o Other def 5 d.scale 5 o.scale d.handle o.handle]"));
  context->PushBlock(code.get());
  while (!StorageManager->Interpreter()->Run(context.get())) {
  }
  TSLStack* ops = context->OperandStackObj();
  ASSERT_EQ(ops->GetCount(), 4);
  EXPECT_EQ(ops->GetIntAtIndex(3), 10);  // Demo doubles
  EXPECT_EQ(ops->GetIntAtIndex(2), 15);  // Other triples
  EXPECT_NE(ops->GetIntAtIndex(1), ops->GetIntAtIndex(0));  // two objects
}

}  // namespace
}  // namespace vt::test
