// TSLStreamEncoder: writes an SL value as one line of SL text, tokens separated by
// single blanks. A composite met a second time in the same value (shared, or containing
// itself) is written as "@" and the number of its first occurrence, which is the number
// the decoder gives it on reading. The process has one, owned by the storage manager.
#pragma once

#include <vector>

#include "sl/values/Composite.h"

namespace vt {

class TSLStreamEncoder : public TSLObject {
 public:
  explicit TSLStreamEncoder(bool AutoRelease);
  const char* ClassName() const override { return "TSLStreamEncoder"; }

  // Writes Obj to Stream, which must be open for writing. On an error, what was
  // written before it stays in the stream.
  void WriteObject(TSLCharStream* Stream, TSLObject* Obj);

  // Token writers; each writes its token and one blank.
  void EncodeLongint(std::int64_t Value);
  // Fixed point with 1 to 15 decimals; nonzero values below 1e-5 and values from 1e17
  // on in the general form. NaN and infinities have no SL text and are refused.
  void EncodeDouble(double Value);
  void EncodeString(const AnsiString& Value);
  void EncodeBoolean(bool Value);
  void EncodeIdent(const AnsiString& Name, bool Executable);
  void EncodePointer(int Index);
  void EncodeBeginOfComposite(char CompType, const AnsiString& Ident);
  void EncodeEndOfComposite();

  void EncodeObject(TSLObject* Obj);
  void EncodeComposite(TSLComposite* Composite);
  // Raises "<class>.CheckIdent: illegal ident '<Ident>'" unless Ident is an identifier
  // (segments separated by "." or ":"; a separator at the end passes).
  void CheckIdent(std::string_view Ident) const;

 private:
  class TStreamEncoderInterface : public TEncoderInterface {
   public:
    explicit TStreamEncoderInterface(TSLStreamEncoder* Encoder) : FStreamEncoder(Encoder) {}
    void EncodeLongint(std::int64_t Value) override { FStreamEncoder->EncodeLongint(Value); }
    void EncodeDouble(double Value) override { FStreamEncoder->EncodeDouble(Value); }
    void EncodeString(const AnsiString& Value) override { FStreamEncoder->EncodeString(Value); }
    void EncodeBoolean(bool Value) override { FStreamEncoder->EncodeBoolean(Value); }
    void EncodeIdent(const AnsiString& Name, bool Executable) override {
      FStreamEncoder->EncodeIdent(Name, Executable);
    }
    void EncodeObject(TSLObject* Obj) override { FStreamEncoder->EncodeObject(Obj); }

   private:
    TSLStreamEncoder* FStreamEncoder;
  };

  void EndToken();
  void Flush();

  // The composites written so far by number; entry 0 stands for nil. Not retained:
  // they all belong to the value being written.
  std::vector<TSLComposite*> CompList;
  TStreamEncoderInterface EncoderInterface{this};
  TSLCharStream* CurrentStream = nullptr;
  AnsiString FOut;  // written, not yet handed to the stream
  int FDepth = 0;
};

}  // namespace vt
