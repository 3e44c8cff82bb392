// Split and Join of the list toolkit over arbitrary texts, separators and limits. The input: one
// byte of lengths (bits 0-2 the separator's, bits 3-5 the inner separator's, in code units), one
// byte of limit (signed), then little-endian code units: the separator, the inner separator and
// the text. Every Split is held against a plain cutting of the text at the separator, and Join of
// it must give the text back exactly when the limit allows.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/require.h"
#include "fuzz/utf16_bytes.h"
#include "platform/errors.h"
#include "support/perl2.h"

namespace marlit {
namespace {

using Perl2::Empty;
using Perl2::List;
using Perl2::Value;

struct Input {
  std::u16string separator;
  std::u16string inner;
  std::u16string text;
  std::int32_t limit = 0;
};

Input Read(const std::uint8_t* data, std::size_t size) {
  Input in;
  if (size < 2) return in;
  const std::size_t separatorLength = data[0] & 7;
  const std::size_t innerLength = (data[0] >> 3) & 7;
  in.limit = static_cast<std::int8_t>(data[1]);
  const std::u16string units = fuzz::Utf16FromBytes(data + 2, size - 2);
  const std::u16string_view all = units;
  in.separator = all.substr(0, separatorLength);
  in.inner = all.substr(std::min(all.size(), separatorLength), innerLength);
  in.text = all.substr(std::min(all.size(), separatorLength + innerLength));
  return in;
}

// The fields of text without a limit: cut at each occurrence of separator, found from left to
// right; with the empty separator, one field per character and none for the empty text. Each
// field keeps where it starts, for the remainder that a limit leaves in the last field.
struct Cut {
  std::vector<std::u16string> fields;
  std::vector<std::size_t> starts;
};

Cut CutText(std::u16string_view separator, std::u16string_view text) {
  Cut cut;
  if (separator.empty()) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      cut.fields.emplace_back(1, text[i]);
      cut.starts.push_back(i);
    }
    return cut;
  }
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(separator, start);
    cut.starts.push_back(start);
    if (at == text.npos) {
      cut.fields.emplace_back(text.substr(start));
      return cut;
    }
    cut.fields.emplace_back(text.substr(start, at - start));
    start = at + separator.size();
  }
}

// Split's result as the rules of the limit make it from the plain cut: a positive limit keeps
// that many fields, the last holding the rest of the text, and fills up with empty values; limit 0
// drops the trailing empty fields; the empty text at the empty separator is the empty value.
bool IsExpected(const Value& result, const Cut& cut, std::u16string_view text, std::int32_t limit) {
  std::size_t size = cut.fields.size();
  if (limit > 0) {
    size = static_cast<std::size_t>(limit);
  } else if (size == 0) {
    return std::holds_alternative<Empty>(result);
  } else if (limit == 0) {
    while (size > 0 && cut.fields[size - 1].empty()) --size;
  }
  const auto* list = std::get_if<List>(&result);
  if (list == nullptr || !list->HasStorage() || list->Lower() != 0 ||
      static_cast<std::int64_t>(list->Upper()) + 1 != static_cast<std::int64_t>(size)) {
    return false;
  }
  for (std::size_t i = 0; i < size; ++i) {
    const Value& field = list->At(static_cast<std::int32_t>(i));
    if (i >= cut.fields.size()) {
      if (!std::holds_alternative<Empty>(field)) return false;
      continue;
    }
    const bool rest = limit > 0 && i + 1 == size;
    const std::u16string_view expected = rest ? text.substr(cut.starts[i]) : cut.fields[i];
    const auto* got = std::get_if<std::u16string>(&field);
    if (got == nullptr || *got != expected) return false;
  }
  return true;
}

// Join of Split gives the text back unless fields are missing (trailing empty ones removed by
// limit 0), added (the empty fillers up to a positive limit, each after one more separator) or
// there is no text to give (the empty text at the empty separator becomes the empty value).
bool RoundTripHolds(const Input& in, const Cut& cut, std::int32_t limit) {
  if (in.separator.empty()) return !in.text.empty() || limit > 0;
  if (limit < 0) return true;
  if (limit == 0) return !cut.fields.back().empty();
  return cut.fields.size() >= static_cast<std::size_t>(limit);
}

// The fields each cut again at the inner separator: joined with it at every depth, they are
// what the flat fields were.
Value Nested(const Value& fields, std::u16string_view inner) {
  const auto* list = std::get_if<List>(&fields);
  if (list == nullptr || !Perl2::HasElements(fields)) return fields;
  std::vector<Value> nested;
  for (std::int32_t i = list->Lower(); i <= list->Upper(); ++i) {
    const Value& field = list->At(i);
    if (std::holds_alternative<std::u16string>(field)) {
      nested.push_back(Perl2::Split(Value(inner), field, -1));
    } else {
      nested.push_back(field);
    }
  }
  return List::Of(std::move(nested));
}

// deep: also join the fields cut again at the inner separator, and all of them as leaves.
void CheckSplit(const Input& in, const Cut& cut, std::int32_t limit, bool deep) {
  const Value separator(in.separator);
  const Value text(in.text);
  Value fields;
  try {
    fields = Perl2::Split(separator, text, limit);
  } catch (const OverflowError&) {
    // A result sized to the limit cannot hold more than a List may.
    MARLIT_REQUIRE(limit > List::kMaxElements);
    return;
  }
  MARLIT_REQUIRE(limit <= List::kMaxElements);
  MARLIT_REQUIRE(IsExpected(fields, cut, in.text, limit));

  const Value joined = Perl2::Join(separator, fields, Value(in.inner));
  MARLIT_REQUIRE((joined == text) == RoundTripHolds(in, cut, limit));
  if (!deep) return;
  MARLIT_REQUIRE(Perl2::Join(separator, Nested(fields, in.inner), Value(in.inner)) == joined);
  if (Perl2::HasElements(fields)) {
    MARLIT_REQUIRE(Perl2::JoinAll(separator, std::get<List>(fields)) == joined);
  }
}

}  // namespace
}  // namespace marlit

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace marlit;
  const Input in = Read(data, size);
  const Cut cut = CutText(in.separator, in.text);
  const auto k = static_cast<std::int32_t>(cut.fields.size());
  // The input's own limit, one of each kind, the limits on either side of the field count (at
  // the count itself a Split gives what limit -1 gives) and the first limit too large for a List.
  std::vector<std::int32_t> limits = {in.limit, 0, -1, k - 1, k + 1, List::kMaxElements + 1};
  std::sort(limits.begin(), limits.end());
  limits.erase(std::unique(limits.begin(), limits.end()), limits.end());
  // The deeper joins once, at the input's limit unless that only adds empty fillers.
  const std::int32_t deepLimit = in.limit <= k + 1 ? in.limit : -1;
  for (std::int32_t limit : limits) CheckSplit(in, cut, limit, limit == deepLimit);
  return 0;
}
