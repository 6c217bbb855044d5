#include "io/error.h"

#include <cstring>

void Error::GetErrorMessage(char* buffer, std::size_t size) const {
  if (size == 0) return;
  std::string text = Message();
  std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

std::string InvalidArgumentError::Message() const { return "Invalid argument: " + what_; }
