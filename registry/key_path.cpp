#include "registry/key_path.h"

void SplitRootKeyPath(const std::string& path, std::string& rootName, std::string& subKey) {
  std::size_t restStart;
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    rootName.assign(1, '\\');  // not = "\\": GCC 12 warns of an overlap that cannot happen
    restStart = 2;
  } else {
    std::size_t separator = path.find('\\');
    rootName.assign(path, 0, separator);
    restStart = separator == std::string::npos ? path.size() : separator + 1;
  }
  std::size_t restEnd = path.size();
  // The split drops an empty last component, and with it one trailing backslash.
  if (restEnd > restStart && path[restEnd - 1] == '\\') --restEnd;
  subKey.assign(path, restStart, restEnd - restStart);
}

std::string ChildKeyPath(const std::string& parent, std::string_view name) {
  std::string path;
  path.reserve(parent.size() + 1 + name.size());
  if (!parent.empty()) (path += parent) += '\\';
  return path += name;
}
