// Ctrl-C and kills (SIGINT, SIGTERM) during a run of the program.
//
// A watcher thread takes the signals. It asks the add-in to stop the rounding
// in progress (which then ends as at its time limit) and gives the run half a
// second to end by itself: the run notices the signal where it checks for it
// (after each add-in command, before its outputs are moved into place) and
// calls endRun. A run that has not done so by then, or a second signal, is
// ended by the watcher the same way. Either way no file of the run is left
// under a final name half written: partial files of this process are
// removed, a line saying so goes to the engine log, and the program exits
// with 128 + the signal (130 for SIGINT, 143 for SIGTERM).
#pragma once

#include <mutex>
#include <string>

namespace app::interrupt {

// Blocks the signals in the calling thread (and every thread it starts
// later) and starts the watcher. Call once, first thing in main.
void install();

// The signal received, or 0.
int signalReceived();

// The add-in's stop entry, called by the watcher when a signal arrives (null:
// none). A plain function that is safe to call from any thread.
void setStopHook(void (*hook)());

// Hands the signals to a part of the program that ends by itself (the web
// server): while a handler is set, the watcher calls it with each signal
// received, from the watcher's thread, and neither stops the add-in nor ends
// the process. Null gives the signals back.
void delegate(void (*handler)(int sig));

// A folder that may hold partial files of this process (outputs being
// written); endRun removes them there.
void addPartialFolder(const std::string& folder);
// The same for the folder of a file about to be written.
void noteOutputFile(const std::string& path);

// Held while a run moves its outputs into place: the watcher waits for the
// moves to finish, so that a set of outputs is never half replaced.
std::unique_lock<std::mutex> commitLock();
// Set (under the commit lock) once the run's outputs are in place.
void noteOutputsCommitted();

// Ends the interrupted run (see above). Never returns.
[[noreturn]] void endRun();

// If a signal was received: endRun.
inline void endRunIfInterrupted() {
    if (signalReceived() != 0) endRun();
}

}  // namespace app::interrupt
