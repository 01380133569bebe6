// What the console handler does when Ctrl+C, Ctrl+Break, closing the
// console window, logging off or shutting down interrupts the run.
//
// The handler runs on a thread of the system's. It waits for a step of
// InterruptCleanup::RunUninterrupted() in progress, removes the files that
// the live InterruptCleanups name, makes their RunUninterrupted() refuse
// from then on, and ends the process with STATUS_CONTROL_C_EXIT, the status
// the system's own handler gives.
#ifndef PELORIN_PLATFORM_WIN32_CONSOLE_INTERRUPTION_H_
#define PELORIN_PLATFORM_WIN32_CONSOLE_INTERRUPTION_H_

namespace pelorin {

// All of the handler's work except ending the process, so that tests can
// see what an interruption leaves. Returns the number of files removed.
int InterruptAllCleanups();

}  // namespace pelorin

#endif  // PELORIN_PLATFORM_WIN32_CONSOLE_INTERRUPTION_H_
