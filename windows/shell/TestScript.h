// Scripted runs of the real editor for tests that need a whole process (a
// crash, a second editor, a full disk): with GLYPHON_TEST_SCRIPT in the
// environment the editor works through its lines, one step after another,
// as a user would through the widgets:
//   type TEXT         puts TEXT into the text panel's memo
//   click NAME        clicks the button or triggers the menu entry NAME (from
//                     the event loop, right after the step)
//   answer CAPTION    presses the button CAPTION of the message box shown,
//                     printing "box: " and its text
//   wait-autosaves N  waits until N recovery copies were written or failed
//   wait-copy         waits until the recovery copy holds the composition
//   no-box            fails when a message box is open
//   wait-file PATH    waits until PATH exists
//   print-note        prints the status note
// A step waits (up to 30 s) until it can run: a message box open stops
// every step but "answer". After each step a line "step N done: LINE" goes
// to standard output, at the end "script done"; a step that cannot run
// prints "step N failed: ..." and ends the script.
#pragma once

namespace glyphon {

class TMainForm;

// Starts the script when the environment holds one; otherwise does
// nothing. Call after window has been shown.
void runTestScriptIfAsked(TMainForm& window);

}  // namespace glyphon
