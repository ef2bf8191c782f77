# The emulator's sources, by what they stand for. Paths are relative to this folder.

# Shared by both sides: the threads and clock of the host's libraries (virtual on the Linux
# build, the machine's on Windows), the transcript of everything done, and the laptop's facts
# as a scenario states them (with the device list the hardware library reads).
set(EMU_CORE_SOURCES
  core/DeviceTree.cpp
  core/Facts.cpp
  core/Faults.cpp
  core/Laptop.cpp
  core/Scheduler.cpp
  core/Transcript.cpp
)

# Stand-ins for the host's libraries, written over the platform seam: the bus and IPC client,
# the hardware support library, the data report, the logger access, the registry and system
# helpers, the feature catalogue, the window toolkit, and the vendor libraries' callbacks.
set(EMU_HOST_SOURCES
  host/Bus.cpp
  host/DataReport.cpp
  host/DeviceInformation.cpp
  host/Hardware.cpp
  host/HostLogger.cpp
  host/IPCMessageClient.cpp
  host/Registry.cpp
  host/SystemSdk.cpp
  host/VendorHooks.cpp
  host/toolkit/Controls.cpp
  host/toolkit/Culture.cpp
  host/toolkit/Layouts.cpp
  host/toolkit/MainQueue.cpp
  host/toolkit/MenuWnd.cpp
  host/toolkit/PopupClient.cpp
  host/toolkit/UserActions.cpp
  host/toolkit/WindowWnd.cpp
)

# The virtual Windows the Linux build runs the plug-in on: registry, C: drive, device setup,
# configuration manager, disks, WMI, event log, services, processes, modules, clocks, windows.
set(EMU_VIRTUAL_WINDOWS_SOURCES
  virtual-windows/ConfigManager.cpp
  virtual-windows/DriveFiles.cpp
  virtual-windows/EventLog.cpp
  virtual-windows/EventQuery.cpp
  virtual-windows/FindFiles.cpp
  virtual-windows/PlatformFile.cpp
  virtual-windows/PlatformModule.cpp
  virtual-windows/PlatformProcess.cpp
  virtual-windows/PlatformRegistry.cpp
  virtual-windows/PlatformTime.cpp
  virtual-windows/Processes.cpp
  virtual-windows/Services.cpp
  virtual-windows/SetupApi.cpp
  virtual-windows/UserInterface.cpp
  virtual-windows/VirtualDrive.cpp
  virtual-windows/VirtualRegistry.cpp
  virtual-windows/Wmi.cpp
  virtual-windows/disks/DiskImages.cpp
  virtual-windows/disks/StorageDevices.cpp
)

# Scenario files and their timelines, which drive the virtual Windows.
set(EMU_SCENARIO_SOURCES
  scenario/LoadLaptop.cpp
  scenario/Scenario.cpp
  scenario/Timeline.cpp
)

# The window toolkit's layouts, compiled in as text.
set(EMU_LAYOUTS
  res/layout/fix/FixRemindDlg.xml
  res/layout/fix/FixRemindDlgSettingMenu.xml)
