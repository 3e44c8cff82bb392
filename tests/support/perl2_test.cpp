#include "support/perl2.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/errors.h"

namespace marlit::Perl2 {

// Readable values in failure messages.
void PrintTo(const Value& v, std::ostream* os) {
  if (const auto* l = std::get_if<List>(&v)) {
    if (!l->HasStorage()) {
      *os << "List()";
      return;
    }
    *os << "List[" << l->Lower() << ".." << l->Upper() << "](";
    for (std::int32_t i = l->Lower(); i <= l->Upper(); ++i) {
      if (i != l->Lower()) *os << ", ";
      PrintTo(l->At(i), os);
    }
    *os << ")";
  } else if (std::holds_alternative<Empty>(v)) {
    *os << "Empty";
  } else {
    *os << '"';
    for (char16_t c : TextOf(v)) {
      if (c < 0x20 || c > 0x7e) {
        *os << "\\u" << std::hex << static_cast<int>(c) << std::dec;
      } else {
        *os << static_cast<char>(c);
      }
    }
    *os << '"';
  }
}

namespace {

using namespace std::string_literals;

// A List with the given lower bound and elements.
List Bounded(std::int32_t lower, std::vector<Value> elements) {
  List l = List::Sized(lower, static_cast<std::int32_t>(elements.size()));
  for (std::size_t i = 0; i < elements.size(); ++i) {
    l.At(lower + static_cast<std::int32_t>(i)) = elements[i];
  }
  return l;
}

Value ListOf(std::vector<Value> elements) { return List::Of(std::move(elements)); }

Value NoElements() { return List::Sized(0, 0); }

template <typename Case>
std::string CaseName(const testing::TestParamInfo<Case>& p) {
  return p.param.name;
}

struct SplitCase {
  const char* name;
  std::u16string separator;
  Value text;
  std::int32_t limit;
  Value expected;
};

class SplitTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, GivesTheFields) {
  const auto& c = GetParam();
  EXPECT_EQ(Split(c.separator, c.text, c.limit), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Toolkit, SplitTest,
    testing::Values(
        SplitCase{"HotKeyDefinition", u",", u"088,000,000", 3, ListOf({u"088", u"000", u"000"})},
        SplitCase{"TrailingEmptyRemoved", u",", u"a,b,,", 0, ListOf({u"a", u"b"})},
        SplitCase{"EveryFieldKept", u",", u"a,b,,", -1, ListOf({u"a", u"b", u"", u""})},
        SplitCase{"LastFieldHoldsRest", u",", u"a,b,,", 2, ListOf({u"a", u"b,,"})},
        SplitCase{"FillerEmptyValues", u",", u"a", 3, ListOf({u"a", Empty{}, Empty{}})},
        SplitCase{"OnlySeparatorsGiveNoElements", u",", u",,", 0, NoElements()},
        SplitCase{"EmptyTextOneEmptyField", u",", u"", -1, ListOf({u""})},
        SplitCase{"EmptyTextLimitZeroNoElements", u",", u"", 0, NoElements()},
        SplitCase{"EmptySeparatorCharacters", u"", u"abc", 0, ListOf({u"a", u"b", u"c"})},
        SplitCase{"EmptySeparatorLimited", u"", u"abc", 2, ListOf({u"a", u"bc"})},
        SplitCase{"EmptySeparatorEmptyText", u"", u"", 0, Empty{}},
        SplitCase{"EmptySeparatorEmptyTextNoLimit", u"", u"", -1, Empty{}},
        SplitCase{"EmptySeparatorEmptyTextPositive", u"", u"", 2, ListOf({Empty{}, Empty{}})},
        SplitCase{"DoubleNulCutsPath", u"\0\0"s, u"/p/a.exe\0\0\0"s, 2,
                  ListOf({u"/p/a.exe", u"\0"s})},
        SplitCase{"SeparatorFoundAsWhole", u"ab", u"1ab2ab3", -1, ListOf({u"1", u"2", u"3"})},
        SplitCase{"CaseSensitive", u"A", u"bab", -1, ListOf({u"bab"})},
        SplitCase{"LeadingSeparatorEmptyField", u",", u",x", -1, ListOf({u"", u"x"})},
        SplitCase{"LimitOneWholeText", u",", u"a,b", 1, ListOf({u"a,b"})},
        SplitCase{"NumberSplitAsText", u"0", std::int32_t{105}, -1, ListOf({u"1", u"5"})},
        SplitCase{"NulSeparatedParts", u"\0"s, u"/d\0a\0b"s, -1, ListOf({u"/d", u"a", u"b"})}),
    CaseName<SplitCase>);

TEST(Split, ListAsTextIsTypeMismatch) {
  EXPECT_THROW((void)Split(u",", ListOf({u"a"}), 0), TypeMismatchError);
}

TEST(Split, HugeLimitIsRefusedBeforeAllocating) {
  EXPECT_THROW((void)Split(u",", u"a", 2147483647), OverflowError);
}

struct CountCase {
  const char* name;
  Value value;
  std::int32_t count;
  bool hasElements;
};

class CountTest : public testing::TestWithParam<CountCase> {};

TEST_P(CountTest, CountsElements) {
  EXPECT_EQ(Count(GetParam().value), GetParam().count);
  EXPECT_EQ(HasElements(GetParam().value), GetParam().hasElements);
}

INSTANTIATE_TEST_SUITE_P(
    Toolkit, CountTest,
    testing::Values(CountCase{"EmptyValue", Empty{}, 0, false},
                    CountCase{"EmptyText", u"", 0, false}, CountCase{"Text", u"abc", 0, false},
                    CountCase{"Number", std::int32_t{3}, 0, false},
                    CountCase{"WithoutStorage", List(), 0, false},
                    CountCase{"SizedNoElements", NoElements(), 0, false},
                    CountCase{"BoundsOneToThree", Bounded(1, {u"a", u"b", u"c"}), 3, true},
                    CountCase{"NegativeLower", Bounded(-2, {u"a"}), 1, true},
                    CountCase{"NestedCountsOnce", ListOf({ListOf({u"a", u"b"})}), 1, true}),
    CaseName<CountCase>);

TEST(List, KeepsItsDistinctions) {
  EXPECT_NE(Value(Empty{}), Value(u""));
  EXPECT_NE(Value(List()), NoElements());
  EXPECT_THROW((void)List().Lower(), IndexOutOfRangeError);
  EXPECT_THROW((void)Bounded(1, {u"a"}).At(0), IndexOutOfRangeError);
  EXPECT_THROW((void)Bounded(1, {u"a"}).At(2), IndexOutOfRangeError);
  List l = Bounded(5, {u"a", u"b"});
  l.Redim(5, 7);
  EXPECT_EQ(l.Lower(), 5);
  EXPECT_EQ(l.Upper(), 7);
  EXPECT_EQ(l.At(6), Value(u"b"));
  EXPECT_EQ(l.At(7), Value(Empty{}));
  EXPECT_THROW(l.Redim(5, 3), IndexOutOfRangeError);
  EXPECT_THROW((void)List::Sized(2147483647, 2), OverflowError);
}

struct FlattenCase {
  const char* name;
  Value source;
  Value expected;
};

class FlattenTest : public testing::TestWithParam<FlattenCase> {};

TEST_P(FlattenTest, CollectsLeavesDepthFirst) {
  EXPECT_EQ(Flatten(GetParam().source), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Toolkit, FlattenTest,
    testing::Values(
        FlattenCase{"Nested", ListOf({u"a", ListOf({u"b", ListOf({u"c"})}), u"d"}),
                    ListOf({u"a", u"b", u"c", u"d"})},
        FlattenCase{"TextHasNoLeaves", u"abc", Empty{}},
        FlattenCase{"EmptyValueHasNoLeaves", Empty{}, Empty{}},
        FlattenCase{"OnlyEmptyListsHaveNoLeaves", ListOf({List(), NoElements()}), Empty{}},
        FlattenCase{"NestedWithoutStorageSkipped", ListOf({u"a", List(), u"b"}),
                    ListOf({u"a", u"b"})},
        FlattenCase{"LowerBoundBecomesZero", Bounded(3, {u"x", Empty{}}), ListOf({u"x", Empty{}})}),
    CaseName<FlattenCase>);

TEST(FlattenInto, AppendsToTargetEvenWhenSourceIsTarget) {
  Value target = ListOf({u"a", ListOf({u"b"})});
  FlattenInto(target, target);
  EXPECT_EQ(target, ListOf({u"a", ListOf({u"b"}), u"a", u"b"}));
}

TEST(Push, GrowsInPlaceOrStartsAList) {
  Value v;
  Push(v, u"a");
  EXPECT_EQ(v, ListOf({u"a"}));
  Value bounded = Bounded(1, {u"a", u"b"});
  Push(bounded, ListOf({u"c"}));
  EXPECT_EQ(bounded, Bounded(1, {u"a", u"b", ListOf({u"c"})}));
  Value noElements = NoElements();
  Push(noElements, u"x");
  EXPECT_EQ(noElements, ListOf({u"x"}));
  Value text = u"old";
  Push(text, u"x");
  EXPECT_EQ(text, ListOf({u"x"}));
}

TEST(Push, UpperBoundPastMaximumIsOverflow) {
  Value v = Bounded(2147483647, {u"a"});
  EXPECT_THROW(Push(v, u"b"), OverflowError);
  EXPECT_EQ(v, Bounded(2147483647, {u"a"}));
}

struct ListChangeCase {
  const char* name;
  Value list;
  std::vector<Value> items;
  Value expected;
};

class PushAllTest : public testing::TestWithParam<ListChangeCase> {};
class UnshiftTest : public testing::TestWithParam<ListChangeCase> {};

TEST_P(PushAllTest, AppendsLeaves) {
  Value list = GetParam().list;
  PushAll(list, List::Of(GetParam().items));
  EXPECT_EQ(list, GetParam().expected);
}

TEST_P(UnshiftTest, InsertsLeavesAtFront) {
  Value list = GetParam().list;
  Unshift(list, List::Of(GetParam().items));
  EXPECT_EQ(list, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Toolkit, PushAllTest,
    testing::Values(
        ListChangeCase{
            "OntoEmptyValue", Empty{}, {u"x", ListOf({u"y", u"z"})}, ListOf({u"x", u"y", u"z"})},
        ListChangeCase{"FlattensTheListFirst",
                       ListOf({u"a", ListOf({u"b"})}),
                       {u"c"},
                       ListOf({u"a", u"b", u"c"})},
        ListChangeCase{
            "KeepsLowerBoundOfFlattenedList", Bounded(4, {u"a"}), {u"b"}, ListOf({u"a", u"b"})},
        ListChangeCase{"NoItemLeavesGivesEmptyValue", u"text", {List()}, Empty{}},
        ListChangeCase{"NoItems", ListOf({u"a"}), {}, ListOf({u"a"})}),
    CaseName<ListChangeCase>);

INSTANTIATE_TEST_SUITE_P(
    Toolkit, UnshiftTest,
    testing::Values(
        ListChangeCase{"ItemBeforeList", ListOf({u"b", u"c"}), {u"a"}, ListOf({u"a", u"b", u"c"})},
        ListChangeCase{"ItemsOntoEmptyValue", Empty{}, {u"x", u"y"}, ListOf({u"x", u"y"})},
        ListChangeCase{
            "SeveralInOrder", ListOf({u"c"}), {ListOf({u"a", u"b"})}, ListOf({u"a", u"b", u"c"})},
        ListChangeCase{"NoItemsUnchanged", ListOf({u"a", u"b"}), {}, ListOf({u"a", u"b"})},
        ListChangeCase{"MoreItemsThanElements",
                       ListOf({u"d"}),
                       {u"a", u"b", u"c"},
                       ListOf({u"a", u"b", u"c", u"d"})}),
    CaseName<ListChangeCase>);

struct PopCase {
  const char* name;
  Value list;
  Value result;
  Value left;
};

class PopTest : public testing::TestWithParam<PopCase> {};

TEST_P(PopTest, RemovesLastLeaf) {
  Value list = GetParam().list;
  EXPECT_EQ(Pop(list), GetParam().result);
  EXPECT_EQ(list, GetParam().left);
}

INSTANTIATE_TEST_SUITE_P(
    Toolkit, PopTest,
    testing::Values(PopCase{"OneElementLeavesNoStorage", ListOf({u"a"}), u"a", List()},
                    PopCase{"EmptyValue", Empty{}, Empty{}, Empty{}},
                    PopCase{"TextBecomesEmptyValue", u"abc", Empty{}, Empty{}},
                    PopCase{"NestedLeavesFlatRest", ListOf({u"a", ListOf({u"b", u"c"})}), u"c",
                            ListOf({u"a", u"b"})},
                    PopCase{"NoElementsGivesEmpty", NoElements(), Empty{}, Empty{}}),
    CaseName<PopCase>);

struct JoinCase {
  const char* name;
  Value separator;
  Value list;
  Value inner;
  Value expected;
};

class JoinTest : public testing::TestWithParam<JoinCase> {};

TEST_P(JoinTest, JoinsElements) {
  const auto& c = GetParam();
  EXPECT_EQ(Join(c.separator, c.list, c.inner), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Toolkit, JoinTest,
    testing::Values(JoinCase{"InnerSeparatorForNested", u"-",
                             ListOf({u"a", ListOf({u"b", u"c"}), u"d"}), u"+", u"a-b+c-d"},
                    JoinCase{"InnerAtEveryDepth", u"-",
                             ListOf({ListOf({u"a", ListOf({u"b", u"c"})})}), u"+", u"a+b+c"},
                    JoinCase{"TextStaysText", u"-", u"abc", u"+", u"abc"},
                    JoinCase{"EmptyValueStaysEmpty", u"-", Empty{}, u"+", Empty{}},
                    JoinCase{"ListWithoutElementsReturned", u"-", NoElements(), u"+", NoElements()},
                    JoinCase{"NumbersAndBooleans", u",",
                             ListOf({std::int32_t{-7}, 2.5, true, false, 1e20, Empty{}}), u"",
                             u"-7,2.5,True,False,1E+20,"},
                    JoinCase{"NestedEmptyListAddsNothing", u",", ListOf({u"a", List(), u"b"}), u"",
                             u"a,,b"},
                    JoinCase{"SingleEmptyElementGivesText", u",", ListOf({Empty{}}), u"", u""}),
    CaseName<JoinCase>);

TEST(JoinAll, JoinsLeavesOrGivesEmptyValue) {
  EXPECT_EQ(JoinAll(u"/", {ListOf({u"", u"home", u"dir"})}), Value(u"/home/dir"));
  EXPECT_EQ(JoinAll(u"\\", {ListOf({u"C:", u"dir"})}), Value(u"C:\\dir"));
  EXPECT_EQ(JoinAll(u"/", {}), Value(Empty{}));
  EXPECT_EQ(JoinAll(u"/", {List()}), Value(Empty{}));
  EXPECT_EQ(JoinAll(u"/", {u"a", ListOf({u"b", ListOf({u"c"})})}), Value(u"a/b/c"));
}

TEST(Variable, TextOnlyTakesTextForms) {
  auto text = Variable::TextOnly(u"x");
  text = Empty{};
  EXPECT_EQ(text.Get(), Value(u""));
  text = std::int32_t{42};
  EXPECT_EQ(text.Get(), Value(u"42"));
  text = true;
  EXPECT_EQ(text.Get(), Value(u"True"));
  EXPECT_THROW(text = ListOf({u"a"}), TypeMismatchError);
  EXPECT_EQ(text.Get(), Value(u"True"));

  auto any = Variable::AnyValue();
  any = ListOf({u"a"});
  EXPECT_EQ(any.Get(), ListOf({u"a"}));
}

TEST(Variable, ListRoutinesOnTextOnlyRaiseMismatchAndKeepText) {
  auto text = Variable::TextOnly(u"old");
  EXPECT_THROW(PushAll(text, {u"a"}), TypeMismatchError);
  EXPECT_EQ(text.Get(), Value(u"old"));
  EXPECT_THROW(Push(text, u"a"), TypeMismatchError);
  EXPECT_THROW(Unshift(text, {u"a"}), TypeMismatchError);
  EXPECT_EQ(text.Get(), Value(u"old"));
  // Nothing list-shaped is left for it to hold: the text becomes the empty text.
  EXPECT_EQ(Pop(text), Value(Empty{}));
  EXPECT_EQ(text.Get(), Value(u""));
  Unshift(text, {List()});
  EXPECT_EQ(text.Get(), Value(u""));
}

TEST(Variable, ListRoutinesChangeAnyValueInPlace) {
  auto var = Variable::AnyValue(u"old");
  PushAll(var, {u"b"});
  Unshift(var, {u"a"});
  Push(var, u"c");
  EXPECT_EQ(var.Get(), ListOf({u"a", u"b", u"c"}));
  EXPECT_EQ(Pop(var), Value(u"c"));
  EXPECT_EQ(var.Get(), ListOf({u"a", u"b"}));
}

}  // namespace
}  // namespace marlit::Perl2
