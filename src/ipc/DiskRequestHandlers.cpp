// Disk information requests. Registered so the table is whole; they answer once the disk
// reader exists. No reply is the documented answer when no disk was found.
#include "ipc/MsgEvent.h"

void CMsgEvent::OnRecvHddInfoQueryMsg(tagIPC_MESSAGE_ITEM&) {}
void CMsgEvent::OnRecvSsdInfoQueryMsg(tagIPC_MESSAGE_ITEM&) {}
void CMsgEvent::OnRecvDiskSummaryQueryMsg(tagIPC_MESSAGE_ITEM&) {}
