#pragma once
// The logger that the host hands out to its plug-ins.
#include <log4cplus/logger.h>

log4cplus::Logger GetLogger();
