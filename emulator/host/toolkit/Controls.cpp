// The toolkit's text, controls and paint manager. A control that belongs to a window notes
// each change of its text or visibility.
#include "ToolkitState.h"

namespace DuiLib {

CDuiString::CDuiString() = default;
CDuiString::CDuiString(LPCTSTR text) : text_(text ? text : L"") {}
CDuiString::CDuiString(const CDuiString& other) = default;
CDuiString& CDuiString::operator=(const CDuiString& other) = default;
CDuiString::~CDuiString() = default;

LPCTSTR CDuiString::GetData() const {
  return text_.c_str();
}

int CDuiString::GetLength() const {
  return static_cast<int>(text_.size());
}

bool CDuiString::IsEmpty() const {
  return text_.empty();
}

bool CDuiString::operator==(LPCTSTR text) const {
  return text_ == (text ? text : L"");
}

CControlUI::CControlUI() = default;
CControlUI::~CControlUI() = default;

CDuiString CControlUI::GetName() const {
  return m_sName;
}

void CControlUI::SetName(LPCTSTR name) {
  m_sName = name;
}

const platform::RECT& CControlUI::GetPos() const {
  return m_rcItem;
}

void CControlUI::SetPos(platform::RECT rc) {
  m_rcItem = rc;
}

CDuiString CControlUI::GetText() const {
  return m_sText;
}

namespace {

void NoteChange(CPaintManagerUI* manager, const CDuiString& name, emu::Line fields) {
  if (!manager)
    return;  // still being built from its layout
  const char* op = fields.contains("text") ? "text" : "visible";
  fields["window"] = emu::toolkit::TreeOf(*manager).className;
  fields["control"] = emu::toolkit::Utf8(name.GetData());
  emu::toolkit::Note(op, std::move(fields));
}

}  // namespace

void CControlUI::SetText(LPCTSTR text) {
  m_sText = text;
  const std::string id = emu::toolkit::TextIdOf(m_sText.GetData());
  NoteChange(m_pManager, m_sName,
             {{"text", emu::toolkit::Utf8(m_sText.GetData())},
              {"text_id", id.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(id)}});
}

bool CControlUI::IsVisible() const {
  return m_bVisible;
}

void CControlUI::SetVisible(bool visible) {
  m_bVisible = visible;
  NoteChange(m_pManager, m_sName, {{"visible", visible}});
}

CDuiString CControlUI::GetUserData() {
  return m_sUserData;
}

void CControlUI::SetUserData(LPCTSTR text) {
  m_sUserData = text;
}

CPaintManagerUI::CPaintManagerUI() {
  std::lock_guard lock(emu::toolkit::Tables().mu);
  emu::toolkit::Tables().trees[this] = std::make_unique<emu::toolkit::Tree>();
}

CPaintManagerUI::~CPaintManagerUI() {
  std::unique_ptr<emu::toolkit::Tree> tree;  // its controls go outside the lock
  std::lock_guard lock(emu::toolkit::Tables().mu);
  auto& trees = emu::toolkit::Tables().trees;
  if (auto it = trees.find(this); it != trees.end()) {
    tree = std::move(it->second);
    trees.erase(it);
  }
}

platform::HWND CPaintManagerUI::GetPaintWindow() const {
  return emu::toolkit::TreeOf(*this).window;
}

CControlUI* CPaintManagerUI::FindControl(LPCTSTR name) const {
  if (!name)
    return nullptr;
  for (const auto& control : emu::toolkit::TreeOf(*this).layout.controls) {
    if (control->GetName() == name)
      return control.get();
  }
  return nullptr;
}

}  // namespace DuiLib

namespace emu::toolkit {

Tree& TreeOf(const DuiLib::CPaintManagerUI& manager) {
  std::lock_guard lock(Tables().mu);
  return *Tables().trees.at(&manager);
}

}  // namespace emu::toolkit
