#include <gtest/gtest.h>

#include "RefCountedTest.h"
#include "sl/text/StringStream.h"

using namespace vt;

namespace {

class StringStreams : public RefCountedTest {};

TEST_F(StringStreams, ReadsToTheEnd) {
  auto s = MakeRef<TSLStringStream>();
  s->SetBuffer("abc");
  EXPECT_EQ(s->Read(), 'a');
  EXPECT_EQ(s->ReadNext(), 'b');  // the window path counts like Read
  EXPECT_EQ(s->StreamPos(), 2);
  EXPECT_FALSE(s->Eof());
  EXPECT_FALSE(s->AtEnd());
  EXPECT_EQ(s->ReadNext(), 'c');
  EXPECT_TRUE(s->Eof());
  EXPECT_TRUE(s->AtEnd());
  EXPECT_THROW_MSG(s->Read(), "TSLStringStream.Read: end of stream reached");
  EXPECT_THROW_MSG(s->ReadNext(), "TSLStringStream.Read: end of stream reached");
  s->Seek(3);
  EXPECT_THROW_MSG(s->Seek(4), "TSLStringStream.Seek: position not in stream range");
  EXPECT_THROW_MSG(s->Seek(-1), "TSLStringStream.Seek: position not in stream range");
  s->Seek(1);
  EXPECT_EQ(s->ReadNext(), 'b');
}

TEST_F(StringStreams, WritesOverwriteInsideAndAppendAtTheEnd) {
  auto s = MakeRef<TSLStringStream>();  // open for writing
  EXPECT_THROW_MSG(s->Read(), "TSLStringStream.Read: stream not in read mode");
  s->WriteString("hello");
  s->Reset(saReadWrite);
  EXPECT_EQ(s->ReadNext(), 'h');
  s->Write('a');
  EXPECT_EQ(s->ReadNext(), 'l');  // the window follows the write
  s->Seek(4);
  s->WriteString("o world");
  EXPECT_EQ(s->Buffer(), "hallo world");
  EXPECT_EQ(s->StreamPos(), 11);
  s->Reset(saRead);
  EXPECT_THROW_MSG(s->Write('x'), "TSLStringStream.Write: stream not in write mode");
  s->Rewrite();
  EXPECT_EQ(s->Buffer(), "");
  s->SetBuffer("x");
  s->Close();
  EXPECT_TRUE(s->Eof());
}

}  // namespace
