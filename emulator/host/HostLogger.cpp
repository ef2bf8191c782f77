// The host's logger: log4cplus with an appender that writes each event as a log line,
// the message text and the function name in its trailing parentheses apart.
#include "hostapi/HostLogger.h"

#include <log4cplus/appender.h>
#include <log4cplus/initializer.h>
#include <log4cplus/log4cplus.h>
#include <log4cplus/spi/loggingevent.h>

#include <mutex>

#include "emu/Transcript.h"

namespace {

class TranscriptAppender : public log4cplus::Appender {
 public:
  ~TranscriptAppender() override { destructorImpl(); }
  void close() override {}

 protected:
  void append(const log4cplus::spi::InternalLoggingEvent& event) override {
    // The transcript is UTF-8: a Unicode build's wide text comes back to the narrow text the
    // plug-in logged.
    const std::string message = LOG4CPLUS_TSTRING_TO_STRING(event.getMessage());
    std::string text = message;
    std::string function;
    if (!message.empty() && message.back() == ')') {
      // The function name holds no parentheses; the text may.
      const auto open = message.rfind('(');
      if (open != std::string::npos) {
        text = message.substr(0, open);
        function = message.substr(open + 1, message.size() - open - 2);
      }
    }
    emu::Transcript::Instance().Write(
        "log", {{"level", event.getLogLevel()},
                {"text", text},
                {"function", function},
                {"file", LOG4CPLUS_TSTRING_TO_STRING(event.getFile())},
                {"line", event.getLine()},
                {"signature", LOG4CPLUS_TSTRING_TO_STRING(event.getFunction())}});
  }
};

}  // namespace

log4cplus::Logger GetLogger() {
  static std::once_flag once;
  std::call_once(once, [] {
    log4cplus::initialize();
    auto logger = log4cplus::Logger::getInstance(LOG4CPLUS_TEXT("DeviceFaultDetectPlugin"));
    logger.setLogLevel(log4cplus::ALL_LOG_LEVEL);
    logger.setAdditivity(false);
    logger.addAppender(log4cplus::SharedAppenderPtr(new TranscriptAppender()));
  });
  return log4cplus::Logger::getInstance(LOG4CPLUS_TEXT("DeviceFaultDetectPlugin"));
}
