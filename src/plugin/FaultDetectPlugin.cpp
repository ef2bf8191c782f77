#include "plugin/FaultDetectPlugin.h"
#include "common/ModuleThread.h"

#include "common/CallbackGate.h"
#include "common/Log.h"
#include "common/UiThreadCall.h"
#include "hostapi/DataReport.h"
#include "hostapi/VexSoftShelf.h"
#include "ipc/MsgEvent.h"
#include "platform/Sleep.h"
#include "platform/Thread.h"
#include "plugin/ClassTable.h"
#include "remind/FixpRemindRestartManager.h"

CFaultDetectPlugin::~CFaultDetectPlugin() {
  // Uninit has normally destroyed the window already, on the user-interface thread.
  delete m_pRemindWnd;
  m_pRemindWnd = nullptr;
}

const char* CFaultDetectPlugin::GetClassId() const {
  return x3plugin::kFaultDetectClassId;
}

const char* CFaultDetectPlugin::GetClassTypeName() const {
  return "CFaultDetectPlugin";
}

bool CFaultDetectPlugin::Init() {
  CMsgEvent* dispatcher = CMsgEvent::GetInstance();
  if (!dispatcher)
    return false;
  dispatcher->Register();
  if (!CVexSoftShelf::GetInstance().IsSupportProperty("OrbLoginGuide", "china"))
    return true;
  START_MODULE_THREAD([this] { StartupFixCheck(this); });
  return true;
}

void CFaultDetectPlugin::Uninit() {
  if (CMsgEvent* dispatcher = CMsgEvent::GetInstance())
    dispatcher->Uninit();
  // No job of the plug-in is left on the user-interface thread now, and no delay of the
  // prompt is pending. The prompt goes on that thread, so that the host's toolkit holds no
  // window of the plug-in (whose code may be unloaded next), nor any pop-up request that
  // would show one.
  if (m_pRemindWnd) {
    uithread::CallAndWait([this] {
      if (platform::HWND window = m_pRemindWnd->GetHWND())
        platform::DestroyWindow(window);
      delete m_pRemindWnd;
      m_pRemindWnd = nullptr;
    });
  }
}

void CFaultDetectPlugin::StartupFixCheck(CFaultDetectPlugin* plugin) {
  constexpr std::uint32_t kAfterStartMs = 10000;  // the check runs once start-up has settled
  if (!platform::Sleep(kAfterStartMs))
    return;
  if (!CheckForFix())
    return;
  tagLogInfo record = EventDataReport::Instance().GetMsg("608005010", "");
  EventDataReport::Instance().SendMsg(record);
  LOG_WARN("StartFixCheck");
  // The job runs inside the plug-in's door: a stop either waits for it or drops it, so the
  // plug-in object is alive whenever it runs.
  gate::DispatchToUi([plugin] { plugin->ShowRemindWindow(); });
}

void CFaultDetectPlugin::ShowRemindWindow() {
  // A second Init without Uninit finds the prompt still there: it is asked for again rather
  // than replaced, as a pending delay of it may still call it.
  if (!m_pRemindWnd)
    m_pRemindWnd = new FixpRemindRestartManager();
  if (CMsgEvent* dispatcher = CMsgEvent::GetInstance()) {
    m_pRemindWnd->SetIpcClient(dispatcher);
    m_pRemindWnd->ShowWindow(false, true);
    m_pRemindWnd->PostPoPupMsgToMC();
  }
}
