#pragma once
// The errors that end a sequence: raised anywhere below the driver and caught
// only by it, which prints their message and shows the closing prompt.

#include <cstddef>
#include <cstdint>
#include <string>

/// Base of every error the driver catches.
class Error {
 public:
  virtual ~Error() = default;
  /// Writes the message, NUL-terminated and cut to size - 1 characters.
  void GetErrorMessage(char* buffer, std::size_t size) const;
  virtual std::string Message() const = 0;
};

/// An argument out of range: an index past an array, a malformed pattern.
class InvalidArgumentError : public Error {
 public:
  explicit InvalidArgumentError(std::string what) : what_(std::move(what)) {}
  std::string Message() const override;

 private:
  std::string what_;
};
