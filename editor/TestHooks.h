// Test-only hooks of the editor, switched on by environment variables, so that tests can drive
// the real `tessel` process from outside (start it, edit, kill it, start it again) without a
// person and without a display:
//
//   TESSEL_TEST_ANSWERS="BoxName=button text;OtherBox=..."  the message boxes named there are
//       answered with the button of that text instead of being shown (others are shown as
//       usual); every box asked through AskUser is printed to standard output as
//       "tessel-test: box NAME: TEXT | INFORMATIVE".
//   TESSEL_TEST_SCRIPT=FILE  (TestScript.h) once the editor runs, the lines of FILE (UTF-8, fields separated
//   by
//       tabs) are carried out: "push<TAB>kind<TAB>field..." (a document command from its record,
//       CTesselDoc::PushRecord), "undo", "redo", "save", "check" (look for changes on disk now),
//       "gridpaste<TAB>ROW<TAB>COLUMN<TAB>TEXT" (Ctrl+V at that cell of the grid tab shown now,
//       TEXT on the clipboard, "\t" and "\n" standing for a tab and a line break),
//       "failwrites<TAB>TEXT" (writes to files whose path contains TEXT fail as on a full disk;
//       an empty TEXT ends that), "bar<TAB>ACTION" (chooses KeepAction or ReloadAction on the bar
//       of a table changed on disk),
//       "flush" (write the recovery journal now), "sleep<TAB>MS" (run events for MS ms),
//       "waitfor<TAB>PATH" (run events until PATH exists; prints "tessel-test: waiting PATH"),
//       "quit" (close the window); then "tessel-test: done" is printed.
//
// Without these variables nothing here has any effect. GUI thread only.
#pragma once

class QAbstractButton;
class QMessageBox;
class QString;

// Shows `box` modally and returns the button chosen (null when it was closed otherwise); in a
// test with an answer for the box's object name, chooses that button without showing the box.
QAbstractButton* AskUser(QMessageBox& box);
// Prints a line "tessel-test: TEXT" when the tests' answers are set (what the editor told the
// user outside message boxes, such as the status bar).
void TestLog(const QString& text);
// Prints "tessel-test: TEXT" to standard output (for the test script, TestScript.h).
void TestPrint(const QString& text);
