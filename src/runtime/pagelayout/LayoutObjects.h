// The base of the page-layout objects: the reference count, frames with a place and a
// reference point, collections that hold references, and single-line texts.
// Positions and sizes are integer logical units; the context maps them to a device.
#pragma once

#include <QPoint>
#include <QString>

#include <string>
#include <string_view>
#include <vector>

#include "platform/Exceptions.h"
#include "sl/values/RefCounting.h"

namespace vt {

class TPLContext;

// The library's own errors.
class EPLError : public Exception {
  using Exception::Exception;
};

// The errors the platform raises for an abstract call and a bad list index.
[[noreturn]] void RaiseAbstractError();
[[noreturn]] void RaiseListIndexError(int Index);

// 8-bit text as the canvas takes it.
QString AnsiToQString(std::string_view Text);

enum TGraphicAction { gaPreRender, gaRender, gaExtent, gaDraw };
enum TTextHorzAlign { thaLeft, thaCenter, thaRight };
enum TTextVertAlign { tvaTop, tvaRoof, tvaMid, tvaBase, tvaBottom };

// A new object has the count 0: whoever creates it hands it to a container (which
// takes a reference) or holds it in a TRef. Release frees it at 0 or below.
class TPLObject {
 public:
  TPLObject() = default;
  TPLObject(const TPLObject&) = delete;
  TPLObject& operator=(const TPLObject&) = delete;

  virtual void Execute(TGraphicAction Action, TPLContext& Context);

  void AddRef() { ++FRefCount; }
  void Release() {
    if (--FRefCount <= 0) delete this;
  }
  // The name the system's one handle (TRef) calls.
  void Retain() { AddRef(); }
  int GetRefCount() const { return FRefCount; }

 protected:
  virtual ~TPLObject() = default;

 private:
  int FRefCount = 0;
};

// An object with a rectangle and a reference point inside it (X, Y).
class TPLFrame : public TPLObject {
 public:
  int GetX() const { return FLeft + FOrigin.x(); }
  int GetY() const { return FTop + FOrigin.y(); }
  // Moves the frame so that its reference point lands on the value.
  void SetX(int Value) { FLeft = Value - FOrigin.x(); }
  void SetY(int Value) { FTop = Value - FOrigin.y(); }

  int FLeft = 0;
  int FTop = 0;
  int FWidth = 0;
  int FHeight = 0;
  QPoint FOrigin;
  int FBase = 0;   // top to baseline
  int FSpace = 0;  // gap that follows the frame in flowing text
};

class TPLCollection : public TPLObject {
 public:
  ~TPLCollection() override;

  // Every action goes to the items in order.
  void Execute(TGraphicAction Action, TPLContext& Context) override;

  void Add(TPLObject* Obj);
  void Delete(int Index);
  void Remove(TPLObject* Obj);
  void Clear();
  int GetCount() const { return static_cast<int>(FList.size()); }
  TPLObject* GetItem(int Index) const;
  // Without a range check, for the layout loops that walk known indexes.
  TPLObject* Item(int Index) const { return FList[Index]; }

 private:
  std::vector<TPLObject*> FList;
};

// One line of text in a document font; its reference point follows the alignments.
class TPLText : public TPLFrame {
 public:
  TPLText(int X, int Y, std::string_view Text);
  void Execute(TGraphicAction Action, TPLContext& Context) override;

  std::string FText;  // 8-bit text
  QString FShownText;  // FText for the canvas, converted once
  int FFontIndex = 0;
  TTextHorzAlign FHorzAlign = thaLeft;
  TTextVertAlign FVertAlign = tvaTop;
};

}  // namespace vt
