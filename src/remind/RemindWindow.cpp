// The fix-remind prompt as a toolkit window: its two faces, the button clicks and the
// messages it keeps from the toolkit.
#include <algorithm>
#include <climits>
#include <cwchar>
#include <string>

#include "common/CallbackGate.h"
#include "common/Log.h"
#include "hostapi/DataReport.h"
#include "remind/FixpRemindRestartManager.h"

namespace {

void Report(const char* eventId) {
  tagLogInfo record = EventDataReport::Instance().GetMsg(eventId, "");
  EventDataReport::Instance().SendMsg(record);
}

void SetVisible(DuiLib::CPaintManagerUI& pm, DuiLib::LPCTSTR name, bool visible) {
  if (DuiLib::CControlUI* control = pm.FindControl(name))
    control->SetVisible(visible);
}

void SetPromptText(DuiLib::CPaintManagerUI& pm, DuiLib::LPCTSTR textId) {
  if (DuiLib::CControlUI* content = pm.FindControl(L"txtContent"))
    content->SetText(DuiLib::UICulture::GetInstance()->GetString(textId));
}

// _wtoi: leading blanks and a sign, then digits up to the first other character; 0 when none,
// and the int limits when the number is out of range.
int WideToInt(const wchar_t* text) {
  const long value = std::wcstol(text, nullptr, 10);
  return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

}  // namespace

FixpRemindRestartManager::~FixpRemindRestartManager() {
  delete m_pDelayMenu;
  m_pDelayMenu = nullptr;
}

DuiLib::LPCTSTR FixpRemindRestartManager::GetWindowClassName() const {
  return L"FixRemindDlg";
}

DuiLib::CDuiString FixpRemindRestartManager::GetSkinFile() {
  return L"..\\..\\res\\layout\\fix\\FixRemindDlg.xml";
}

DuiLib::CDuiString FixpRemindRestartManager::GetSkinFolder() {
  return L"";
}

void FixpRemindRestartManager::InitWindow() {
  ShowFixState();
}

void FixpRemindRestartManager::ShowFixState() {
  SetPromptText(m_pm, L"IDS_HARDWARE_NET_FIX_REGEDIT_NOW");
  SetVisible(m_pm, L"iconImg", true);
  SetVisible(m_pm, L"restart_btn_layout", false);
  SetVisible(m_pm, L"fix_btn_layout", true);
}

void FixpRemindRestartManager::ShowRestartState() {
  SetPromptText(m_pm, L"IDS_HARDWARE_NET_FIX_OK_RESTART_NOW");
  SetVisible(m_pm, L"iconImg", false);
  SetVisible(m_pm, L"restart_btn_layout", true);
  SetVisible(m_pm, L"fix_btn_layout", false);
}

void FixpRemindRestartManager::Notify(DuiLib::TNotifyUI& msg) {
  // A click comes from the host's user-interface thread; once the plug-in stops, the prompt
  // no longer acts on it (it is about to be destroyed).
  gate::Entry entry;
  if (!entry || msg.sType != L"click" || !msg.pSender)
    return;
  const DuiLib::CDuiString name = msg.pSender->GetName();
  if (name == L"btnFixNow") {
    Report("608005011");
    FixNow();
    ShowRestartState();
    PostPoPupMsgToMC();
  } else if (name == L"btnRestartNow") {
    Report("608005013");
    RestartNow();
    Close(1);
  } else if (name == L"btnNext") {
    Report("608005012");
    Close(1);
  } else if (name == L"btnDelay" || name == L"btnFolder") {
    ShowDelayMenu();
  }
}

platform::LRESULT FixpRemindRestartManager::HandleMessage(platform::UINT uMsg,
                                                          platform::WPARAM wParam,
                                                          platform::LPARAM lParam) {
  if (gate::Entry entry{}) {
    if (uMsg == platform::WM_SYSKEYDOWN && wParam == platform::VK_F4)
      return 0;  // Alt+F4 does not close the prompt
    if (uMsg == DuiLib::WM_MENUCLICK) {
      auto* item = reinterpret_cast<DuiLib::CMenuElementUI*>(wParam);
      if (!item) {
        LOG_ERROR(" menuItem is null");
        return 0;
      }
      const DuiLib::CDuiString userData = item->GetUserData();
      if (userData.IsEmpty()) {
        LOG_ERROR("FixpRemindRestartManager  menuItem GetUserData is null");
        return 1;
      }
      OnDelayChosen(WideToInt(userData.GetData()));
    }
  }
  return WindowImplBase::HandleMessage(uMsg, wParam, lParam);
}
