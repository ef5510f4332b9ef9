// Message text coding; see MessageCoding.h.
#include "runtime/MessageCoding.h"

#include "platform/Exceptions.h"

namespace vt {

namespace {

constexpr std::uint8_t Tab = 0x09;
constexpr std::uint8_t Cr = 0x0D;

}  // namespace

void TMessageWriter::CreateMessage() { FMessage = TMxMessage::Create(); }

void TMessageWriter::SetItem(TMxMessage* Msg) {
  FMessage = Msg;
  if (FMessage) FMessage->Clear();
}

void TMessageWriter::Append(std::string_view Data) {
  for (char c : Data) FMessage->AddByte(static_cast<std::uint8_t>(c));
}

void TMessageWriter::PutCommand(std::string_view Data) {
  if (Data.empty()) throw Exception("PutCommand: Empty Data");
  if (FMessage->GetSize() > 0) FMessage->AddByte(Cr);
  Append(Data);
}

void TMessageWriter::PutParameter(std::string_view Data) {
  if (Data.empty()) throw Exception("TMessageWriter.PutParameter: Empty Data");
  if (FMessage->GetSize() == 0) throw Exception("TMessageWriter.PutParameter: need a PutCommand first");
  FMessage->AddByte(Tab);
  Append(Data);
}

void TMessageReader::SetItem(TMxMessage* Msg) {
  FMessage = Msg;
  BufferPointer.AssignBuffer(Msg ? &Msg->Buffer() : nullptr);
}

AnsiString TMessageReader::GetCommand() {
  if (BufferPointer.EndOfBuffer()) return {};
  if (BufferPointer.Position() != 0) {
    while (!BufferPointer.EndOfBuffer() && BufferPointer.GetByte() != Cr) BufferPointer.Increment();
    if (BufferPointer.EndOfBuffer()) return {};
    BufferPointer.Increment();
  }
  return GetData();
}

AnsiString TMessageReader::GetParameter() {
  if (BufferPointer.EndOfBuffer() || BufferPointer.Position() == 0 || BufferPointer.GetByte() != Tab) return {};
  BufferPointer.Increment();
  return GetData();
}

AnsiString TMessageReader::GetData() {
  AnsiString item;
  while (!BufferPointer.EndOfBuffer()) {
    const std::uint8_t b = BufferPointer.GetByte();
    if (b == Tab || b == Cr) break;
    item += static_cast<char>(b);
    BufferPointer.Increment();
  }
  return item;
}

void TMessageReader::DestroyMessage() {
  TMxMessage::Free(FMessage);
  SetItem(nullptr);
}

}  // namespace vt
