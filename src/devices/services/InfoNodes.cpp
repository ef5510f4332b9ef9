// The walk over a drive's info nodes and the decoding of one node; see InfoNodes.h.
#include "devices/services/InfoNodes.h"

#include <algorithm>
#include <array>

#include "comm/BasicTalkService.h"
#include "comm/TalkActor.h"
#include "comm/TalkClient.h"
#include "platform/Exceptions.h"
#include "runtime/DebugLog.h"

namespace vt {

// ---- One node ----

enum TInfoNodeItem::TField : std::uint8_t {
  fFileType,
  fFileVersion,
  fFileSubType,
  fFileName,
  fTreeSubName,
  fTreeVersion,
  fTreeSubVersion,
  fTreeBetaInfo,
  fCompleteTreeName,
  fStartAddress,
  fFileInfo,
};

namespace {

struct TPlace {
  int Offset;
  int Size;  // -1: to the end of the node
};

// One column per layout, one row per field.
constexpr std::array<std::array<TPlace, 3>, 11> Layouts{{
    {{{4, 2}, {4, 2}, {4, 2}}},        // file type
    {{{6, 2}, {6, 2}, {8, 2}}},        // file version
    {{{10, 2}, {10, 2}, {16, 2}}},     // file sub type
    {{{12, 16}, {12, 16}, {20, 16}}},  // file name, tree base name
    {{{28, 16}, {28, 16}, {36, 16}}},  // tree sub name
    {{{44, 2}, {44, 2}, {52, 2}}},     // tree version
    {{{46, 2}, {46, 2}, {56, 2}}},     // tree sub version
    {{{48, 16}, {48, 16}, {60, 16}}},  // tree beta info
    {{{74, 62}, {76, 62}, {88, 62}}},  // complete tree name
    {{{28, 4}, {28, 4}, {28, 4}}},     // start address
    {{{80, -1}, {80, -1}, {80, -1}}},  // file info
}};

constexpr std::size_t MinNodeSize = 34;
constexpr int CustomOffset = 80;
// An empty node is skipped with the text of a short one.
constexpr char NodeDataError[] = "TInfoNodeItem.Create: node data error";

// The bytes of a field that exist.
std::string Bytes(const std::string& Data, int Offset, int Size) {
  if (Offset < 0 || static_cast<std::size_t>(Offset) >= Data.size() || Size == 0) return {};
  return Data.substr(Offset, Size < 0 ? std::string::npos : static_cast<std::size_t>(Size));
}

std::string CutAtZero(std::string Text) {
  Text.resize(std::min(Text.size(), Text.find('\0')));
  return Text;
}

// Little-endian, built from the last byte down into 32 bits.
std::int32_t BinToInt(const std::string& Bytes) {
  std::uint32_t v = 0;
  for (auto it = Bytes.rbegin(); it != Bytes.rend(); ++it) v = v << 8 | static_cast<std::uint8_t>(*it);
  return static_cast<std::int32_t>(v);
}

}  // namespace

TInfoNodeItem::TInfoNodeItem(std::string NodeData, std::uint8_t ProSel)
    : FNodeData(std::move(NodeData)), FProSel(ProSel) {
  if (FNodeData.size() < MinNodeSize) throw Exception(NodeDataError);
}

std::string TInfoNodeItem::Text(TField Field) const {
  const TPlace p = Layouts[Field].at(FProSel);
  return CutAtZero(Bytes(FNodeData, p.Offset, p.Size));
}

std::int32_t TInfoNodeItem::Int(TField Field) const {
  const TPlace p = Layouts[Field].at(FProSel);
  return BinToInt(Bytes(FNodeData, p.Offset, p.Size));
}

std::uint16_t TInfoNodeItem::GetFileType() const { return static_cast<std::uint16_t>(Int(fFileType)); }
std::uint16_t TInfoNodeItem::GetFileVersion() const { return static_cast<std::uint16_t>(Int(fFileVersion)); }
std::uint16_t TInfoNodeItem::GetFileSubType() const { return static_cast<std::uint16_t>(Int(fFileSubType)); }
std::string TInfoNodeItem::GetFileName() const { return Text(fFileName); }
std::string TInfoNodeItem::GetTreeBaseName() const { return Text(fFileName); }
std::string TInfoNodeItem::GetTreeSubName() const { return Text(fTreeSubName); }
std::uint16_t TInfoNodeItem::GetTreeVersion() const { return static_cast<std::uint16_t>(Int(fTreeVersion)); }
std::uint16_t TInfoNodeItem::GetTreeSubVersion() const { return static_cast<std::uint16_t>(Int(fTreeSubVersion)); }
std::string TInfoNodeItem::GetTreeBetaInfo() const { return Text(fTreeBetaInfo); }
std::string TInfoNodeItem::GetCompleteName() const { return Text(fCompleteTreeName); }
std::int32_t TInfoNodeItem::GetStartAddress() const { return Int(fStartAddress); }
std::string TInfoNodeItem::GetFileInfo() const { return Text(fFileInfo); }

std::string TInfoNodeItem::GetCustomStr(int Index, int Count) const {
  return CutAtZero(Bytes(FNodeData, CustomOffset + Index, std::max(Count, 0)));
}

std::int32_t TInfoNodeItem::GetCustomInt(int Index, int Count) const {
  return BinToInt(Bytes(FNodeData, CustomOffset + Index, std::max(Count, 0)));
}

// ---- The walk ----

TInfoNodeList::TInfoNodeList() : WorkActor(TalkClient()->GetActor()), WorkTask("InfoNodeList") {
  WorkTask.OnExecute = [this](TMxTask* Sender) { Work(Sender); };
  WorkTask.Start();
}

// A busy actor cannot be pooled: it is dropped, and the talk server's late reply to it
// with it.
TInfoNodeList::~TInfoNodeList() {
  WorkActor->OnResponse = nullptr;
  if (TalkClient() && !WorkActor->IsBusy()) TalkClient()->PutActor(WorkActor);
}

void TInfoNodeList::Clear() { FNodeList.clear(); }

void TInfoNodeList::ReadInfoNodes(TBasicTalkService* ATalkService, std::uint8_t ANodeType, TInfoNodeEvent ARespProc) {
  const std::string name = ClassName();
  if (WorkState != wsReady) throw Exception(name + ".ReadInfoNodes: not ready");
  if (!ATalkService->DeviceOnline()) throw Exception(name + ".ReadInfoNodes: not on-line");
  const std::uint8_t version = ATalkService->ProtocolVersion() & 0xF0;
  if (version != 0x80 && version != 0x90 && version != 0xA0) throw Exception(name + "Unknown talk protocol version!");
  Clear();
  FTalkService = ATalkService;
  FProSel = 1;
  FNodeType = ANodeType;
  FRespProc = std::move(ARespProc);
  CurrentNodeAddr = 0;
  Next(wsRead1);
}

void TInfoNodeList::Next(TWorkState State) {
  WorkState = State;
  WorkSignal.SetReady(true);
}

// The signal is cleared before the step, so that a step which hands over at once (a
// skipped node, a new walk started from the callback) is not lost.
void TInfoNodeList::Work(TMxTask* Sender) {
  WorkSignal.SetReady(false);
  try {
    switch (WorkState) {
      case wsReady:
        break;
      case wsRead1:
        FindNextNode();
        break;
      case wsRead2:
        ReadCurrentNode();
        break;
      case wsRead3:
        Finish();
        break;
    }
  } catch (...) {
    EndWalk(CurrentExceptionText());
  }
  Sender->WaitFor(&WorkSignal, MxNoTimeout);
}

void TInfoNodeList::Answered(void (TInfoNodeList::*Handler)(TTalkActor*), TTalkActor* Actor) {
  try {
    (this->*Handler)(Actor);
  } catch (...) {
    EndWalk(CurrentExceptionText());
  }
}

void TInfoNodeList::EndWalk(const std::string& Reason) {
  LogError(Reason);
  Next(wsRead3);
}

void TInfoNodeList::SkipNode(const std::string& Reason) {
  LogError(Reason);
  CurrentNodeAddr += FTalkService->AddrIncrement();
  Next(wsRead1);
}

void TInfoNodeList::FindNextNode() {
  WorkActor->Clear();
  FTalkService->FFindInfoNode->Put(*WorkActor, static_cast<std::int32_t>(CurrentNodeAddr), FNodeType, 0);
  WorkActor->OnResponse = [this](TTalkActor* Actor) { Answered(&TInfoNodeList::FindNextNodeResponse, Actor); };
  WorkActor->Execute();
}

// A drive without further nodes answers with an error. One that points below the search
// start would have the walk read the same nodes for ever: that ends the walk too.
void TInfoNodeList::FindNextNodeResponse(TTalkActor* Actor) {
  Actor->Reset();
  if (Actor->GetResult() != 0) {
    Actor->Clear();
    return Next(wsRead3);
  }
  const TFindInfoPattern& find = *FTalkService->FFindInfoNode;
  const auto address = static_cast<std::uint32_t>(find.GetNodeAddr(*Actor));
  const std::uint16_t size = find.GetNodeSize(*Actor);
  Actor->Clear();
  if (address < CurrentNodeAddr)
    return EndWalk(std::string(ClassName()) + ".FindNextNodeResponse: node address below the search start");
  CurrentNodeAddr = address;
  CurrentNodeSize = size;
  Next(wsRead2);
}

// The node in blocks of whole data words, each as large as one answer holds.
void TInfoNodeList::ReadCurrentNode() {
  const int d = FTalkService->DataFieldSize();
  if (d == 0 || CurrentNodeSize % d != 0)
    return SkipNode(std::string(ClassName()) + ".ReadCurrentNode: node size error (Size = " +
                    std::to_string(CurrentNodeSize) + ")");
  if (CurrentNodeSize == 0) return SkipNode(NodeDataError);
  const TGetBlockPattern& block = *FTalkService->FGetMemoryBlock;
  const int maxSize = block.GetMaxSize();
  if (maxSize <= 0) throw Exception(std::string(ClassName()) + ".ReadCurrentNode: the drive's buffer holds no block");
  WorkActor->Clear();
  int remaining = CurrentNodeSize;
  std::uint32_t address = CurrentNodeAddr;
  while (remaining > 0) {
    const int chunk = std::min(maxSize, remaining);
    block.Put(*WorkActor, static_cast<std::int32_t>(address), static_cast<std::uint8_t>(chunk), 0);
    remaining -= chunk;
    address += static_cast<std::uint32_t>(chunk / d * FTalkService->AddrIncrement());
  }
  WorkActor->OnResponse = [this](TTalkActor* Actor) { Answered(&TInfoNodeList::ReadCurrentNodeResponse, Actor); };
  WorkActor->Execute();
}

void TInfoNodeList::ReadCurrentNodeResponse(TTalkActor* Actor) {
  Actor->Reset();
  const TGetBlockPattern& block = *FTalkService->FGetMemoryBlock;
  std::string bytes;
  for (int i = 0; i < Actor->GetCount(); ++i) {
    if (i > 0) Actor->Next();
    if (Actor->GetResult() != 0) {
      LogError("Error reading file info block");
      bytes.clear();
      break;
    }
    bytes += block.GetData(*Actor);
  }
  Actor->Clear();
  if (!bytes.empty()) {
    try {
      Insert(std::make_unique<TInfoNodeItem>(std::move(bytes), FProSel));
    } catch (const Exception& e) {
      return SkipNode(e.Message());
    }
  }
  CurrentNodeAddr += FTalkService->AddrIncrement();
  Next(wsRead1);
}

// Before the first node of a greater sub type: nodes of equal sub type stay in the order read.
void TInfoNodeList::Insert(std::unique_ptr<TInfoNodeItem> Item) {
  const std::uint16_t subType = Item->GetFileSubType();
  const auto at = std::find_if(FNodeList.begin(), FNodeList.end(),
                               [&](const auto& Node) { return Node->GetFileSubType() > subType; });
  FNodeList.insert(at, std::move(Item));
}

// Ready before the callback, which may start the next walk; what the callback raises is
// its own failure, not the walk's.
void TInfoNodeList::Finish() {
  WorkState = wsReady;
  if (!FRespProc) return;
  try {
    FRespProc(this);
  } catch (...) {
    LogError(CurrentExceptionText());
  }
}

}  // namespace vt
