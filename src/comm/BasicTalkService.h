// The talk service the program registers as "TalkService": the talk service with the
// standard pattern objects of a device, through which the device's services send the
// drive's basic commands (words, blocks, strings, start and stop, flash, instances,
// parameters by UPID, free-form frames).
//
// Threads: the GUI thread only.
#pragma once

#include <memory>

#include "comm/TalkService.h"
#include "comm/TelegramPatterns.h"

namespace vt {

class TBasicTalkService : public TTalkService {
 public:
  // Makes the login and logout patterns and the standard set of protocol version 0x80.
  TBasicTalkService(TDevice* AOwner, TSLDictionary* AProfDict);
  ~TBasicTalkService() override;

  const char* ClassName() const override { return "TBasicTalkService"; }

  // For versions 0x80 to 0xAF a new standard set replaces the old one; for any other
  // version there is none (the fields below FGetStatus are empty).
  void Init(std::uint8_t ProtocolVersion) override;

  const std::unique_ptr<TLoginPattern> FDeviceLogin;
  const std::unique_ptr<TSimplePattern> FDeviceLogout;
  std::unique_ptr<TGetStatusPattern> FGetStatus;
  std::unique_ptr<TGetWordPattern> FGetMemoryWord;
  std::unique_ptr<TSetWordPattern> FSetMemoryWord;
  std::unique_ptr<TSetWordPattern> FSetFlashWord;
  std::unique_ptr<TSimplePattern> FStartProgram;
  std::unique_ptr<TSimplePattern> FStopProgram;
  std::unique_ptr<TSimplePattern> FResetDevice;
  std::unique_ptr<TByteActionPattern> FRebootDevice;
  std::unique_ptr<TAddrActionPattern> FEraseFlash;
  std::unique_ptr<TSimplePattern> FEraseFlashAll;
  std::unique_ptr<TCustomPattern> FEraseSWInstance;
  std::unique_ptr<TFindInfoPattern> FFindInfoNode;
  std::unique_ptr<TGetBlockPattern> FGetMemoryBlock;
  std::unique_ptr<TGetBlockPattern> FGetFlashMemoryBlock;
  std::unique_ptr<TSetBlockPattern> FSetMemoryBlock;
  std::unique_ptr<TSetBlockPattern> FSetFlashBlock;
  std::unique_ptr<TSetBlockPattern> FSetEncFlashBlock;
  std::unique_ptr<TGetStringPattern> FGetMemoryString;
  std::unique_ptr<TSetStringPattern> FSetMemoryString;
  std::unique_ptr<TSetBitPattern> FMaskMemoryWord;
  std::unique_ptr<TCopyBlockPattern> FCopyRamToFlash;
  std::unique_ptr<TAddrActionPattern> FOldStartProgram;
  std::unique_ptr<TGetFirstEmptyPattern> FGetFirstEmptyAddr;
  std::unique_ptr<TCustomPattern> FSetParWithUPID;
  std::unique_ptr<TCustomPattern> FGetParWithUPID;
  std::unique_ptr<TCustomPattern> FBlinkDevice;
  std::unique_ptr<TInstancePattern> FClearInstancePar;
  std::unique_ptr<TInstancePattern> FClearInstanceAll;
  std::unique_ptr<TInstancePattern> FSetInstanceDefPar;
  std::unique_ptr<TInstancePattern> FGetInstanceTreeName;
  std::unique_ptr<TInstancePattern> FUpdateUPIDList;
  std::unique_ptr<TEraseMemPattern> FEraseMemory;
  std::unique_ptr<TCurvePattern> FCurveSaveRamToFlash;
  std::unique_ptr<TCurvePattern> FCTSaveRamToFlash;
  std::unique_ptr<TCustomPattern> FGenericCmd;  // the caller's bytes are the whole frame
};

}  // namespace vt
