// The text coding of requests and replies between the talk client and the talk server:
// commands separated by CR (0x0D), each parameter preceded by TAB (0x09). Nothing is
// escaped and nothing ends a message; how numbers are spelled is up to the users.
#pragma once

#include <string_view>

#include "runtime/Messages.h"

namespace vt {

class TMessageWriter {
 public:
  // Attaches a new message from the pool.
  void CreateMessage();
  // Attaches Msg and clears it.
  void SetItem(TMxMessage* Msg);
  TMxMessage* GetItem() const { return FMessage; }
  // Raises "PutCommand: Empty Data"; a CR goes before every command but the first.
  void PutCommand(std::string_view Data);
  // Raises "TMessageWriter.PutParameter: Empty Data" and, on an empty message,
  // "TMessageWriter.PutParameter: need a PutCommand first".
  void PutParameter(std::string_view Data);

 private:
  void Append(std::string_view Data);
  TMxMessage* FMessage = nullptr;
};

// Every result is empty when there is nothing to read; the reader never reads past
// the end.
class TMessageReader {
 public:
  // Attaches Msg and reads from its start.
  void SetItem(TMxMessage* Msg);
  TMxMessage* GetItem() const { return FMessage; }
  // The next command; the unread parameters of the current one are passed over.
  AnsiString GetCommand();
  // The next parameter of the current command.
  AnsiString GetParameter();
  // The bytes up to the next TAB, CR or the end; the position stays on that TAB or CR.
  AnsiString GetData();
  // Gives the attached message back to the pool and detaches it.
  void DestroyMessage();

 private:
  TMxMessage* FMessage = nullptr;
  TMxBufferPointer BufferPointer;
};

}  // namespace vt
