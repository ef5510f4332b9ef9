// The generic serial driver; see CommDriver.h.
#include "comm/CommDriver.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "comm/CommPort.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/PathResolver.h"
#include "runtime/DebugLog.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace {

// Separates the labels and values of SendFiletoCom's label text.
constexpr char LabelSeparator = '\xA3';

// The pairs of the label text, in order; an item runs to the next separator or the end.
TRef<TSLDictionary> LabelDictionary(const AnsiString& Text) {
  auto dict = MakeRef<TSLDictionary>();
  const auto item = [&Text](std::size_t& Pos) {
    if (Pos >= Text.size()) return AnsiString();
    const std::size_t end = std::min(Text.find(LabelSeparator, Pos + 1), Text.size());
    AnsiString value = Text.substr(Pos + 1, end - Pos - 1);
    Pos = end;
    return value;
  };
  // A pair begins at a separator that something follows.
  for (std::size_t pos = Text.find(LabelSeparator); pos != AnsiString::npos && pos + 1 < Text.size();) {
    const AnsiString label = item(pos);
    const AnsiString value = item(pos);
    dict->AddObject(AnsiToWide(label), MakeRef<TSLString>(AnsiToWide(value)).get());
  }
  return dict;
}

std::string ReadFileBytes(const WideString& Name) {
  std::ifstream in(ResolvePath(Name), std::ios::binary);
  if (!in) throw Exception(Format("Cannot open file \"%s\". %s", WideToUtf8(Name), std::strerror(errno)));
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const WideString& Name, const std::string& Bytes) {
  std::ofstream out(ResolvePath(Name), std::ios::binary | std::ios::trunc);
  if (out) out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  if (out) out.close();
  if (!out) throw Exception(Format("Cannot create file \"%s\". %s", WideToUtf8(Name), std::strerror(errno)));
}

// Every occurrence of Label in Text by Value; the scan goes on after the inserted value,
// so a value that holds its own label is not replaced again.
void ReplaceAll(std::string& Text, const std::string& Label, const std::string& Value) {
  for (std::size_t pos = Text.find(Label); pos != std::string::npos; pos = Text.find(Label, pos + Value.size()))
    Text.replace(pos, Label.size(), Value);
}

std::uint8_t PortParity(TCommParity Parity) {
  switch (Parity) {
    case cpNone:
      return 0;
    case cpOdd:
      return 1;
    case cpEven:
      return 2;
  }
  throw Exception("Internal Error: unknown parity type");
}

}  // namespace

TCommDriver::TCommDriver(TThreadManager* AThreadManager)
    : FThreadManager(AThreadManager), FCommPort(std::make_unique<TCommPort>()) {
  if (!AThreadManager) throw Exception("Internal Error: ThreadManager not assigned");
  FCommPort->FOnReceive = [this](const std::string& Data, std::uint8_t& NextSize, bool& Stop) {
    CommPortReceive(Data, NextSize, Stop);
  };
}

// The port goes first: once it is closed, the receive thread no longer calls in.
TCommDriver::~TCommDriver() { FCommPort->ClosePort(); }

// ---- Port and line settings ----

void TCommDriver::Open() {
  {
    std::lock_guard lock(FInitReceiverLock);
    FPaused = true;
    // A byte held from an earlier opening belongs to that one.
    FDataReady = false;
  }
  FCommPort->OpenPort(FThreadManager);
}

void TCommDriver::Close() { FCommPort->ClosePort(); }

bool TCommDriver::IsOpen() const { return FCommPort->IsOpen(); }

template <class T>
void TCommDriver::Configure(T& Setting, T Value) {
  if (IsOpen()) throw Exception(Format("%s: configuration not allowed when port is open", ClassName()));
  Setting = Value;
}

AnsiString TCommDriver::PortIdent() const { return FCommPort->FPortName; }

void TCommDriver::SetPortIdent(const AnsiString& Value) { Configure(FCommPort->FPortName, Value); }

std::uint32_t TCommDriver::BaudRate() const { return FCommPort->FBaud; }

void TCommDriver::SetBaudRate(std::uint32_t Value) { Configure(FCommPort->FBaud, Value); }

TCommParity TCommDriver::Parity() const {
  switch (FCommPort->FParity) {
    case 0:
      return cpNone;
    case 1:
      return cpOdd;
    case 2:
      return cpEven;
  }
  throw Exception("Internal Error: unknown parity type");
}

void TCommDriver::SetParity(TCommParity Value) { Configure(FCommPort->FParity, PortParity(Value)); }

std::uint8_t TCommDriver::DataBits() const { return FCommPort->FDataBits; }

void TCommDriver::SetDataBits(std::uint8_t Value) { Configure(FCommPort->FDataBits, Value); }

std::uint8_t TCommDriver::StopBits() const { return FCommPort->FStopBits; }

void TCommDriver::SetStopBits(std::uint8_t Value) { Configure(FCommPort->FStopBits, Value); }

// ---- Waits ----

void TCommDriver::WaitForChar(void* BufPtr, std::uint8_t AChar, std::uint32_t MaxCount) {
  InitReceiver(BufPtr, MaxCount, AChar, {}, scSingleChar, true);
}

void TCommDriver::WaitForCharSet(void* BufPtr, const TCharSet& ACharSet, std::uint32_t MaxCount) {
  InitReceiver(BufPtr, MaxCount, 0, ACharSet, scCharSet);
}

void TCommDriver::WaitForCharCount(void* BufPtr, std::uint32_t MaxCount) {
  InitReceiver(BufPtr, MaxCount, 0, {}, scCharCount);
}

void TCommDriver::ResetReceiver() { InitReceiver(nullptr, 0, 0, {}, scNoCondition); }

std::uint32_t TCommDriver::RxBufCount() const {
  std::lock_guard lock(FInitReceiverLock);
  return FRxBufCount;
}

std::uint8_t TCommDriver::LastStopChar() const {
  std::lock_guard lock(FInitReceiverLock);
  return FLastStopChar;
}

bool TCommDriver::HoldsByte() const {
  std::lock_guard lock(FInitReceiverLock);
  return FDataReady;
}

void TCommDriver::SetOnTrigger(TTriggerEvent Value) {
  std::lock_guard lock(FInitReceiverLock);
  FOnTrigger = std::move(Value);
}

void TCommDriver::InitReceiver(void* BufPtr, std::uint32_t MaxCount, std::uint8_t StopChar, const TCharSet& StopCharSet,
                               TStopCondition StopCondition, bool DropHeldByte) {
  bool trigger = false;
  bool restart = false;
  {
    std::lock_guard lock(FInitReceiverLock);
    if (DropHeldByte) FDataReady = false;
    FStopCondition = StopCondition;
    FRxBufPtr = static_cast<std::uint8_t*>(BufPtr);
    FRxBufCount = 0;
    FMaxRxBufCount = MaxCount;
    FStopChar = StopChar;
    FStopCharSet = StopCharSet;
    FRecording = BufPtr != nullptr;
    FPaused = false;
    if (MaxCount != 0 || !BufPtr) {
      if (FDataReady) trigger = ProcessDataChar();
      restart = !FPaused;
    } else {
      trigger = TriggerStopCondition(0);
    }
  }
  if (restart) FCommPort->Start();
  if (trigger) CallTrigger();
}

void TCommDriver::CommPortReceive(const std::string& Data, std::uint8_t& NextSize, bool& Stop) {
  // One byte per read: while the receiver is paused, the next ones wait in the port's queue.
  NextSize = 1;
  if (Data.empty()) return;
  bool trigger = false;
  {
    std::lock_guard lock(FInitReceiverLock);
    FDataChar = static_cast<std::uint8_t>(Data[0]);
    FDataReady = true;
    if (!FPaused) trigger = ProcessDataChar();
  }
  // A failing trigger must not end reception for good: the receive thread carries on.
  if (trigger) try {
      CallTrigger();
    } catch (...) {
      LogError(Format("%s.OnTrigger: %s", ClassName(), CurrentExceptionText()));
    }
  // A wait that the trigger started has lifted the pause again.
  std::lock_guard lock(FInitReceiverLock);
  Stop = FPaused;
}

bool TCommDriver::ProcessDataChar() {
  // Taken before the trigger can run: a wait it starts must not see this byte again.
  FDataReady = false;
  const std::uint8_t ch = FDataChar;
  if ((FStopCondition == scSingleChar && ch == FStopChar) || (FStopCondition == scCharSet && FStopCharSet[ch]))
    return TriggerStopCondition(ch);
  if (!FRecording) return false;
  *FRxBufPtr++ = ch;
  return ++FRxBufCount == FMaxRxBufCount && TriggerStopCondition(0);
}

bool TCommDriver::TriggerStopCondition(std::uint8_t Ch) {
  FPaused = true;
  if (FStopCondition == scNoCondition) return false;
  FLastStopChar = Ch;
  FRecording = false;
  FStopCondition = scNoCondition;
  return true;
}

void TCommDriver::CallTrigger() {
  TTriggerEvent trigger;
  {
    std::lock_guard lock(FInitReceiverLock);
    trigger = FOnTrigger;
  }
  if (trigger) trigger(this);
}

// ---- Sending ----

void TCommDriver::SendBuffer(const void* BufPtr, int ByteCount) { FCommPort->SendBuffer(BufPtr, ByteCount); }

void TCommDriver::SendFiletoCom(const WideString& Source, const WideString& Destination,
                                const AnsiString& ChangeDictString) {
  TestString = Source;
  if (!FileExists(Source)) return;
  ReplaceLabel(LabelDictionary(ChangeDictString).get(), Source, Destination);
}

void TCommDriver::ReplaceLabel(const TSLDictionary* ChangeDict, const WideString& Source, const WideString& TempDest) {
  if (!FileExists(Source)) return ShowMessage(u"Source File does not exist");
  std::string text = ReadFileBytes(Source);
  for (int i = 0; i < ChangeDict->GetCount(); ++i) {
    const WideString name = ChangeDict->GetNameAtIndex(i);
    const AnsiString label = WideToAnsi(name);
    if (label.size() > 1) ReplaceAll(text, label, WideToAnsi(ChangeDict->GetStrWithName(name)));
  }
  WriteFileBytes(TempDest, text);
  FCommPort->Send(text);
}

}  // namespace vt
