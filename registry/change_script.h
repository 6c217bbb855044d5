#pragma once
// redo.reg and undo.reg: registry changes written so that regedit imports
// them, in the form regedit exports and reads back without loss.
//
//   "Windows Registry Editor Version 5.00", then one section per key; UTF-16
//   little-endian after a byte-order mark, CR LF line ends.
//   [full key path]         the key whose values follow (created if missing)
//   [-full key path]        deletes the key with its whole subtree
//   "name"=... or @=...     sets a value (@ is the default value)
//   "name"=- or @=-         deletes a value
//
// Names and strings are quoted, with \ written \\ and " written \". A value
// is "text" when it is a string that is exactly its text and one NUL,
// dword:0000002a when it is a double word of four bytes, hex: for raw bytes,
// and hex(N): (N in hexadecimal) for anything else, strings that would not
// survive as text included, so that every value comes back byte for byte.
// Hex bytes wrap as regedit wraps them.

#include <string>
#include <string_view>

#include "registry/registry_entry.h"

class File;

/// The line of `value` in a change script, without its line end.
std::u16string FormatScriptValue(const RegistryEntry& value);

/// A change script being written into a file open for writing.
class ChangeScript {
 public:
  /// Writes the header.
  explicit ChangeScript(File& file);
  ChangeScript(const ChangeScript&) = delete;
  ChangeScript& operator=(const ChangeScript&) = delete;

  /// Starts the section of the key at `path`, also when no value follows:
  /// importing it creates the key.
  void AddKey(std::string_view path);
  /// Deletes the key at `path` and everything below it.
  void DeleteKey(std::string_view path);
  /// Sets `value` in the key at `path`, starting its section if need be.
  void SetValue(std::string_view path, const RegistryEntry& value);
  /// Deletes the value `name` of the key at `path`.
  void DeleteValue(std::string_view path, std::string_view name);
  /// Ends the file as regedit ends it, with a blank line after the last
  /// section.
  void Finish();

 private:
  void StartSection(std::string_view path);
  void Write(std::u16string_view text);

  File& file_;  // buffers what it is given, so that a line costs no system call
  std::string bytes_;
  std::string section_;  // the key whose section is open
  bool sectionOpen_ = false;
  bool any_ = false;  // whether a section was written
};
