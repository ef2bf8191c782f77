// The toolkit's layouts: the XML files the emulator ships (compiled in), read into controls.
// A layout is a root element with size="width,height" whose descendants are controls with
// name, pos="left,top,right,bottom" (in the window's client area), text, userdata and
// visible="false".
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include <rapidxml/rapidxml.hpp>

#include "ToolkitState.h"
#include "emu/Laptop.h"
#include "platform/Text.h"

namespace emu::toolkit {

const std::map<std::string, std::string>& EmbeddedLayouts();

namespace {

constexpr std::size_t kMaxDepth = 32;
constexpr int kMaxPixels = 100000;

std::string NormalisedName(const std::wstring& skinPath) {
  std::string name = Utf8(skinPath);
  for (char& c : name) {
    if (c == '\\')
      c = '/';
  }
  while (name.rfind("../", 0) == 0 || name.rfind("./", 0) == 0)
    name.erase(0, name.find('/') + 1);
  return name;
}

std::string Attribute(const rapidxml::xml_node<>* node, const char* name) {
  const auto* attribute = node->first_attribute(name);
  return attribute ? std::string(attribute->value(), attribute->value_size()) : std::string();
}

std::vector<int> Numbers(const std::string& text, std::size_t count, const std::string& what) {
  std::vector<int> out(4, 0);
  int used = 0;
  const int read =
      std::sscanf(text.c_str(), "%d,%d,%d,%d%n", &out[0], &out[1], &out[2], &out[3], &used);
  if (read != static_cast<int>(count) ||
      (count == 4 && static_cast<std::size_t>(used) != text.size()))
    throw std::runtime_error("layout: " + what + " \"" + text + "\" is not " +
                             std::to_string(count) + " numbers");
  return out;
}

void ReadControls(rapidxml::xml_node<>* parentNode, DuiLib::CControlUI* parent, bool menu,
                  Layout& layout) {
  for (auto* node = parentNode->first_node(); node; node = node->next_sibling()) {
    if (node->type() != rapidxml::node_element)
      continue;
    std::unique_ptr<DuiLib::CControlUI> control;
    if (menu)
      control = std::make_unique<DuiLib::CMenuElementUI>();
    else
      control = std::make_unique<DuiLib::CControlUI>();
    control->SetName(platform::Utf8ToWide(Attribute(node, "name")).c_str());
    control->SetText(platform::Utf8ToWide(Attribute(node, "text")).c_str());
    control->SetUserData(platform::Utf8ToWide(Attribute(node, "userdata")).c_str());
    control->SetVisible(Attribute(node, "visible") != "false");
    if (const std::string pos = Attribute(node, "pos"); !pos.empty()) {
      const auto p = Numbers(pos, 4, "pos");
      if (std::any_of(p.begin(), p.end(), [](int v) { return v < -kMaxPixels || v > kMaxPixels; }))
        throw std::runtime_error("layout: pos \"" + pos + "\" out of range");
      control->SetPos(platform::RECT{Scaled(p[0]), Scaled(p[1]), Scaled(p[2]), Scaled(p[3])});
    }
    DuiLib::CControlUI* raw = control.get();
    layout.controls.push_back(std::move(control));
    if (parent)
      layout.parents[raw] = parent;
    ReadControls(node, raw, menu, layout);
  }
}

// How deep elements nest, read before parsing: the parser and the reader recurse once per
// level, so a layout from a scenario must not be able to exhaust the stack.
std::size_t NestingDepth(const std::string& text) {
  std::size_t depth = 0;
  std::size_t deepest = 0;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '<')
      continue;
    if (text[i + 1] == '/') {
      depth -= depth > 0 ? 1 : 0;
    } else if (std::isalpha(static_cast<unsigned char>(text[i + 1]))) {
      const std::size_t end = text.find('>', i);
      if (end == std::string::npos || text[end - 1] != '/')
        deepest = std::max(deepest, ++depth);
    }
  }
  return deepest;
}

}  // namespace

Layout LoadLayout(const std::wstring& skinPath, bool menu) {
  Layout layout;
  layout.name = NormalisedName(skinPath);
  // A scenario may give the host's own layout in place of the emulator's.
  std::string source;
  const auto given = Laptop::Instance().Json(FactOf("toolkit_layouts", FactType::Map));
  if (given.is_object() && given.contains(layout.name) && given[layout.name].is_string()) {
    source = given[layout.name].get<std::string>();
  } else {
    const auto& layouts = EmbeddedLayouts();
    auto it = layouts.find(layout.name);
    if (it == layouts.end())
      throw std::runtime_error("no layout \"" + layout.name + "\"");
    source = it->second;
  }
  if (NestingDepth(source) > kMaxDepth)
    throw std::runtime_error("layout \"" + layout.name + "\" nests deeper than 32 levels");
  std::vector<char> text(source.begin(), source.end());
  text.push_back('\0');
  rapidxml::xml_document<> doc;
  try {
    doc.parse<0>(text.data());
  } catch (const rapidxml::parse_error& e) {
    throw std::runtime_error("layout \"" + layout.name + "\": " + e.what());
  }
  auto* root = doc.first_node();
  if (!root)
    throw std::runtime_error("layout \"" + layout.name + "\" is empty");
  const auto size = Numbers(Attribute(root, "size"), 2, "size");
  if (size[0] < 0 || size[1] < 0 || size[0] > kMaxPixels || size[1] > kMaxPixels)
    throw std::runtime_error("layout \"" + layout.name + "\": size out of range");
  layout.width = Scaled(size[0]);
  layout.height = Scaled(size[1]);
  ReadControls(root, nullptr, menu, layout);
  return layout;
}

}  // namespace emu::toolkit
