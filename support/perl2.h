#pragma once
// Perl2: the list and string toolkit over dynamically typed values.

#include <cstdint>
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
  List() = default;  // without storage
  // A sized List lower .. lower + size - 1.
  static List Sized(std::int32_t lower, std::int32_t size);
  static List Of(std::vector<Value> elements);  // lower bound 0

  [[nodiscard]] bool HasStorage() const { return storage_.has_value(); }
  // Bounds raise IndexOutOfRangeError on a List without storage.
  [[nodiscard]] std::int32_t Lower() const;
  [[nodiscard]] std::int32_t Upper() const;
  // Raises IndexOutOfRangeError outside the bounds.
  [[nodiscard]] const Value& At(std::int32_t i) const;
  Value& At(std::int32_t i);
  // Resizes in place to lower .. upper, keeping the lower bound and the elements that stay.
  void Redim(std::int32_t lower, std::int32_t upper);
  void Erase();  // back to a List without storage

  bool operator==(const List&) const;

 private:
  struct Storage {
    std::int32_t lower = 0;
    std::vector<Value> elements;
  };
  std::optional<Storage> storage_;
};

struct Value : std::variant<Empty, std::u16string, std::int32_t, double, bool, List> {
  using variant::variant;
  Value(const char16_t* text) : variant(std::u16string(text)) {}
};

}  // namespace marlit::Perl2
