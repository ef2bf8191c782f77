#include "common/UiThreadCall.h"

#include <memory>
#include <mutex>

#include "hostapi/UIMainQueue.h"
#include "platform/Mutex.h"

namespace uithread {

bool CallAndWait(std::function<void()> job) {
  struct Done {
    platform::Mutex mutex;
    platform::ConditionVariable ran;
    bool finished = false;
  };
  auto done = std::make_shared<Done>();
  const bool queued = DuiLib::UIMainQueue::getInstance().dispatch([job = std::move(job), done] {
    job();
    std::lock_guard lock(done->mutex);
    done->finished = true;
    done->ran.NotifyAll();
  });
  if (!queued)
    return false;
  std::unique_lock lock(done->mutex);
  done->ran.Wait(lock, [&done] { return done->finished; });
  return true;
}

}  // namespace uithread
