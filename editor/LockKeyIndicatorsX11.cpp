// The X11 part of the lock-key indicators, apart from the rest because Xlib's macros clash
// with Qt's event names.
#include "editor/LockKeyIndicators.h"

#if TESSEL_HAVE_X11
#include <QGuiApplication>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

bool ReadX11LockIndicators(LockKeyStates& states)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return false;
    auto named = [display](const char* name)
    {
        const Atom atom = XInternAtom(display, name, True);
        Bool on = False;
        if (atom == None || !XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
            return false;
        return on == True;
    };
    states.caps = named("Caps Lock");
    states.num = named("Num Lock");
    states.scroll = named("Scroll Lock");
    return true;
}
#else
bool ReadX11LockIndicators(LockKeyStates& states)
{
    Q_UNUSED(states);
    return false;
}
#endif
