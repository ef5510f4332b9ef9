// Composites: SL values with a type letter and an optional name, which the text
// encoder writes once and refers back to, and the element source the decoder fills
// them from.
#pragma once

#include "sl/values/Object.h"

namespace vt {

// The decoded elements of one composite, in text order.
class TSLCompData : public TSLObject {
 public:
  using TSLObject::TSLObject;
  const char* ClassName() const override { return "TSLCompData"; }

  virtual int GetElementCount() = 0;
  virtual TSLObject* GetFirstElement() = 0;
  // Starts at the first element unless GetFirstElement restarted there.
  virtual TSLObject* GetNextElement() = 0;
  virtual TSLObject* GetElementAtIndex(int Index) = 0;
};

class TSLComposite : public TSLObject {
 public:
  VT_SL_CLASS_BIT(TSLComposite, cbComposite);
  explicit TSLComposite(bool AutoRelease) : TSLObject(AutoRelease) { MarkClass(kClassBit); }
  const char* ClassName() const override { return "TSLComposite"; }

  const AnsiString& Ident() const { return FIdent; }
  void SetIdent(AnsiString Value) { FIdent = std::move(Value); }

  // Fills a composite made by CreateEmptyComposite from the decoded elements.
  virtual void InitComposite(TSLCompData* CompData) = 0;
  // Writes the elements, not the brackets.
  virtual void EncodeCompositeContent(TEncoderInterface& Encoder) = 0;
  virtual char GetCompositeType() const = 0;

  // A composite hands itself to the encoder, which writes it once and refers back.
  void Encode(TEncoderInterface& Encoder) override { Encoder.EncodeObject(this); }
  TSLComposite* AsComposite() override { return this; }

  // The encoder's running number for this composite while it writes.
  std::int32_t CompositeHandle = 0;

 protected:
  AnsiString FIdent;
};

// The decoder's way to make an empty composite of a registered class (count 0).
template <class T>
TSLComposite* CreateEmptyComposite() {
  return new T(false);
}

}  // namespace vt
