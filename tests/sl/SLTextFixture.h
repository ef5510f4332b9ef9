// A fixture for tests of SL text: a decoder with the standard scanners and composite
// classes, an encoder, and string-stream shortcuts between the two.
#pragma once

#include <string>

#include "RefCountedTest.h"
#include "sl/storage/StorageManager.h"
#include "sl/text/Decoder.h"
#include "sl/text/Encoder.h"
#include "sl/text/StringStream.h"

class SLTextTest : public RefCountedTest {
 protected:
  void SetUp() override {
    RefCountedTest::SetUp();
    Decoder = vt::MakeRef<vt::TSLStreamDecoder>();
    vt::AddStandardScanners(*Decoder);
    vt::RegisterStandardComposites(*Decoder);
    Encoder = vt::MakeRef<vt::TSLStreamEncoder>();
    XStx = vt::StorageIDManager().CreateStorageID("C:\\data\\x.stx", nullptr);
  }
  void TearDown() override {
    vt::TypeDefinitions.reset();
    vt::StorageIDManager().DestroyStorageID(XStx);
    Decoder.reset();
    Encoder.reset();
    RefCountedTest::TearDown();
  }

  // A reader over Text, which the storage id names.
  vt::TRef<vt::TSLLookaheadStream> Reader(std::string Text, std::uint16_t StorageID = 0) {
    auto stream = vt::MakeRef<vt::TSLStringStream>();
    stream->SetBuffer(std::move(Text));
    stream->FStorageID = StorageID;
    return vt::MakeRef<vt::TSLLookaheadStream>(stream.get());
  }
  // The whole text as one value (autoreleased).
  vt::TSLObject* Decode(std::string Text, bool Debug = false, std::uint16_t StorageID = 0) {
    return Decoder->ReadSingleObject(Reader(std::move(Text), StorageID).get(), Debug);
  }
  std::string Encode(vt::TSLObject* Obj) {
    auto stream = vt::MakeRef<vt::TSLStringStream>();
    Encoder->WriteObject(stream.get(), Obj);
    return stream->Buffer();
  }

  vt::TRef<vt::TSLStreamDecoder> Decoder;
  vt::TRef<vt::TSLStreamEncoder> Encoder;
  std::uint16_t XStx = 0;  // the storage id of C:\data\x.stx
};
