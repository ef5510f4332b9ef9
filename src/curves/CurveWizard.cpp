// The setpoint wizard base; see CurveWizard.h.
#include "curves/CurveWizard.h"

#include <exception>

#include "curves/ObjectLoaderManager.h"
#include "platform/Dialogs.h"
#include "sl/values/Arrays.h"
#include "sl/values/Dictionary.h"
#include "sl/values/Scalars.h"

namespace vt {

namespace {

AnsiString TextOf(const TSLDictionary& Dict, const char16_t* Name) { return WideToAnsi(Dict.GetStrWithName(Name)); }

// A number written with or without decimals.
double NumberOf(const TSLDictionary& Dict, const char16_t* Name) {
  return CheckedCast<TSLNumber>(Dict.GetObjWithName(Name))->GetDoubleValue();
}

// The dictionaries of the array Name of Dict, in order.
template <class F>
void ForEachEntry(const TSLDictionary& Dict, const char16_t* Name, F&& Take) {
  const TSLArray* array = CheckedCast<TSLArray>(Dict.GetObjWithName(Name));
  for (int i = 0; i < array->GetCount(); ++i) Take(*CheckedCast<TSLDictionary>(array->GetObjAtIndex(i)));
}

}  // namespace

// The name is the one asked for even without a definition, so that a missing file
// leaves fourteen distinct wizards rather than a clash of empty names.
TCurveWizard::TCurveWizard(const AnsiString& FileName, const AnsiString& WizardName) : FWizardName(WizardName) {
  try {
    const TRef<TSLDictionary> definitions = ReadDictionaryObject(FileName);
    ForEachEntry(*definitions, u"WizardTypeArray", [&](const TSLDictionary& Entry) {
      if (TextOf(Entry, u"Name") == WizardName) ReadDefinition(Entry);
    });
  } catch (const std::exception& e) {
    ShowMessage(Utf8ToWide(e.what()));
  }
}

void TCurveWizard::ReadDefinition(const TSLDictionary& Entry) {
  FWizardCaption = TextOf(Entry, u"Caption");
  FWizardType = static_cast<std::int32_t>(Entry.GetIntWithName(u"ID") * 256 + 1);
  FWizardParameters.emplace();
  ForEachEntry(Entry, u"Parameters", [this](const TSLDictionary& P) {
    FWizardParameters->push_back({TextOf(P, u"Name"), TextOf(P, u"Caption"),
                                  static_cast<std::int32_t>(P.GetIntWithName(u"ParUUID")), 0.0,
                                  NumberOf(P, u"DefaultValue"), NumberOf(P, u"MinValue"), NumberOf(P, u"MaxValue")});
  });
  FInfoValues.emplace();
  ForEachEntry(Entry, u"UserInfo", [this](const TSLDictionary& I) {
    FInfoValues->push_back({TextOf(I, u"Name"), TextOf(I, u"Caption"),
                            static_cast<std::int32_t>(I.GetIntWithName(u"ParUUID")), 0.0});
  });
}

}  // namespace vt
