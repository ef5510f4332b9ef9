/* The typed facade of a script context that native script classes and plug-in
   libraries use: push, pop and test scalar values, wait, run a name next. It is a
   binary interface for libraries loaded at run time, so it is a C structure of
   function pointers in a fixed order, not a C++ class. Functions that can fail return
   0 on success; LastError then tells why. Texts are 8-bit (Windows-1252) with a length;
   a text handed out stays valid until the next call on the same interface. */
#ifndef VT_CTXINTF_H
#define VT_CTXINTF_H

#ifdef __cplusplus
#include <cstdint>
#include <string>
namespace vt {
extern "C" {
#else
#include <stdint.h>
#endif

typedef struct TContextInterface TContextInterface;

struct TContextInterface {
  void (*SetUserValue)(TContextInterface* Self, int32_t Value);
  int32_t (*GetUserValue)(TContextInterface* Self);
  void (*PushLongint)(TContextInterface* Self, int64_t Value);
  void (*PushDouble)(TContextInterface* Self, double Value);
  void (*PushString)(TContextInterface* Self, const char* Value, int32_t Length);
  void (*PushIdent)(TContextInterface* Self, const char* Name, int32_t Length); /* an executable name */
  void (*PushBoolean)(TContextInterface* Self, int32_t Value);
  int32_t (*PopLongint)(TContextInterface* Self, int64_t* Value);
  int32_t (*PopDouble)(TContextInterface* Self, double* Value);
  int32_t (*PopString)(TContextInterface* Self, const char** Value, int32_t* Length);
  int32_t (*PopBoolean)(TContextInterface* Self, int32_t* Value);
  int32_t (*CheckLongint)(TContextInterface* Self);
  int32_t (*CheckDouble)(TContextInterface* Self);
  int32_t (*CheckString)(TContextInterface* Self);
  int32_t (*CheckBoolean)(TContextInterface* Self);
  int32_t (*Wait)(TContextInterface* Self, void* Sender, int32_t Timeout);
  int32_t (*Continue)(TContextInterface* Self, void* Sender);
  void (*ExecuteName)(TContextInterface* Self, const char* Name, int32_t Length);
  int32_t (*PopIdent)(TContextInterface* Self, const char** Name, int32_t* Length);
  /* Reports Message as a script exception once the caller has returned. */
  void (*RaiseStandardException)(TContextInterface* Self, const char* Message, int32_t Length);
  const char* (*LastError)(TContextInterface* Self);
};

#ifdef __cplusplus
}  // extern "C"

class TSLContextImplementation;

// The implementation owned by each context.
struct TContextInterfaceImplementation : TContextInterface {
  explicit TContextInterfaceImplementation(TSLContextImplementation* Context);
  TSLContextImplementation* FContext;
  std::string FLastText;
  std::string FLastError;
};

// C++ access to the facade: failures raise exceptions (a pop of another class:
// "Invalid class typecast").
void SetUserValue(TContextInterface* Ci, std::int32_t Value);
std::int32_t GetUserValue(TContextInterface* Ci);
void PushLongint(TContextInterface* Ci, std::int64_t Value);
void PushDouble(TContextInterface* Ci, double Value);
void PushString(TContextInterface* Ci, const std::string& Value);
void PushIdent(TContextInterface* Ci, const std::string& Name);
void PushBoolean(TContextInterface* Ci, bool Value);
std::int64_t PopLongint(TContextInterface* Ci);
double PopDouble(TContextInterface* Ci);
std::string PopString(TContextInterface* Ci);
bool PopBoolean(TContextInterface* Ci);
std::string PopIdent(TContextInterface* Ci);
bool CheckLongint(TContextInterface* Ci);
bool CheckDouble(TContextInterface* Ci);
bool CheckString(TContextInterface* Ci);
bool CheckBoolean(TContextInterface* Ci);
void Wait(TContextInterface* Ci, void* Sender, std::int32_t Timeout);
void Continue(TContextInterface* Ci, void* Sender);
void ExecuteName(TContextInterface* Ci, const std::string& Name);
void RaiseStandardException(TContextInterface* Ci, const std::string& Message);

// Pushes Message and schedules "raisese", so the failure reaches the script as a
// script exception; the caller must return right after.
void ScheduleStandardException(TSLContextImplementation* Context, const std::u16string& Message);
// Schedules the name to be resolved and run next, before the current code goes on.
void ScheduleName(TSLContextImplementation* Context, const std::string& Name);

}  // namespace vt
#endif

#endif
