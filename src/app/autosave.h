#pragma once
#include <ctime>
#include <string>

// Autosave and crash recovery. While the document is modified, every
// autosave_seconds (config.txt; 0 turns it off) the whole document is written
// as .tvl to this process's recovery file in the user's settings folder, on a
// background thread, from a snapshot the main loop takes between strokes.
// A failure is logged, never shown. Short of memory, the autosave drops its
// copies and pauses until its next try an interval later, leaving the memory
// to the painter's edits ("Autosave paused: not enough memory" and, once it
// writes again, "Autosave resumed" in the log).
//
// Each running copy of the program owns its recovery file through a lock the
// system drops when the process ends, however it ends: a recovery file whose
// lock is free was left by a program that did not exit cleanly. The file goes
// away at a clean exit and whenever the document is no longer modified (it
// was saved whole, or "new", "open" or a paste replaced it).

// At start-up, once the settings are read: takes this process's recovery
// file name and, when a program that ended without a clean exit left one,
// asks "Recover the unsaved image from <date time>?". OK opens it as a
// modified, unnamed document (true); Cancel keeps the file until this
// program's clean exit. The file stays until then either way, so a crash
// before the next autosave loses nothing.
bool StartAutosaveAndOfferRecovery(int intervalSeconds);

// Once per main-loop pass: the timer, the snapshot and the removal rule.
void AutosavePass();

// Milliseconds until the next autosave is due, for a loop that waits for
// events; -1 when none is pending.
int AutosaveDueInMs();

// At a clean exit: waits for a write in progress and removes this program's
// recovery file and those it took over at start-up.
void StopAutosaveAtCleanExit();

// The question's text for a file written at the given time (local time).
std::string RecoveryQuestion(std::time_t written);

// The recovery file this process writes; empty while autosave is off.
std::string AutosavePath();

// For tests: ends the autosave as a killed process would, leaving its files
// and dropping its locks, so that a following start finds them.
void AbandonAutosaveForTesting();
// For tests: waits for a write in progress.
void WaitForAutosaveForTesting();
