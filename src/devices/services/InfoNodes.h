// A drive's info nodes: the chain of blocks in the drive's memory that describes the
// software it carries, one node per firmware file (operating system, programs,
// parameter trees). TInfoNodeList walks the chain over the drive link with the find-info
// and block-read requests; TInfoNodeItem decodes the fixed fields of one node's bytes.
//
// Threads: the GUI thread only: the walk is a task of the main scheduler, and the answers
// come through the list's talk actor.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/Tasks.h"

namespace vt {

class TBasicTalkService;
class TTalkActor;

class TInfoNodeItem {
 public:
  // NodeData: the node's bytes as read; ProSel: the layout (0, 1 or 2). Raises
  // "TInfoNodeItem.Create: node data error" below 34 bytes.
  TInfoNodeItem(std::string NodeData, std::uint8_t ProSel);

  const char* ClassName() const { return "TInfoNodeItem"; }

  // Each field is decoded on every call; one that lies partly or wholly past the end of
  // the node gives the bytes that exist (a shorter text or integer, or an empty one).
  std::uint16_t GetFileType() const;
  std::uint16_t GetFileVersion() const;
  std::uint16_t GetFileSubType() const;
  std::string GetFileName() const;
  std::string GetTreeBaseName() const;  // the bytes of the file name
  std::string GetTreeSubName() const;
  std::uint16_t GetTreeVersion() const;
  std::uint16_t GetTreeSubVersion() const;
  std::string GetTreeBetaInfo() const;
  std::string GetCompleteName() const;
  // Where a parameter tree keeps its sub name: meaningful for program nodes.
  std::int32_t GetStartAddress() const;
  // From offset 80 to the end.
  std::string GetFileInfo() const;
  // Count bytes at 80 + Index: a text, or a little-endian integer; for callers that know
  // a node type's private data.
  std::string GetCustomStr(int Index, int Count) const;
  std::int32_t GetCustomInt(int Index, int Count) const;

  const std::string& NodeData() const { return FNodeData; }
  std::uint8_t ProSel() const { return FProSel; }

 private:
  enum TField : std::uint8_t;
  std::string Text(TField Field) const;
  std::int32_t Int(TField Field) const;

  std::string FNodeData;
  std::uint8_t FProSel;
};

class TInfoNodeList;
using TInfoNodeEvent = std::function<void(TInfoNodeList* Sender)>;

class TInfoNodeList {
 public:
  // Takes an actor from the talk client and starts the task "InfoNodeList".
  TInfoNodeList();
  // Gives the actor back unless a walk still waits for it.
  ~TInfoNodeList();
  TInfoNodeList(const TInfoNodeList&) = delete;
  TInfoNodeList& operator=(const TInfoNodeList&) = delete;

  const char* ClassName() const { return "TInfoNodeList"; }

  // Frees every node.
  void Clear();
  // Starts a walk over the drive of ATalkService from address 0, asking for nodes of
  // ANodeType; ARespProc is called once when it ends. Raises "TInfoNodeList.ReadInfoNodes:
  // not ready" during a walk, "TInfoNodeList.ReadInfoNodes: not on-line" and
  // "TInfoNodeListUnknown talk protocol version!", changing nothing.
  void ReadInfoNodes(TBasicTalkService* ATalkService, std::uint8_t ANodeType, TInfoNodeEvent ARespProc);

  int GetCount() const { return static_cast<int>(FNodeList.size()); }
  // Sorted by file sub type; nodes of equal sub type in the order read.
  TInfoNodeItem* GetItem(int Index) const { return FNodeList.at(Index).get(); }
  bool Busy() const { return WorkState != wsReady; }

 private:
  enum TWorkState : std::uint8_t { wsReady, wsRead1, wsRead2, wsRead3 };

  void Work(TMxTask* Sender);
  void FindNextNode();
  void FindNextNodeResponse(TTalkActor* Actor);
  void ReadCurrentNode();
  void ReadCurrentNodeResponse(TTalkActor* Actor);
  void Finish();
  // The node is left out with a logged reason; the search goes on past its start.
  void SkipNode(const std::string& Reason);
  // The walk ends with the nodes found so far.
  void EndWalk(const std::string& Reason);
  void Insert(std::unique_ptr<TInfoNodeItem> Item);
  void Next(TWorkState State);
  // Runs an answer handler; what it raises ends the walk instead of the actor's task.
  void Answered(void (TInfoNodeList::*Handler)(TTalkActor*), TTalkActor* Actor);

  std::uint8_t FProSel = 1;
  std::vector<std::unique_ptr<TInfoNodeItem>> FNodeList;
  TBasicTalkService* FTalkService = nullptr;
  std::uint8_t FNodeType = 0;
  TInfoNodeEvent FRespProc;
  std::uint32_t CurrentNodeAddr = 0;
  std::uint16_t CurrentNodeSize = 0;
  TWorkState WorkState = wsReady;
  TMxSignal WorkSignal;
  std::unique_ptr<TTalkActor> WorkActor;
  // Last: the task goes first.
  TMxTask WorkTask;
};

}  // namespace vt
