#include "logging/LogThread.h"

#include <chrono>

namespace tarvo {

namespace {
std::atomic<uint64_t> NextGeneration{1};
}

TLogThread::TLogThread() : m_generation(NextGeneration.fetch_add(1)) {}

TLogThread::~TLogThread() {
  Terminate();
  if (m_thread.joinable()) m_thread.join();
}

void TLogThread::Start(Body body, GuiThreadCalls& gui, std::function<void()> onEnd) {
  m_thread = std::thread([this, body = std::move(body), &gui, onEnd = std::move(onEnd)]() mutable {
    body(*this);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_finished = true;
    }
    m_ended.notify_all();
    if (onEnd) gui.Post(std::move(onEnd));
  });
}

bool TLogThread::Finished() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_finished;
}

bool TLogThread::WaitFor(uint32_t ms) {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_ended.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_finished; });
}

void TLogThread::Wait() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_ended.wait(lock, [this] { return m_finished; });
}

}  // namespace tarvo
