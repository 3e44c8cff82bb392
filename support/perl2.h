#pragma once
// Perl2: the list and string toolkit over dynamically typed values.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace marlit::Perl2 {

struct Value;

// The empty value: nothing assigned. Distinct from the empty text.
struct Empty {
  bool operator==(const Empty&) const = default;
};

// A one-dimensional array with a 32-bit lower bound. Without storage (never sized, or erased) it
// has no bounds at all; a sized List with upper = lower - 1 has bounds but no elements.
class List {
 public:
  // Most elements one List may hold: every size is checked against it before anything is
  // allocated, so a huge bound is an OverflowError rather than an exhausted memory.
  static constexpr std::int32_t kMaxElements = 1 << 20;

  List() = default;  // without storage
  // A sized List lower .. lower + size - 1 of empty values.
  static List Sized(std::int32_t lower, std::int32_t size);
  static List Of(std::vector<Value> elements);  // lower bound 0
  static List Of(std::initializer_list<Value> elements);

  [[nodiscard]] bool HasStorage() const { return storage_.has_value(); }
  // Bounds raise IndexOutOfRangeError on a List without storage.
  [[nodiscard]] std::int32_t Lower() const;
  [[nodiscard]] std::int32_t Upper() const;
  // Raises IndexOutOfRangeError outside the bounds.
  [[nodiscard]] const Value& At(std::int32_t i) const;
  Value& At(std::int32_t i);
  // Resizes to lower .. upper (upper may be lower - 1), keeping the elements that stay; on a
  // List without storage it sizes it. New positions hold the empty value.
  void Redim(std::int32_t lower, std::int32_t upper);
  void Erase();  // back to a List without storage

  bool operator==(const List&) const;

 private:
  // No default member initializers: clang cannot default-construct a nested class that has them
  // inside std::optional before List is complete. Storage() value-initializes lower to 0.
  struct Storage {
    std::int32_t lower;
    std::vector<Value> elements;
  };
  std::optional<Storage> storage_;
};

struct Value : std::variant<Empty, std::u16string, std::int32_t, double, bool, List> {
  using variant::variant;
  Value(const char16_t* text) : variant(std::u16string(text)) {}
  // A narrow literal would otherwise become the boolean true; texts are UTF-16.
  Value(const char*) = delete;
  Value(std::u16string_view text) : variant(std::u16string(text)) {}

  // Same kind and same contents; the empty value and the empty text differ.
  friend bool operator==(const Value& a, const Value& b) {
    return static_cast<const variant&>(a) == static_cast<const variant&>(b);
  }
};

// A caller's variable passed by reference. One that can hold any Value, or one declared as text,
// which takes the empty value as the empty text, numbers and booleans as their text, and refuses
// a List with TypeMismatchError (keeping what it held).
class Variable {
 public:
  static Variable AnyValue(Value initial = {});
  static Variable TextOnly(std::u16string initial = {});

  Variable& operator=(Value v);
  [[nodiscard]] const Value& Get() const { return value_; }
  operator const Value&() const { return value_; }
  [[nodiscard]] bool IsTextOnly() const { return textOnly_; }

 private:
  Variable(Value v, bool textOnly) : value_(std::move(v)), textOnly_(textOnly) {}
  friend Value& Slot(Variable& v);
  Value value_;
  bool textOnly_ = false;
};

// A value as text, the way appending converts it: texts as they are, the empty value as nothing,
// integers in plain decimal, doubles with up to 15 significant digits (1E+20), booleans as
// "True" and "False". A List raises TypeMismatchError.
[[nodiscard]] std::u16string TextOf(const Value& v);

[[nodiscard]] bool HasElements(const Value& value);
[[nodiscard]] std::int32_t Count(const Value& list);
void FlattenInto(const Value& source, Value& target);
void FlattenInto(const Value& source, Variable& target);
[[nodiscard]] Value Flatten(const Value& source);

void Push(Value& list, Value item);
void Push(Variable& list, Value item);
// The items arrive as one List of the arguments in order (lower bound 0).
void PushAll(Value& list, List items);
void PushAll(Variable& list, List items);
void PushAll(Value& list, std::initializer_list<Value> items);
void PushAll(Variable& list, std::initializer_list<Value> items);
[[nodiscard]] Value Pop(Value& list);
[[nodiscard]] Value Pop(Variable& list);
void Unshift(Value& list, List items);
void Unshift(Variable& list, List items);
void Unshift(Value& list, std::initializer_list<Value> items);
void Unshift(Variable& list, std::initializer_list<Value> items);

[[nodiscard]] Value Join(const Value& separator, const Value& list, const Value& inner);
[[nodiscard]] Value JoinAll(const Value& separator, List items);
[[nodiscard]] Value JoinAll(const Value& separator, std::initializer_list<Value> items);
// limit 0: every field, trailing empty fields removed; limit < 0: every field kept;
// limit > 0: at most limit fields, the result sized to exactly limit elements.
[[nodiscard]] Value Split(const Value& separator, const Value& text, std::int32_t limit);

}  // namespace marlit::Perl2
