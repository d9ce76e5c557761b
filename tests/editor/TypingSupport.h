// Typing into a line editor as a user does, for the GUI tests; needs only Qt Widgets and QTest,
// so tests of a single widget library can use it too.
#pragma once

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>

namespace shelltest
{

// Replaces the editor's text as a user does: select all, delete, then type (printable ASCII of
// up to 100 characters) or commit the text through the input method (anything else).
inline void TypeText(QLineEdit* editor, const QString& text)
{
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Backspace);
    bool ascii = text.size() <= 100;
    for (QChar c : text)
        ascii = ascii && c.unicode() > 0x20 && c.unicode() < 0x7F;
    if (ascii)
    {
        QTest::keyClicks(editor, text);
        return;
    }
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(editor, &event);
}

} // namespace shelltest
