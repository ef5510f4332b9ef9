// The wizard values (numbers and texts that live only in the wizard) and the wizard
// parameters (values bound to a drive parameter), each kind a class that the manager's
// registries find by the type word of a definition file entry. Their fields and their
// creation from file entries come with the definition files.
#pragma once

namespace vt {

class TWizardValue {
 public:
  virtual ~TWizardValue() = default;
};

class TWizValDouble final : public TWizardValue {};
class TWizValString final : public TWizardValue {};
class TWizValInteger final : public TWizardValue {};

class TWizardParameter {
 public:
  virtual ~TWizardParameter() = default;
};

class TWizParDouble final : public TWizardParameter {};
class TWizParString final : public TWizardParameter {};
class TWizParEnum final : public TWizardParameter {};
class TWizParBoolean final : public TWizardParameter {};
class TWizParFloat final : public TWizardParameter {};

// A class reference of the registries: one per class, compared by address.
struct TWizItemClassInfo {
  const char* ClassName;
};
using TWizValClass = const TWizItemClassInfo*;
using TWizParClass = const TWizItemClassInfo*;

template <class T>
const TWizItemClassInfo* WizItemClassOf(const char* ClassName) {
  static const TWizItemClassInfo info{ClassName};
  return &info;
}

}  // namespace vt
