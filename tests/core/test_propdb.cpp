// The set database: ownership, lookups, removal order, fresh GUIDs.

#include "database/PropDB.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <set>
#include <tuple>
#include <vector>

namespace {

TEST(PropDB, PositionsOutOfRangeGiveNothing) {
  TPropDB DB;
  for (const int Index : {-1, 0, 1, INT_MIN, INT_MAX}) {
    EXPECT_EQ(DB.Types(Index), nullptr) << Index;
    EXPECT_EQ(DB.Props(Index), nullptr) << Index;
  }
  const PTypeRecord A = DB.AddType();
  const PTypeRecord B = DB.AddType();
  const PPropRecord P = DB.AddProp(B);
  EXPECT_EQ(P->Parent, B);
  // An item needs a set.
  EXPECT_EQ(DB.AddProp(nullptr), nullptr);
  EXPECT_EQ(DB.PropCount(), 1);
  const struct {
    int Index;
    PTypeRecord Type;
    PPropRecord Prop;
  } Cases[] = {{-1, nullptr, nullptr},
               {0, A, P},
               {1, B, nullptr},
               {2, nullptr, nullptr},
               {INT_MIN, nullptr, nullptr},
               {INT_MAX, nullptr, nullptr}};
  for (const auto& C : Cases) {
    EXPECT_EQ(DB.Types(C.Index), C.Type) << C.Index;
    EXPECT_EQ(DB.Props(C.Index), C.Prop) << C.Index;
  }
}

TEST(PropDB, FindGivesTheFirstMatchInListOrder) {
  TPropDB DB;
  TGUID Same;
  Same.D1 = 7;
  TGUID Other;
  Other.D4[7] = 1;
  TGUID Missing;
  Missing.D2 = 3;

  const PTypeRecord First = DB.AddType();
  const PTypeRecord Second = DB.AddType();
  First->GUID = Same;
  Second->GUID = Same;
  const PTypeRecord Third = DB.AddType();
  Third->GUID = Other;

  // Items of the second set come first in the item list.
  const PPropRecord P1 = DB.AddProp(Second);
  const PPropRecord P2 = DB.AddProp(First);
  P1->GUID = Same;
  P2->GUID = Same;

  EXPECT_EQ(DB.FindType(Same), First);
  EXPECT_EQ(DB.FindType(Other), Third);
  EXPECT_EQ(DB.FindType(Missing), nullptr);
  EXPECT_EQ(DB.FindProp(Same), P1);
  EXPECT_EQ(DB.FindProp(Missing), nullptr);
  EXPECT_EQ(TPropDB().FindType(TGUID()), nullptr);
}

TEST(PropDB, RemovePropClosesTheGapOnce) {
  TPropDB DB;
  const PTypeRecord T = DB.AddType();
  const PPropRecord A = DB.AddProp(T);
  const PPropRecord B = DB.AddProp(T);
  const PPropRecord C = DB.AddProp(T);

  EXPECT_TRUE(DB.RemoveProp(B));
  EXPECT_EQ(DB.PropCount(), 2);
  EXPECT_EQ(DB.Props(0), A);
  EXPECT_EQ(DB.Props(1), C);

  // Removed before, never added, or nil: nothing changes.
  TPropRecord Foreign;
  for (const PPropRecord Rec : {B, &Foreign, static_cast<PPropRecord>(nullptr)}) {
    EXPECT_FALSE(DB.RemoveProp(Rec));
    EXPECT_EQ(DB.PropCount(), 2);
    EXPECT_EQ(DB.TypeCount(), 1);
  }
}

TEST(PropDB, RemoveTypeTakesInterleavedItemsAndKeepsTheOthersInOrder) {
  TPropDB DB;
  const PTypeRecord A = DB.AddType();
  const PTypeRecord B = DB.AddType();
  const PTypeRecord C = DB.AddType();
  DB.AddProp(A);
  const PPropRecord B1 = DB.AddProp(B);
  DB.AddProp(A);
  const PPropRecord B2 = DB.AddProp(B);

  ASSERT_TRUE(DB.RemoveType(A));
  EXPECT_EQ(DB.TypeCount(), 2);
  EXPECT_EQ(DB.Types(0), B);
  EXPECT_EQ(DB.Types(1), C);
  ASSERT_EQ(DB.PropCount(), 2);
  EXPECT_EQ(DB.Props(0), B1);
  EXPECT_EQ(DB.Props(1), B2);

  // A set without items: only the set goes, the later one moves down.
  ASSERT_TRUE(DB.RemoveType(B));
  ASSERT_TRUE(DB.AddType());
  ASSERT_TRUE(DB.RemoveType(C));
  EXPECT_EQ(DB.TypeCount(), 1);
  EXPECT_EQ(DB.PropCount(), 0);
  EXPECT_FALSE(DB.RemoveType(C));
}

TEST(PropDB, RemoveTypeOfAForeignSetChangesNothing) {
  TPropDB DB;
  TTypeRecord Foreign;
  DB.AddType();
  // The parent is not looked up on adding, so an item may name a foreign set.
  const PPropRecord Orphan = DB.AddProp(&Foreign);
  EXPECT_FALSE(DB.RemoveType(&Foreign));
  EXPECT_FALSE(DB.RemoveType(nullptr));
  EXPECT_EQ(DB.TypeCount(), 1);
  ASSERT_EQ(DB.PropCount(), 1);
  EXPECT_EQ(DB.Props(0), Orphan);
}

// The one-pass removal against the step-by-step removal of the record's
// algorithm (remove at j, look at j again), on random interleavings.
TEST(PropDB, RemoveTypeMatchesTheStepwiseRemoval) {
  std::mt19937 Random(20260);
  for (int Round = 0; Round < 200; ++Round) {
    TPropDB DB;
    const int Types = 1 + int(Random() % 5);
    for (int T = 0; T < Types; ++T)
      DB.AddType()->Name = QString::number(T);
    const int Props = int(Random() % 40);
    for (int P = 0; P < Props; ++P)
      DB.AddProp(DB.Types(int(Random() % unsigned(Types))))->Name = QString::number(P);

    const PTypeRecord Victim = DB.Types(int(Random() % unsigned(Types)));
    std::vector<std::pair<PTypeRecord, QString>> Expected;
    for (int P = 0; P < DB.PropCount(); ++P)
      Expected.emplace_back(DB.Props(P)->Parent, DB.Props(P)->Name);
    for (size_t J = 0; J < Expected.size();) {
      if (Expected[J].first == Victim)
        Expected.erase(Expected.begin() + std::ptrdiff_t(J));
      else
        ++J;
    }
    std::vector<PTypeRecord> ExpectedTypes;
    for (int T = 0; T < DB.TypeCount(); ++T)
      if (DB.Types(T) != Victim)
        ExpectedTypes.push_back(DB.Types(T));

    ASSERT_TRUE(DB.RemoveType(Victim));
    ASSERT_EQ(DB.PropCount(), int(Expected.size()));
    for (int P = 0; P < DB.PropCount(); ++P) {
      EXPECT_EQ(DB.Props(P)->Parent, Expected[size_t(P)].first);
      EXPECT_EQ(DB.Props(P)->Name, Expected[size_t(P)].second);
    }
    ASSERT_EQ(DB.TypeCount(), int(ExpectedTypes.size()));
    for (int T = 0; T < DB.TypeCount(); ++T)
      EXPECT_EQ(DB.Types(T), ExpectedTypes[size_t(T)]);
  }
}

TEST(PropDB, ClearEmptiesAndTheDatabaseStartsAgain) {
  TPropDB DB;
  DB.Clear();
  EXPECT_EQ(DB.TypeCount(), 0);
  const PTypeRecord T = DB.AddType();
  DB.AddProp(T);
  DB.AddProp(T);
  DB.Clear();
  EXPECT_EQ(DB.TypeCount(), 0);
  EXPECT_EQ(DB.PropCount(), 0);
  EXPECT_EQ(DB.Types(0), nullptr);
  const PTypeRecord Again = DB.AddType();
  EXPECT_EQ(DB.Types(0), Again);
  EXPECT_EQ(DB.AddProp(Again)->Parent, Again);
  EXPECT_EQ(DB.PropCount(), 1);
}

TEST(Text, CopiesAndStringsShareTheCharactersAndOutliveEachOther) {
  TText A(QStringLiteral("Стол 😀"));
  TText B = A;
  const TText& Same = A;
  A = Same;
  EXPECT_EQ(A.View().data(), B.View().data());
  QString S = B;
  EXPECT_EQ(S.constData(), A.View().data());
  A = QStringLiteral("Стул");
  B = std::move(A);
  EXPECT_EQ(B, QStringLiteral("Стул"));
  EXPECT_TRUE(A.isEmpty());
  B = TText();
  // The string is the last holder now, and may change where it stands.
  S += QStringLiteral(" и стул");
  EXPECT_EQ(S, QStringLiteral("Стол 😀 и стул"));
  // Texts of odd and even length fill their block to its last unit.
  for (const QString& Text : {QStringLiteral("abc"), QStringLiteral("abcd")}) {
    TText Alone(Text);
    QString Grown = Alone;
    Alone = TText();
    Grown += u'!';
    EXPECT_EQ(Grown, Text + u'!');
  }
  EXPECT_EQ(TText(QString()), TText(QStringLiteral("")));
  EXPECT_EQ(QString(TText()), QString());
}

TEST(NewGUID, RandomVersion4Rfc4122Values) {
  std::set<std::tuple<uint32_t, uint16_t, uint16_t, std::array<uint8_t, 8>>> Seen;
  uint32_t D1Bits = 0;
  for (int I = 0; I < 1000; ++I) {
    TGUID G;
    ASSERT_EQ(NewGUID(G), 0);
    EXPECT_EQ(G.D3 >> 12, 4) << GUIDToString(G).toStdString();
    EXPECT_EQ(G.D4[0] >> 6, 2) << GUIDToString(G).toStdString();
    Seen.emplace(G.D1, G.D2, G.D3, G.D4);
    D1Bits |= G.D1;
  }
  EXPECT_EQ(Seen.size(), 1000u);
  EXPECT_EQ(D1Bits, 0xFFFFFFFFu); // every bit varies
}

} // namespace
