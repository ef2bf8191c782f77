// The fix-remind prompt's delay menu: where it opens, what a choice does, and the pop-up
// request again once the delay is over.
#include <string>

#include "common/CallbackGate.h"
#include "common/ModuleThread.h"
#include "hostapi/DataReport.h"
#include "platform/Sleep.h"
#include "platform/Thread.h"
#include "remind/FixpRemindRestartManager.h"

namespace {

constexpr DWORD kMenuFlags = DuiLib::eMenuAlignment_Left | DuiLib::eMenuAlignment_Top;
constexpr int kMenuInsetPixels = 12;
constexpr std::uint32_t kDelaysMs[] = {600000, 3600000, 14400000};

}  // namespace

void FixpRemindRestartManager::ShowDelayMenu() {
  platform::RECT window;
  platform::GetWindowRect(GetHWND(), &window);
  delete m_pDelayMenu;
  m_pDelayMenu = new DuiLib::CMenuWnd();
  DuiLib::CControlUI* button = m_pm.FindControl(L"btnDelay");
  if (!button)
    return;
  const platform::RECT& buttonPos = button->GetPos();
  platform::POINT point{buttonPos.left, buttonPos.top};
  platform::ClientToScreen(GetHWND(), &point);
  m_pDelayMenu->Init(nullptr, L"../../res/layout/fix/FixRemindDlgSettingMenu.xml", point, &m_pm,
                     nullptr, kMenuFlags);
  platform::RECT menu;
  if (!platform::GetWindowRect(m_pDelayMenu->GetHWND(), &menu))
    return;
  const int width = menu.right - menu.left;
  const int height = menu.bottom - menu.top;
  const int inset = DuiLib::CResourceManager::GetInstance()->Scale(kMenuInsetPixels);
  const int x = DuiLib::UICulture::GetInstance()->getDirection() == 1
                    ? window.left + inset
                    : window.right - width - inset;
  const int y = point.y - height;
  platform::MoveWindow(m_pDelayMenu->GetHWND(), x, y, width, height, 0);
}

void FixpRemindRestartManager::OnDelayChosen(int index) {
  tagLogInfo record = EventDataReport::Instance().GetMsg("608005014", "");
  record.mapExtra[0] = std::to_string(index);
  EventDataReport::Instance().SendMsg(record);
  if (index < 0 || index > 2) {
    Close(1);
    return;
  }
  ShowWindow(false, true);
  ScheduleRepopup(kDelaysMs[index]);
}

void FixpRemindRestartManager::ScheduleRepopup(std::uint32_t milliseconds) {
  // The delay is one of the module's threads: a stop ends its wait, and the prompt is not
  // popped up again by a plug-in that is going away.
  START_MODULE_THREAD([this, milliseconds] {
    if (!platform::Sleep(milliseconds))
      return;
    gate::DispatchToUi([this] { PostPoPupMsgToMC(); });
  });
}
