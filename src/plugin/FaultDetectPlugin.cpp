#include "plugin/FaultDetectPlugin.h"

#include "common/Log.h"
#include "hostapi/DataReport.h"
#include "hostapi/VexSoftShelf.h"
#include "ipc/MsgEvent.h"
#include "platform/Sleep.h"
#include "platform/Thread.h"
#include "plugin/ClassTable.h"

CFaultDetectPlugin::~CFaultDetectPlugin() {
  // The remind window arrives with the fix-remind dialog; until then the field stays null.
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
  platform::StartDetachedThread([this] { StartupFixCheck(this); });
  return true;
}

void CFaultDetectPlugin::Uninit() {
  if (CMsgEvent* dispatcher = CMsgEvent::GetInstance())
    dispatcher->Uninit();
}

void CFaultDetectPlugin::StartupFixCheck(CFaultDetectPlugin* plugin) {
  (void)plugin;
  if (!platform::Sleep(10000))
    return;
  if (!CheckForFix())
    return;
  tagLogInfo record = EventDataReport::Instance().GetMsg("608005010", "");
  EventDataReport::Instance().SendMsg(record);
  LOG_WARN("StartFixCheck");
  // The remind dialog is handed to the user-interface thread once the host's window toolkit
  // is in place; until then the check reports and logs only.
}
