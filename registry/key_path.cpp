#include "registry/key_path.h"

#include "app/error.h"

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

std::string ChildKeyPath(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + "\\" + name;
}
