// TSLStreamDecoder: turns SL text into SL values. It runs the scanner chain over a
// look-ahead stream, builds composites from the tokens between their brackets, numbers
// them so that "@n" and "@Name" can refer back, and expands "*NAME" constants. The
// process has one, owned by the storage manager; it reads one text at a time.
#pragma once

#include <array>
#include <unordered_map>
#include <vector>

#include "sl/text/Scanners.h"
#include "sl/values/Composite.h"
#include "sl/values/Dictionary.h"

namespace vt {

// The program's type definitions: the constants that "*NAME" finds before any other
// source. Nil until the shell loads them at start-up.
extern TRef<TSLDictionary> TypeDefinitions;

class TSLStreamDecoder;

// The elements of the composite being finished, in text order.
class TSLStreamDecoderCompData : public TSLCompData {
 public:
  TSLStreamDecoderCompData(bool AutoRelease, TSLStreamDecoder* Decoder)
      : TSLCompData(AutoRelease), FStreamDecoder(Decoder) {}
  const char* ClassName() const override { return "TSLStreamDecoderCompData"; }

  int GetElementCount() override { return FElementCount; }
  TSLObject* GetFirstElement() override;
  TSLObject* GetNextElement() override;
  TSLObject* GetElementAtIndex(int Index) override;

  TSLStreamDecoder* FStreamDecoder;
  std::int32_t FElementCount = 0;
};

// How the decoder makes an empty composite of a registered class: CreateEmptyComposite<T>.
using TCompositeFactory = TSLComposite* (*)();

class TSLStreamDecoder : public TSLObject {
 public:
  explicit TSLStreamDecoder(bool AutoRelease);
  const char* ClassName() const override { return "TSLStreamDecoder"; }

  // Appends a scanner to the chain (retained).
  void AddScanner(TSLScanner* Scanner);
  // Registers a composite class under its type letter.
  void RegisterComposite(TCompositeFactory Factory);

  // Reads one top-level value and leaves the stream just after it; nil for a text of
  // only blanks and comments. The value comes retained and autoreleased. Every error
  // carries "[file, line] Syntax error: " in front, the file being the name registered
  // for the stream's storage id, without folders (empty for id 0 or an unknown id).
  TSLObject* ReadObject(TSLLookaheadStream* Stream, bool Debug);
  // ReadObject, and no composite may be left open (nor handed out unfinished): how a
  // whole text is read.
  TSLObject* ReadSingleObject(TSLLookaheadStream* Stream, bool Debug);
  TSLLookaheadStream* GetStream() const { return CurrentStream; }

  // The element source of the composite being finished.
  TSLObject* GetFirstCompositeElement();
  TSLObject* GetNextCompositeElement();
  TSLObject* GetCompositeElementAtIndex(int Index);

  // What the scanners report (through the decoder interface).
  void PushElement(TSLObject* Obj, bool FromReference);
  void BeginOfComposite(char CompType, const AnsiString& Ident, std::unique_ptr<TDbgInfo> DbgInfo);
  void EndOfComposite();
  void ResolvePointer(int Index);
  void ResolvePointer(const AnsiString& Ident);
  void ResolveConstant(const AnsiString& Ident);

  // The top dictionary of the current script task's dictionary stack, or nil: the last
  // two sources of constants (its "GLOBAL_CONST" dictionary, then itself).
  std::function<TSLDictionary*()> OnGetScriptDictionary;

 protected:
  ~TSLStreamDecoder() override;

 private:
  class TStreamDecoderInterface : public TDecoderInterface {
   public:
    explicit TStreamDecoderInterface(TSLStreamDecoder* Decoder) : FStreamDecoder(Decoder) {}
    void PushElement(TSLObject* Obj) override { FStreamDecoder->PushElement(Obj, false); }
    void BeginOfComposite(char CompType, const AnsiString& Ident, std::unique_ptr<TDbgInfo> DbgInfo) override {
      FStreamDecoder->BeginOfComposite(CompType, Ident, std::move(DbgInfo));
    }
    void EndOfComposite() override { FStreamDecoder->EndOfComposite(); }
    void ResolvePointer(int Index) override { FStreamDecoder->ResolvePointer(Index); }
    void ResolvePointer(const AnsiString& Ident) override { FStreamDecoder->ResolvePointer(Ident); }
    void ResolveConstant(const AnsiString& Ident) override { FStreamDecoder->ResolveConstant(Ident); }
    TSLLookaheadStream* GetStream() override { return FStreamDecoder->GetStream(); }

   private:
    TSLStreamDecoder* FStreamDecoder;
  };

  // A value read but not yet inside a finished composite. Height: how deep composites
  // nest in it (0 for scalars), counting shared composites wherever they are reached.
  struct TElement {
    TRef<TSLObject> Obj;
    int Height;
  };
  struct TOpenComposite {
    int ElementCount;
    int Number;  // in CompList
  };
  struct TNumbered {
    TRef<TSLObject> Obj;
    int Height;  // kOpen until its "]"
  };
  static constexpr int kOpen = -1;

  // Reads up to the end of the first top-level value (or of the text).
  void ScanText(TSLLookaheadStream* Stream, bool Debug);
  TSLObject* TakeResult();
  // Drops everything of a text that failed, its cycles cut.
  void Abandon();
  void ScanToken(TSLLookaheadStream& Stream, bool Debug);
  void Push(TSLObject* Obj, int Height);
  int Number(TSLObject* Composite, int Height);
  void PushReference(int Number);
  bool FindConstant(const WideString& Name, TSLObject*& Value) const;
  void PushConstantValue(TSLObject* Value);
  void PushCopy(TSLCollection* Copy, int Height);
  int CopyHeight(const TSLObject* Obj, int Depth);
  std::string SyntaxErrorPrefix(TSLLookaheadStream& Stream) const;
  void Reset();

  std::vector<TOpenComposite> CompositeStack;
  std::vector<TElement> ElementStack;
  std::vector<TRef<TSLScanner>> ScannerList;
  // Composite name (without regard to case) -> number of the first composite of that
  // name in the text being read.
  std::unordered_map<WideString, int, TWideTextHash, TWideTextEqual> IdentDict;
  std::array<TCompositeFactory, 26> CompClasses{};
  std::vector<TNumbered> CompList;
  TSLLookaheadStream* CurrentStream = nullptr;
  TStreamDecoderInterface DecoderInterface{this};
  TRef<TSLStreamDecoderCompData> CurrentCompData;
  int CurrentCompElement = 0;
  int FCopyBudget = 0;  // values constants may still copy into this text
};

// The standard set-up: the nine scanners in chain order, and the composite classes
// A, B, P, D, S and R in this order.
void AddStandardScanners(TSLStreamDecoder& Decoder);
void RegisterStandardComposites(TSLStreamDecoder& Decoder);

}  // namespace vt
