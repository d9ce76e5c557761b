// The status bar's lock-key indicators "CAP", "NUM" and "SCRL": each label shows its text
// enabled while its lock is on and greyed while it is off.
//
// The states are read from the X server's keyboard indicators when the application runs on
// X11 (and the editor was built with Xlib); on other platforms the Caps and Num lock states come
// from the modifier bits of the last key event, and Scroll lock shows off. They are refreshed on
// every key press and release anywhere in the application and when a window is activated.
#pragma once

#include <QObject>

class QLabel;
class QStatusBar;

struct LockKeyStates
{
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// Reads the lock states from the X server's keyboard indicators. False (states untouched) when
// the application does not run on X11 or the editor was built without Xlib.
bool ReadX11LockIndicators(LockKeyStates& states);

class LockKeyIndicators : public QObject
{
    Q_OBJECT

public:
    // Adds the three labels to `statusBar` as permanent widgets and starts watching key events.
    explicit LockKeyIndicators(QStatusBar* statusBar);
    ~LockKeyIndicators() override;

    QLabel* CapsLabel() const { return m_caps; }
    QLabel* NumLabel() const { return m_num; }
    QLabel* ScrollLabel() const { return m_scroll; }

    // Reads the current states and shows them.
    void Refresh();
    // Shows the given states.
    void Show(const LockKeyStates& states);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    LockKeyStates Query() const;
    void ScheduleRefresh();

    QLabel* m_caps;
    QLabel* m_num;
    QLabel* m_scroll;
    LockKeyStates m_fromEvents; // states seen in the last key event's native modifiers
    bool m_refreshPending = false;
};
