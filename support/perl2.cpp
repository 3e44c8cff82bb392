#include "support/perl2.h"

#include <charconv>
#include <cstddef>
#include <limits>
#include <string_view>
#include <type_traits>

#include "platform/checked.h"
#include "platform/errors.h"

namespace marlit::Perl2 {

namespace {

std::size_t CheckedSize(std::int32_t lower, std::int32_t upper) {
  const std::int64_t size = std::int64_t{upper} - lower + 1;
  if (size < 0) throw IndexOutOfRangeError("upper bound below lower bound - 1");
  if (size > List::kMaxElements) throw OverflowError("too many list elements");
  return static_cast<std::size_t>(size);
}

// The length of a text as a 32-bit count.
std::int32_t LengthOf(std::u16string_view text) {
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw OverflowError("text longer than 2147483647 characters");
  }
  return static_cast<std::int32_t>(text.size());
}

std::u16string Widen(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

}  // namespace

List List::Sized(std::int32_t lower, std::int32_t size) {
  const std::int64_t upper = std::int64_t{lower} + size - 1;
  if (upper > std::numeric_limits<std::int32_t>::max()) throw OverflowError("upper bound overflow");
  List l;
  l.Redim(lower, static_cast<std::int32_t>(upper));
  return l;
}

List List::Of(std::vector<Value> elements) {
  if (elements.size() > static_cast<std::size_t>(kMaxElements)) {
    throw OverflowError("too many list elements");
  }
  List l;
  l.storage_ = Storage{0, std::move(elements)};
  return l;
}

List List::Of(std::initializer_list<Value> elements) { return Of(std::vector<Value>(elements)); }

std::int32_t List::Lower() const {
  if (!storage_) throw IndexOutOfRangeError("list without storage");
  return storage_->lower;
}

std::int32_t List::Upper() const {
  if (!storage_) throw IndexOutOfRangeError("list without storage");
  // Sizes never exceed kMaxElements, so the sum stays in range unless the lower bound is high.
  return CheckedAdd(storage_->lower, static_cast<std::int32_t>(storage_->elements.size()) - 1);
}

const Value& List::At(std::int32_t i) const {
  if (!storage_) throw IndexOutOfRangeError("list without storage");
  const std::int64_t offset = std::int64_t{i} - storage_->lower;
  if (offset < 0 || offset >= static_cast<std::int64_t>(storage_->elements.size())) {
    throw IndexOutOfRangeError("list index out of range");
  }
  return storage_->elements[static_cast<std::size_t>(offset)];
}

Value& List::At(std::int32_t i) {
  return const_cast<Value&>(static_cast<const List&>(*this).At(i));
}

void List::Redim(std::int32_t lower, std::int32_t upper) {
  const std::size_t size = CheckedSize(lower, upper);
  if (!storage_) storage_.emplace();
  storage_->lower = lower;
  storage_->elements.resize(size);
}

void List::Erase() { storage_.reset(); }

bool List::operator==(const List& other) const {
  if (storage_.has_value() != other.storage_.has_value()) return false;
  if (!storage_) return true;
  return storage_->lower == other.storage_->lower && storage_->elements == other.storage_->elements;
}

Variable Variable::AnyValue(Value initial) { return Variable(std::move(initial), false); }

Variable Variable::TextOnly(std::u16string initial) { return Variable(std::move(initial), true); }

Variable& Variable::operator=(Value v) {
  if (!textOnly_) {
    value_ = std::move(v);
    return *this;
  }
  if (std::holds_alternative<List>(v)) {
    throw TypeMismatchError("a text variable cannot hold a list");
  }
  value_ = TextOf(v);
  return *this;
}

// The slot a routine may change in place: only a variable that can hold any value.
Value& Slot(Variable& v) { return v.value_; }

namespace {

// Runs a routine that changes a list on a variable. A text-only variable works on a copy and
// takes the result back at the end, so a refused List leaves the variable as it was.
template <typename Routine>
decltype(auto) OnVariable(Variable& var, Routine&& routine) {
  if (!var.IsTextOnly()) return routine(Slot(var));
  Value copy = var.Get();
  if constexpr (std::is_void_v<decltype(routine(copy))>) {
    routine(copy);
    var = std::move(copy);
  } else {
    auto result = routine(copy);
    var = std::move(copy);
    return result;
  }
}

}  // namespace

std::u16string TextOf(const Value& v) {
  struct Visitor {
    std::u16string operator()(const Empty&) const { return {}; }
    std::u16string operator()(const std::u16string& s) const { return s; }
    std::u16string operator()(std::int32_t n) const { return Widen(std::to_string(n)); }
    std::u16string operator()(double d) const {
      char buf[64];
      auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15);
      std::u16string text = Widen(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
      for (auto& c : text) {
        if (c == u'e') c = u'E';
      }
      return text;
    }
    std::u16string operator()(bool b) const { return b ? u"True" : u"False"; }
    std::u16string operator()(const List&) const {
      throw TypeMismatchError("a list has no text form");
    }
  };
  return std::visit(Visitor{}, static_cast<const Value::variant&>(v));
}

bool HasElements(const Value& value) {
  const auto* list = std::get_if<List>(&value);
  if (list == nullptr || !list->HasStorage()) return false;
  try {
    return list->Upper() >= list->Lower();
  } catch (const Error&) {
    return false;
  }
}

std::int32_t Count(const Value& list) {
  if (!HasElements(list)) return 0;
  const auto& l = std::get<List>(list);
  return CheckedAdd(CheckedSub(l.Upper(), l.Lower()), 1);
}

namespace {

// The recursion of FlattenInto, for a source that cannot be part of target.
void FlattenLeaves(const Value& source, Value& target) {
  try {
    const auto* list = std::get_if<List>(&source);
    if (list == nullptr || !list->HasStorage()) return;
    const std::int32_t upper = list->Upper();
    const std::int32_t lower = list->Lower();
    for (std::int64_t i = lower; i <= upper; ++i) {
      const Value& element = list->At(static_cast<std::int32_t>(i));
      if (std::holds_alternative<List>(element)) {
        FlattenLeaves(element, target);
      } else {
        Push(target, element);
      }
    }
  } catch (const Error&) {
    // An error ends only this call; the leaves appended so far stay in target.
  }
}

}  // namespace

void FlattenInto(const Value& source, Value& target) {
  // The source may be target itself or one of its elements, which appending would move.
  const Value copy = source;
  FlattenLeaves(copy, target);
}

void FlattenInto(const Value& source, Variable& target) {
  const Value copy = source;
  OnVariable(target, [&](Value& t) { FlattenLeaves(copy, t); });
}

Value Flatten(const Value& source) {
  Value result;
  FlattenLeaves(source, result);
  return result;
}

void Push(Value& list, Value item) {
  if (HasElements(list)) {
    auto& l = std::get<List>(list);
    const std::int32_t upper = CheckedAdd(l.Upper(), 1);
    l.Redim(l.Lower(), upper);
    l.At(upper) = std::move(item);
  } else {
    list = List::Of({std::move(item)});
  }
}

void Push(Variable& list, Value item) {
  OnVariable(list, [&](Value& l) { Push(l, std::move(item)); });
}

void PushAll(Value& list, List items) {
  list = Flatten(list);
  const Value itemsValue = std::move(items);
  if (HasElements(list)) {
    const Value flat = Flatten(itemsValue);
    const std::int32_t n = Count(flat);
    for (std::int32_t i = 0; i < n; ++i) Push(list, std::get<List>(flat).At(i));
  } else {
    list = Flatten(itemsValue);
  }
}

void PushAll(Variable& list, List items) {
  OnVariable(list, [&](Value& l) { PushAll(l, std::move(items)); });
}

void PushAll(Value& list, std::initializer_list<Value> items) { PushAll(list, List::Of(items)); }

void PushAll(Variable& list, std::initializer_list<Value> items) { PushAll(list, List::Of(items)); }

Value Pop(Value& list) {
  list = Flatten(list);
  if (!HasElements(list)) return Empty{};
  auto& l = std::get<List>(list);
  const std::int32_t lower = l.Lower();
  const std::int32_t upper = l.Upper();
  Value result = std::move(l.At(upper));
  if (upper == lower) {
    l.Erase();
  } else {
    l.Redim(lower, upper - 1);
  }
  return result;
}

Value Pop(Variable& list) {
  return OnVariable(list, [](Value& l) { return Pop(l); });
}

void Unshift(Value& list, List items) {
  list = Flatten(list);
  const Value itemsValue = std::move(items);
  if (!HasElements(list)) {
    list = Flatten(itemsValue);
    return;
  }
  const Value flat = Flatten(itemsValue);
  const std::int32_t n = Count(flat);
  if (n == 0) return;
  auto& l = std::get<List>(list);
  const std::int32_t lower = l.Lower();
  const std::int32_t upper = l.Upper();
  const std::int32_t newUpper = CheckedAdd(upper, n);
  l.Redim(lower, newUpper);
  const std::int32_t firstMoved = CheckedAdd(lower, n);
  for (std::int32_t i = newUpper; i >= firstMoved; --i) l.At(i) = std::move(l.At(i - n));
  for (std::int32_t i = 0; i < n; ++i) l.At(lower + i) = std::get<List>(flat).At(i);
}

void Unshift(Variable& list, List items) {
  OnVariable(list, [&](Value& l) { Unshift(l, std::move(items)); });
}

void Unshift(Value& list, std::initializer_list<Value> items) { Unshift(list, List::Of(items)); }

void Unshift(Variable& list, std::initializer_list<Value> items) { Unshift(list, List::Of(items)); }

namespace {

// Appending a piece to the joined text. A nested List without elements adds nothing, as it has
// no elements to join.
void Append(std::u16string& text, const Value& piece) {
  if (std::holds_alternative<List>(piece)) return;
  text += TextOf(piece);
}

}  // namespace

Value Join(const Value& separator, const Value& list, const Value& inner) {
  if (!HasElements(list)) return list;
  const auto& l = std::get<List>(list);
  const std::int32_t lower = l.Lower();
  const std::int32_t upper = l.Upper();
  const std::u16string sep = TextOf(separator);
  std::u16string text;
  for (std::int32_t i = lower; i < upper; ++i) {
    Append(text, Join(inner, l.At(i), inner));
    text += sep;
  }
  Append(text, Join(inner, l.At(upper), inner));
  return text;
}

Value JoinAll(const Value& separator, List items) {
  const Value flat = Flatten(Value(std::move(items)));
  if (!HasElements(flat)) return Empty{};
  return Join(separator, flat, std::u16string());
}

Value JoinAll(const Value& separator, std::initializer_list<Value> items) {
  return JoinAll(separator, List::Of(items));
}

namespace {

// The limit, read once: the remaining-field counter and what happens at the end.
struct SplitLimit {
  std::int32_t counter;
  bool trimTrailingEmpty;
  std::optional<std::int32_t> exactSize;
};

SplitLimit ReadLimit(std::int32_t limit) {
  if (limit > 0) return {limit, false, limit};
  return {2147483647, limit == 0, std::nullopt};
}

// 1-based position of sep in text at or after pos; 0 when there is none. An empty separator is
// found at pos itself.
std::int32_t Find(std::u16string_view text, std::u16string_view sep, std::int32_t pos) {
  const auto from = static_cast<std::size_t>(pos - 1);
  if (from > text.size()) return 0;
  const auto at = text.find(sep, from);
  if (at == std::u16string_view::npos) return 0;
  return CheckedAdd(static_cast<std::int32_t>(at), 1);
}

std::u16string Field(std::u16string_view text, std::int32_t from, std::int32_t to) {
  if (from > to) return {};
  return std::u16string(
      text.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(to - from + 1)));
}

void SizeExactly(Value& result, std::int32_t size) {
  if (auto* l = std::get_if<List>(&result)) {
    l->Redim(0, size - 1);
  } else {
    result = List::Sized(0, size);
  }
}

bool IsEmptyField(const Value& v) {
  if (std::holds_alternative<Empty>(v)) return true;
  const auto* s = std::get_if<std::u16string>(&v);
  return s != nullptr && s->empty();
}

void TrimTrailingEmpty(Value& result) {
  if (!HasElements(result)) return;
  auto& l = std::get<List>(result);
  std::int32_t i = l.Upper();
  while (i >= l.Lower() && IsEmptyField(l.At(i))) --i;
  l.Redim(0, i);
}

}  // namespace

Value Split(const Value& separator, const Value& text, std::int32_t limit) {
  SplitLimit lim = ReadLimit(limit);
  const std::u16string sep = TextOf(separator);
  const std::u16string txt = TextOf(text);
  const std::int32_t S = LengthOf(sep);
  const std::int32_t T = LengthOf(txt);
  std::int32_t pos = 1;
  Value result;
  for (;;) {
    std::int32_t found = Find(txt, sep, pos);
    if (S == 0) {
      if (pos > T) break;
      found = CheckedAdd(found, 1);
    }
    if (found != 0 && lim.counter > 1) {
      --lim.counter;
      Push(result, Field(txt, pos, found - 1));
      pos = CheckedAdd(found, S);
      continue;
    }
    Push(result, Field(txt, pos, T));
    break;
  }
  if (lim.exactSize) SizeExactly(result, *lim.exactSize);
  if (lim.trimTrailingEmpty) TrimTrailingEmpty(result);
  return result;
}

}  // namespace marlit::Perl2
