#pragma once
// The typed errors that Marlit's procedures raise to the nearest handler that traps them.

#include <stdexcept>
#include <string>

namespace marlit {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A 32-bit or 16-bit integer result that does not fit its type.
class OverflowError : public Error {
 public:
  using Error::Error;
};

// A value assigned to a variable that cannot hold its kind (a List into a text variable).
class TypeMismatchError : public Error {
 public:
  using Error::Error;
};

// An index outside an array's bounds, or a list item that does not exist.
class IndexOutOfRangeError : public Error {
 public:
  using Error::Error;
};

// A call into the platform (clipboard, keyboard, dialogs) that failed.
class PlatformError : public Error {
 public:
  using Error::Error;
};

}  // namespace marlit
