#pragma once
// The window toolkit, all of it.
#include "hostapi/DuiLib/UIBase.h"
#include "hostapi/DuiLib/UIControl.h"
#include "hostapi/DuiLib/UICulture.h"
#include "hostapi/DuiLib/UIManager.h"
#include "hostapi/DuiLib/UIMenu.h"
#include "hostapi/DuiLib/UIResourceManager.h"
#include "hostapi/DuiLib/UIString.h"
#include "hostapi/DuiLib/WinImplBase.h"
#include "hostapi/UIMainQueue.h"
