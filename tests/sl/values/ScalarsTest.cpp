#include <gtest/gtest.h>

#include <cmath>

#include "RefCountedTest.h"
#include "sl/values/Scalars.h"

using namespace vt;

namespace {

class Scalars : public RefCountedTest {};

TEST_F(Scalars, IntegerConversions) {
  auto i = MakeRef<TSLLongint>(0);
  struct {
    double in;
    std::int64_t out;
  } rounding[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {0.49, 0}, {1e15 + 0.5, 1000000000000000}};
  for (auto r : rounding) {
    i->SetDoubleValue(r.in);
    EXPECT_EQ(i->GetLongintValue(), r.out) << r.in;
  }
  i->SetBooleanValue(true);
  EXPECT_EQ(i->GetLongintValue(), -1);
  EXPECT_TRUE(i->GetBooleanValue());
  i->SetStringValue("$ff");
  EXPECT_EQ(i->GetLongintValue(), 255);
  i->SetStringValue("  -12");
  EXPECT_EQ(i->GetStringValue(), "-12");
  EXPECT_THROW_MSG(i->SetStringValue("12 "), "'12 ' is not a valid integer value");
  EXPECT_THROW_MSG(i->SetStringValue("9223372036854775808"), "'9223372036854775808' is not a valid integer value");
  EXPECT_EQ(i->GetLongintValue(), -12);  // unchanged by a failed conversion
  EXPECT_THROW(i->SetDoubleValue(std::nan("")), Exception);
  EXPECT_EQ(i->GetLongintValue(), -12);
}

TEST_F(Scalars, DoubleConversions) {
  auto d = MakeRef<TSLDouble>(-2.7);
  EXPECT_EQ(d->GetLongintValue(), -2);
  d->SetBooleanValue(true);
  EXPECT_EQ(d->GetDoubleValue(), 1.0);
  d->SetDoubleValue(std::nan(""));
  EXPECT_TRUE(d->GetBooleanValue());  // NaN counts as true
  d->SetDoubleValue(1e20);
  EXPECT_EQ(d->GetStringValue(), "1E20");
  d->SetDoubleValue(0.1);
  EXPECT_EQ(d->GetStringValue(), "0.1");
  d->SetStringValue("2.5e3");
  EXPECT_EQ(d->GetDoubleValue(), 2500.0);
  EXPECT_THROW_MSG(d->SetStringValue("2,5"), "'2,5' is not a valid floating point value");
}

TEST_F(Scalars, StringAndBooleanTexts) {
  auto s = MakeRef<TSLString>(u"True");
  EXPECT_TRUE(s->GetBooleanValue());
  s->SetStringValue(u"FALSE");
  EXPECT_FALSE(s->GetBooleanValue());
  s->SetStringValue(u"no");
  EXPECT_THROW_MSG(s->GetBooleanValue(), "TSLString.GetBooleanValue: can't convert 'no' to boolean value");
  s->SetStringValue(u"$10");
  EXPECT_EQ(s->GetLongintValue(), 16);
  s->SetDoubleValue(1.5);
  EXPECT_EQ(s->StringValue(), u"1.5");
  s->SetLongintValue(-3);
  EXPECT_EQ(s->GetDoubleValue(), -3.0);
  s->SetBooleanValue(true);
  EXPECT_EQ(s->StringValue(), u"true");

  auto b = MakeRef<TSLBoolean>(false);
  b->SetStringValue("tRuE");
  EXPECT_TRUE(b->BooleanValue());
  EXPECT_EQ(b->GetStringValue(), "true");
  EXPECT_THROW_MSG(b->SetStringValue("yes"), "TSLBoolean.SetStringValue: wrong value: yes");
  EXPECT_TRUE(b->BooleanValue());
}

TEST_F(Scalars, EqualityIsAsymmetricBetweenNumbers) {
  auto five = MakeRef<TSLLongint>(5);
  auto fiveNine = MakeRef<TSLDouble>(5.9);
  auto fiveD = MakeRef<TSLDouble>(5.0);
  auto nan = MakeRef<TSLDouble>(std::nan(""));
  auto lit = MakeRef<TSLIdent>("abc", false);
  auto exe = MakeRef<TSLIdent>("abc", true);
  auto upper = MakeRef<TSLIdent>("ABC", true);
  auto s1 = MakeRef<TSLString>(u"abc");
  auto s2 = MakeRef<TSLString>(u"ABC");
  auto t = MakeRef<TSLBoolean>(true);
  auto t2 = MakeRef<TSLBoolean>(true);
  struct {
    TSLObject* a;
    TSLObject* b;
    bool equal;
  } cases[] = {
      {five.get(), fiveNine.get(), true},  {fiveNine.get(), five.get(), false}, {fiveD.get(), five.get(), true},
      {five.get(), nan.get(), false},      {nan.get(), nan.get(), false},       {lit.get(), exe.get(), true},
      {exe.get(), upper.get(), false},     {s1.get(), s2.get(), false},         {s1.get(), lit.get(), false},
      {t.get(), t2.get(), true},           {five.get(), s1.get(), false},       {five.get(), nullptr, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.a->IsEqual(c.b), c.equal) << c.a->ClassName() << " vs " << (c.b ? c.b->ClassName() : "nil");
}

TEST_F(Scalars, AssignAcceptsOnlyItsOwnClass) {
  auto i = MakeRef<TSLLongint>(1);
  auto d = MakeRef<TSLDouble>(2.0);
  EXPECT_THROW_MSG(i->AssignObject(d.get()), "Invalid class typecast");
  EXPECT_THROW_MSG(i->AssignObject(nullptr), "Invalid class typecast");
  i->AssignObject(MakeRef<TSLLongint>(9).get());
  EXPECT_EQ(i->GetLongintValue(), 9);
  auto exe = MakeRef<TSLIdent>("a", true);
  exe->AssignObject(MakeRef<TSLIdent>("b", false).get());
  EXPECT_EQ(exe->IdentValue(), "b");
  EXPECT_TRUE(exe->GetExecutable());  // only the name is taken
}

TEST_F(Scalars, CopiesAreNewAutoreleasedAndWithoutDebugRecord) {
  auto s = MakeRef<TSLString>(u"v");
  s->SetDbgInfo(std::make_unique<TElmDbgInfo>());
  TSLString* copy = s->CopyString();
  EXPECT_NE(copy, s.get());
  EXPECT_EQ(copy->GetRefCount(), 1);
  EXPECT_TRUE(copy->IsEqual(s.get()));
  EXPECT_EQ(copy->DbgInfo(), nullptr);
  TSLIdent* id = MakeRef<TSLIdent>("go", true)->CopyIdent();
  EXPECT_TRUE(id->GetExecutable());
}

}  // namespace
