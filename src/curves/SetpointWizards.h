// The setpoint wizards, position over time and position over master increments: each
// class with its fixed type code. Their formulas come with the curve creation window.
#pragma once

#include "curves/CurveWizard.h"

namespace vt {

template <std::int32_t TypeCode>
class TFixedTypeWizard : public TCurveWizard {
 public:
  using TCurveWizard::TCurveWizard;
  std::int32_t GetWizardType() const override { return TypeCode; }
};

// Position over time.
class TSineWizard final : public TFixedTypeWizard<0x0301> { using TFixedTypeWizard::TFixedTypeWizard; };
class TPToPWizard final : public TFixedTypeWizard<0x0401> { using TFixedTypeWizard::TFixedTypeWizard; };
class TMinJerkWizard final : public TFixedTypeWizard<0x0501> { using TFixedTypeWizard::TFixedTypeWizard; };
class TLimitJerkWizard final : public TFixedTypeWizard<0x0701> { using TFixedTypeWizard::TFixedTypeWizard; };
class TStandstillWizard final : public TFixedTypeWizard<0x0201> { using TFixedTypeWizard::TFixedTypeWizard; };
// Hand-made curves and curves from files, of either kind.
class TManualWizard final : public TFixedTypeWizard<0x0101> { using TFixedTypeWizard::TFixedTypeWizard; };

// Position over master increments.
class TSinPosIncWizard final : public TFixedTypeWizard<0x1301> { using TFixedTypeWizard::TFixedTypeWizard; };
class TMinJerkPosIncWizard final : public TFixedTypeWizard<0x1501> { using TFixedTypeWizard::TFixedTypeWizard; };
class TStandstillPosIncWizard final : public TFixedTypeWizard<0x1201> { using TFixedTypeWizard::TFixedTypeWizard; };
class TVALengthPosIncWizard final : public TFixedTypeWizard<0x1401> { using TFixedTypeWizard::TFixedTypeWizard; };
class TConvSyncPosIncWizard final : public TFixedTypeWizard<0x1601> { using TFixedTypeWizard::TFixedTypeWizard; };
class TManualPosIncWizard final : public TFixedTypeWizard<0x1101> { using TFixedTypeWizard::TFixedTypeWizard; };

}  // namespace vt
