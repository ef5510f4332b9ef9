// The talk service with the standard patterns; see BasicTalkService.h.
#include "comm/BasicTalkService.h"

#include <type_traits>

namespace vt {

namespace {

// The protocol versions whose standard set this is: 0x80 to 0xAF.
bool StandardSetVersion(std::uint8_t Version) { return Version >> 4 >= 0x8 && Version >> 4 <= 0xA; }

}  // namespace

TBasicTalkService::TBasicTalkService(TDevice* AOwner, TSLDictionary* AProfDict)
    : TTalkService(AOwner, AProfDict),
      FDeviceLogin(std::make_unique<TLoginPattern>(this, 0x01)),
      FDeviceLogout(std::make_unique<TSimplePattern>(this, 0x02)) {
  Init(0x80);
}

TBasicTalkService::~TBasicTalkService() = default;

void TBasicTalkService::Init(std::uint8_t ProtocolVersion) {
  const bool standard = StandardSetVersion(ProtocolVersion);
  // Every field is made anew or emptied: none keeps a pattern of the previous set.
  const auto make = [&](auto& Field, auto... Args) {
    using TPattern = typename std::decay_t<decltype(Field)>::element_type;
    Field = standard ? std::make_unique<TPattern>(this, Args...) : nullptr;
  };
  make(FGetStatus, std::uint8_t{0x03});
  make(FGetMemoryWord, std::uint8_t{0x10});
  make(FSetMemoryWord, std::uint8_t{0x11});
  make(FSetFlashWord, std::uint8_t{0x12});
  make(FStartProgram, std::uint8_t{0x20});
  make(FStopProgram, std::uint8_t{0x21});
  make(FResetDevice, std::uint8_t{0x22});
  make(FRebootDevice, std::uint8_t{0x22});
  make(FEraseFlash, std::uint8_t{0x23});
  make(FEraseFlashAll, std::uint8_t{0x27});
  make(FEraseSWInstance, std::uint8_t{0x89});
  make(FFindInfoNode, std::uint8_t{0x25});
  make(FGetMemoryBlock, std::uint8_t{0x30});
  make(FGetFlashMemoryBlock, std::uint8_t{0x36});
  make(FSetMemoryBlock, std::uint8_t{0x31});
  make(FSetFlashBlock, std::uint8_t{0x32});
  make(FSetEncFlashBlock, std::uint8_t{0x37});
  make(FGetMemoryString, std::uint8_t{0x34});
  make(FSetMemoryString, std::uint8_t{0x35});
  make(FMaskMemoryWord, std::uint8_t{0x13});
  make(FCopyRamToFlash, std::uint8_t{0x33});
  make(FOldStartProgram, std::uint8_t{0x20});
  make(FGetFirstEmptyAddr, std::uint8_t{0x26});
  make(FSetParWithUPID, std::uint8_t{0x89});
  make(FGetParWithUPID, std::uint8_t{0x88});
  make(FBlinkDevice, std::uint8_t{0x05});
  make(FClearInstancePar, std::uint8_t{0x89}, 0x06);
  make(FClearInstanceAll, std::uint8_t{0x89}, 0x09);
  make(FSetInstanceDefPar, std::uint8_t{0x89}, 0x08);
  make(FGetInstanceTreeName, std::uint8_t{0x88}, 0x10);
  make(FUpdateUPIDList, std::uint8_t{0x89}, 0x07);
  make(FEraseMemory, std::uint8_t{0x89}, 0x0A);
  make(FCurveSaveRamToFlash, std::uint8_t{0x90}, 0x0D);
  make(FCTSaveRamToFlash, std::uint8_t{0x94}, 0x08);
  make(FGenericCmd, RawFrameTalkId);
}

}  // namespace vt
