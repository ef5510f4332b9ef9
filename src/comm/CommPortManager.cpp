// The serial port manager; see CommPortManager.h.
#include "comm/CommPortManager.h"

#include "runtime/ProcessGlobal.h"
#include "runtime/Threads.h"

namespace vt {

namespace {

TMxGlobal<TCommPortManager> GCommPortManager;

}  // namespace

TCommPortManager::TCommPortManager() : FThreadManager(std::make_unique<TThreadManager>("CommPortManager")) {}

TCommPortManager::~TCommPortManager() = default;

std::unique_ptr<TCommDriver> TCommPortManager::CreateCommDriver() {
  return std::make_unique<TCommDriver>(FThreadManager.get());
}

TCommPortManager* CommPortManager() { return GCommPortManager.Get(); }

void CreateCommPortManager() { GCommPortManager.Create("CreateCommPortManager: serial port manager already exists"); }

void FreeCommPortManager() { GCommPortManager.Free(); }

}  // namespace vt
