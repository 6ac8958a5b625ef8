#pragma once

// The painting tools as the frame's input starts them: stroke samples from
// the mouse and the pen, Ctrl+click flood fill and Alt colour picking.

// Allocates the brush images, builds the default brush, shows strokes in the
// composite and takes the pen's samples.
void InitPainting();
void ShutdownPainting();

// One stroke sample at a desktop position with pressure 0..1. The tablet's
// reading (a negative one: full pressure until the pen reports) applies only
// to a sample from the pen or while the pen is in proximity; the mouse
// alone keeps its own pressure, which the joystick may supply.
void StrokeSampleAt(float screenX, float screenY, float pressure, bool fromPen);

// The pass's share of the painting tools, in the frame's order: flood fill,
// colour picking, the paint colour and effective radius, the mouse sample.
void PaintingInput();

// Ends a stroke whose buttons are already up (its pen-up not yet sampled),
// so that what the same pass does next, an undo say, comes after it as it
// did for the painter.
void CommitReleasedStroke();

// Before the composite: strokes in progress show with the current tool.
void PrepareStrokePreview();

// Ends or forgets the stroke in progress before the document is replaced.
void DocumentWillChange();
