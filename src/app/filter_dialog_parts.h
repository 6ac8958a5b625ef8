#pragma once
#include "app/filter_dialogs.h"

// Pieces the three filter dialogs share. Each dialog's frame function returns
// false once it has closed.

// The dialog's face and outline; the pointer is over the interface while any
// dialog is open, wherever it is.
void DrawDialogPanel(const DialogRect& r);

// A button with its caption centred; true when clicked this frame.
bool DialogButton(int x, int y, int w, int h, const char* caption, const char* tooltip);

// The OK and Cancel buttons at the dialog's bottom right, with Enter and
// Escape standing for them.
enum class DialogChoice { kNone, kOk, kCancel };
DialogChoice OkCancel(const DialogRect& r);

// A drag re-filters the layer once the pointer has rested for more frames
// than this (and when the button is released).
constexpr int kPreviewRestFrames = 20;

// Counts the frames the pointer has rested; any move starts again from 0.
void CountRest(int& counter);

// Puts the unfiltered pixels back from the dialog's undo step and applies the
// dialog's filter with its current values.
void PreviewFilter();

// Cancel: the dialog's undo step puts the unfiltered pixels back and goes.
void CancelFilterDialog();
// OK and Cancel of a previewing dialog: OK (or Enter) keeps the previewed
// result, brought up to date first; Cancel (or Escape) undoes it. False once
// the dialog has closed.
bool PreviewDialogButtons(const DialogRect& r);

bool BlurDialogFrame(const DialogRect& r);
bool NoiseDialogFrame(const DialogRect& r);
bool LevelsDialogFrame(const DialogRect& r);
