#pragma once
// The three threads that registration starts.
namespace jobs {

// Start-up jobs: driver versions, then the start-up checks of the detectors.
void RunStartupJobs();

// Waits 600 s, then starts the disk error event-log monitor.
void RunDelayedDiskMonitor();

// Opens the Bluetooth USB event-log subscription.
void RunBthUsbSubscription();

}  // namespace jobs
