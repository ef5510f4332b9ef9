#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "RuntimeTestUtil.h"
#include "TempFolder.h"
#include "platform/PathResolver.h"
#include "runtime/FileFunctions.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& p, const std::string& text) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The folder as the Windows-style text the callers pass, with a trailing separator.
WideString Dir(const fs::path& p) { return PathToWide(p) + u"\\"; }

TEST(Folders, CopyAllFilesRecursesAndOverwrites) {
  TempFolder tmp;
  WriteFile(tmp.Path() / "src" / "a.txt", "new a");
  WriteFile(tmp.Path() / "src" / "Sub" / "Deeper" / "b.txt", "b");
  WriteFile(tmp.Path() / "dst" / "a.txt", "old a");
  WriteFile(tmp.Path() / "dst" / "keep.txt", "keep");
  TMessageCatcher messages;
  CopyAllFiles(Dir(tmp.Path() / "src"), Dir(tmp.Path() / "dst"));
  EXPECT_EQ(ReadFile(tmp.Path() / "dst" / "a.txt"), "new a");
  EXPECT_EQ(ReadFile(tmp.Path() / "dst" / "Sub" / "Deeper" / "b.txt"), "b");
  EXPECT_EQ(ReadFile(tmp.Path() / "dst" / "keep.txt"), "keep");
  EXPECT_TRUE(messages.Messages.empty());

  // The target is created one level deep.
  CopyAllFiles(Dir(tmp.Path() / "src"), Dir(tmp.Path() / "fresh"));
  EXPECT_EQ(ReadFile(tmp.Path() / "fresh" / "Sub" / "Deeper" / "b.txt"), "b");

  const WideString missing = Dir(tmp.Path() / "none");
  CopyAllFiles(missing, Dir(tmp.Path() / "dst2"));
  ASSERT_EQ(messages.Messages.size(), 1u);
  EXPECT_EQ(messages.Messages[0], "Directory " + WideToUtf8(missing) + " does not exists.");
  EXPECT_FALSE(fs::exists(tmp.Path() / "dst2"));
}

TEST(Folders, DeleteFolderRemovesTreeButNotLinkedFolders) {
  TempFolder tmp;
  const fs::path folder = tmp.Path() / "gone";
  WriteFile(folder / "a.txt", "a");
  WriteFile(folder / "Sub" / "b.txt", "b");
  WriteFile(tmp.Path() / "outside" / "precious.txt", "p");
  fs::create_directory_symlink(tmp.Path() / "outside", folder / "link");
  TMessageCatcher messages;
  glDeleteFolder(PathToWide(folder));
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_EQ(ReadFile(tmp.Path() / "outside" / "precious.txt"), "p");
  EXPECT_TRUE(messages.Messages.empty());

  glDeleteFolder(PathToWide(folder));  // a missing folder: nothing happens
  EXPECT_TRUE(messages.Messages.empty());

  // A name with doubled separators still finds every entry.
  WriteFile(tmp.Path() / "twice" / "c.txt", "c");
  glDeleteFolder(PathToWide(tmp.Path()) + u"\\\\twice");
  EXPECT_FALSE(fs::exists(tmp.Path() / "twice"));
}

TEST(Folders, WritableProbe) {
  TempFolder tmp;
  EXPECT_TRUE(IsDictionaryWritable(PathToWide(tmp.Path())));
  EXPECT_TRUE(IsDictionaryWritable(Dir(tmp.Path())));
  EXPECT_TRUE(IsDictionaryWritable(PathToWide(tmp.Path()) + u"/"));
  EXPECT_TRUE(fs::is_empty(tmp.Path()));  // the probe is gone again
  EXPECT_FALSE(IsDictionaryWritable(PathToWide(tmp.Path() / "missing")));
  WriteFile(tmp.Path() / "file", "x");
  EXPECT_FALSE(IsDictionaryWritable(PathToWide(tmp.Path() / "file")));

  // A user's file of the probe's name is neither emptied nor deleted.
  WriteFile(tmp.Path() / "Dummyfile.txt", "mine");
  EXPECT_TRUE(IsDictionaryWritable(PathToWide(tmp.Path())));
  EXPECT_EQ(ReadFile(tmp.Path() / "Dummyfile.txt"), "mine");
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp.Path()), fs::directory_iterator()), 2);
}

TEST(Folders, ChangeConfigViewChangesTheValueInTheWholeText) {
  TempFolder tmp;
  const fs::path file = tmp.Path() / "ViewConfig.ini";
  const std::string text = "% view settings\r\n[D /ViewConfig [D /Width 800 ]\r\n /InstallConfig [D /AppDataFolder 1 ] ]\r\n";
  WriteFile(file, text);
  ChangeConfigView(Dir(tmp.Path()));
  std::string expected = text;
  expected[expected.find("AppDataFolder 1") + 14] = '0';
  EXPECT_EQ(ReadFile(file), expected);
  EXPECT_EQ(ReadFile(tmp.Path() / "ViewConfig.bak"), text);  // the previous version
  EXPECT_FALSE(fs::exists(tmp.Path() / "ViewConfig.ini.new"));

  const std::string without = "[D /ViewConfig [D /Width 800 ] ]";
  WriteFile(file, without);
  ChangeConfigView(Dir(tmp.Path()));
  EXPECT_EQ(ReadFile(file), without);

  fs::remove(file);
  ChangeConfigView(Dir(tmp.Path()));  // no file: nothing happens
  EXPECT_FALSE(fs::exists(file));
}

}  // namespace
