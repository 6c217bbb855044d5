#include "registry/key_path.h"

#include "io/error.h"

void SplitKeyPath(const std::string& text, std::vector<std::string>& components) {
  std::size_t start = 0;
  std::size_t i = 0;
  if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
    components.emplace_back("\\");
    start = i = 2;
  }
  for (; i < text.size(); ++i) {
    if (text[i] != '\\') continue;
    components.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  if (start < text.size()) components.push_back(text.substr(start));
}

std::string JoinKeyPath(const std::vector<std::string>& components, std::size_t start,
                        std::size_t count) {
  if (start > components.size())
    throw InvalidArgumentError("key path component " + std::to_string(start) + " of " +
                               std::to_string(components.size()));
  if (count > components.size() - start) count = components.size() - start;
  std::string text;
  for (std::size_t i = start; i < start + count; ++i) {
    if (i != start) text += '\\';
    text += components[i];
  }
  return text;
}

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
