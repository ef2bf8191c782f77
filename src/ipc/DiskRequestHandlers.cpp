// Disk information requests: each runs a fresh disk discovery on the receiving thread and
// answers with one record per selected disk. No disk at all: no answer.
#include <vector>

#include "ipc/DiskAnswers.h"
#include "ipc/MsgEvent.h"
#include "ipc/Reply.h"
#include "smart/CAtaSmart.h"

namespace {

void AnswerDiskRequest(const tagIPC_MESSAGE_ITEM& item, DiskRequest kind) {
  smart::CAtaSmart reader;
  std::uint32_t changed = 0;
  reader.Init(0, 0, &changed);
  if (!changed)
    return;
  reply::Post(CMsgEvent::GetInstance(), reply::AddressOf(item),
              [&](IIPCDataIO& io) { WriteDiskAnswer(io, reader.vars, kind); });
}

}  // namespace

void CMsgEvent::OnRecvHddInfoQueryMsg(tagIPC_MESSAGE_ITEM& item) {
  AnswerDiskRequest(item, DiskRequest::kHardDisks);
}

void CMsgEvent::OnRecvSsdInfoQueryMsg(tagIPC_MESSAGE_ITEM& item) {
  AnswerDiskRequest(item, DiskRequest::kSolidStateDisks);
}

void CMsgEvent::OnRecvDiskSummaryQueryMsg(tagIPC_MESSAGE_ITEM& item) {
  AnswerDiskRequest(item, DiskRequest::kFeatures);
}
